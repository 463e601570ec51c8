#include <gtest/gtest.h>

#include "engine/core/PolyVec.h"
#include "platform/SgError.h"

namespace {

PolyVec Triangle()
{
    PolyVec p;
    p.AddPoint(Vec3(0, 0, 0));
    p.AddPoint(Vec3(1, 0, 0));
    p.AddPoint(Vec3(0, 1, 0));
    return p;
}

} // namespace

TEST(PolyVec, EqualWhenSamePointsInSameOrder)
{
    PolyVec a = Triangle();
    PolyVec b = Triangle();
    EXPECT_TRUE(a.IsEqual(b));
    EXPECT_TRUE(a == b);

    b.AddPoint(Vec3(0, 0, 0));
    EXPECT_FALSE(a.IsEqual(b)) << "one extra point";
    EXPECT_FALSE(b.IsEqual(a));

    PolyVec moved = Triangle();
    moved.SetPoint(2, Vec3(0, 1, 1e-12));
    EXPECT_FALSE(a.IsEqual(moved)) << "coordinates compare exactly";
    EXPECT_TRUE(PolyVec().IsEqual(PolyVec()));
}

TEST(PolyVec, ReadsAsOneOpenLoop)
{
    PolyVec p = Triangle();
    EXPECT_EQ(p.NumLoops(), 1);
    EXPECT_EQ(p.GetSize(), 3);
    EXPECT_EQ(p.LoopSize(0), 3);
    EXPECT_FALSE(p.IsClosed());
    EXPECT_EQ(p.GetLoop(5), p.GetData()) << "every loop index reads the one list";
    EXPECT_EQ(p.GetLoopPoint(p.GetLoop(0), nullptr, 1), Vec3(1, 0, 0));
    EXPECT_EQ(*p.GetPoint(0, 2), Vec3(0, 1, 0));
    p.SetClosed(true);
    EXPECT_TRUE(p.IsClosed());
}

TEST(PolyVec, IndicesAreChecked)
{
    PolyVec p;
    EXPECT_THROW(p.GetLoop(0), SgInvalidArgument) << "an empty list has no first point";
    EXPECT_THROW(p.SetPoint(-1, Vec3()), SgInvalidArgument);
    EXPECT_THROW(p.GetPointAt(0), SgInvalidArgument);

    EXPECT_EQ(p.AddPoint(Vec3(1, 1, 1)), 0);
    EXPECT_EQ(p.AddPoint(Vec3(2, 2, 2)), 1) << "the index is the former count";
    p.SetPoint(4, Vec3(5, 5, 5));
    EXPECT_EQ(p.GetSize(), 5) << "setting past the end grows the list";
    EXPECT_EQ(p.GetPointAt(3), Vec3(0, 0, 0));
    EXPECT_EQ(p.GetPointAt(4), Vec3(5, 5, 5));
    EXPECT_THROW(p.GetPointAt(5), SgInvalidArgument);
}
