#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gl/OffscreenGLContext.h"
#include "tests/utilities/image/ImageTestFiles.h"
#include "utilities/image/ImageRead.h"

using namespace imagetest;

namespace {

struct PixelsDeleter {
    void operator()(unsigned char *p) const { ImageFree(p); }
};
using Pixels = std::unique_ptr<unsigned char[], PixelsDeleter>;

constexpr Bgr COLOUR{10, 20, 200};

bool IsBlack(const unsigned char *p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0;
}

bool IsColour(const unsigned char *p)
{
    return p[0] == COLOUR.b && p[1] == COLOUR.g && p[2] == COLOUR.r && p[3] == 0;
}

std::vector<unsigned char> UniformPixels(int width, int height)
{
    std::vector<unsigned char> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {COLOUR.b, COLOUR.g, COLOUR.r, 0});
    return pixels;
}

// Which part of a fitted destination shows the picture: the first and one
// past the last coloured column of the middle row, and the same for rows
// along the middle column. Everything outside must be black.
struct UsedArea {
    int left = -1, right = -1, top = -1, bottom = -1;
    bool clean = true;  // every pixel black or the colour, inside or outside as it should be
};

UsedArea Measure(const unsigned char *pixels, int width, int height)
{
    UsedArea area;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char *p = pixels + 4 * (y * width + x);
            if (IsColour(p)) {
                if (area.left < 0 || x < area.left) area.left = x;
                if (x + 1 > area.right) area.right = x + 1;
                if (area.top < 0 || y < area.top) area.top = y;
                if (y + 1 > area.bottom) area.bottom = y + 1;
            } else if (!IsBlack(p)) {
                area.clean = false;
            }
        }
    }
    return area;
}

} // namespace

TEST(ImageScale, NearestPowerOfTwoTiesGoToTheLargerPower)
{
    struct SideCase {
        int side, maxTexture, want;
    };
    const SideCase cases[] = {
        {64, 0, 64}, {96, 0, 128}, {95, 0, 64}, {1, 0, 1}, {3, 0, 4}, {0, 0, 64}, {100, 0, 128}, {60, 0, 64},
        {100, 64, 64}, {60, 64, 64}, {5000, 4096, 4096},
    };
    for (const SideCase &c : cases)
        EXPECT_EQ(TexturePow2Side(c.side, c.maxTexture), c.want) << "side " << c.side << ", limit " << c.maxTexture;
}

TEST(ImageScale, FitKeepsProportionsAndStaysInsideTheDestination)
{
    struct FitCase {
        const char *name;
        int sw, sh, dw, dh;
        UsedArea want;
    };
    const FitCase cases[] = {
        {"tall into square", 50, 100, 64, 64, {16, 48, 0, 64}},
        {"wide into square", 100, 50, 64, 64, {0, 64, 16, 48}},
        {"square into square", 30, 30, 64, 64, {0, 64, 0, 64}},
        {"enlarged", 2, 4, 64, 64, {16, 48, 0, 64}},
        // The narrower side is not always the one to fit: fitting the height
        // here would make the picture 90 pixels wide in a 50-pixel row.
        {"almost square into narrow", 90, 100, 50, 100, {0, 50, 22, 77}},
    };
    for (const FitCase &c : cases) {
        const std::vector<unsigned char> src = UniformPixels(c.sw, c.sh);
        std::vector<unsigned char> dst(static_cast<std::size_t>(c.dw) * c.dh * 4, 0xee);
        scale_buffers_dll(src.data(), c.sw, c.sh, dst.data(), c.dw, c.dh);
        const UsedArea got = Measure(dst.data(), c.dw, c.dh);
        EXPECT_TRUE(got.clean) << c.name << ": pixels neither black nor the picture's";
        EXPECT_EQ(got.left, c.want.left) << c.name;
        EXPECT_EQ(got.right, c.want.right) << c.name;
        EXPECT_EQ(got.top, c.want.top) << c.name;
        EXPECT_EQ(got.bottom, c.want.bottom) << c.name;
    }
}

TEST(ImageScale, ReadWithScaleReportsTheFileSizeAndFillsExactlyTheRequest)
{
    TempDir dir;
    const std::string tall = dir.Write("tall.bmp", EncodeBmp(Uniform(50, 100, COLOUR), 24));

    long fileWidth = 0, fileHeight = 0;
    Pixels fitted(ReadImageWithScale(64, 64, tall.c_str(), &fileWidth, &fileHeight, 1));
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fileWidth, 50);
    EXPECT_EQ(fileHeight, 100);
    const UsedArea area = Measure(fitted.get(), 64, 64);
    EXPECT_EQ(area.left, 16) << "black columns on the left";
    EXPECT_EQ(area.right, 48) << "black columns on the right";

    Pixels same(ReadImageWithScale(50, 100, tall.c_str(), nullptr, nullptr, 0));
    ASSERT_TRUE(same);
    EXPECT_TRUE(IsColour(same.get() + 4 * (50 * 100 - 1)));

    // Unfitted from a picture with fewer pixels: what there is, then black.
    const std::string small = dir.Write("small.bmp", EncodeBmp(Uniform(4, 4, COLOUR), 24));
    Pixels copied(ReadImageWithScale(8, 8, small.c_str(), nullptr, nullptr, 0));
    ASSERT_TRUE(copied);
    EXPECT_TRUE(IsColour(copied.get() + 4 * 15)) << "last pixel of the picture";
    EXPECT_TRUE(IsBlack(copied.get() + 4 * 16)) << "first pixel past the picture";
    EXPECT_TRUE(IsBlack(copied.get() + 4 * 63)) << "last pixel of the request";

    EXPECT_FALSE(Pixels(ReadImageWithScale(0, 8, small.c_str(), nullptr, nullptr, 1)));
    EXPECT_FALSE(Pixels(ReadImageWithScale(1L << 20, 1L << 20, small.c_str(), nullptr, nullptr, 1)));
}

TEST(ImageScale, ScalingNeedsACurrentGLContext)
{
    ASSERT_EQ(GLContext::GetCurrent(), nullptr);
    std::vector<unsigned char> src = UniformPixels(2, 2);
    EXPECT_FALSE(Pixels(GL_ScaleImage(2, 2, 4, 4, src.data())));

    TempDir dir;
    const std::string path = dir.Write("odd.bmp", EncodeBmp(Uniform(100, 60, COLOUR), 24));
    int width = 0, height = 0;
    Pixels unscaled(ReadImagePow2(path.c_str(), &width, &height));
    ASSERT_TRUE(unscaled) << "the picture comes back unscaled";
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 60);
}

TEST(ImageScale, ReadImagePow2ScalesToPowerOfTwoSides)
{
    OffscreenGLContext context(16, 16);
    ASSERT_TRUE(context.MakeCurrent());
    TempDir dir;
    const std::string path = dir.Write("odd.bmp", EncodeBmp(Uniform(100, 60, COLOUR), 24));
    int width = 0, height = 0;
    Pixels pixels(ReadImagePow2(path.c_str(), &width, &height));
    ASSERT_TRUE(pixels);
    EXPECT_EQ(width, 128);
    EXPECT_EQ(height, 64);
    for (int i : {0, 128 * 32 + 64, 128 * 64 - 1})
        EXPECT_TRUE(IsColour(pixels.get() + 4 * i)) << "pixel " << i << " lost its blue, green, red order";
}
