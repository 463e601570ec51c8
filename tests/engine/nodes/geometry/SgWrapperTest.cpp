#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/DxSplineR3Func.h"
#include "engine/core/PolyVec.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/PathWrapper.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/geometry/SgWrapper.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagHandler.h"
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

TEST_F(SgWrapperTest, BendToPathFollowsTheSplinesPoints)
{
    // A single Bezier curve over collinear points is the straight line they
    // span, so the wrapper's mapping is a shift along it.
    SgRef<SgSpline> curve = new SgSpline;
    const Vec3 line[] = {{1, 2, 3}, {6, 2, 3}, {11, 2, 3}};
    curve->m_coordinates.SetVals(3, line);
    SgRef<SgWrapper> w = new SgWrapper;
    w->bendToPath(curve.get());
    ASSERT_NE(w->m_pathFunc.Get(true), nullptr) << "the path is driven by the spline";
    const Vec3 in(5, 0.5, 0.25);
    Vec3 out;
    w->DeformPoints(1, &in, &out);
    EXPECT_LT(Dist(out, Vec3(6, 2.5, 3.25)), 1e-6);
    // The path follows the spline when its points change.
    const Vec3 moved[] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}};
    curve->m_coordinates.SetVals(3, moved);
    w->DeformPoints(1, &in, &out);
    EXPECT_LT(Dist(out, Vec3(5, 0.5, 0.25)), 1e-6);
    // A node that is no spline changes nothing; a second spline replaces the first.
    SgRef<SgPolyLine> notSpline = MakePolyLine(std::vector<Vec3>{{0, 0, 0}, {1, 1, 1}}, false);
    w->bendToPath(notSpline.get());
    w->bendToPath(nullptr);
    w->DeformPoints(1, &in, &out);
    EXPECT_LT(Dist(out, Vec3(5, 0.5, 0.25)), 1e-6);
    SgRef<SgSpline> other = new SgSpline;
    const Vec3 up[] = {{0, 0, 0}, {0, 0, 10}};
    other->m_coordinates.SetVals(2, up);
    w->bendToPath(other.get());
    w->DeformPoints(1, &in, &out);
    EXPECT_NEAR(out.z, 5.0, 1e-6) << "the second spline drives the path";
    // The spline going first leaves the wrapper with no path, not a dangling one.
    other = nullptr;
    w->DeformPoints(1, &in, &out);
    EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z));
}

TEST_F(SgWrapperTest, WrapAlongSplineReusesTheObjectsWrapper)
{
    SgRef<SgObject> object = new SgObject;
    SgRef<SgSpline> curve = new SgSpline;
    const Vec3 line[] = {{0, 0, 0}, {10, 0, 0}};
    curve->m_coordinates.SetVals(2, line);
    ASSERT_TRUE(SgWrapper::wrapAlongSpline(object.get(), curve.get()));
    auto *wrapper = static_cast<SgWrapper *>(object->FindPropertyNode(SgWrapper::ClassID()));
    ASSERT_NE(wrapper, nullptr) << "a wrapper was made among the object's property nodes";
    EXPECT_DOUBLE_EQ(wrapper->m_rotationConst.Get(true), 1.5707963267948966);
    wrapper->m_rotationConst.Set(0.0);
    ASSERT_TRUE(SgWrapper::wrapAlongSpline(object.get(), curve.get()));
    EXPECT_EQ(object->FindPropertyNode(SgWrapper::ClassID()), wrapper) << "the wrapper is reused";
    EXPECT_DOUBLE_EQ(wrapper->m_rotationConst.Get(true), 1.5707963267948966) << "and turned a quarter again";
    // A quarter turn about the path: the first cross-section axis goes to the second.
    const Vec3 in(2, 1, 0);
    Vec3 out;
    wrapper->DeformPoints(1, &in, &out);
    EXPECT_LT(Dist(out, Vec3(2, 0, 1)), 1e-6);
    EXPECT_FALSE(SgWrapper::wrapAlongSpline(nullptr, curve.get()));
    EXPECT_FALSE(SgWrapper::wrapAlongSpline(object.get(), nullptr));
}

TEST(DxSplineR3FuncTest, GivesTheBezierOfItsPointsAndKeepsFiveCurves)
{
    SgRef<SgPolyLine> points = MakePolyLine(std::vector<Vec3>{{0, 0, 0}, {1, 2, 0}, {2, 0, 0}}, false);
    DxSplineR3Func module;
    ASSERT_TRUE(points->m_coordinates.AsOutput().Connect(module.m_input));
    R3Func *first = module.m_output.GetVal(0);
    ASSERT_NE(first, nullptr);
    EXPECT_LT(Dist((*first)(0.5), Vec3(1, 1, 0)), 1e-12);
    // The curve read stays as it was through four more evaluations.
    for (int i = 0; i < 4; ++i) {
        module.InvalidateOutputs(false);
        EXPECT_NE(module.m_output.GetVal(0), first);
    }
    module.InvalidateOutputs(false);
    EXPECT_EQ(module.m_output.GetVal(0), first) << "the sixth evaluation reuses the first curve";
    // More points than a curve holds are cut with a diagnostic.
    std::vector<Vec3> many;
    for (int i = 0; i < 40; ++i)
        many.emplace_back(i, 0, 0);
    points->m_coordinates.SetVals(int(many.size()), many.data());
    SgDiagCapture capture;
    module.InvalidateOutputs(false);
    R3Func *cut = module.m_output.GetVal(0);
    EXPECT_TRUE(std::isfinite((*cut)(0.5).x));
    EXPECT_TRUE(capture.Contains("40 control points"));
}
