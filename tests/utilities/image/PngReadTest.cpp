// The PNG reader: every colour type and depth, plain and interlaced, every
// row filter, and files broken in each way the format can break, each refused
// with its reason and nothing returned.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "utilities/image/ImageRead.h"
#include "utilities/image/PngReader.h"
#include "utilities/image/PngWriter.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Rgb {
    int r, g, b;
};

// A picture every test knows by heart: each pixel's colour from its place.
Rgb Expected(int x, int y) { return {(x * 37 + y * 11) & 0xff, (x * 5 + y * 71) & 0xff, (x * y * 3 + 7) & 0xff}; }

void PutBig32(Bytes &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(Bytes &out, const char *type, const Bytes &body)
{
    PutBig32(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, crc32(0L, out.data() + start, static_cast<uInt>(body.size() + 4)));
}

struct Encoding {
    int colourType;
    int depth;
    bool interlaced;
};

// Printed by its fields (not its bytes, some of which are padding).
void PrintTo(const Encoding &e, std::ostream *out)
{
    *out << "colour type " << e.colourType << ", " << e.depth << " bits" << (e.interlaced ? ", interlaced" : "");
}

int Channels(int colourType)
{
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

// The samples of pixel (x, y) at the encoding's depth. Grey and palette
// pictures show the grey (the palette's entry i is grey i * 255 / max).
std::vector<int> Samples(const Encoding &e, int x, int y)
{
    const Rgb c = Expected(x, y);
    const int max = (1 << e.depth) - 1;
    const int grey = (c.r * max) / 255;
    const auto wide = [&](int byte) { return e.depth == 16 ? byte * 257 : byte; };
    switch (e.colourType) {
    case 0: return {grey};
    case 3: return {grey};
    case 4: return {wide(c.r), 0x1234 & max};
    case 2: return {wide(c.r), wide(c.g), wide(c.b)};
    default: return {wide(c.r), wide(c.g), wide(c.b), max};
    }
}

Rgb ShownAs(const Encoding &e, int x, int y)
{
    if (e.colourType == 2 || e.colourType == 6)
        return Expected(x, y);
    const int max = (1 << e.depth) - 1;
    const int grey = (Expected(x, y).r * max) / 255;
    const int shown = e.depth == 16 ? grey >> 8 : grey * 255 / max;
    return {shown, shown, shown};
}

// One filtered row: the filter byte, then the row's bytes filtered with it.
void FilterRow(Bytes &out, const Bytes &row, const Bytes &up, int filter, int bpp)
{
    out.push_back(static_cast<unsigned char>(filter));
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int a = i >= std::size_t(bpp) ? row[i - bpp] : 0;
        const int b = up.empty() ? 0 : up[i];
        const int c = !up.empty() && i >= std::size_t(bpp) ? up[i - bpp] : 0;
        int predictor = 0;
        if (filter == 1)
            predictor = a;
        else if (filter == 2)
            predictor = b;
        else if (filter == 3)
            predictor = (a + b) / 2;
        else if (filter == 4) {
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        }
        out.push_back(static_cast<unsigned char>(row[i] - predictor));
    }
}

// The rows of the picture as the encoding packs them, every filter in turn.
Bytes RawRows(const Encoding &e, int width, int height)
{
    static const int kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const int plain[1][4] = {{0, 0, 1, 1}};
    const int(*passes)[4] = e.interlaced ? kAdam7 : plain;
    const int passCount = e.interlaced ? 7 : 1;
    const int bitsPerPixel = Channels(e.colourType) * e.depth;
    const int bpp = std::max(1, bitsPerPixel / 8);
    Bytes raw;
    int filter = 0;
    for (int p = 0; p < passCount; ++p) {
        const auto [x0, y0, dx, dy] = passes[p];
        const int w = width > x0 ? (width - x0 + dx - 1) / dx : 0;
        const int h = height > y0 ? (height - y0 + dy - 1) / dy : 0;
        if (w == 0 || h == 0)
            continue;
        Bytes up;
        for (int y = 0; y < h; ++y) {
            Bytes row((std::size_t(w) * bitsPerPixel + 7) / 8, 0);
            std::size_t bit = 0;
            for (int x = 0; x < w; ++x)
                for (int sample : Samples(e, x0 + x * dx, y0 + y * dy)) {
                    if (e.depth == 16) {
                        row[bit / 8] = static_cast<unsigned char>(sample >> 8);
                        row[bit / 8 + 1] = static_cast<unsigned char>(sample);
                    } else {
                        row[bit / 8] |= static_cast<unsigned char>(sample << (8 - e.depth - bit % 8));
                    }
                    bit += e.depth;
                }
            FilterRow(raw, row, up, filter, bpp);
            filter = (filter + 1) % 5;
            up = row;
        }
    }
    return raw;
}

Bytes Deflate(const Bytes &raw)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(size);
    EXPECT_EQ(compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    packed.resize(size);
    return packed;
}

Bytes Header(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace)
{
    Bytes body;
    PutBig32(body, width);
    PutBig32(body, height);
    body.insert(body.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(colourType), 0, 0,
                             static_cast<unsigned char>(interlace)});
    return body;
}

// A file of chunks in the order given.
Bytes File(const std::vector<std::pair<const char *, Bytes>> &chunks)
{
    Bytes file = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const auto &[type, body] : chunks)
        PutChunk(file, type, body);
    return file;
}

Bytes GreyPalette(int depth)
{
    Bytes palette;
    const int max = (1 << depth) - 1;
    for (int i = 0; i <= max; ++i)
        for (int c = 0; c < 3; ++c)
            palette.push_back(static_cast<unsigned char>(i * 255 / max));
    return palette;
}

Bytes Encode(const Encoding &e, int width, int height)
{
    std::vector<std::pair<const char *, Bytes>> chunks = {
        {"IHDR", Header(width, height, e.depth, e.colourType, e.interlaced ? 1 : 0)}};
    if (e.colourType == 3)
        chunks.push_back({"PLTE", GreyPalette(e.depth)});
    chunks.push_back({"tEXt", Bytes{'a', 0, 'b'}}); // an ancillary chunk is passed over
    const Bytes packed = Deflate(RawRows(e, width, height));
    // The image data split over two chunks.
    chunks.push_back({"IDAT", Bytes(packed.begin(), packed.begin() + packed.size() / 2)});
    chunks.push_back({"IDAT", Bytes(packed.begin() + packed.size() / 2, packed.end())});
    chunks.push_back({"IEND", {}});
    return File(chunks);
}

struct PngResult {
    std::unique_ptr<unsigned char[]> pixels;
    int width = -1;
    int height = -1;
    std::string error;
};

PngResult Decode(const Bytes &file)
{
    PngResult out;
    out.pixels.reset(DecodePng(file.data(), file.size(), &out.width, &out.height, &out.error));
    return out;
}

class PngEncodingTest : public testing::TestWithParam<Encoding> {};

} // namespace

TEST_P(PngEncodingTest, EveryPixelComesOutAsItWentIn)
{
    const Encoding e = GetParam();
    // Sizes that leave some interlace passes empty or short.
    for (const auto [width, height] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{13, 9}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const PngResult d = Decode(Encode(e, width, height));
        ASSERT_NE(d.pixels, nullptr) << d.error;
        ASSERT_EQ(d.width, width);
        ASSERT_EQ(d.height, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char *p = d.pixels.get() + (std::size_t(y) * width + x) * 3;
                const Rgb want = ShownAs(e, x, y);
                ASSERT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{want.r, want.g, want.b}))
                    << "pixel " << x << "," << y;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, PngEncodingTest,
    testing::Values(Encoding{0, 1, false}, Encoding{0, 2, true}, Encoding{0, 4, false}, Encoding{0, 8, true},
                    Encoding{0, 16, false}, Encoding{2, 8, false}, Encoding{2, 8, true}, Encoding{2, 16, true},
                    Encoding{3, 1, true}, Encoding{3, 2, false}, Encoding{3, 4, true}, Encoding{3, 8, false},
                    Encoding{4, 8, true}, Encoding{4, 16, false}, Encoding{6, 8, false}, Encoding{6, 16, true}),
    [](const testing::TestParamInfo<Encoding> &info) {
        return "Type" + std::to_string(info.param.colourType) + "Depth" + std::to_string(info.param.depth) +
               (info.param.interlaced ? "Interlaced" : "");
    });

// What the project's own writer writes, the reader reads back (through
// ImageRead, which turns it into bottom-up blue, green, red).
TEST(PngReadTest, WhatTheWriterWritesImageReadReadsBack)
{
    const int width = 5, height = 3;
    std::vector<std::uint8_t> bgr(std::size_t(width) * height * 3);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            const Rgb c = Expected(x, row);
            std::uint8_t *p = bgr.data() + (std::size_t(row) * width + x) * 3;
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    const std::string path = testing::TempDir() + "png_read_back.PNG";
    {
        std::ofstream out(path, std::ios::binary);
        ASSERT_TRUE(WritePngFromBgrBottomUp(out, width, height, bgr.data(), std::size_t(width) * 3));
    }
    int w = 0, h = 0;
    std::unique_ptr<unsigned char[], void (*)(unsigned char *)> pixels(ImageRead(path.c_str(), &w, &h, 0),
                                                                       &ImageFree);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    EXPECT_EQ(std::vector<std::uint8_t>(pixels.get(), pixels.get() + bgr.size()), bgr);
    std::remove(path.c_str());
}

// Each way of breaking a file: refused, nothing returned, the sizes left
// alone, and the reason named.
TEST(PngReadTest, BrokenFilesAreRefusedWithTheirReason)
{
    const Encoding rgb{2, 8, false};
    const Bytes good = Encode(rgb, 4, 4);
    const Bytes rows = RawRows(rgb, 4, 4);
    const auto withRows = [&](const Bytes &raw) {
        return File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"IDAT", Deflate(raw)}, {"IEND", {}}});
    };
    Bytes badFilter = rows;
    badFilter[0] = 5;
    Bytes badCrc = good;
    badCrc[8 + 8 + 2] ^= 1; // inside the header chunk's body
    Bytes badName = File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"I1AT", {}}, {"IEND", {}}});
    Bytes tooLong = good;
    tooLong[8] = 0x7f; // the header chunk's length
    // Four unfiltered rows of index 9, where the palette has two entries.
    Bytes pastPalette;
    for (int row = 0; row < 4; ++row)
        pastPalette.insert(pastPalette.end(), {0, 9, 9, 9, 9});
    Bytes corrupt = Deflate(rows);
    corrupt[corrupt.size() / 2] ^= 0xff;
    corrupt[2] ^= 0x55;

    const struct {
        const char *name;
        Bytes file;
        const char *reason;
    } cases[] = {
        {"empty", {}, "not a PNG file"},
        {"another format", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, "not a PNG file"},
        {"cut after the signature", Bytes(good.begin(), good.begin() + 8), "ends before its end chunk"},
        {"cut in the middle", Bytes(good.begin(), good.begin() + good.size() / 2), ""},
        {"no end chunk", Bytes(good.begin(), good.end() - 12), "ends before its end chunk"},
        {"check sum", badCrc, "check sum"},
        {"chunk name", badName, "invalid name"},
        {"chunk length", tooLong, "longer than the file"},
        {"header not first", File({{"IDAT", Deflate(rows)}, {"IHDR", Header(4, 4, 8, 2, 0)}, {"IEND", {}}}),
         "header chunk is not first"},
        {"short header", File({{"IHDR", Bytes(12, 0)}, {"IEND", {}}}), "wrong length"},
        {"no width", File({{"IHDR", Header(0, 4, 8, 2, 0)}, {"IEND", {}}}), "no size"},
        {"width past 31 bits", File({{"IHDR", Header(0x80000000u, 1, 8, 2, 0)}, {"IEND", {}}}), "impossible"},
        {"too many pixels", File({{"IHDR", Header(65536, 65536, 8, 2, 0)}, {"IEND", {}}}), "more pixels"},
        {"colour type 5", File({{"IHDR", Header(4, 4, 8, 5, 0)}, {"IEND", {}}}), "unknown colour type"},
        {"true colour at 4 bits", File({{"IHDR", Header(4, 4, 4, 2, 0)}, {"IEND", {}}}), "bit depth"},
        {"palette at 16 bits", File({{"IHDR", Header(4, 4, 16, 3, 0)}, {"IEND", {}}}), "bit depth"},
        {"interlace 2", File({{"IHDR", Header(4, 4, 8, 2, 2)}, {"IEND", {}}}), "interlace"},
        {"second header", File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"IHDR", Header(4, 4, 8, 2, 0)}, {"IEND", {}}}),
         "second header"},
        {"needed unknown chunk", File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"ZZZZ", {}}, {"IEND", {}}}),
         "marked as needed"},
        {"no image data", File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"IEND", {}}}), "no image data"},
        {"palette without palette",
         File({{"IHDR", Header(4, 4, 8, 3, 0)}, {"IDAT", Deflate(Bytes(20, 0))}, {"IEND", {}}}), "without a palette"},
        {"palette of grey",
         File({{"IHDR", Header(4, 4, 8, 0, 0)}, {"PLTE", GreyPalette(1)}, {"IDAT", Deflate(Bytes(20, 0))},
               {"IEND", {}}}),
         "palette chunk"},
        {"palette of 4 bytes", File({{"IHDR", Header(4, 4, 8, 3, 0)}, {"PLTE", Bytes(4, 0)}, {"IEND", {}}}),
         "palette chunk"},
        {"index past the palette",
         File({{"IHDR", Header(4, 4, 8, 3, 0)}, {"PLTE", GreyPalette(1)}, {"IDAT", Deflate(pastPalette)},
               {"IEND", {}}}),
         "palette lacks"},
        {"unknown row filter", withRows(badFilter), "unknown filter"},
        {"rows missing", withRows(Bytes(rows.begin(), rows.begin() + rows.size() - 3)), "shorter than the picture"},
        {"corrupt data", File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"IDAT", corrupt}, {"IEND", {}}}), ""},
        {"data not deflated", File({{"IHDR", Header(4, 4, 8, 2, 0)}, {"IDAT", rows}, {"IEND", {}}}), "corrupt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const PngResult d = Decode(c.file);
        EXPECT_EQ(d.pixels, nullptr);
        EXPECT_EQ(d.width, -1);
        EXPECT_EQ(d.height, -1);
        EXPECT_FALSE(d.error.empty());
        EXPECT_NE(d.error.find(c.reason), std::string::npos) << d.error;
    }
}

// A missing or broken file read through ImageRead gives null; the broken
// one is reported.
TEST(PngReadTest, ImageReadRefusesAMissingOrBrokenFile)
{
    int w = 7, h = 9;
    EXPECT_EQ(ImageRead("/nonexistent/picture.png", &w, &h, 1), nullptr);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
    std::string error;
    EXPECT_EQ(ReadPng("/nonexistent/picture.png", &w, &h, &error), nullptr);
    EXPECT_NE(error.find("cannot be opened"), std::string::npos) << error;
}
