#include <gtest/gtest.h>

#include "utilities/math/Range.h"
#include "utilities/math/Vec2i.h"
#include "utilities/math/Vec3f.h"

TEST(Range, EmptyBoxGrowsToHoldItsPoints)
{
    Range<Vec3f> box = Range<Vec3f>::Empty();
    EXPECT_TRUE(box.IsEmpty());
    box.Extend(Vec3f(1, -2, 3));
    box.Extend(Vec3f(-1, 2, 0));
    EXPECT_FALSE(box.IsEmpty());
    EXPECT_EQ(box.GetMin(), Vec3f(-1, -2, 0));
    EXPECT_EQ(box.GetMax(), Vec3f(1, 2, 3));
    EXPECT_EQ(box.GetCenter(), Vec3f(0, 0, 1.5f));
    EXPECT_TRUE(box.Contains(Vec3f(0, 0, 0)));
    EXPECT_FALSE(box.Contains(Vec3f(0, 0, 4)));
}

TEST(Range, BoxFacesAreNamedXThenYThenZ)
{
    using Box = Range<Vec3f>;
    static_assert(Box::Z_MIN == 4 && Box::Z_MAX == 5 && Box::X_MIN == 0 && Box::Y_MAX == 3);
    Box box(Vec3f(-1, -2, -3), Vec3f(1, 2, 3));
    const float expected[] = {-1, 1, -2, 2, -3, 3};
    for (int face = Box::X_MIN; face < Box::BOX3_FACES; ++face) {
        EXPECT_EQ(box.GetFace(face), expected[face]) << "face " << face;
    }
}

TEST(Range, DegenerateBoxCountsAsEmpty)
{
    EXPECT_TRUE(Range<Vec3f>().IsEmpty());
    EXPECT_TRUE(Range<Vec3f>(Vec3f(1, 0, 0), Vec3f(1, 5, 5)).IsEmpty());
}

TEST(Range, WorksForNumbersAndWindowRectangles)
{
    Range<double> span = Range<double>::Empty();
    span.Extend(2.0);
    span.Extend(-1.0);
    EXPECT_EQ(span.GetSize(), 3.0);

    Range<Vec2i> window(Vec2i(0, 0), Vec2i(640, 480));
    EXPECT_TRUE(window.Intersects(Range<Vec2i>(Vec2i(600, 400), Vec2i(700, 500))));
    EXPECT_FALSE(window.Intersects(Range<Vec2i>(Vec2i(641, 0), Vec2i(700, 10))));
}
