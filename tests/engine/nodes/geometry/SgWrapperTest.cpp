#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/PolyVec.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/PathWrapper.h"
#include "engine/nodes/geometry/SgWrapper.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class SgWrapperTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

// A straight line from a to b over t in 0..1.
class LineFunc : public R3Func {
public:
    LineFunc(const Vec3 &a, const Vec3 &b) : m_a(a), m_b(b) {}
    Vec3 operator()(double t) const override { return m_a + (m_b - m_a) * t; }

private:
    Vec3 m_a, m_b;
};

double Dist(const Vec3 &a, const Vec3 &b) { return (a - b).Length(); }

} // namespace

TEST_F(SgWrapperTest, StraightPathFrame)
{
    const Vec3 start(1, 2, 3);
    const Vec3 pts[] = {start, start + Vec3(4, 0, 0), start + Vec3(10, 0, 0)};
    PolyVec path(pts, 3, false);
    PathWrapper frame(path);
    ASSERT_TRUE(frame.IsValid());
    EXPECT_NEAR(frame.Length(), 10.0, 1e-12);
    EXPECT_LT(Dist(frame.FirstAxis(0), Vec3(0, 1, 0)), 1e-12);
    EXPECT_LT(Dist(frame.SecondAxis(0), Vec3(0, 0, 1)), 1e-12);
    struct Case {
        Vec3 in;
        Vec3 expected;
    };
    const Case cases[] = {
        {{0, 0, 0}, start},
        {{2.5, 0.5, -0.25}, start + Vec3(2.5, 0.5, -0.25)},
        {{10, 1, 1}, start + Vec3(10, 1, 1)},
        {{-1, 0, 0}, start + Vec3(-1, 0, 0)},  // extrapolated before the start
        {{11, 0, 0}, start + Vec3(11, 0, 0)},  // and past the end
    };
    for (const Case &c : cases)
        EXPECT_LT(Dist(frame(c.in), c.expected), 1e-9) << c.in.x;
}

TEST_F(SgWrapperTest, BentPathKeepsDistances)
{
    const Vec3 pts[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    PolyVec path(pts, 3, false);
    PathWrapper frame(path);
    ASSERT_TRUE(frame.IsValid());
    // Along the centre line the distance is the arc length.
    EXPECT_LT(Dist(frame(Vec3(1.5, 0, 0)), Vec3(1, 0.5, 0)), 1e-12);
    // The mitred offset at the corner is longer than 1.
    EXPECT_NEAR(frame.FirstAxis(1).Length(), std::sqrt(2.0), 1e-9);
}

TEST_F(SgWrapperTest, UnusablePathsGiveTheIdentity)
{
    const std::vector<std::vector<Vec3>> paths = {
        {},
        {{1, 1, 1}},
        {{1, 1, 1}, {1, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}},
        {{0, 0, 0}, {NAN, 0, 0}},
    };
    for (const std::vector<Vec3> &p : paths) {
        PolyVec path(p.empty() ? nullptr : p.data(), int(p.size()), false);
        PathWrapper frame(path);
        EXPECT_FALSE(frame.IsValid()) << p.size();
        EXPECT_EQ(frame(Vec3(1, 2, 3)), Vec3(1, 2, 3));
    }
}

TEST_F(SgWrapperTest, DeformFromFields)
{
    struct Case {
        const char *what;
        int axis;
        double scaleConst;
        double offsetConst;
        double rotationConst;
        Vec3 in;
        Vec3 expected;
    };
    const Case cases[] = {
        {"axis z", 2, 1, 0, 0, {1, 2, 3}, {3, 1, 2}},
        {"scale and offset", 0, 2, 1, 0, {1, 0, 0}, {3, 0, 0}},
        {"turn below threshold", 0, 1, 0, 1e-10, {0, 1, 0}, {0, 1, 0}},
        {"quarter turn", 0, 1, 0, M_PI / 2, {0, 1, 0}, {0, 0, 1}},
        {"axis out of range", 5, 1, 0, 0, {1, 2, 3}, {1, 2, 3}},
        {"negative axis", -1, 1, 0, 0, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case &c : cases) {
        SgRef<SgWrapper> w = new SgWrapper;
        w->m_axis.Set(c.axis);
        w->m_scaleConst.Set(c.scaleConst);
        w->m_offsetConst.Set(c.offsetConst);
        w->m_rotationConst.Set(c.rotationConst);
        Vec3 out;
        w->DeformPoints(1, &c.in, &out);
        EXPECT_LT(Dist(out, c.expected), 1e-9) << c.what;
    }
    // Just above the threshold a turn is applied.
    SgRef<SgWrapper> w = new SgWrapper;
    w->m_rotationConst.Set(2e-10);
    Vec3 in(0, 1, 0), out;
    w->DeformPoints(1, &in, &out);
    EXPECT_NE(out, in);
}

TEST_F(SgWrapperTest, ParametersAndPathFunction)
{
    SgRef<SgWrapper> w = new SgWrapper;
    EXPECT_EQ(w->m_scaleParams.GetCount(), 3);
    EXPECT_EQ(w->m_rotationParams.GetCount(), 3);
    EXPECT_EQ(w->m_offsetParams.GetCount(), 3);
    // A period of 0 and a short list are refused without dividing by zero.
    const float zeroPeriod[] = {1.0f, 0.0f, 0.0f};
    w->m_offsetParams.SetVals(3, zeroPeriod);
    w->m_offsetFunc.Set(CountPtr<R2Func>(new Sin2Func));
    const float one[] = {0.5f};
    w->m_scaleParams.SetVals(1, one);
    w->m_scaleFunc.Set(CountPtr<R2Func>(new Sin2Func));
    Vec3 in(0.3, 0.1, 0.2), out;
    w->DeformPoints(1, &in, &out);
    EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z));

    // On a straight path function along +x the mapping is a shift.
    SgRef<SgWrapper> p = new SgWrapper;
    LineFunc line(Vec3(1, 2, 3), Vec3(11, 2, 3));
    p->m_pathFunc.Set(&line);
    const Vec3 pts[] = {{0, 0, 0}, {5, 0.5, 0.25}};
    Vec3 res[2];
    p->DeformPoints(2, pts, res);
    EXPECT_LT(Dist(res[0], Vec3(1, 2, 3)), 1e-9);
    EXPECT_LT(Dist(res[1], Vec3(6, 2.5, 3.25)), 1e-9);
    // A path function that stays put gives the identity, not a division by 0.
    LineFunc still(Vec3(1, 1, 1), Vec3(1, 1, 1));
    p->m_pathFunc.Set(&still);
    p->DeformPoints(2, pts, res);
    EXPECT_EQ(res[1], pts[1]);
    p->m_pathFunc.Set(nullptr);
    EXPECT_EQ(p->ApplyModifier(nullptr, nullptr, nullptr, true), nullptr);
}
