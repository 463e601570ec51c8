#include <gtest/gtest.h>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgDrawStyle.h"

namespace {

TEST(SgDrawStyle, EachFieldReachesItsElement)
{
    SgRef<SgDrawStyle> style = new SgDrawStyle;
    style->m_style = 2;
    style->m_linePatern = static_cast<unsigned short>(0x0F0F);
    style->m_lineWidth = 3.0f;
    style->m_pointSize = 5.0f;
    int mode = -1;
    unsigned short pattern = 0;
    float width = 0, size = 0;
    ASSERT_TRUE(ProbeStateAfter({style.get()}, [&](SgState *state) {
        mode = *DrawStyleElement::Get(state);
        pattern = *LinePaternElement::Get(state);
        width = *LineWidthElement::Get(state);
        size = *PointSizeElement::Get(state);
    }));
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(pattern, 0x0F0F);
    EXPECT_EQ(width, 3.0f) << "line width and point size must not be swapped";
    EXPECT_EQ(size, 5.0f);
}

TEST(SgDrawStyle, AnIgnoredStyleKeepsTheModeInForce)
{
    SgRef<SgDrawStyle> outer = new SgDrawStyle;
    outer->m_style = 1;
    SgRef<SgDrawStyle> inner = new SgDrawStyle;
    inner->m_style = 3;
    inner->m_style.SetIgnored(true);
    inner->m_lineWidth = 2.0f;
    int mode = -1;
    float width = 0;
    ASSERT_TRUE(ProbeStateAfter({outer.get(), inner.get()}, [&](SgState *state) {
        mode = *DrawStyleElement::Get(state);
        width = *LineWidthElement::Get(state);
    }));
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(width, 2.0f);
}

TEST(SgDrawStyle, ComparesAllFourFieldsExactly)
{
    SgRef<SgDrawStyle> a = new SgDrawStyle;
    SgRef<SgDrawStyle> b = new SgDrawStyle;
    EXPECT_TRUE(*a == *b) << "two new draw styles must compare equal";

    struct Change {
        const char *what;
        void (*apply)(SgDrawStyle &);
    };
    const Change changes[] = {
        {"style", [](SgDrawStyle &s) { s.m_style = 1; }},
        {"linePatern", [](SgDrawStyle &s) { s.m_linePatern = static_cast<unsigned short>(0xF0F0); }},
        {"lineWidth 1.5", [](SgDrawStyle &s) { s.m_lineWidth = 1.5f; }},
        {"pointSize", [](SgDrawStyle &s) { s.m_pointSize = 1.0001f; }},
    };
    for (const Change &change : changes) {
        SgRef<SgDrawStyle> changed = new SgDrawStyle;
        change.apply(*changed);
        EXPECT_FALSE(*changed == *a) << "a change of " << change.what << " went unnoticed";
        EXPECT_TRUE(*changed != *a) << change.what;
    }
}

TEST(SgDrawStyle, AssignmentCopiesTheFourFields)
{
    SgRef<SgDrawStyle> source = new SgDrawStyle;
    source->m_style = 0;
    source->m_linePatern = static_cast<unsigned short>(0x00FF);
    source->m_lineWidth = 4.0f;
    source->m_pointSize = 6.0f;
    SgRef<SgDrawStyle> target = new SgDrawStyle;
    *target = *source;
    EXPECT_TRUE(*target == *source);
    EXPECT_EQ(target->m_lineWidth.Get(), 4.0f);
}

} // namespace
