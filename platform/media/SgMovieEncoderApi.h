#pragma once
// The seam between the movie writer (libPlatformMedia, which maps no encoding
// library) and the encoder module it loads when the first movie opens
// (libfennix_media.so, the only object that links the encoding libraries).
// Plain C types only: the two sides are built apart and meet through dlsym.
#include <cstdint>

extern "C" {

struct SgMovieEncoderApi {
    // kMovieEncoderApiVersion of the module that filled it in.
    int version;
    void *(*create)();
    void (*destroy)(void *encoder);
    // Non-zero on success; error() says why not.
    int (*open)(void *encoder, const char *path, int format, int width, int height, int framesPerSecond,
                int quality, const char *musicFile);
    int (*addFrame)(void *encoder, const std::uint8_t *pixels, int width, int height, int stride, int bottomUp);
    int (*finish)(void *encoder);
    void (*abort)(void *encoder);
    int (*frameCount)(const void *encoder);
    // Valid until the next call on the same encoder.
    const char *(*error)(const void *encoder);
    const char *(*videoCodecName)(void *encoder);
    const char *(*audioCodecName)(void *encoder);
};

using SgMovieEncoderEntry = const SgMovieEncoderApi *(*)();
}

inline constexpr int kMovieEncoderApiVersion = 1;
inline constexpr const char *kMovieEncoderModuleName = "libfennix_media.so";
inline constexpr const char *kMovieEncoderEntryName = "FennixMovieEncoderApi";
