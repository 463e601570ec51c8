#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgFont.h"
#include "platform/SgError.h"

namespace {

LOGFONTA Record(int height, int weight, bool italic, int charset, const char *face)
{
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic ? 1 : 0;
    font.lfCharSet = static_cast<uint8_t>(charset);
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

TEST(SgFont, EachFieldReachesItsElement)
{
    SgRef<SgFont> font = new SgFont;
    font->m_name = std::string("Arial");
    font->m_size = 1400;
    font->m_style = 3;
    font->m_charset = 204;
    std::string name;
    int size = 0, style = 0, charset = 0;
    ASSERT_TRUE(ProbeStateAfter({font.get()}, [&](SgState *state) {
        name = FontNameElement::Get(state);
        size = *FontSizeElement::Get(state);
        style = *FontStyleElement::Get(state);
        charset = *FontCharsetElement::Get(state);
    }));
    EXPECT_EQ(name, "Arial");
    EXPECT_EQ(size, 1400);
    EXPECT_EQ(style, 3);
    EXPECT_EQ(charset, 204);
}

struct LoadCase {
    int height;
    int weight;
    bool italic;
    int size;
    int style;
};

TEST(SgFont, LoadsSizeAndStyleFromTheRecord)
{
    const LoadCase cases[] = {
        {12, 700, true, 1200, 3},
        {12, 400, false, 1200, 0}, // exactly normal weight is not bold
        {12, 401, false, 1200, 1},
        {-12, 400, true, -1200, 2},
        {0, 0, false, 0, 0},
    };
    for (const LoadCase &c : cases) {
        SgRef<SgFont> font = new SgFont;
        const LOGFONTA record = Record(c.height, c.weight, c.italic, 161, "Courier New");
        font->LoadSystemFont(&record);
        EXPECT_EQ(font->m_size.Get(), c.size) << "height " << c.height;
        EXPECT_EQ(font->m_style.Get(), c.style) << "weight " << c.weight << " italic " << c.italic;
        EXPECT_EQ(font->m_name.Get(), "Courier New");
        EXPECT_EQ(font->m_charset.Get(), 161);
    }
}

struct StoreCase {
    int size;
    int style;
    int height;
    int weight;
    int italic;
};

TEST(SgFont, StoresHeightRoundedHalfAwayFromZeroAndTheStyleBits)
{
    const StoreCase cases[] = {
        {1200, 3, 12, 700, 1}, {-1200, 0, -12, 400, 0}, {1250, 1, 13, 700, 0}, {-1250, 2, -13, 400, 1},
        {1249, 0, 12, 400, 0}, {-1249, 0, -12, 400, 0}, {49, 0, 0, 400, 0},   {-50, 0, -1, 400, 0},
    };
    for (const StoreCase &c : cases) {
        SgRef<SgFont> font = new SgFont;
        font->m_size = c.size;
        font->m_style = c.style;
        font->m_charset = 0x1A2;
        LOGFONTA record;
        std::memset(&record, 0x5A, sizeof record);
        font->StoreSystemFont(&record);
        EXPECT_EQ(record.lfHeight, c.height) << "size " << c.size;
        EXPECT_EQ(record.lfWeight, c.weight) << "style " << c.style;
        EXPECT_EQ(record.lfItalic, c.italic) << "style " << c.style;
        EXPECT_EQ(record.lfCharSet, 0xA2) << "the character set keeps its low byte";
        EXPECT_EQ(record.lfWidth, 0) << "the record is zeroed first";
        EXPECT_EQ(record.lfQuality, 0);
        EXPECT_STREQ(record.lfFaceName, "Times New Roman");
    }
}

TEST(SgFont, ARecordRoundTripKeepsTheFont)
{
    SgRef<SgFont> font = new SgFont;
    const LOGFONTA in = Record(-12, 700, true, 0, "Arial");
    font->LoadSystemFont(&in);
    LOGFONTA out;
    font->StoreSystemFont(&out);
    EXPECT_EQ(out.lfHeight, -12);
    EXPECT_EQ(out.lfWeight, 700);
    EXPECT_EQ(out.lfItalic, 1);
    EXPECT_STREQ(out.lfFaceName, "Arial");
}

// Face names cross a fixed-size record: neither direction may run past it.
TEST(SgFont, FaceNamesAreCopiedWithinTheRecord)
{
    SgRef<SgFont> font = new SgFont;
    const std::string longName(100, 'x');
    font->m_name = longName;
    struct Padded {
        LOGFONTA font;
        char guard[16];
    } padded;
    std::memset(&padded, 0x7E, sizeof padded);
    font->StoreSystemFont(&padded.font);
    EXPECT_EQ(std::string(padded.font.lfFaceName), std::string(LF_FACESIZE - 1, 'x'))
        << "the stored name must be cut to the room and end with its zero";
    for (char c : padded.guard)
        ASSERT_EQ(c, 0x7E) << "the store wrote past the record";

    // A record whose name fills its room without a terminating zero.
    LOGFONTA full = Record(10, 400, false, 0, "");
    std::memset(full.lfFaceName, 'y', LF_FACESIZE);
    font->LoadSystemFont(&full);
    EXPECT_EQ(font->m_name.Get(), std::string(LF_FACESIZE, 'y'));
}

TEST(SgFont, AHeightTooLargeToHoldIsRefusedAndChangesNothing)
{
    SgRef<SgFont> font = new SgFont;
    const LOGFONTA huge = Record(30000000, 700, true, 2, "Huge");
    EXPECT_THROW(font->LoadSystemFont(&huge), SgInvalidArgument);
    EXPECT_EQ(font->m_size.Get(), 1000);
    EXPECT_EQ(font->m_name.Get(), "Times New Roman");
    EXPECT_EQ(font->m_style.Get(), 0);
}

} // namespace
