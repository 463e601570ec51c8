#include <gtest/gtest.h>

#include <string>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgInfo.h"

namespace {

TEST(SgFormat, PatternAndFactorReachTheirElements)
{
    SgRef<SgFormat> format = new SgFormat;
    format->m_pattern = std::string("%.2f mm");
    format->m_factor = 1000.0;
    std::string pattern;
    double factor = 0;
    ASSERT_TRUE(ProbeStateAfter({format.get()}, [&](SgState *state) {
        pattern = NumberFormatElement::Get(state);
        factor = *NumberFactorElement::Get(state);
    }));
    EXPECT_EQ(pattern, "%.2f mm");
    EXPECT_EQ(factor, 1000.0);
}

TEST(SgFormat, AnIgnoredPatternKeepsThePatternInForce)
{
    SgRef<SgFormat> outer = new SgFormat;
    outer->m_pattern = std::string("%g");
    SgRef<SgFormat> inner = new SgFormat;
    inner->m_pattern = std::string("%d");
    inner->m_pattern.SetIgnored(true);
    inner->m_factor = 2.0;
    std::string pattern;
    double factor = 0;
    ASSERT_TRUE(ProbeStateAfter({outer.get(), inner.get()}, [&](SgState *state) {
        pattern = NumberFormatElement::Get(state);
        factor = *NumberFactorElement::Get(state);
    }));
    EXPECT_EQ(pattern, "%g");
    EXPECT_EQ(factor, 2.0);
}

// Free data written nowhere into the state: traversing it changes nothing.
TEST(SgInfo, WritesNoState)
{
    SgRef<SgFormat> format = new SgFormat;
    format->m_factor = 3.0;
    SgRef<SgInfo> info = new SgInfo;
    info->m_data = std::string("note");
    info->m_realData.AddVal(1.5);
    info->m_intData.AddVal(7);
    double factor = 0;
    ASSERT_TRUE(ProbeStateAfter({format.get(), info.get()}, [&](SgState *state) { factor = *NumberFactorElement::Get(state); }));
    EXPECT_EQ(factor, 3.0);
}

} // namespace
