#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

const std::string RGB_FILE = std::string(FENNIX_TEST_DATA) + "/jpeg_rgb_16x8_red_left_blue_right.jpg";
const std::string GREY_FILE = std::string(FENNIX_TEST_DATA) + "/jpeg_grey_8x8_ramp.jpg";

// Lossy coding moves colours a little even at the highest quality.
constexpr int TOLERANCE = 8;

void ExpectNear(const unsigned char *pixel, Bgr want, const std::string &where)
{
    EXPECT_NEAR(pixel[0], want.b, TOLERANCE) << "blue of " << where;
    EXPECT_NEAR(pixel[1], want.g, TOLERANCE) << "green of " << where;
    EXPECT_NEAR(pixel[2], want.r, TOLERANCE) << "red of " << where;
}

} // namespace

TEST(JpegRead, ColourPictureComesBackBlueGreenRed)
{
    RecordingNotifier notifier;
    TempDir dir;
    // Also through a name in mixed letter case.
    const std::string mixedCase = dir.Write("Picture.JpG", ReadFile(RGB_FILE));
    for (const std::string &path : {RGB_FILE, mixedCase}) {
        int width = 0, height = 0;
        Pixels pixels(ImageRead(path.c_str(), &width, &height, 0));
        ASSERT_TRUE(pixels) << path;
        ASSERT_EQ(width, 16);
        ASSERT_EQ(height, 8);
        for (int row : {0, 7}) {
            ExpectNear(pixels.get() + 3 * (row * 16 + 2), {0, 0, 255}, "left half, row " + std::to_string(row));
            ExpectNear(pixels.get() + 3 * (row * 16 + 13), {255, 0, 0}, "right half, row " + std::to_string(row));
        }
    }
    EXPECT_TRUE(notifier.m_shown.empty());
}

TEST(JpegRead, GreyPictureHasEqualBytesInEveryPixel)
{
    int width = 0, height = 0;
    Pixels pixels(ImageRead(GREY_FILE.c_str(), &width, &height, 1));
    ASSERT_TRUE(pixels);
    ASSERT_EQ(width * height, 64);
    for (int i = 0; i < 64; ++i) {
        const unsigned char *p = pixels.get() + 4 * i;
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "pixel " << i << " is " << int(p[0]) << "," << int(p[1]) << ","
                                                  << int(p[2]);
    }
    // The ramp rises with the file's rows, which run top-down: the first row
    // in the buffer (the bottom of the picture) is the brightest.
    EXPECT_GT(pixels[0], pixels[4 * 63]);
}

namespace {

struct BrokenJpegCase {
    const char *name;
    std::function<void(std::vector<unsigned char> &)> damage;
    std::string message;  // what the user is shown; empty: any fatal-error text
};

constexpr unsigned char START_OF_FRAME = 0xc0;
constexpr unsigned char START_OF_SCAN = 0xda;

// The position of a marker, or the size when there is none.
std::size_t Marker(const std::vector<unsigned char> &bytes, unsigned char marker)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xff && bytes[i + 1] == marker)
            return i;
    return bytes.size();
}

// Cuts the file in the middle of its entropy-coded data, after every table.
void CutInTheScan(std::vector<unsigned char> &bytes)
{
    const std::size_t sos = Marker(bytes, START_OF_SCAN);
    ASSERT_LT(sos + 4, bytes.size());
    const std::size_t data = sos + 2 + (bytes[sos + 2] << 8 | bytes[sos + 3]);
    ASSERT_LT(data + 2, bytes.size());
    bytes.resize(data + (bytes.size() - data) / 2);
}

} // namespace

TEST(JpegRead, BrokenFilesFailAndTellTheUser)
{
    using Bytes = std::vector<unsigned char>;
    const BrokenJpegCase cases[] = {
        {"not a JPEG at all", [](Bytes &b) { b.assign(100, 'x'); }, ""},
        {"empty file", [](Bytes &b) { b.clear(); }, ""},
        // Without the tail the decoder would pad the picture with grey and
        // only warn.
        {"truncated in the scan", CutInTheScan, ""},
        // Within the decoder's own limits, beyond what a buffer may hold.
        {"30000 x 30000 pixels",
         [](Bytes &b) {
             std::size_t sof = Marker(b, START_OF_FRAME);
             ASSERT_LT(sof + 9, b.size());
             const unsigned char side[] = {0x75, 0x30};
             std::copy(side, side + 2, b.begin() + sof + 5);
             std::copy(side, side + 2, b.begin() + sof + 7);
         },
         "Error: JpegFile :\nOut of memory"},
    };
    TempDir dir;
    for (const BrokenJpegCase &c : cases) {
        Bytes bytes = ReadFile(RGB_FILE);
        ASSERT_FALSE(bytes.empty());
        c.damage(bytes);
        const std::string path = dir.Write("broken.jpg", bytes);
        RecordingNotifier notifier;
        int width = -7, height = -7;
        Pixels pixels(ImageRead(path.c_str(), &width, &height, 0));
        EXPECT_FALSE(pixels) << c.name << ": accepted";
        EXPECT_EQ(width, -7) << c.name << ": width written on failure";
        EXPECT_EQ(height, -7) << c.name << ": height written on failure";
        ASSERT_EQ(notifier.m_shown.size(), 1u) << c.name << ": messages shown";
        if (c.message.empty())
            EXPECT_EQ(notifier.m_shown[0].rfind("JPEG Fatal Error: ", 0), 0u) << c.name << ": " << notifier.m_shown[0];
        else
            EXPECT_EQ(notifier.m_shown[0], c.message) << c.name;
    }
}
