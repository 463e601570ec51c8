#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "engine/core/Image2.h"
#include "platform/SgError.h"

namespace {

// A 2 x 2 image of 4-byte pixels, as the image readers hand them out.
void *NewPixels(unsigned char fill)
{
    void *pixels = std::malloc(16);
    std::memset(pixels, fill, 16);
    return pixels;
}

} // namespace

TEST(Image2, EmptyHolderHasOneComponentNoPixelsAndBindMinusOne)
{
    Image2 image;
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetDepth(), 1);
    EXPECT_EQ(image.GetData(), nullptr);
    EXPECT_EQ(image.GetPath(), "");
    EXPECT_EQ(image.GetBind(), -1);
    EXPECT_EQ(image.GetColorTable(1)[9], Color()) << "colour tables start as (0, 0, 0, 1)";
}

TEST(Image2, CopiesSharePixelsThatOutliveADeleteDataOnOneCopy)
{
    Image2 *owner = new Image2(2, 2, 4, Image2::UNSIGNED_BYTE, NewPixels(0x5a), "brick.bmp");
    Image2 byConstruction(*owner);
    Image2 byAssignment;
    byAssignment = *owner;
    EXPECT_EQ(byConstruction.GetData(), owner->GetData());
    EXPECT_EQ(byAssignment.GetData(), owner->GetData());
    EXPECT_TRUE(byAssignment == *owner);

    owner->DeleteData();
    EXPECT_EQ(owner->GetData(), nullptr);
    delete owner;

    // Both copies still read their pixels (AddressSanitizer would catch a
    // freed buffer here).
    const unsigned char *pixels = static_cast<const unsigned char *>(byConstruction.GetData());
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels[15], 0x5a);
    EXPECT_EQ(static_cast<const unsigned char *>(byAssignment.GetData())[0], 0x5a);
}

TEST(Image2, HandingOneHoldersRawPointerToAnotherSharesTheBuffer)
{
    Image2 loaded(2, 2, 4, Image2::UNSIGNED_BYTE, NewPixels(7), "a.bmp");
    Image2 other;
    other.SetData(loaded.GetData());
    loaded.DeleteData();
    ASSERT_NE(other.GetData(), nullptr);
    EXPECT_EQ(static_cast<const unsigned char *>(other.GetData())[3], 7);
    // `other` is now the last holder and frees the buffer once (a double free
    // would abort under AddressSanitizer).
}

TEST(Image2, AssignmentKeepsTheTargetsOwnTablesAndInts)
{
    Image2 source(4, 8, 3, Image2::UNSIGNED_BYTE, nullptr, "src.jpg");
    source.SetBind(5);
    source.SetExtra(0, 11);
    source.GetColorTable(0)[0] = Color(1, 0, 0);

    Image2 copied(source);
    EXPECT_EQ(copied.GetExtra(0), 11) << "the copy constructor copies every member";
    EXPECT_EQ(copied.GetColorTable(0)[0], Color(1, 0, 0));

    Image2 assigned;
    assigned.SetExtra(0, 99);
    assigned = source;
    EXPECT_EQ(assigned.GetWidth(), 4);
    EXPECT_EQ(assigned.GetHeight(), 8);
    EXPECT_EQ(assigned.GetDepth(), 3);
    EXPECT_EQ(assigned.GetPath(), "src.jpg");
    EXPECT_EQ(assigned.GetBind(), 5);
    EXPECT_EQ(assigned.GetExtra(0), 99);
    EXPECT_EQ(assigned.GetColorTable(0)[0], Color());

    EXPECT_THROW(assigned.GetExtra(2), SgInvalidArgument);
    EXPECT_THROW(assigned.GetColorTable(-1), SgInvalidArgument);
}

TEST(Image2, EqualityComparesSizeTypePixelAddressAndExactPath)
{
    const Image2 base(2, 2, 4, Image2::UNSIGNED_BYTE, nullptr, "Tex.bmp");
    struct Case {
        const char *change;
        Image2 other;
        bool equal;
    };
    Case cases[] = {
        {"nothing", Image2(2, 2, 4, Image2::UNSIGNED_BYTE, nullptr, "Tex.bmp"), true},
        {"width", Image2(4, 2, 4, Image2::UNSIGNED_BYTE, nullptr, "Tex.bmp"), false},
        {"height", Image2(2, 4, 4, Image2::UNSIGNED_BYTE, nullptr, "Tex.bmp"), false},
        {"depth", Image2(2, 2, 3, Image2::UNSIGNED_BYTE, nullptr, "Tex.bmp"), false},
        {"type", Image2(2, 2, 4, Image2::FLOAT, nullptr, "Tex.bmp"), false},
        {"path case", Image2(2, 2, 4, Image2::UNSIGNED_BYTE, nullptr, "tex.bmp"), false},
        {"pixels", Image2(2, 2, 4, Image2::UNSIGNED_BYTE, NewPixels(0), "Tex.bmp"), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(base == c.other, c.equal) << "differing in " << c.change;
}

TEST(Image2, PathIsReadFromBetweenItsQuotes)
{
    struct Case {
        const char *input;
        bool ok;
        const char *path;
        const char *rest; // what the stream still holds after the read
    };
    const Case cases[] = {
        {"  \"brick.bmp\" next", true, "brick.bmp", " next"},
        {"\n\t\"C:\\Textures\\My Wood.jpg\"}", true, "C:\\Textures\\My Wood.jpg", "}"},
        {"\"\"", true, "", ""},
        {"\"$TEXTURE_LIB_PATH$/stone.bmp\"", true, "$TEXTURE_LIB_PATH$/stone.bmp", ""},
        {"brick.bmp", false, "", "brick.bmp"}, // no opening quote: nothing is taken
        {"\"unclosed.bmp", false, "", ""},
        {"   ", false, "", ""},
    };
    for (const Case &c : cases) {
        std::istringstream in(c.input);
        std::string path = "stale";
        EXPECT_EQ(Image2::GetStringFromStream(in, path), c.ok) << "input: " << c.input;
        EXPECT_EQ(path, c.path) << "input: " << c.input;
        EXPECT_EQ(in.fail(), !c.ok) << "failbit after input: " << c.input;
        in.clear();
        std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(rest, c.rest) << "input: " << c.input;
    }
}

TEST(Image2, OverlongPathIsAReadFailureNotAnOverrun)
{
    const std::string longest(Image2::kMaxPathText, 'a');
    std::istringstream fits("\"" + longest + "\"");
    std::string path;
    EXPECT_TRUE(Image2::GetStringFromStream(fits, path));
    EXPECT_EQ(path, longest);

    std::istringstream tooLong("\"" + longest + "b\"");
    EXPECT_FALSE(Image2::GetStringFromStream(tooLong, path));
    EXPECT_TRUE(tooLong.fail());
    EXPECT_EQ(path, "");
}
