#pragma once
// Writes a movie file in process: frames of 24-bit pixels in, one of seven
// containers out, with an optional music file as the audio track. The file
// is written under a private temporary name beside the target and takes the
// target's name only when Finish succeeds; a writer that is aborted, fails or
// is destroyed unfinished removes what it wrote, and an existing file of the
// target's name stays as it was.
//
//   SgMovieWriter writer;
//   SgMovieWriter::Settings settings;       // format, size, rate, quality
//   if (!writer.Open("walk.avi", settings)) report(writer.GetError());
//   for (...) writer.AddFrame(frame);       // false: GetError() says why
//   writer.Finish();                        // the file is there when true
//
// Only this folder sees the encoding libraries (scripts/check-layers), and
// only the encoder module links them: Open loads it when the first movie
// opens, so a process that writes no movie never maps them.
#include <cstdint>
#include <memory>
#include <string>

class SgMovieWriter {
public:
    // The formats of the movie dialog, by their numbers.
    enum Format : int { kAvi = 1, k3gp = 2, kMpg = 3, kFlv = 4, kWmv = 5, kMov = 6, kGif = 7 };

    struct Settings {
        int format = kAvi;
        // The picture size of the file. 3GP is always written at 176 x 144;
        // the other formats round an odd side up to even.
        int width = 300;
        int height = 200;
        int framesPerSecond = 16;
        // 0 (smallest file) to 100 (best picture); values outside are clamped.
        int quality = 100;
        // A sound file whose first audio stream becomes the movie's audio
        // track, cut at the end of the pictures; empty: no audio. GIF has no
        // audio and ignores it.
        std::string musicFile;
    };

    // Pixels as the snapshots give them: blue, green, red bytes, rows
    // `stride` bytes apart, the bottom row first when `bottomUp`.
    struct Frame {
        const std::uint8_t *pixels = nullptr;
        int width = 0;
        int height = 0;
        int stride = 0;
        bool bottomUp = true;
    };

    SgMovieWriter();
    SgMovieWriter(const SgMovieWriter &) = delete;
    SgMovieWriter &operator=(const SgMovieWriter &) = delete;
    ~SgMovieWriter();

    // The container's name ("AVI", ..., "GIF"), or null for an unknown number.
    static const char *FormatName(int format);
    // The file extension of a format, without the dot ("avi", ..., "gif").
    static const char *FormatExtension(int format);
    // The picture size a format writes for the asked one.
    static void FrameSize(int format, int width, int height, int &outWidth, int &outHeight);

    // Opens the temporary file and the encoders. False (GetError() says why)
    // for an unknown format, a size outside 1..8192, a rate outside 1..240,
    // an unwritable folder, a music file that cannot be read or decoded, an
    // encoder the libraries lack, or an encoder module that cannot be loaded.
    bool Open(const std::string &path, const Settings &settings);
    // Encodes one picture (scaled to the file's size). False after a failure.
    bool AddFrame(const Frame &frame);
    // Frames added so far.
    int GetFrameCount() const;
    // Adds the audio, closes the file and gives it the target's name. False
    // (nothing left behind) when any step fails or no frame was added.
    bool Finish();
    // Stops and removes what was written.
    void Abort();

    const std::string &GetError() const { return m_error; }
    // The video and audio encoders' names in use (after Open).
    std::string GetVideoCodecName() const;
    std::string GetAudioCodecName() const;

private:
    struct State;
    bool Fail(const std::string &text);
    bool OpenVideoEncoder();
    bool OpenMusic();

    std::unique_ptr<State> m_state;
    std::string m_error;
};
