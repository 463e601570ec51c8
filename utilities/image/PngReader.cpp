#include "utilities/image/PngReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <vector>

#include "utilities/image/ImageRead.h"

namespace {

constexpr unsigned char kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// A file larger than this is not read at all (its picture could not be kept).
constexpr std::size_t kPngMaxFileBytes = std::size_t(1) << 30;

std::uint32_t PngBigEndian32(const unsigned char *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    int channels = 0;
};

// One pass of the picture: all of it, or one of the seven of an interlaced one.
struct PngPass {
    std::uint32_t x0, y0, dx, dy;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::size_t rowBytes = 0; // without the filter byte
};

bool PngFail(std::string *error, const char *why)
{
    if (error)
        *error = why;
    return false;
}

bool PngReadHeader(const unsigned char *data, std::uint32_t length, PngHeader &header, std::string *error)
{
    if (length != 13)
        return PngFail(error, "the header chunk has the wrong length");
    header.width = PngBigEndian32(data);
    header.height = PngBigEndian32(data + 4);
    header.bitDepth = data[8];
    header.colourType = data[9];
    header.interlace = data[12];
    if (header.width == 0 || header.height == 0 || header.width > 0x7fffffffu || header.height > 0x7fffffffu)
        return PngFail(error, "the picture has no size or an impossible one");
    if (static_cast<long long>(header.width) * header.height > IMAGE_MAX_PIXELS)
        return PngFail(error, "the picture has more pixels than can be read");
    if (data[10] != 0 || data[11] != 0 || header.interlace > 1)
        return PngFail(error, "unknown compression, filter or interlace method");
    const int depth = header.bitDepth;
    const bool byteDepth = depth == 8 || depth == 16;
    const bool smallDepth = depth == 1 || depth == 2 || depth == 4;
    switch (header.colourType) {
    case 0: header.channels = 1; break;
    case 2: header.channels = 3; break;
    case 3: header.channels = 1; break;
    case 4: header.channels = 2; break;
    case 6: header.channels = 4; break;
    default: return PngFail(error, "unknown colour type");
    }
    const bool depthAllowed = header.colourType == 0   ? (byteDepth || smallDepth)
                              : header.colourType == 3 ? (smallDepth || depth == 8)
                                                       : byteDepth;
    if (!depthAllowed)
        return PngFail(error, "a bit depth the colour type does not allow");
    return true;
}

std::vector<PngPass> PngPasses(const PngHeader &header)
{
    static const std::uint32_t kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<PngPass> passes;
    const auto add = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t dx, std::uint32_t dy) {
        PngPass pass{x0, y0, dx, dy};
        pass.width = header.width > x0 ? (header.width - x0 + dx - 1) / dx : 0;
        pass.height = header.height > y0 ? (header.height - y0 + dy - 1) / dy : 0;
        pass.rowBytes = (std::size_t(pass.width) * header.channels * header.bitDepth + 7) / 8;
        if (pass.width > 0 && pass.height > 0)
            passes.push_back(pass);
    };
    if (header.interlace == 0)
        add(0, 0, 1, 1);
    else
        for (const auto &p : kAdam7)
            add(p[0], p[1], p[2], p[3]);
    return passes;
}

// Inflates the image data, growing the buffer only as the data really
// expands, up to the `expected` bytes the picture's rows take.
bool PngInflate(const std::vector<unsigned char> &packed, std::size_t expected, std::vector<unsigned char> &raw,
                std::string *error)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return PngFail(error, "the decompressor could not start");
    stream.next_in = const_cast<Bytef *>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    raw.clear();
    std::size_t produced = 0;
    int status = Z_OK;
    while (produced < expected && status != Z_STREAM_END) {
        if (produced == raw.size()) {
            const std::size_t grown = std::min(expected, std::max<std::size_t>(65536, raw.size() * 2));
            try {
                raw.resize(grown);
            } catch (const std::bad_alloc &) {
                inflateEnd(&stream);
                return PngFail(error, "not enough memory for the picture");
            }
        }
        const std::size_t room = std::min<std::size_t>(raw.size() - produced, 1u << 30);
        stream.next_out = raw.data() + produced;
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        if (status == Z_BUF_ERROR || (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0))
            break; // no more input: the data stops short
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&stream);
            return PngFail(error, "the image data is corrupt");
        }
    }
    inflateEnd(&stream);
    if (produced < expected)
        return PngFail(error, "the image data is shorter than the picture");
    raw.resize(expected);
    return true;
}

int PngPaeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

// Undoes the row filters of one pass in place; `at` is where its rows start.
bool PngUnfilter(unsigned char *at, const PngPass &pass, int bytesPerPixel, std::string *error)
{
    const std::size_t stride = pass.rowBytes + 1;
    for (std::uint32_t y = 0; y < pass.height; ++y) {
        unsigned char *row = at + y * stride + 1;
        const unsigned char *up = y > 0 ? at + (y - 1) * stride + 1 : nullptr;
        const int filter = row[-1];
        for (std::size_t i = 0; i < pass.rowBytes; ++i) {
            const int a = i >= std::size_t(bytesPerPixel) ? row[i - bytesPerPixel] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= std::size_t(bytesPerPixel) ? up[i - bytesPerPixel] : 0;
            int add = 0;
            switch (filter) {
            case 0: break;
            case 1: add = a; break;
            case 2: add = b; break;
            case 3: add = (a + b) / 2; break;
            case 4: add = PngPaeth(a, b, c); break;
            default: return PngFail(error, "a row has an unknown filter");
            }
            row[i] = static_cast<unsigned char>(row[i] + add);
        }
    }
    return true;
}

// Sample `index` of a row at the header's depth, as a byte (16-bit samples
// keep their high byte; smaller ones are widened to 0..255 unless `raw`,
// which leaves palette indices as they are).
int PngSample(const unsigned char *row, std::size_t index, int depth, bool raw)
{
    if (depth == 8)
        return row[index];
    if (depth == 16)
        return row[2 * index];
    const std::size_t bit = index * depth;
    const int value = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
    return raw ? value : value * 255 / ((1 << depth) - 1);
}

} // namespace

unsigned char *DecodePng(const unsigned char *data, std::size_t size, int *width, int *height, std::string *error)
{
    if (!data || size < sizeof kPngSignature || std::memcmp(data, kPngSignature, sizeof kPngSignature) != 0) {
        PngFail(error, "not a PNG file");
        return nullptr;
    }
    PngHeader header;
    bool haveHeader = false;
    bool ended = false;
    std::vector<unsigned char> palette;
    std::vector<unsigned char> packed;
    std::size_t at = sizeof kPngSignature;
    while (!ended) {
        if (size - at < 12) {
            PngFail(error, "the file ends before its end chunk");
            return nullptr;
        }
        const std::uint32_t length = PngBigEndian32(data + at);
        const unsigned char *type = data + at + 4;
        const unsigned char *body = data + at + 8;
        if (length > 0x7fffffffu || length > size - at - 12) {
            PngFail(error, "a chunk is longer than the file");
            return nullptr;
        }
        for (int i = 0; i < 4; ++i)
            if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z'))) {
                PngFail(error, "a chunk has an invalid name");
                return nullptr;
            }
        const uLong crc = crc32(crc32(0L, type, 4), body, length);
        if (crc != PngBigEndian32(body + length)) {
            PngFail(error, "a chunk's check sum is wrong");
            return nullptr;
        }
        at += 12 + std::size_t(length);
        const auto is = [type](const char *name) { return std::memcmp(type, name, 4) == 0; };
        if (!haveHeader && !is("IHDR")) {
            PngFail(error, "the header chunk is not first");
            return nullptr;
        }
        if (is("IHDR")) {
            if (haveHeader) {
                PngFail(error, "a second header chunk");
                return nullptr;
            }
            if (!PngReadHeader(body, length, header, error))
                return nullptr;
            haveHeader = true;
        } else if (is("PLTE")) {
            if (length == 0 || length % 3 != 0 || length > 256 * 3 || !packed.empty() || !palette.empty() ||
                header.colourType == 0 || header.colourType == 4) {
                PngFail(error, "a palette chunk that breaks the format");
                return nullptr;
            }
            palette.assign(body, body + length);
        } else if (is("IDAT")) {
            packed.insert(packed.end(), body, body + length);
        } else if (is("IEND")) {
            ended = true;
        } else if ((type[0] & 0x20) == 0) {
            PngFail(error, "a chunk this reader does not know is marked as needed");
            return nullptr;
        }
    }
    if (packed.empty()) {
        PngFail(error, "the file has no image data");
        return nullptr;
    }
    if (header.colourType == 3 && palette.empty()) {
        PngFail(error, "a palette picture without a palette");
        return nullptr;
    }

    const std::vector<PngPass> passes = PngPasses(header);
    std::size_t expected = 0;
    for (const PngPass &pass : passes)
        expected += std::size_t(pass.height) * (pass.rowBytes + 1);
    std::vector<unsigned char> raw;
    if (!PngInflate(packed, expected, raw, error))
        return nullptr;
    packed = {};

    const std::size_t pixelCount = std::size_t(header.width) * header.height;
    unsigned char *pixels = new (std::nothrow) unsigned char[pixelCount * 3];
    if (!pixels) {
        PngFail(error, "not enough memory for the picture");
        return nullptr;
    }
    const int bytesPerPixel = std::max(1, header.channels * header.bitDepth / 8);
    const std::size_t paletteEntries = palette.size() / 3;
    std::size_t offset = 0;
    for (const PngPass &pass : passes) {
        unsigned char *rows = raw.data() + offset;
        offset += std::size_t(pass.height) * (pass.rowBytes + 1);
        if (!PngUnfilter(rows, pass, bytesPerPixel, error)) {
            delete[] pixels;
            return nullptr;
        }
        for (std::uint32_t y = 0; y < pass.height; ++y) {
            const unsigned char *row = rows + std::size_t(y) * (pass.rowBytes + 1) + 1;
            unsigned char *line = pixels + (std::size_t(pass.y0) + std::size_t(y) * pass.dy) * header.width * 3;
            for (std::uint32_t x = 0; x < pass.width; ++x) {
                unsigned char *to = line + (std::size_t(pass.x0) + std::size_t(x) * pass.dx) * 3;
                const std::size_t first = std::size_t(x) * header.channels;
                if (header.colourType == 3) {
                    const std::size_t index = PngSample(row, first, header.bitDepth, true);
                    if (index >= paletteEntries) {
                        delete[] pixels;
                        PngFail(error, "a pixel names a colour the palette lacks");
                        return nullptr;
                    }
                    std::memcpy(to, palette.data() + 3 * index, 3);
                } else if (header.colourType == 2 || header.colourType == 6) {
                    for (int c = 0; c < 3; ++c)
                        to[c] = static_cast<unsigned char>(PngSample(row, first + c, header.bitDepth, false));
                } else {
                    // Grey, with or without alpha.
                    to[0] = to[1] = to[2] = static_cast<unsigned char>(PngSample(row, first, header.bitDepth, false));
                }
            }
        }
    }
    *width = static_cast<int>(header.width);
    *height = static_cast<int>(header.height);
    return pixels;
}

unsigned char *ReadPng(const char *path, int *width, int *height, std::string *error)
{
    std::ifstream in(path ? path : "", std::ios::binary);
    if (!in) {
        PngFail(error, "the file cannot be opened");
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || static_cast<unsigned long long>(length) > kPngMaxFileBytes) {
        PngFail(error, "the file cannot be read whole");
        return nullptr;
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!bytes.empty() && !in.read(reinterpret_cast<char *>(bytes.data()), length)) {
        PngFail(error, "the file cannot be read whole");
        return nullptr;
    }
    return DecodePng(bytes.data(), bytes.size(), width, height, error);
}
