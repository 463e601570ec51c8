#include "utilities/image/BmpReader.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "utilities/image/ImageRead.h"

namespace {

constexpr long FILE_HEADER_SIZE = 14;
constexpr long INFO_HEADER_SIZE = 40;
constexpr int PALETTE_ENTRY_SIZE = 4;

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct PixelsDeleter {
    void operator()(unsigned char *pixels) const { delete[] pixels; }
};
using PixelsPtr = std::unique_ptr<unsigned char[], PixelsDeleter>;

// Little-endian fields, counting the bytes taken so that the position of the
// pixel data can be checked against what the headers used up.
class LittleEndianReader {
public:
    explicit LittleEndianReader(std::FILE *file) : m_file(file) {}

    bool Bytes(unsigned char *out, long n)
    {
        if (n < 0 || std::fread(out, 1, static_cast<std::size_t>(n), m_file) != static_cast<std::size_t>(n))
            return false;
        m_count += n;
        return true;
    }
    bool U16(std::uint32_t &value)
    {
        unsigned char b[2];
        if (!Bytes(b, 2))
            return false;
        value = b[0] | (std::uint32_t(b[1]) << 8);
        return true;
    }
    bool U32(std::uint32_t &value)
    {
        unsigned char b[4];
        if (!Bytes(b, 4))
            return false;
        value = b[0] | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
        return true;
    }
    bool I32(std::int32_t &value)
    {
        std::uint32_t raw;
        if (!U32(raw))
            return false;
        value = static_cast<std::int32_t>(raw);
        return true;
    }
    bool SkipTo(long position)
    {
        if (position < m_count || std::fseek(m_file, position, SEEK_SET) != 0)
            return false;
        m_count = position;
        return true;
    }
    long Count() const { return m_count; }

private:
    std::FILE *m_file;
    long m_count = 0;
};

struct BmpHeaders {
    std::uint32_t pixelOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
};

bool ReadHeaders(LittleEndianReader &in, BmpHeaders &h)
{
    unsigned char magic[2];
    if (!in.Bytes(magic, 2) || magic[0] != 'B' || magic[1] != 'M')
        return false;
    std::uint32_t fileSize, reserved1, reserved2, planes, imageSize, xResolution, yResolution, important;
    return in.U32(fileSize) && in.U16(reserved1) && in.U16(reserved2) && in.U32(h.pixelOffset) &&
           in.U32(h.infoSize) && in.I32(h.width) && in.I32(h.height) && in.U16(planes) &&
           in.U16(h.bitsPerPixel) && in.U32(h.compression) && in.U32(imageSize) && in.U32(xResolution) &&
           in.U32(yResolution) && in.U32(h.coloursUsed) && in.U32(important);
}

bool SupportedDepth(std::uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

long FileSize(std::FILE *file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

} // namespace

unsigned char *ReadBmp(const char *path, int *width, int *height)
{
    if (path == nullptr)
        return nullptr;
    FilePtr file(std::fopen(path, "rb"));
    if (!file)
        return nullptr;
    long fileSize = FileSize(file.get());
    if (fileSize < FILE_HEADER_SIZE + INFO_HEADER_SIZE)
        return nullptr;

    LittleEndianReader in(file.get());
    BmpHeaders h;
    if (!ReadHeaders(in, h))
        return nullptr;
    // Only uncompressed bottom-up pictures of the listed depths. An info
    // header shorter than 40 bytes is another layout; a longer one with a
    // palette would put the palette where this reader does not look.
    if (h.compression != 0 || !SupportedDepth(h.bitsPerPixel) || h.infoSize < INFO_HEADER_SIZE ||
        (h.infoSize > INFO_HEADER_SIZE && h.bitsPerPixel <= 8))
        return nullptr;
    if (h.width <= 0 || h.height <= 0)
        return nullptr;
    const long long pixelCount = static_cast<long long>(h.width) * h.height;
    if (pixelCount > IMAGE_MAX_PIXELS)
        return nullptr;

    // Rows are padded to whole 32-bit words. A file too short for its rows is
    // refused before anything is allocated for them.
    const long long stride = (static_cast<long long>(h.width) * h.bitsPerPixel + 31) / 32 * 4;
    if (static_cast<long long>(h.pixelOffset) + stride * h.height > fileSize)
        return nullptr;

    std::vector<std::array<unsigned char, PALETTE_ENTRY_SIZE>> palette;
    if (h.bitsPerPixel <= 8) {
        long long entries = h.coloursUsed != 0 ? h.coloursUsed : (1LL << h.bitsPerPixel);
        // A palette running into the pixel data is corrupt.
        if (in.Count() + entries * PALETTE_ENTRY_SIZE > h.pixelOffset)
            return nullptr;
        palette.resize(static_cast<std::size_t>(entries));
        for (auto &entry : palette)
            if (!in.Bytes(entry.data(), PALETTE_ENTRY_SIZE))
                return nullptr;
    }
    if (in.Count() > h.pixelOffset || !in.SkipTo(static_cast<long>(h.pixelOffset)))
        return nullptr;

    PixelsPtr pixels(new (std::nothrow) unsigned char[static_cast<std::size_t>(pixelCount) * 3]);
    if (!pixels)
        return nullptr;
    std::vector<unsigned char> row(static_cast<std::size_t>(stride));

    const int bits = static_cast<int>(h.bitsPerPixel);
    const unsigned mask = (1u << (bits < 8 ? bits : 8)) - 1;
    for (int fileRow = 0; fileRow < h.height; ++fileRow) {
        if (!in.Bytes(row.data(), static_cast<long>(stride)))
            return nullptr;
        // The file starts with the bottom row; the output with the top one.
        unsigned char *out = pixels.get() + static_cast<std::size_t>(h.height - 1 - fileRow) * h.width * 3;
        if (bits >= 24) {
            const int bytes = bits / 8;
            for (int x = 0; x < h.width; ++x) {
                const unsigned char *p = row.data() + static_cast<std::size_t>(x) * bytes;
                out[3 * x] = p[2];
                out[3 * x + 1] = p[1];
                out[3 * x + 2] = p[0];
            }
            continue;
        }
        const int perByte = 8 / bits;
        for (int x = 0; x < h.width; ++x) {
            const unsigned char byte = row[static_cast<std::size_t>(x / perByte)];
            const int shift = 8 - bits * (x % perByte + 1);
            const unsigned index = (byte >> shift) & mask;
            if (index >= palette.size())
                return nullptr;
            const auto &entry = palette[index];
            out[3 * x] = entry[2];
            out[3 * x + 1] = entry[1];
            out[3 * x + 2] = entry[0];
        }
    }
    *width = h.width;
    *height = h.height;
    return pixels.release();
}
