#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/PolyVec.h"
#include "engine/core/RxFunc.h"

class RxFuncTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(RxFuncTest, ClassesAreFoundByExactName)
{
    EXPECT_EQ(RxFunc::GetClassIDFromName("SinFunc"), 4006);
    EXPECT_EQ(RxFunc::GetClassIDFromName("sinfunc"), 0);
    EXPECT_EQ(RxFunc::GetClassIDFromName("R3Func"), 0) << "R3Func is not created by name";
    EXPECT_EQ(RxFunc::Create(4002), nullptr);
    EXPECT_EQ(RxFunc::Create(0), nullptr);
    std::unique_ptr<RxFunc> sin(RxFunc::Create(4006));
    ASSERT_NE(sin, nullptr);
    EXPECT_STREQ(sin->GetClassName(), "SinFunc");
}

TEST_F(RxFuncTest, NewFunctionIsAUnitSineAndPeriodsNeverDivideByZero)
{
    SinFunc f;
    EXPECT_DOUBLE_EQ(f(std::numbers::pi / 2), 1.0);
    f.setPeriod(2);
    EXPECT_DOUBLE_EQ(f.getFrequency(), std::numbers::pi);
    EXPECT_DOUBLE_EQ(f.getHalfPeriod(), 1.0);
    f.setPeriod(0);
    EXPECT_EQ(f.getFrequency(), 0.0);
    f.setAmp(2);
    f.setPhase(std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(f(123.0), 2.0);

    SinBias2Func bias;
    EXPECT_EQ(bias(0), Vec2(2, 2));
    Sin2Func sin2;
    EXPECT_EQ(sin2(0).y, 0.0);
}

TEST_F(RxFuncTest, SampleSpacesPointsEvenlyAndEndsAtTo)
{
    struct Line : R3Func {
        Vec3 operator()(double t) const override { return Vec3(t, 0, 0); }
    } line;
    struct Case {
        double step;
        std::vector<double> xs;
    } cases[] = {
        {0.25, {0, 0.25, 0.5, 0.75, 1}},
        {0.3, {0, 0.25, 0.5, 0.75, 1}},
        {0.0, {1}},
        {-1.0, {1}},
        {std::nan(""), {1}},
    };
    for (const Case &k : cases) {
        PolyVec out;
        line.Sample(out, 0, 1, k.step);
        ASSERT_EQ(out.GetSize(), static_cast<int>(k.xs.size())) << "step " << k.step;
        for (size_t i = 0; i < k.xs.size(); ++i)
            EXPECT_NEAR(out.GetData()[i].x, k.xs[i], 1e-12) << "step " << k.step << " point " << i;
    }
}

TEST_F(RxFuncTest, SplineOfWeightedPointsIsABezierCurve)
{
    // Weights C(n-1, i) * P_i of the control points (0,0,0), (1,2,0), (2,0,0).
    const Vec3 weighted[] = {Vec3(0, 0, 0), Vec3(2, 4, 0), Vec3(2, 0, 0)};
    R3Spline spline;
    spline.SetWeightedPoints(weighted, 3);
    EXPECT_EQ(spline(0.5), Vec3(1, 1, 0));
    EXPECT_EQ(spline(0.0), Vec3(0, 0, 0));
    EXPECT_STREQ(spline.GetClassName(), "R3Func");
    R3Spline empty;
    EXPECT_EQ(empty(0.3), Vec3(0, 0, 0));
    std::vector<Vec3> many(40, Vec3(1, 1, 1));
    spline.SetWeightedPoints(many.data(), 40);
    EXPECT_EQ(spline.GetCount(), R3Spline::kMaxPoints);
}

namespace {
int s_destroyed = 0;
struct CountedFunc : R1Func {
    ~CountedFunc() override { ++s_destroyed; }
};
} // namespace

TEST_F(RxFuncTest, CountPtrDeletesOnceWithTheLastShare)
{
    s_destroyed = 0;
    {
        CountPtr<R1Func> a(new CountedFunc);
        EXPECT_EQ(a.use_count(), 1);
        {
            CountPtr<R1Func> b(a);
            EXPECT_EQ(a.use_count(), 2);
            b = b;
            EXPECT_EQ(a.use_count(), 2);
        }
        EXPECT_EQ(s_destroyed, 0);
    }
    EXPECT_EQ(s_destroyed, 1);

    // Deleting through the family root reaches the derived destructor.
    RxFunc *root = new CountedFunc;
    RxFunc::Destroy(root);
    EXPECT_EQ(s_destroyed, 2);
}
