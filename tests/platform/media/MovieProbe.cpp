#include "tests/platform/media/MovieProbe.h"

#include <cmath>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace movieprobe {

namespace {

std::vector<std::uint8_t> Grey(const AVFrame *frame)
{
    std::vector<std::uint8_t> grey(std::size_t(frame->width) * frame->height);
    SwsContext *scaler = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                        frame->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr);
    if (!scaler)
        return {};
    std::uint8_t *rows[1] = {grey.data()};
    int strides[1] = {frame->width};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, rows, strides);
    sws_freeContext(scaler);
    return grey;
}

} // namespace

MovieFacts ReadMovie(const std::string &path)
{
    MovieFacts facts;
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) {
        facts.error = "cannot open";
        return facts;
    }
    avformat_find_stream_info(input, nullptr);
    facts.container = input->iformat->name;
    if (input->start_time != AV_NOPTS_VALUE)
        facts.start = input->start_time / double(AV_TIME_BASE);
    if (input->duration != AV_NOPTS_VALUE)
        facts.duration = input->duration / double(AV_TIME_BASE);
    const AVCodec *decoder = nullptr;
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    const int audio = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio >= 0)
        facts.audioCodec = avcodec_get_name(input->streams[audio]->codecpar->codec_id);
    if (stream < 0 || !decoder) {
        facts.error = "no video stream";
        avformat_close_input(&input);
        return facts;
    }
    facts.videoCodec = avcodec_get_name(input->streams[stream]->codecpar->codec_id);
    AVCodecContext *codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, input->streams[stream]->codecpar);
    avcodec_open2(codec, decoder, nullptr);
    const AVRational base = input->streams[stream]->time_base;
    const AVRational rate = input->streams[stream]->r_frame_rate;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    std::vector<std::uint8_t> first, last;
    std::int64_t firstTime = AV_NOPTS_VALUE, lastTime = AV_NOPTS_VALUE;
    auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            ++facts.frames;
            facts.width = frame->width;
            facts.height = frame->height;
            // An MPEG program stream stamps only the first picture of each
            // pack with its showing time; the decoding times (the movies
            // hold no reordered pictures) give the time of every one.
            std::int64_t t = frame->pkt_dts != AV_NOPTS_VALUE ? frame->pkt_dts : frame->best_effort_timestamp;
            // The MPEG decoder hands its last picture out at the flush,
            // without a stamp: one frame interval after the one before.
            if (t == AV_NOPTS_VALUE && lastTime != AV_NOPTS_VALUE && rate.num > 0)
                t = lastTime + av_rescale_q(1, av_inv_q(rate), base);
            if (firstTime == AV_NOPTS_VALUE)
                firstTime = t;
            lastTime = t;
            if (facts.frames == 1)
                first = Grey(frame);
            last = Grey(frame);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == stream && packet->pts == AV_NOPTS_VALUE && packet->dts == AV_NOPTS_VALUE)
            ++facts.unstamped;
        if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    drain();
    if (firstTime != AV_NOPTS_VALUE && lastTime != AV_NOPTS_VALUE)
        facts.span = double(lastTime - firstTime) * av_q2d(base);
    if (!first.empty() && first.size() == last.size()) {
        double sum = 0.0;
        for (std::size_t i = 0; i < first.size(); ++i)
            sum += std::abs(int(first[i]) - int(last[i]));
        facts.firstToLast = sum / double(first.size());
    }
    facts.ok = facts.frames > 0;
    if (!facts.ok)
        facts.error = "no picture decoded";
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&input);
    return facts;
}

} // namespace movieprobe
