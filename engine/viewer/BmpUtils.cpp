#include "engine/viewer/BmpUtils.h"

#include <GL/gl.h>

#include <memory>
#include <ostream>

#include "engine/viewer/SgViewer.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "platform/gl/OffscreenGLContext.h"
#include "utilities/image/PngWriter.h"

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kBitFields = 3;

void Put16(std::ostream &out, std::uint16_t v)
{
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.write(bytes, 2);
}

void Put32(std::ostream &out, std::uint32_t v)
{
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    out.write(bytes, 4);
}

int WriteToStream(const BmpImage &bitmap, void *user)
{
    return BmpUtils::WriteBmp(bitmap, *static_cast<std::ostream *>(user));
}

int WritePngToStream(const BmpImage &bitmap, void *user)
{
    const BmpInfoHeader &h = bitmap.header;
    if (h.bitCount != 24 || h.height <= 0 ||
        bitmap.pixels.size() < static_cast<std::size_t>(bitmap.BytesPerRow()) * static_cast<std::size_t>(h.height))
        return 0;
    return WritePngFromBgrBottomUp(*static_cast<std::ostream *>(user), h.width, h.height, bitmap.pixels.data(),
                                   static_cast<std::size_t>(bitmap.BytesPerRow()))
               ? 1
               : 0;
}

} // namespace

int BmpUtils::MaxSide()
{
    return OffscreenGLContext::MaxSide();
}

int BmpUtils::ColorCount(const BmpInfoHeader &header)
{
    if (header.size != kCoreHeaderSize && header.clrUsed != 0)
        return static_cast<int>(header.clrUsed);
    if (header.bitCount <= 8)
        return 1 << header.bitCount;
    return 0;
}

int BmpUtils::ColorTableSize(const BmpInfoHeader &header)
{
    if (header.size == kCoreHeaderSize)
        return ColorCount(header) * 3;
    if (header.compression == kBitFields)
        return (ColorCount(header) + 3) * 4;
    return ColorCount(header) * 4;
}

bool BmpUtils::DrawToBuffer(SgViewer *viewer, int width, int height, Consumer consume, void *user)
{
    if (!viewer || !consume || width < 1 || height < 1 || width > MaxSide() || height > MaxSide())
        return false;

    BmpImage bitmap;
    bitmap.header.width = width;
    bitmap.header.height = height;
    bitmap.header.sizeImage = static_cast<std::uint32_t>(bitmap.BytesPerRow()) * static_cast<std::uint32_t>(height);
    bitmap.pixels.assign(bitmap.header.sizeImage, 0);

    GLContext *previous = GLContext::GetCurrent();
    const int oldWidth = viewer->GetWidth();
    const int oldHeight = viewer->GetHeight();
    std::unique_ptr<OffscreenGLContext> context;
    try {
        context = std::make_unique<OffscreenGLContext>(width, height);
    } catch (const SgError &error) {
        SgDiagError("Snapshot", "%s", error.what());
        return false;
    }
    if (!context->MakeCurrent()) {
        if (previous)
            previous->MakeCurrent();
        return false;
    }

    viewer->SetSize(width, height);
    // A picture of part of the scene is no snapshot of it: a failed
    // traversal fails the whole draw.
    bool drawn = false;
    try {
        drawn = viewer->PrintScene();
    } catch (const std::exception &error) {
        SgDiagError("Snapshot", "%s", error.what());
        drawn = false;
    }
    if (!drawn) {
        context->ReleaseCurrent();
        if (previous)
            previous->MakeCurrent();
        viewer->SetSize(oldWidth, oldHeight);
        return false;
    }
    glFlush();
    glFinish();
    // The finished picture as GL holds it: the accumulated passes are
    // returned into the colour buffer, which a copy of the surface's memory
    // may not show yet.
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());

    // RGBA rows bottom-up into padded BGR rows bottom-up, as the file keeps them.
    const int stride = bitmap.BytesPerRow();
    for (int y = 0; y < height; ++y) {
        const unsigned char *src = rgba.data() + static_cast<size_t>(y) * width * 4;
        std::uint8_t *dst = bitmap.pixels.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            dst[x * 3 + 0] = src[x * 4 + 2];
            dst[x * 3 + 1] = src[x * 4 + 1];
            dst[x * 3 + 2] = src[x * 4 + 0];
        }
    }

    context->ReleaseCurrent();
    if (previous)
        previous->MakeCurrent();
    viewer->SetSize(oldWidth, oldHeight);
    context.reset();
    // A frame that failed is no picture of the scene.
    return drawn && consume(bitmap, user) != 0;
}

bool BmpUtils::SaveBmp(SgViewer *viewer, int width, int height, std::ostream &out)
{
    return DrawToBuffer(viewer, width, height, &WriteToStream, &out);
}

bool BmpUtils::SavePng(SgViewer *viewer, int width, int height, std::ostream &out)
{
    return DrawToBuffer(viewer, width, height, &WritePngToStream, &out);
}

int BmpUtils::WriteBmp(const BmpImage &bitmap, std::ostream &out)
{
    const BmpInfoHeader &h = bitmap.header;
    if (h.width <= 0 || h.height <= 0 || bitmap.pixels.empty())
        return 0;
    const std::uint32_t rowBytes = static_cast<std::uint32_t>(bitmap.BytesPerRow());
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(h.height);
    if (bitmap.pixels.size() < pixelBytes)
        return 0;
    out.write("BM", 2);
    Put32(out, pixelBytes + kFileHeaderSize + h.size);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, h.size + kFileHeaderSize + static_cast<std::uint32_t>(ColorTableSize(h)));
    Put32(out, h.size);
    Put32(out, static_cast<std::uint32_t>(h.width));
    Put32(out, static_cast<std::uint32_t>(h.height));
    Put16(out, h.planes);
    Put16(out, h.bitCount);
    Put32(out, h.compression);
    Put32(out, h.sizeImage);
    Put32(out, static_cast<std::uint32_t>(h.xPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(h.yPelsPerMeter));
    Put32(out, h.clrUsed);
    Put32(out, h.clrImportant);
    out.write(reinterpret_cast<const char *>(bitmap.pixels.data()), static_cast<std::streamsize>(pixelBytes));
    out.flush();
    return out.good() ? 1 : 0;
}
