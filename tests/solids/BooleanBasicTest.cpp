#include <gtest/gtest.h>

#include "SolidTestUtil.h"

using namespace solvane;
using namespace solvane::test;

namespace {

TEST(Boolean, UnitCubesUnionIntersectionDifference)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    EXPECT_NEAR(ClosedVolume(u), 1.875, 1e-9);
    if (u.ok) {
        EXPECT_EQ(u.geom->solidCount(), 1);
    }
    auto i = RunBool(GmBoolOp::Intersection, *A, *B);
    EXPECT_NEAR(ClosedVolume(i), 0.125, 1e-9);
    auto d = RunBool(GmBoolOp::Difference, *A, *B);
    EXPECT_NEAR(ClosedVolume(d), 0.875, 1e-9);
}

}  // namespace
