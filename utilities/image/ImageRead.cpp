#include "utilities/image/ImageRead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "platform/SgDiagnostics.h"
#include "platform/gl/GLImageScale.h"
#include "utilities/StringUtil.h"
#include "utilities/image/BmpReader.h"
#include "utilities/image/JpegReader.h"
#include "utilities/image/PngReader.h"

namespace {

enum class ImageKind { None, Bmp, Jpeg, Png };

// The extension of the file name part, so that a dot in a folder name is
// never taken for one.
ImageKind KindOf(const char *path)
{
    std::string_view name(path);
    std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return ImageKind::None;
    std::string_view extension = name.substr(dot);
    if (SgIEquals(extension, ".JPG"))
        return ImageKind::Jpeg;
    if (SgIEquals(extension, ".BMP"))
        return ImageKind::Bmp;
    if (SgIEquals(extension, ".PNG"))
        return ImageKind::Png;
    return ImageKind::None;
}

std::size_t PixelCount(long long width, long long height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// A size a buffer may be made for.
bool SizeAllowed(long long width, long long height)
{
    return width > 0 && height > 0 && width * height <= IMAGE_MAX_PIXELS;
}

// The nearest-neighbour walk of the fit-scaling along one axis: for each of
// `used` destination pixels, the source index it shows.
class ErrorWalk {
public:
    ErrorWalk(int source, int used) : m_source(source), m_used(used), m_error(2 * source - used) {}

    int Index() const { return m_index; }
    void Advance()
    {
        while (m_error >= 0) {
            m_error -= 2 * m_used;
            ++m_index;
        }
        m_error += 2 * m_source;
        // Enlarging would step one past the last source pixel.
        m_index = static_cast<int>(std::min<long long>(m_index, m_source - 1));
    }

private:
    long long m_source;
    long long m_used;
    long long m_error;
    int m_index = 0;
};

} // namespace

void ImageFree(unsigned char *pixels)
{
    delete[] pixels;
}

unsigned char *fix_buffer_32(unsigned char *src, int width, int height, unsigned char *dst)
{
    if (src == nullptr || !SizeAllowed(width, height))
        return nullptr;
    const std::size_t count = PixelCount(width, height);
    unsigned char *out = dst != nullptr ? dst : new (std::nothrow) unsigned char[count * 4];
    if (out == nullptr)
        return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        out[4 * i] = src[3 * i];
        out[4 * i + 1] = src[3 * i + 1];
        out[4 * i + 2] = src[3 * i + 2];
        out[4 * i + 3] = 0;
    }
    if (dst == nullptr)
        ImageFree(src);
    return out;
}

unsigned char *ImageRead(const char *path, int *width, int *height, int widen)
{
    if (path == nullptr)
        return nullptr;
    int w = 0;
    int h = 0;
    unsigned char *pixels = nullptr;
    switch (KindOf(path)) {
    case ImageKind::Bmp:
        pixels = ReadBmp(path, &w, &h);
        break;
    case ImageKind::Jpeg:
        pixels = ReadJpeg(path, &w, &h);
        break;
    case ImageKind::Png: {
        std::string why;
        pixels = ReadPng(path, &w, &h, &why);
        if (pixels == nullptr)
            SgDiagWarning("Image", "%s: %s", path, why.c_str());
        break;
    }
    case ImageKind::None:
        return nullptr;
    }
    if (pixels == nullptr)
        return nullptr;

    // Red, green, blue top-down becomes blue, green, red bottom-up.
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    for (std::size_t i = 0; i < rowBytes * h; i += 3)
        std::swap(pixels[i], pixels[i + 2]);
    for (int r = 0; r < h / 2; ++r)
        std::swap_ranges(pixels + r * rowBytes, pixels + (r + 1) * rowBytes, pixels + (h - 1 - r) * rowBytes);

    if (widen) {
        unsigned char *wide = fix_buffer_32(pixels, w, h, nullptr);
        if (wide == nullptr) {
            ImageFree(pixels);
            return nullptr;
        }
        pixels = wide;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    return pixels;
}

int NearestPowerOfTwo(int side)
{
    if (side <= 0)
        return 64;
    long long lower = 1;
    while (lower * 2 <= side)
        lower *= 2;
    const long long upper = lower * 2;
    long long nearest = side - lower < upper - side ? lower : upper;
    // The larger power of a side above 2^30 does not fit an int.
    return static_cast<int>(std::min<long long>(nearest, 1LL << 30));
}

int TexturePow2Side(int side, int maxTextureSize)
{
    int pow2 = NearestPowerOfTwo(side);
    return maxTextureSize > 0 ? std::min(pow2, maxTextureSize) : pow2;
}

unsigned char *GL_ScaleImage(int widthIn, int heightIn, int widthOut, int heightOut, unsigned char *pixels)
{
    if (pixels == nullptr || !SizeAllowed(widthIn, heightIn) || !SizeAllowed(widthOut, heightOut) ||
        !GLHasCurrentContext())
        return nullptr;
    unsigned char *out = new (std::nothrow) unsigned char[PixelCount(widthOut, heightOut) * 4];
    if (out == nullptr)
        return nullptr;
    if (!GLScaleImageBGRA(widthIn, heightIn, pixels, widthOut, heightOut, out)) {
        ImageFree(out);
        return nullptr;
    }
    return out;
}

unsigned char *ReadImagePow2(const char *path, int *width, int *height)
{
    int fileWidth = 0;
    int fileHeight = 0;
    unsigned char *pixels = ImageRead(path, &fileWidth, &fileHeight, 1);
    if (pixels == nullptr)
        return nullptr;
    const int maxTextureSize = GLMaxTextureSize();
    const int w = TexturePow2Side(fileWidth, maxTextureSize);
    const int h = TexturePow2Side(fileHeight, maxTextureSize);
    unsigned char *scaled = (w == fileWidth && h == fileHeight)
                                ? nullptr
                                : GL_ScaleImage(fileWidth, fileHeight, w, h, pixels);
    if (scaled != nullptr) {
        ImageFree(pixels);
        pixels = scaled;
    } else if (w != fileWidth || h != fileHeight) {
        // Scaling failed: the picture as the file has it.
        if (width != nullptr)
            *width = fileWidth;
        if (height != nullptr)
            *height = fileHeight;
        return pixels;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    return pixels;
}

void scale_buffers_dll(const unsigned char *src, int sw, int sh, unsigned char *dst, int dw, int dh)
{
    if (dst == nullptr || !SizeAllowed(dw, dh))
        return;
    std::memset(dst, 0, PixelCount(dw, dh) * 4);
    if (src == nullptr || !SizeAllowed(sw, sh))
        return;

    // The used part keeps the source's proportions; a square source fills
    // the whole destination. Which side is fitted follows from the aspect
    // ratios, so that the used part never leaves the destination.
    int usedWidth = dw;
    int usedHeight = dh;
    int left = 0;
    int top = 0;
    if (sw != sh) {
        if (static_cast<long long>(sw) * dh <= static_cast<long long>(sh) * dw) {
            usedWidth = static_cast<int>(static_cast<float>(sw) * dh / sh);
            left = (dw - usedWidth) / 2;
        } else {
            usedHeight = static_cast<int>(static_cast<float>(sh) * dw / sw);
            top = (dh - usedHeight) / 2;
        }
    }
    usedWidth = std::clamp(usedWidth, 0, dw);
    usedHeight = std::clamp(usedHeight, 0, dh);

    ErrorWalk rows(sh, usedHeight);
    for (int y = 0; y < usedHeight; ++y, rows.Advance()) {
        const unsigned char *srcRow = src + PixelCount(rows.Index(), sw) * 4;
        unsigned char *dstRow = dst + (PixelCount(top + y, dw) + left) * 4;
        ErrorWalk columns(sw, usedWidth);
        for (int x = 0; x < usedWidth; ++x, columns.Advance())
            std::memcpy(dstRow + 4 * x, srcRow + 4 * columns.Index(), 4);
    }
}

unsigned char *ReadImageWithScale(long width, long height, const char *path, long *fileWidth, long *fileHeight,
                                  int fit)
{
    if (!SizeAllowed(width, height))
        return nullptr;
    int sw = 0;
    int sh = 0;
    unsigned char *pixels = ImageRead(path, &sw, &sh, 1);
    if (pixels == nullptr)
        return nullptr;
    if (fileWidth != nullptr)
        *fileWidth = sw;
    if (fileHeight != nullptr)
        *fileHeight = sh;
    if (sw == width && sh == height)
        return pixels;

    unsigned char *out = new (std::nothrow) unsigned char[PixelCount(width, height) * 4];
    if (out == nullptr) {
        ImageFree(pixels);
        return nullptr;
    }
    if (fit) {
        scale_buffers_dll(pixels, sw, sh, out, static_cast<int>(width), static_cast<int>(height));
    } else {
        // The first pixels as they lie; a smaller picture leaves black behind.
        const std::size_t wanted = PixelCount(width, height) * 4;
        const std::size_t available = PixelCount(sw, sh) * 4;
        const std::size_t copied = std::min(wanted, available);
        std::memcpy(out, pixels, copied);
        std::memset(out + copied, 0, wanted - copied);
    }
    ImageFree(pixels);
    return out;
}
