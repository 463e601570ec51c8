#pragma once
// Helpers of the image tests: BMP files built byte by byte, a private
// temporary folder, and a notifier that records what the user would see.
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Notifier.h"

namespace imagetest {

struct Bgr {
    unsigned char b, g, r;
    bool operator<(const Bgr &o) const { return std::array{b, g, r} < std::array{o.b, o.g, o.r}; }
    bool operator==(const Bgr &) const = default;
};

// A picture as a BMP file holds it: the bottom row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Bgr> pixels;
    Bgr At(int x, int fileRow) const { return pixels[static_cast<std::size_t>(fileRow) * width + x]; }
};

// Byte offsets of the header fields the tests tamper with.
namespace field {
constexpr std::size_t PIXEL_OFFSET = 10;
constexpr std::size_t INFO_SIZE = 14;
constexpr std::size_t WIDTH = 18;
constexpr std::size_t HEIGHT = 22;
constexpr std::size_t BITS = 28;
constexpr std::size_t COMPRESSION = 30;
constexpr std::size_t COLOURS_USED = 46;
} // namespace field

inline void Put32(std::vector<unsigned char> &bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

inline void Put16(std::vector<unsigned char> &bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

// An uncompressed BMP of `bits` per pixel. Palette files give the k-th
// distinct colour the index 2^bits - 1 - k, so that the high bits of every
// packed byte are exercised.
inline std::vector<unsigned char> EncodeBmp(const Picture &picture, int bits)
{
    std::vector<std::array<unsigned char, 4>> palette;
    std::map<Bgr, unsigned> index;
    if (bits <= 8) {
        palette.assign(std::size_t(1) << bits, {0, 0, 0, 0});
        for (const Bgr &c : picture.pixels) {
            if (index.count(c))
                continue;
            unsigned i = (1u << bits) - 1 - static_cast<unsigned>(index.size());
            index[c] = i;
            palette[i] = {c.b, c.g, c.r, 0};
        }
    }
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * bits + 31) / 32 * 4;
    const std::size_t offset = 54 + palette.size() * 4;
    std::vector<unsigned char> bytes(offset + stride * picture.height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    Put32(bytes, field::PIXEL_OFFSET, static_cast<std::uint32_t>(offset));
    Put32(bytes, field::INFO_SIZE, 40);
    Put32(bytes, field::WIDTH, static_cast<std::uint32_t>(picture.width));
    Put32(bytes, field::HEIGHT, static_cast<std::uint32_t>(picture.height));
    Put16(bytes, 26, 1);
    Put16(bytes, field::BITS, static_cast<std::uint32_t>(bits));
    for (std::size_t i = 0; i < palette.size(); ++i)
        std::copy(palette[i].begin(), palette[i].end(), bytes.begin() + 54 + 4 * i);
    for (int row = 0; row < picture.height; ++row) {
        unsigned char *out = bytes.data() + offset + stride * row;
        for (int x = 0; x < picture.width; ++x) {
            const Bgr c = picture.At(x, row);
            if (bits == 24 || bits == 32) {
                unsigned char *p = out + x * (bits / 8);
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
                if (bits == 32)
                    p[3] = 0x7f;
                continue;
            }
            const int perByte = 8 / bits;
            const int shift = 8 - bits * (x % perByte + 1);
            out[x / perByte] |= static_cast<unsigned char>(index[c] << shift);
        }
    }
    return bytes;
}

inline Picture Uniform(int width, int height, Bgr colour)
{
    return {width, height, std::vector<Bgr>(static_cast<std::size_t>(width) * height, colour)};
}

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "image-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    std::string Write(const std::string &name, const std::vector<unsigned char> &bytes) const
    {
        std::string path = (m_path / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

private:
    std::filesystem::path m_path;
};

inline std::vector<unsigned char> ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Installed for its lifetime: records each message as "caption: text".
class RecordingNotifier : public Notifier {
public:
    RecordingNotifier() : m_previous(SetNotifier(this)) {}
    ~RecordingNotifier() override { SetNotifier(m_previous); }
    int Message(const std::string &text, const std::string &caption, Buttons buttons, Icon) override
    {
        m_shown.push_back(caption + ": " + text);
        return DefaultAnswer(buttons);
    }
    std::vector<std::string> m_shown;

private:
    Notifier *m_previous;
};

} // namespace imagetest
