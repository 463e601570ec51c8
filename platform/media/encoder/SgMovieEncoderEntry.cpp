// The encoder module's one entry point. The module is the writer's encoding
// source (platform/media/SgMovieWriter.cpp) compiled with its class named
// SgMovieEncoder (platform/CMakeLists.txt), so the encoder and the front that
// loads it are distinct classes; everything else in the module is hidden.
#include "platform/media/SgMovieWriter.h"
#include "platform/media/SgMovieEncoderApi.h"

#include <string>

#ifndef FENNIX_MOVIE_ENCODER_MODULE
#error "built only into the encoder module, where the writer's class is SgMovieEncoder"
#endif

namespace {

struct EncoderBox {
    SgMovieEncoder encoder;
    // The codec names handed out last, alive until the next call.
    std::string videoCodec;
    std::string audioCodec;
};

EncoderBox &Box(void *encoder)
{
    return *static_cast<EncoderBox *>(encoder);
}

const EncoderBox &Box(const void *encoder)
{
    return *static_cast<const EncoderBox *>(encoder);
}

const SgMovieEncoderApi kEncoderApi = {
    kMovieEncoderApiVersion,
    []() -> void * { return new EncoderBox; },
    [](void *encoder) { delete static_cast<EncoderBox *>(encoder); },
    [](void *encoder, const char *path, int format, int width, int height, int framesPerSecond, int quality,
       const char *musicFile) -> int {
        SgMovieEncoder::Settings settings;
        settings.format = format;
        settings.width = width;
        settings.height = height;
        settings.framesPerSecond = framesPerSecond;
        settings.quality = quality;
        settings.musicFile = musicFile ? musicFile : "";
        return Box(encoder).encoder.Open(path ? path : "", settings);
    },
    [](void *encoder, const std::uint8_t *pixels, int width, int height, int stride, int bottomUp) -> int {
        return Box(encoder).encoder.AddFrame(SgMovieEncoder::Frame{pixels, width, height, stride, bottomUp != 0});
    },
    [](void *encoder) -> int { return Box(encoder).encoder.Finish(); },
    [](void *encoder) { Box(encoder).encoder.Abort(); },
    [](const void *encoder) -> int { return Box(encoder).encoder.GetFrameCount(); },
    [](const void *encoder) -> const char * { return Box(encoder).encoder.GetError().c_str(); },
    [](void *encoder) -> const char * {
        EncoderBox &box = Box(encoder);
        box.videoCodec = box.encoder.GetVideoCodecName();
        return box.videoCodec.c_str();
    },
    [](void *encoder) -> const char * {
        EncoderBox &box = Box(encoder);
        box.audioCodec = box.encoder.GetAudioCodecName();
        return box.audioCodec.c_str();
    },
};

} // namespace

extern "C" __attribute__((visibility("default"))) const SgMovieEncoderApi *FennixMovieEncoderApi()
{
    return &kEncoderApi;
}
