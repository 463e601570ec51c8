#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/utilities/image/ImageTestFiles.h"
#include "utilities/image/ImageRead.h"

using namespace imagetest;

namespace {

struct PixelsDeleter {
    void operator()(unsigned char *p) const { ImageFree(p); }
};
using Pixels = std::unique_ptr<unsigned char[], PixelsDeleter>;

// Three wide, so that every depth needs row padding and a part-used byte.
Picture TestPicture(int bits)
{
    const Bgr black{0, 0, 0}, white{255, 255, 255};
    if (bits == 1)
        return {3, 2, {white, black, white, black, white, white}};
    return {3, 2, {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, white, black, {128, 128, 128}}};
}

class BmpDepthTest : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(BmpDepthTest, ImageReadGivesBlueGreenRedBottomRowFirst)
{
    const int bits = GetParam();
    const Picture picture = TestPicture(bits);
    TempDir dir;
    const std::string path = dir.Write("picture.bmp", EncodeBmp(picture, bits));

    int width = -1, height = -1;
    Pixels narrow(ImageRead(path.c_str(), &width, &height, 0));
    ASSERT_TRUE(narrow) << bits << "-bit file refused";
    ASSERT_EQ(width, picture.width);
    ASSERT_EQ(height, picture.height);
    Pixels wide(ImageRead(path.c_str(), &width, &height, 1));
    ASSERT_TRUE(wide) << bits << "-bit file refused when widened";

    for (int row = 0; row < picture.height; ++row) {
        for (int x = 0; x < picture.width; ++x) {
            const Bgr want = picture.At(x, row);
            const std::size_t i = static_cast<std::size_t>(row) * picture.width + x;
            const unsigned char *got3 = narrow.get() + 3 * i;
            const unsigned char *got4 = wide.get() + 4 * i;
            EXPECT_EQ((Bgr{got3[0], got3[1], got3[2]}), want) << bits << "-bit, pixel " << x << " of row " << row;
            EXPECT_EQ((Bgr{got4[0], got4[1], got4[2]}), want) << bits << "-bit widened, pixel " << x << " of row " << row;
            EXPECT_EQ(got4[3], 0) << "fourth byte of widened pixel " << x << " of row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, BmpDepthTest, ::testing::Values(1, 4, 8, 24, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

namespace {

struct DamageCase {
    const char *name;
    int bits;
    std::function<void(std::vector<unsigned char> &)> damage;
};

} // namespace

TEST(BmpRead, DamagedFilesFailWithoutTouchingTheSize)
{
    using Bytes = std::vector<unsigned char>;
    const DamageCase cases[] = {
        {"wrong magic", 24, [](Bytes &b) { b[1] = 'X'; }},
        {"empty file", 24, [](Bytes &b) { b.clear(); }},
        {"header cut short", 24, [](Bytes &b) { b.resize(30); }},
        {"last row cut short", 24, [](Bytes &b) { b.resize(b.size() - 3); }},
        {"pixel data past the end", 24, [](Bytes &b) { Put32(b, field::PIXEL_OFFSET, 1u << 30); }},
        {"compressed", 8, [](Bytes &b) { Put32(b, field::COMPRESSION, 1); }},
        {"16 bits per pixel", 24, [](Bytes &b) { Put16(b, field::BITS, 16); }},
        {"unknown depth", 24, [](Bytes &b) { Put16(b, field::BITS, 7); }},
        {"12-byte core header", 24, [](Bytes &b) { Put32(b, field::INFO_SIZE, 12); }},
        {"long header with a palette", 8, [](Bytes &b) { Put32(b, field::INFO_SIZE, 108); }},
        {"top-down rows", 24, [](Bytes &b) { Put32(b, field::HEIGHT, static_cast<std::uint32_t>(-2)); }},
        {"zero width", 24, [](Bytes &b) { Put32(b, field::WIDTH, 0); }},
        {"size overflowing a 32-bit product", 24,
         [](Bytes &b) {
             Put32(b, field::WIDTH, 0x40000000);
             Put32(b, field::HEIGHT, 0x40000000);
         }},
        {"more pixels than allowed", 1,
         [](Bytes &b) {
             Put32(b, field::WIDTH, 1 << 16);
             Put32(b, field::HEIGHT, 1 << 12);
         }},
        {"palette running into the pixels", 8, [](Bytes &b) { Put32(b, field::PIXEL_OFFSET, 54 + 16); }},
        {"palette with 2^32-1 colours", 8, [](Bytes &b) { Put32(b, field::COLOURS_USED, 0xffffffffu); }},
        {"palette index out of range", 8, [](Bytes &b) { Put32(b, field::COLOURS_USED, 2); }},
    };
    TempDir dir;
    for (const DamageCase &c : cases) {
        Bytes bytes = EncodeBmp(TestPicture(c.bits), c.bits);
        c.damage(bytes);
        const std::string path = dir.Write("damaged.bmp", bytes);
        int width = -7, height = -7;
        Pixels pixels(ImageRead(path.c_str(), &width, &height, 0));
        EXPECT_FALSE(pixels) << c.name << ": accepted";
        EXPECT_EQ(width, -7) << c.name << ": width written on failure";
        EXPECT_EQ(height, -7) << c.name << ": height written on failure";
    }
}

TEST(ImageRead, ChoosesTheReaderByExtensionInAnyLetterCase)
{
    TempDir dir;
    const auto bytes = EncodeBmp(TestPicture(24), 24);
    struct NameCase {
        const char *name;
        bool read;
    };
    const NameCase cases[] = {
        {"upper.BMP", true}, {"mixed.bMp", true}, {"picture.png", false}, {"no_extension", false},
        {"picture.bmp.txt", false},
    };
    for (const NameCase &c : cases) {
        const std::string path = dir.Write(c.name, bytes);
        int width = 0, height = 0;
        Pixels pixels(ImageRead(path.c_str(), &width, &height, 0));
        EXPECT_EQ(static_cast<bool>(pixels), c.read) << c.name;
    }
    EXPECT_FALSE(Pixels(ImageRead("/nonexistent/picture.bmp", nullptr, nullptr, 0)));
}
