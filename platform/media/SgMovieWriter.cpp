#include "platform/media/SgMovieWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdarg>
#include <mutex>
#include <vector>

#include "platform/SgDiagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

struct FormatInfo {
    int number;
    const char *name;
    const char *extension;
    const char *muxer;
    // Video encoders by preference; the first the libraries have is used.
    const char *video[3];
    // Audio encoders by preference; none for a container without sound.
    const char *audio[3];
};

// The 3GP audio of choice is narrow-band speech at 8 kHz; libraries built
// without it get AAC, which the container also carries.
const FormatInfo kFormats[] = {
    {SgMovieWriter::kAvi, "AVI", "avi", "avi", {"mjpeg"}, {"libmp3lame", "mp2"}},
    {SgMovieWriter::k3gp, "3GP", "3gp", "3gp", {"mpeg4"}, {"libopencore_amrnb", "aac"}},
    {SgMovieWriter::kMpg, "MPG", "mpg", "mpeg", {"mpeg2video", "mpeg1video"}, {"mp2"}},
    {SgMovieWriter::kFlv, "FLV", "flv", "flv", {"flv"}, {"libmp3lame", "aac"}},
    {SgMovieWriter::kWmv, "WMV", "wmv", "asf", {"wmv2", "msmpeg4"}, {"wmav2", "libmp3lame"}},
    {SgMovieWriter::kMov, "MOV", "mov", "mov", {"libx264", "mpeg4"}, {"aac"}},
    {SgMovieWriter::kGif, "GIF", "gif", "gif", {"gif"}, {}},
};

// The pack size of the MPEG program streams written (the muxer's usual one).
constexpr int kMpgPackSize = 2048;
// The program stream's rate, in bits a second: the highest its players take.
constexpr int kMpgMuxRate = 10080000;

const FormatInfo *FindFormat(int number)
{
    for (const FormatInfo &info : kFormats)
        if (info.number == number)
            return &info;
    return nullptr;
}

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

const AVCodec *FindEncoder(const char *const *names, int count)
{
    for (int i = 0; i < count && names[i]; ++i)
        if (const AVCodec *codec = avcodec_find_encoder_by_name(names[i]))
            return codec;
    return nullptr;
}

// The libraries' own messages go to the diagnostics sink: errors as
// warnings of the movie writer, the rest dropped.
void LogToDiagnostics(void *object, int level, const char *format, va_list arguments)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(object, level, format, arguments, line, sizeof line, &prefix);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty())
        SgDiagWarning("Movie", "%s", text.c_str());
}

void InstallLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(&LogToDiagnostics);
    });
}

} // namespace

struct SgMovieWriter::State {
    const FormatInfo *info = nullptr;
    Settings settings;
    std::string target;
    std::string temporary;
    bool fileOpen = false;
    bool headerWritten = false;

    AVFormatContext *output = nullptr;
    AVStream *videoStream = nullptr;
    AVCodecContext *video = nullptr;
    AVFrame *picture = nullptr;
    SwsContext *scaler = nullptr;
    int scalerWidth = 0;
    int scalerHeight = 0;
    AVPacket *packet = nullptr;
    int frames = 0;
    // An MPEG program stream stamps only the first picture that starts in
    // each of its packs: a picture smaller than a pack would share one and
    // go without its time. Each picture is padded with zero bytes (stuffing
    // the video syntax allows before a start code) to a whole pack.
    int videoPadding = 0;

    // The music: its reader, decoder, converter to the encoder's samples and
    // the samples waiting for a whole encoder frame.
    AVFormatContext *music = nullptr;
    int musicStream = -1;
    AVCodecContext *musicDecoder = nullptr;
    SwrContext *resampler = nullptr;
    AVAudioFifo *fifo = nullptr;
    AVStream *audioStream = nullptr;
    AVCodecContext *audio = nullptr;
    AVFrame *decoded = nullptr;
    AVFrame *samples = nullptr;
    std::int64_t audioPts = 0;
    bool musicEnded = false;

    ~State()
    {
        Close();
        if (!temporary.empty())
            std::remove(temporary.c_str());
    }

    void Close()
    {
        if (output) {
            if (fileOpen)
                avio_closep(&output->pb);
            avformat_free_context(output);
            output = nullptr;
        }
        fileOpen = false;
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avcodec_free_context(&musicDecoder);
        avformat_close_input(&music);
        av_frame_free(&picture);
        av_frame_free(&decoded);
        av_frame_free(&samples);
        av_packet_free(&packet);
        sws_freeContext(scaler);
        scaler = nullptr;
        swr_free(&resampler);
        if (fifo) {
            av_audio_fifo_free(fifo);
            fifo = nullptr;
        }
    }

    // Sends a frame (null: flush) to an encoder and writes what comes out.
    bool Encode(AVCodecContext *codec, AVStream *stream, AVFrame *frame, std::string &error)
    {
        int result = avcodec_send_frame(codec, frame);
        if (result < 0) {
            error = std::string("Cannot encode the movie: ") + AvError(result);
            return false;
        }
        for (;;) {
            result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return true;
            if (result < 0) {
                error = std::string("Cannot encode the movie: ") + AvError(result);
                return false;
            }
            if (codec == video) {
                // Each picture lasts one frame interval, so that a player
                // sees the last one last as long as the others.
                if (packet->duration == 0)
                    packet->duration = 1;
                if (packet->size < videoPadding) {
                    const int size = packet->size;
                    if (av_grow_packet(packet, videoPadding - size) < 0) {
                        error = "Out of memory for the movie";
                        return false;
                    }
                    std::memset(packet->data + size, 0, std::size_t(videoPadding - size));
                }
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(output, packet);
            if (result < 0) {
                error = std::string("Cannot write the movie file: ") + AvError(result);
                return false;
            }
        }
    }

    double VideoSeconds() const { return double(frames) / settings.framesPerSecond; }

    // Decodes music into the queue until it holds `wanted` samples or the
    // music ends.
    bool FillQueue(int wanted, std::string &error)
    {
        while (!musicEnded && av_audio_fifo_size(fifo) < wanted) {
            int result = avcodec_receive_frame(musicDecoder, decoded);
            if (result == 0) {
                const int room = swr_get_out_samples(resampler, decoded->nb_samples);
                if (av_frame_make_writable(samples) < 0 || room < 0)
                    return Fail("Cannot convert the music", error);
                std::uint8_t **data = nullptr;
                if (av_samples_alloc_array_and_samples(&data, nullptr, audio->ch_layout.nb_channels, room,
                                                       audio->sample_fmt, 0) < 0)
                    return Fail("Out of memory for the music", error);
                const int converted = swr_convert(resampler, data, room, (const std::uint8_t **)decoded->extended_data,
                                                  decoded->nb_samples);
                if (converted > 0)
                    av_audio_fifo_write(fifo, (void **)data, converted);
                av_freep(&data[0]);
                av_freep(&data);
                av_frame_unref(decoded);
                if (converted < 0)
                    return Fail("Cannot convert the music", error);
                continue;
            }
            if (result == AVERROR_EOF) {
                musicEnded = true;
                break;
            }
            if (result != AVERROR(EAGAIN))
                return Fail("Cannot decode the music: " + AvError(result), error);
            // The decoder wants input.
            AVPacket *input = av_packet_alloc();
            if (!input)
                return Fail("Out of memory for the music", error);
            bool sent = false;
            while (!sent) {
                result = av_read_frame(music, input);
                if (result < 0) {
                    avcodec_send_packet(musicDecoder, nullptr);
                    sent = true;
                } else if (input->stream_index == musicStream) {
                    result = avcodec_send_packet(musicDecoder, input);
                    sent = true;
                    if (result < 0 && result != AVERROR(EAGAIN)) {
                        av_packet_free(&input);
                        return Fail("Cannot decode the music: " + AvError(result), error);
                    }
                }
                av_packet_unref(input);
            }
            av_packet_free(&input);
        }
        return true;
    }

    static bool Fail(const std::string &text, std::string &error)
    {
        error = text;
        return false;
    }

    // Encodes music up to the end of the pictures written so far; at the
    // end (`last`) the remainder and the encoder's delay as well.
    bool PumpAudio(bool last, std::string &error)
    {
        if (!audio)
            return true;
        const std::int64_t until = std::int64_t(std::llround(VideoSeconds() * audio->sample_rate));
        const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (audioPts < until) {
            if (!FillQueue(frameSize, error))
                return false;
            const int available = std::min(frameSize, av_audio_fifo_size(fifo));
            if (available <= 0)
                break;
            if (av_frame_make_writable(samples) < 0)
                return Fail("Cannot encode the music", error);
            // Fixed-size encoders take whole frames: the music's last one is
            // padded with silence.
            samples->nb_samples = audio->frame_size > 0 ? frameSize : available;
            av_samples_set_silence(samples->data, 0, samples->nb_samples, audio->ch_layout.nb_channels,
                                   audio->sample_fmt);
            av_audio_fifo_read(fifo, (void **)samples->data, available);
            samples->pts = audioPts;
            audioPts += samples->nb_samples;
            if (!Encode(audio, audioStream, samples, error))
                return false;
        }
        if (last)
            return Encode(audio, audioStream, nullptr, error);
        return true;
    }
};

SgMovieWriter::SgMovieWriter() = default;

SgMovieWriter::~SgMovieWriter() = default;

bool SgMovieWriter::Fail(const std::string &text)
{
    m_error = text;
    m_state.reset();
    return false;
}

int SgMovieWriter::GetFrameCount() const
{
    return m_state ? m_state->frames : 0;
}

std::string SgMovieWriter::GetVideoCodecName() const
{
    return m_state && m_state->video ? m_state->video->codec->name : "";
}

std::string SgMovieWriter::GetAudioCodecName() const
{
    return m_state && m_state->audio ? m_state->audio->codec->name : "";
}

// The picture encoder of the open movie, its stream and the picture it
// encodes from.
bool SgMovieWriter::OpenVideoEncoder()
{
    State &s = *m_state;
    const FormatInfo *info = s.info;
    const AVCodec *videoCodec = FindEncoder(info->video, 3);
    if (!videoCodec)
        return Fail(std::string("No video encoder for ") + info->name + " files");
    s.video = avcodec_alloc_context3(videoCodec);
    s.packet = av_packet_alloc();
    s.picture = av_frame_alloc();
    if (!s.video || !s.packet || !s.picture)
        return Fail("Out of memory for the movie");

    int result = 0;
    int width = 0, height = 0;
    FrameSize(info->number, s.settings.width, s.settings.height, width, height);
    AVCodecContext &v = *s.video;
    v.width = width;
    v.height = height;
    v.time_base = AVRational{1, s.settings.framesPerSecond};
    v.framerate = AVRational{s.settings.framesPerSecond, 1};
    v.max_b_frames = 0;
    v.gop_size = 12;
    v.thread_count = 2;
    v.pix_fmt = AV_PIX_FMT_YUV420P;
    if (videoCodec->pix_fmts) {
        // The encoder's first picture format, unless it takes plain 4:2:0.
        bool has420 = false;
        for (const AVPixelFormat *f = videoCodec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
            has420 = has420 || *f == AV_PIX_FMT_YUV420P;
        if (!has420)
            v.pix_fmt = videoCodec->pix_fmts[0];
    }
    const int quality = s.settings.quality;
    const std::string codecName = videoCodec->name;
    if (info->number == k3gp) {
        v.bit_rate = 350000;
        // The encoder's longest key-frame interval.
        v.gop_size = 600;
    } else if (codecName == "libx264") {
        av_opt_set(v.priv_data, "preset", "veryfast", 0);
        av_opt_set_double(v.priv_data, "crf", 18.0 + (100 - quality) * 0.33, 0);
    } else if (codecName != "gif") {
        // Quality 100 is the finest quantiser the encoders take, 0 the coarsest.
        const int q = 2 + (100 - quality) * 29 / 100;
        v.flags |= AV_CODEC_FLAG_QSCALE;
        v.global_quality = FF_QP2LAMBDA * q;
        v.qmin = v.qmax = q;
    }
    if (codecName == "mjpeg")
        v.color_range = AVCOL_RANGE_JPEG;
    if (info->number == kMpg) {
        // Rates such as 10 or 16 frames per second are no broadcast rates.
        v.strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
        // Without reordered pictures each is decoded when it is shown, so
        // the first one's time is 0, not one interval before it.
        v.flags |= AV_CODEC_FLAG_LOW_DELAY;
        s.output->packet_size = kMpgPackSize;
        s.videoPadding = kMpgPackSize;
    }
    if (s.output->oformat->flags & AVFMT_GLOBALHEADER)
        v.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    result = avcodec_open2(s.video, videoCodec, nullptr);
    if (result < 0)
        return Fail(std::string("Cannot start the ") + videoCodec->name + " encoder: " + AvError(result));
    s.videoStream = avformat_new_stream(s.output, nullptr);
    if (!s.videoStream)
        return Fail("Out of memory for the movie");
    s.videoStream->time_base = v.time_base;
    s.videoStream->avg_frame_rate = v.framerate;
    avcodec_parameters_from_context(s.videoStream->codecpar, s.video);

    s.picture->format = v.pix_fmt;
    s.picture->width = width;
    s.picture->height = height;
    if (av_frame_get_buffer(s.picture, 0) < 0)
        return Fail("Out of memory for the movie");
    return true;
}

// The music file's decoder, the movie's sound encoder and stream, and the
// resampler between them.
bool SgMovieWriter::OpenMusic()
{
    State &s = *m_state;
    const FormatInfo *info = s.info;
    int result = 0;
    const char *music = s.settings.musicFile.c_str();
    result = avformat_open_input(&s.music, music, nullptr, nullptr);
    if (result < 0)
        return Fail("Cannot open the music file " + s.settings.musicFile + ": " + AvError(result));
    if (avformat_find_stream_info(s.music, nullptr) < 0)
        return Fail("Cannot read the music file " + s.settings.musicFile);
    const AVCodec *decoder = nullptr;
    s.musicStream = av_find_best_stream(s.music, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (s.musicStream < 0 || !decoder)
        return Fail("The music file " + s.settings.musicFile + " holds no sound the libraries can read");
    s.musicDecoder = avcodec_alloc_context3(decoder);
    if (!s.musicDecoder)
        return Fail("Out of memory for the music");
    avcodec_parameters_to_context(s.musicDecoder, s.music->streams[s.musicStream]->codecpar);
    if ((result = avcodec_open2(s.musicDecoder, decoder, nullptr)) < 0)
        return Fail("Cannot decode the music file: " + AvError(result));

    const AVCodec *audioCodec = FindEncoder(info->audio, 3);
    if (!audioCodec)
        return Fail(std::string("No audio encoder for ") + info->name + " files");
    s.audio = avcodec_alloc_context3(audioCodec);
    if (!s.audio)
        return Fail("Out of memory for the music");
    AVCodecContext &a = *s.audio;
    const bool speech = std::string(audioCodec->name) == "libopencore_amrnb";
    a.sample_fmt = audioCodec->sample_fmts ? audioCodec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    int rate = speech ? 8000 : 44100;
    if (audioCodec->supported_samplerates) {
        int best = audioCodec->supported_samplerates[0];
        for (const int *r = audioCodec->supported_samplerates; *r; ++r)
            if (std::abs(*r - rate) < std::abs(best - rate))
                best = *r;
        rate = best;
    }
    a.sample_rate = rate;
    av_channel_layout_default(&a.ch_layout, speech ? 1 : 2);
    a.bit_rate = speech ? 12200 : 128000;
    a.time_base = AVRational{1, rate};
    if (s.output->oformat->flags & AVFMT_GLOBALHEADER)
        a.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(s.audio, audioCodec, nullptr)) < 0)
        return Fail(std::string("Cannot start the ") + audioCodec->name + " encoder: " + AvError(result));
    s.audioStream = avformat_new_stream(s.output, nullptr);
    if (!s.audioStream)
        return Fail("Out of memory for the music");
    s.audioStream->time_base = a.time_base;
    avcodec_parameters_from_context(s.audioStream->codecpar, s.audio);

    AVChannelLayout inputLayout = s.musicDecoder->ch_layout;
    if (inputLayout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inputLayout, inputLayout.nb_channels > 0 ? inputLayout.nb_channels : 1);
    if (swr_alloc_set_opts2(&s.resampler, &a.ch_layout, a.sample_fmt, a.sample_rate, &inputLayout,
                            s.musicDecoder->sample_fmt, s.musicDecoder->sample_rate, 0, nullptr) < 0 ||
        swr_init(s.resampler) < 0)
        return Fail("Cannot convert the music to the movie's sound");
    s.fifo = av_audio_fifo_alloc(a.sample_fmt, a.ch_layout.nb_channels, 4096);
    s.decoded = av_frame_alloc();
    s.samples = av_frame_alloc();
    if (!s.fifo || !s.decoded || !s.samples)
        return Fail("Out of memory for the music");
    s.samples->format = a.sample_fmt;
    av_channel_layout_copy(&s.samples->ch_layout, &a.ch_layout);
    s.samples->sample_rate = a.sample_rate;
    s.samples->nb_samples = a.frame_size > 0 ? a.frame_size : 1024;
    if (av_frame_get_buffer(s.samples, 0) < 0)
        return Fail("Out of memory for the music");
    return true;
}

bool SgMovieWriter::Open(const std::string &path, const Settings &settings)
{
    InstallLog();
    m_state.reset();
    m_error.clear();
    const FormatInfo *info = FindFormat(settings.format);
    if (!info)
        return Fail("Unknown movie format " + std::to_string(settings.format));
    if (settings.width < 1 || settings.height < 1 || settings.width > 8192 || settings.height > 8192)
        return Fail("The movie size must be 1 to 8192 pixels each way");
    if (settings.framesPerSecond < 1 || settings.framesPerSecond > 240)
        return Fail("The movie frame rate must be 1 to 240 frames per second");
    if (path.empty())
        return Fail("No movie file name");

    m_state = std::make_unique<State>();
    State &s = *m_state;
    s.info = info;
    s.settings = settings;
    s.settings.quality = std::clamp(settings.quality, 0, 100);
    s.target = path;

    // A private file beside the target, so the final rename stays on one
    // file system and nobody else can open the name in between.
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return Fail("Cannot create the movie file " + path + ": " + std::strerror(errno));
    fchmod(fd, 0644);
    close(fd);
    s.temporary = name.data();

    int result = avformat_alloc_output_context2(&s.output, nullptr, info->muxer, s.temporary.c_str());
    if (result < 0 || !s.output)
        return Fail(std::string("The libraries cannot write ") + info->name + " files");

    if (!OpenVideoEncoder())
        return false;
    if (!settings.musicFile.empty() && info->audio[0] && !OpenMusic())
        return false;

    if ((result = avio_open(&s.output->pb, s.temporary.c_str(), AVIO_FLAG_WRITE)) < 0)
        return Fail("Cannot write the movie file " + path + ": " + AvError(result));
    s.fileOpen = true;
    AVDictionary *muxing = nullptr;
    // The program stream's decoder holds a picture before it shows it: one
    // frame interval of delay (not the muxer's half second), at a rate that
    // brings even a large first picture in within it.
    if (info->number == kMpg) {
        av_dict_set_int(&muxing, "preload", AV_TIME_BASE / settings.framesPerSecond, 0);
        av_dict_set_int(&muxing, "muxrate", kMpgMuxRate, 0);
    }
    result = avformat_write_header(s.output, &muxing);
    av_dict_free(&muxing);
    if (result < 0)
        return Fail("Cannot write the movie file " + path + ": " + AvError(result));
    s.headerWritten = true;
    return true;
}

bool SgMovieWriter::AddFrame(const Frame &frame)
{
    if (!m_state) {
        if (m_error.empty())
            m_error = "The movie is not open";
        return false;
    }
    State &s = *m_state;
    if (!frame.pixels || frame.width < 1 || frame.height < 1 || frame.stride < frame.width * 3)
        return Fail("A movie frame without pixels");
    if (!s.scaler || s.scalerWidth != frame.width || s.scalerHeight != frame.height) {
        sws_freeContext(s.scaler);
        s.scaler = sws_getContext(frame.width, frame.height, AV_PIX_FMT_BGR24, s.video->width, s.video->height,
                                  s.video->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!s.scaler)
            return Fail("Cannot scale the frames to the movie's size");
        s.scalerWidth = frame.width;
        s.scalerHeight = frame.height;
    }
    if (av_frame_make_writable(s.picture) < 0)
        return Fail("Out of memory for the movie");
    // A bottom-up picture is read from its last row with a negative stride.
    const std::uint8_t *rows[1] = {frame.pixels};
    int strides[1] = {frame.stride};
    if (frame.bottomUp) {
        rows[0] = frame.pixels + std::size_t(frame.height - 1) * frame.stride;
        strides[0] = -frame.stride;
    }
    sws_scale(s.scaler, rows, strides, 0, frame.height, s.picture->data, s.picture->linesize);
    s.picture->pts = s.frames;
    std::string error;
    if (!s.Encode(s.video, s.videoStream, s.picture, error))
        return Fail(error);
    ++s.frames;
    if (!s.PumpAudio(false, error))
        return Fail(error);
    return true;
}

bool SgMovieWriter::Finish()
{
    if (!m_state) {
        if (m_error.empty())
            m_error = "The movie is not open";
        return false;
    }
    State &s = *m_state;
    if (s.frames == 0)
        return Fail("The movie has no frames");
    std::string error;
    if (!s.Encode(s.video, s.videoStream, nullptr, error) || !s.PumpAudio(true, error))
        return Fail(error);
    int result = av_write_trailer(s.output);
    if (result < 0)
        return Fail("Cannot finish the movie file: " + AvError(result));
    result = avio_closep(&s.output->pb);
    s.fileOpen = false;
    if (result < 0)
        return Fail("Cannot finish the movie file: " + AvError(result));
    if (std::rename(s.temporary.c_str(), s.target.c_str()) != 0)
        return Fail("Cannot name the movie file " + s.target + ": " + std::strerror(errno));
    s.temporary.clear();
    m_state.reset();
    return true;
}

void SgMovieWriter::Abort()
{
    m_state.reset();
}
