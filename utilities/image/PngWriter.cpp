#include "utilities/image/PngWriter.h"

#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

void PngPut32(std::string &to, std::uint32_t value)
{
    to.push_back(static_cast<char>(value >> 24));
    to.push_back(static_cast<char>(value >> 16));
    to.push_back(static_cast<char>(value >> 8));
    to.push_back(static_cast<char>(value));
}

// One chunk: length, kind, body and the CRC of kind and body.
void PngWriteChunk(std::ostream &out, const char kind[4], const std::uint8_t *body, std::size_t size)
{
    std::string head;
    PngPut32(head, static_cast<std::uint32_t>(size));
    head.append(kind, 4);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef *>(kind), 4);
    if (size)
        crc = crc32(crc, body, static_cast<uInt>(size));
    std::string tail;
    PngPut32(tail, static_cast<std::uint32_t>(crc));
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    out.write(reinterpret_cast<const char *>(body), static_cast<std::streamsize>(size));
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
}

} // namespace

bool WritePngFromBgrBottomUp(std::ostream &out, int width, int height, const std::uint8_t *pixels,
                             std::size_t rowBytes)
{
    if (width <= 0 || height <= 0 || !pixels || rowBytes < static_cast<std::size_t>(width) * 3)
        return false;
    // A chunk's length is 31 bits; the largest pictures the renderer makes
    // (its pixel limit) stay far below that even without compression.
    const std::size_t rawRow = 1 + static_cast<std::size_t>(width) * 3;
    const std::size_t rawSize = rawRow * static_cast<std::size_t>(height);
    if (rawSize > INT_MAX / 2)
        return false;

    // Each row: filter type 0, then red, green, blue; the top row first.
    std::vector<std::uint8_t> raw(rawSize);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *source = pixels + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        std::uint8_t *target = raw.data() + static_cast<std::size_t>(y) * rawRow;
        *target++ = 0;
        for (int x = 0; x < width; ++x, source += 3) {
            *target++ = source[2];
            *target++ = source[1];
            *target++ = source[0];
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rawSize));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(rawSize), Z_BEST_SPEED) != Z_OK)
        return false;

    static const char kSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    out.write(kSignature, sizeof(kSignature));
    std::string header;
    PngPut32(header, static_cast<std::uint32_t>(width));
    PngPut32(header, static_cast<std::uint32_t>(height));
    header.push_back(8);  // bits per sample
    header.push_back(2);  // RGB
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering, all rows unfiltered
    header.push_back(0);  // not interlaced
    PngWriteChunk(out, "IHDR", reinterpret_cast<const std::uint8_t *>(header.data()), header.size());
    PngWriteChunk(out, "IDAT", packed.data(), packedSize);
    PngWriteChunk(out, "IEND", nullptr, 0);
    out.flush();
    return out.good();
}
