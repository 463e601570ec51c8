// Element attributes: the registry places bit fields, refuses
// what does not fit with an error result, and the side table takes the
// per-pass data that the word cannot hold.
#include <gtest/gtest.h>

#include "solids/GmAttributes.h"
#include "solids/GmError.h"

using namespace solvane;

namespace {

TEST(Attributes, BitFields24And3And3ThenRefusal)
{
    AttrContext ctx;
    AttrId smooth = ctx.create("NodeSmoothData", ATTR_BITFIELD, 24);
    AttrId tag = ctx.create("SmoothTag", ATTR_BITFIELD, 3);
    AttrId third = ctx.create("Third", ATTR_BITFIELD, 3);
    EXPECT_EQ(smooth.shift(), 0);
    EXPECT_EQ(smooth.mask(), 0x00FFFFFFu);
    EXPECT_EQ(tag.shift(), 24);
    EXPECT_EQ(tag.mask(), 0x07000000u);
    EXPECT_EQ(third.shift(), 27);
    EXPECT_EQ(third.mask(), 0x38000000u);
    AttrResult color = ctx.tryCreate("Color", ATTR_BITFIELD, 6);
    EXPECT_FALSE(color.ok);
    EXPECT_EQ(color.error, "AttrContext : out of place for new attribute");
    EXPECT_THROW(ctx.create("Color", ATTR_BITFIELD, 6), GmInternalError);
    // The process goes on: the registry still answers.
    EXPECT_EQ(ctx.create("SmoothTag", ATTR_BITFIELD, 3), tag);
    EXPECT_EQ(ctx.recordCount(), 3);
    AttrResult two = ctx.tryCreate("TwoBits", ATTR_BITFIELD, 2);
    EXPECT_TRUE(two.ok);
    EXPECT_EQ(two.id.shift(), 30);
}

TEST(Attributes, SameNameSameHandleNoBits)
{
    AttrContext ctx;
    AttrId a = ctx.create("A", ATTR_8);
    uint32_t occ = ctx.occupancy();
    AttrId b = ctx.create("A", ATTR_8);
    EXPECT_EQ(a, b);
    EXPECT_EQ(ctx.occupancy(), occ);
}

TEST(Attributes, FullWordBitFieldMask)
{
    AttrContext ctx;
    AttrId a = ctx.create("All", ATTR_BITFIELD, 32);
    EXPECT_EQ(a.mask(), 0xFFFFFFFFu);
}

TEST(Attributes, NarrowerExistingTypeWarns)
{
    AttrContext ctx;
    AttrId a = ctx.create("N", ATTR_8);
    GmWarningCollector warnings;
    AttrId b = ctx.check_name("N", ATTR_16);
    EXPECT_EQ(a, b);
    ASSERT_EQ(warnings.warnings().size(), 1u);
}

TEST(Attributes, CountOnlyForBitFields)
{
    EXPECT_THROW(AttrId(0, ATTR_8, 2), GmInternalError);
    AttrContext ctx;
    EXPECT_THROW(ctx.create("", ATTR_8), GmInternalError);
}

TEST(Attributes, GetAndSetThroughTheHandle)
{
    AttrContext ctx;
    ctx.create("low", ATTR_BITFIELD, 5);
    AttrId id = ctx.create("mid", ATTR_BITFIELD, 7);
    uint32_t word = 0;
    id.set(word, 0x55);
    EXPECT_EQ(id.get(word), 0x55u);
    EXPECT_EQ(word, 0x55u << 5);
}

TEST(Attributes, ProcessRegistryBitfieldsAndSideTable)
{
    AttrResult r = try_create_bitfield_attribute("TooWide", 33);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "create_bitfield_attribute : Cannot allocate more than 32 bit.");
    GmSideTable<uint32_t> smoothing;
    smoothing[7] = 0xABCDEF;
    EXPECT_EQ(*smoothing.find(7), 0xABCDEFu);
    EXPECT_EQ(smoothing.find(8), nullptr);
}

TEST(Attributes, ComposerSecondIsDominant)
{
    uint32_t kept = 1;
    current_composer().compose(kept, 9);
    EXPECT_EQ(kept, 9u);
}

}  // namespace
