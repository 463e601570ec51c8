// Printing a viewer: the picture's size on landscape and portrait pages, a
// cancelled job printing nothing, and an 800 x 600 view printed to a PDF page
// that keeps its 4 : 3 proportion (measured on the page's image).
#include "tests/engine/viewer/ViewerFixture.h"

#include <cstdio>

#include "engine/viewer/SgPrint.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgPdfPrinter.h"

namespace {

using namespace viewertest;

using PrintTest = ViewerFixtureT<800, 600>;

class CancellingPrinter : public SgPrinter {
public:
    bool BeginJob(const std::string &, SgPrintPage &) override { return false; }
    bool PrintImage(int, int, const std::vector<std::uint8_t> &) override
    {
        ++printed;
        return true;
    }
    bool EndJob() override
    {
        ++printed;
        return true;
    }
    int printed = 0;
};

// The box of the pixels that are not white in a binary PPM file.
bool InkBox(const std::string &path, int &width, int &height)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    if (magic != "P6" || w < 1 || h < 1)
        return false;
    std::vector<unsigned char> data(size_t(w) * size_t(h) * 3);
    in.read(reinterpret_cast<char *>(data.data()), std::streamsize(data.size()));
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char *p = &data[(size_t(y) * size_t(w) + size_t(x)) * 3];
            if (p[0] < 200 || p[1] < 200 || p[2] < 200) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    width = right - left + 1;
    height = bottom - top + 1;
    return right >= 0;
}

// Prints the viewer onto an A4 landscape PDF page at 100 dpi in a folder of
// its own, and measures the box of the picture on the page's image at 30
// dpi. The folder stays for the caller to look into and remove.
::testing::AssertionResult PrintAndMeasure(SgViewer *viewer, const std::filesystem::path &folder, int &width,
                                           int &height)
{
    std::filesystem::create_directories(folder);
    const std::string pdf = (folder / "view.pdf").string();
    SgPdfPrinter printer(pdf, 297, 210, 100);
    SgPrint print(viewer);
    if (!print.Print(&printer))
        return ::testing::AssertionFailure() << print.GetError();
    const std::string image = (folder / "page").string();
    const std::string command = "pdftoppm -r 30 -singlefile " + pdf + " " + image;
    if (std::system(command.c_str()) != 0)
        return ::testing::AssertionFailure() << command << " (pdftoppm comes with poppler-utils)";
    if (!InkBox(image + ".ppm", width, height))
        return ::testing::AssertionFailure() << "nothing printed on the page";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(PrintLayout, PictureFillsTheHeightOfALandscapePageAndTheWidthOfAPortraitOne)
{
    SgPrintPage landscape{297, 210, 3508, 2480, 300, 300};
    int w = 0, h = 0;
    SgPrint::PictureSize(landscape, 96, 96, 800, 600, w, h);
    EXPECT_EQ(h, 2480);
    EXPECT_EQ(w, 3306);
    SgPrintPage portrait{210, 297, 2480, 3508, 300, 300};
    SgPrint::PictureSize(portrait, 96, 96, 800, 600, w, h);
    EXPECT_EQ(w, 2480);
    EXPECT_EQ(h, 1860);
    // Unequal resolutions keep the proportion the screen shows.
    SgPrintPage stretched{297, 210, 3508, 1240, 300, 150};
    SgPrint::PictureSize(stretched, 96, 96, 800, 600, w, h);
    EXPECT_EQ(h, 1240);
    EXPECT_EQ(w, 3306);
    SgPrint::PictureSize(landscape, 96, 96, 0, 600, w, h);
    EXPECT_EQ(w, 0);
    // A window far narrower than high still gives a picture: its thin side
    // is one pixel, and a message says the proportion was not kept.
    SgDiagCapture capture;
    SgPrint::PictureSize(landscape, 96, 96, 1, 100000, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 2480);
    EXPECT_TRUE(capture.Contains("1 x 100000")) << capture.GetText();
    SgPrint::PictureSize(portrait, 96, 96, 100000, 1, w, h);
    EXPECT_EQ(w, 2480);
    EXPECT_EQ(h, 1);
    SgPrint::PictureSize(landscape, 96, 96, 2000000000, 1, w, h);
    EXPECT_GE(w, 1) << "a picture side beyond the int range";
}

TEST_F(PrintTest, CancelledDialogPrintsNothing)
{
    CancellingPrinter printer;
    SgPrint print(m_viewer);
    EXPECT_FALSE(print.Print(&printer));
    EXPECT_EQ(printer.printed, 0);
    EXPECT_FALSE(SgPrint(nullptr).Print(&printer));
}

TEST_F(PrintTest, LandscapePdfPageKeepsTheViewsProportion)
{
    Viewport()->GetBackground()->m_color1.Set(Color(0.8, 0.1, 0.1, 1));
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "fennix_print_test";
    int width = 0, height = 0;
    ASSERT_TRUE(PrintAndMeasure(m_viewer, folder, width, height));
    EXPECT_EQ(m_viewer->GetWidth(), 800) << "the viewer keeps its size";
    EXPECT_NEAR(double(width) / height, 4.0 / 3.0, 0.03) << width << " x " << height;
    // The picture fills the page's height (210 mm at 30 dpi is 248 pixels).
    EXPECT_NEAR(height, 248, 3);
    std::filesystem::remove_all(folder);
}

namespace {
using WidePrintTest = ViewerFixtureT<800, 200>;
} // namespace

// A view wider than the page allows is shrunk whole: a 4 : 1 window prints
// at 4 : 1 across the page's width, not cut to the page's proportion. The
// page image is stored compressed.
TEST_F(WidePrintTest, WideViewKeepsItsProportionAndThePageImageIsCompressed)
{
    Viewport()->GetBackground()->m_color1.Set(Color(0.8, 0.1, 0.1, 1));
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "fennix_wide_print_test";
    int width = 0, height = 0;
    ASSERT_TRUE(PrintAndMeasure(m_viewer, folder, width, height));
    EXPECT_NEAR(double(width) / height, 4.0, 0.1) << width << " x " << height;
    // The page's width, 297 mm at 30 dpi, is 350 pixels.
    EXPECT_NEAR(width, 350, 3);

    std::ifstream in(folder / "view.pdf", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("/FlateDecode"), std::string::npos);
    // 1169 x 292 pixels of flat colour: 1 MB raw, a few kilobytes deflated.
    EXPECT_LT(text.size(), 100000u);
    std::filesystem::remove_all(folder);
}
