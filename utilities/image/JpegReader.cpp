#include "utilities/image/JpegReader.h"

#include <cstdio>
#include <new>

#include "platform/SgDiagnostics.h"
#include "utilities/image/ImageRead.h"
#include "utilities/image/JpegDecode.h"

namespace {

// Handed to the C decoder: neither may throw.
unsigned char *AllocatePixels(std::size_t bytes) noexcept
{
    return new (std::nothrow) unsigned char[bytes];
}

void ReleasePixels(unsigned char *pixels) noexcept
{
    delete[] pixels;
}

} // namespace

unsigned char *ReadJpeg(const char *path, int *width, int *height)
{
    if (path == nullptr)
        return nullptr;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return nullptr;
    JpegDecodeResult result;
    JpegDecodeStatus status = JpegDecodeFile(file, IMAGE_MAX_PIXELS, AllocatePixels, ReleasePixels, &result);
    std::fclose(file);

    switch (status) {
    case JPEG_DECODE_OK:
        *width = result.width;
        *height = result.height;
        return result.pixels;
    case JPEG_DECODE_ERROR:
        SgDiagTellUser(SgDiagLevel::Error, "Image", result.message, "JPEG Fatal Error");
        return nullptr;
    case JPEG_DECODE_TOO_LARGE:
    case JPEG_DECODE_NO_MEMORY:
        SgDiagTellUser(SgDiagLevel::Error, "Image", "JpegFile :\nOut of memory", "Error");
        return nullptr;
    case JPEG_DECODE_UNSUPPORTED:
        break;
    }
    return nullptr;
}
