#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/geometry/SplineMath.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

class SgSplineTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

const std::vector<Vec3> kFour = {{0, 0, 0}, {1, 1, 0}, {2, -1, 0}, {3, 0, 0}};

double Dist(const Vec3 &a, const Vec3 &b) { return (a - b).Length(); }

} // namespace

TEST_F(SgSplineTest, DefaultsOfTheThreeClasses)
{
    SgRef<SgSpline> s = new SgSpline;
    SgRef<SgBSpline> b = new SgBSpline;
    SgRef<SgBezierSpline> z = new SgBezierSpline;
    EXPECT_EQ(s->m_samples.Get(), 20);
    EXPECT_EQ(s->m_curveType.Get(), 1);
    EXPECT_EQ(b->m_samples.Get(), 15);
    ASSERT_EQ(b->m_weights.GetCount(), 1);
    EXPECT_EQ(b->m_weights.GetValue(0), 1.0f);
    EXPECT_EQ(z->m_curveType.Get(), 3);
    EXPECT_EQ(z->m_samples.Get(), 15);
    EXPECT_TRUE(b->IsDerivedFrom(SgSpline::ClassID()));
    EXPECT_TRUE(s->IsDerivedFrom(SgFieldMngr::GetClassIDFromName("SgPolyLine")));
}

TEST_F(SgSplineTest, BSplineCountsAndEnds)
{
    struct Case {
        const char *what;
        int kind;
        int closed;
        int expected;
        bool throughEnds;
    };
    const Case cases[] = {
        {"approximating open", 1, 0, 46, true},
        {"approximating closed", 1, 1, 60, false},
        {"interpolating open", 2, 0, 46, true},
        {"polyline open", 0, 0, 46, true},
    };
    for (const Case &c : cases) {
        SgRef<SgBSpline> b = new SgBSpline;
        b->m_coordinates.SetVals(int(kFour.size()), kFour.data());
        b->m_curveType.Set(c.kind);
        b->m_closed.Set(c.closed);
        b->sample(-1);
        ASSERT_EQ(b->GetSize(), c.expected) << c.what;
        const Vec3 *p = b->GetLoop(0);
        if (c.throughEnds) {
            EXPECT_EQ(p[0], kFour.front()) << c.what;
            EXPECT_EQ(p[c.expected - 1], kFour.back()) << c.what;
        } else {
            EXPECT_GT(Dist(p[0], kFour.front()), 1e-3) << c.what;
        }
        for (int i = 0; i < c.expected; ++i)
            ASSERT_TRUE(std::isfinite(p[i].x) && std::isfinite(p[i].y)) << c.what << " sample " << i;
    }
}

TEST_F(SgSplineTest, InterpolatingPassesThroughInnerPoints)
{
    SgRef<SgBSpline> b = new SgBSpline;
    b->m_coordinates.SetVals(int(kFour.size()), kFour.data());
    b->m_curveType.Set(2);
    b->sample(-1);
    const Vec3 *p = b->GetLoop(0);
    // Segment starts lie at every 15th sample.
    EXPECT_LT(Dist(p[15], kFour[1]), 1e-3);
    EXPECT_LT(Dist(p[30], kFour[2]), 1e-3);
}

TEST_F(SgSplineTest, PolylineKindReproducesTheEdges)
{
    SgRef<SgBSpline> b = new SgBSpline;
    b->m_coordinates.SetVals(int(kFour.size()), kFour.data());
    b->m_curveType.Set(0);
    b->sample(4);
    ASSERT_EQ(b->GetSize(), 13);
    const Vec3 *p = b->GetLoop(0);
    EXPECT_LT(Dist(p[2], Vec3(0.5, 0.5, 0)), 1e-12);
    EXPECT_LT(Dist(p[4], kFour[1]), 1e-12);
}

TEST_F(SgSplineTest, BadInputIsRefusedOrClamped)
{
    // Empty and odd weights are taken as 1 (a weight of 3 would divide by
    // zero in the relaxation), never NaN.
    for (const std::vector<float> &weights : {std::vector<float>{}, std::vector<float>{3.0f}}) {
        SgRef<SgBSpline> b = new SgBSpline;
        b->m_coordinates.SetVals(int(kFour.size()), kFour.data());
        b->m_weights.SetVals(int(weights.size()), weights.empty() ? nullptr : weights.data());
        b->m_curveType.Set(2);
        b->sample(-1);
        ASSERT_EQ(b->GetSize(), 46);
        for (int i = 0; i < 46; ++i)
            ASSERT_TRUE(std::isfinite(b->GetLoop(0)[i].x)) << "weights " << weights.size() << " sample " << i;
    }
    // One point: one sample equal to it.
    SgRef<SgBSpline> one = new SgBSpline;
    one->m_coordinates.AddVal(Vec3(1, 2, 3));
    one->sample(-1);
    ASSERT_EQ(one->GetSize(), 1);
    EXPECT_EQ(one->GetLoop(0)[0], Vec3(1, 2, 3));
    // A huge explicit count is capped rather than allocated.
    SgRef<SgBSpline> big = new SgBSpline;
    big->m_coordinates.SetVals(int(kFour.size()), kFour.data());
    big->sample(1 << 30);
    EXPECT_EQ(big->GetSize(), 3 * SgSpline::kMaxSegmentSamples + 1);
    // Handles missing for a Bezier spline: refused, nothing read past them.
    SgRef<SgBezierSpline> z = new SgBezierSpline;
    z->m_coordinates.SetVals(int(kFour.size()), kFour.data());
    z->m_cntrlPoints.AddVal(Vec3(0, 1, 0));
    EXPECT_THROW(z->sample(-1), SgInvalidArgument);
    // No coordinates: init refuses.
    SgRef<SgBSpline> empty = new SgBSpline;
    EXPECT_THROW(empty->init(4), SgInvalidArgument);
}

// A B-spline has no handles: its kind 3 (curves through handles) samples as
// straight segments, like kind 0, with a message; kinds that do not exist
// are taken as the default kind, with a message.
TEST_F(SgSplineTest, KindsWithoutTheirDataOrUnknownAreTakenAsKnownKindsWithAMessage)
{
    auto sampled = [](int kind) {
        SgRef<SgBSpline> b = new SgBSpline;
        b->m_coordinates.SetVals(3, std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}.data());
        b->m_curveType.Set(kind);
        b->sample(-1);
        return std::vector<Vec3>(b->GetLoop(0), b->GetLoop(0) + b->GetSize());
    };
    const struct {
        int kind;
        int sameAs;
    } cases[] = {{3, 0}, {7, 1}, {-1, 1}};
    for (const auto &c : cases) {
        SgDiagCapture diagnostics;
        const std::vector<Vec3> got = sampled(c.kind);
        EXPECT_EQ(diagnostics.Count(), 1) << "kind " << c.kind << "\n" << diagnostics.GetText();
        const std::vector<Vec3> expected = sampled(c.sameAs);
        ASSERT_EQ(got.size(), expected.size()) << "kind " << c.kind;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_LT(Dist(got[i], expected[i]), 1e-12) << "kind " << c.kind << " sample " << i;
    }
}

// A point that is not a number would give points that are not numbers.
TEST_F(SgSplineTest, NonFiniteControlPointsAreRefused)
{
    const double bad[] = {std::nan(""), INFINITY};
    for (double value : bad) {
        SgRef<SgBSpline> b = new SgBSpline;
        std::vector<Vec3> points = kFour;
        points[2].y = value;
        b->m_coordinates.SetVals(int(points.size()), points.data());
        EXPECT_THROW(b->sample(-1), SgInvalidArgument) << value;
        SgRef<SgBezierSpline> z = new SgBezierSpline;
        z->m_coordinates.SetVals(int(kFour.size()), kFour.data());
        std::vector<Vec3> handles(8, Vec3(0, 1, 0));
        handles[3].x = value;
        z->m_cntrlPoints.SetVals(int(handles.size()), handles.data());
        EXPECT_THROW(z->sample(-1), SgInvalidArgument) << value;
    }
}

TEST_F(SgSplineTest, SingleBezierCurve)
{
    SgRef<SgSpline> s = new SgSpline;
    const Vec3 three[] = {{0, 0, 0}, {1, 2, 0}, {2, 0, 0}};
    s->m_coordinates.SetVals(3, three);
    s->sample(-1);
    ASSERT_EQ(s->GetSize(), 30);
    EXPECT_EQ(s->GetLoop(0)[0], three[0]);
    EXPECT_LT(Dist(s->GetLoop(0)[29], three[2]), 1e-12);
    // The quadratic peaks at half the middle control point's height.
    double top = 0;
    for (int i = 0; i < 30; ++i)
        top = std::max(top, s->GetLoop(0)[i].y);
    EXPECT_NEAR(top, 1.0, 0.01);
    // One sample stands at the start instead of dividing 0 by 0.
    s->sample(1);
    ASSERT_EQ(s->GetSize(), 3);
    SgRef<SgSpline> lone = new SgSpline;
    lone->m_coordinates.AddVal(Vec3(4, 5, 6));
    lone->sample(1);
    ASSERT_EQ(lone->GetSize(), 1);
    EXPECT_EQ(lone->GetLoop(0)[0], Vec3(4, 5, 6));

    std::vector<Vec3> many(33);
    for (int i = 0; i < 33; ++i)
        many[size_t(i)] = Vec3(i, 0, 0);
    s->m_coordinates.SetVals(33, many.data());
    EXPECT_THROW(s->sample(-1), SgCapacityError);
    EXPECT_EQ(s->GetSize(), 0);
}

TEST_F(SgSplineTest, BezierSplineWithHandles)
{
    SgRef<SgBezierSpline> z = new SgBezierSpline;
    const Vec3 pts[] = {{0, 0, 0}, {2, 0, 0}};
    const Vec3 handles[] = {{0, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    z->m_coordinates.SetVals(2, pts);
    z->m_cntrlPoints.SetVals(4, handles);
    z->sample(-1);
    ASSERT_EQ(z->GetSize(), 16);
    EXPECT_EQ(z->GetLoop(0)[0], pts[0]);
    EXPECT_EQ(z->GetLoop(0)[15], pts[1]);
    // Both handles point up: the arch rises to 3/4 of their length.
    EXPECT_NEAR(z->GetLoop(0)[8].y, 0.75, 0.01);
    std::vector<Vec3f> lines(8);
    EXPECT_EQ(z->FillGizmoLines(lines.data()), 4);
}

TEST_F(SgSplineTest, ArcLengthAndEvaluation)
{
    // A straight unit line as one cubic: length 1, scaled 2 along x.
    const Vec3 line[] = {{0, 0, 0}, {1, 0, 0}};
    std::vector<Vec3> control(size_t(spline::ControlCount(2)));
    const int segments = spline::ToBezier(spline::kPolyline, false, 2, line, 0, nullptr, control.data(), nullptr);
    ASSERT_EQ(segments, 1);
    std::vector<double> cumulative(11);
    EXPECT_NEAR(spline::ArcLength(2, 10, control.data(), false, segments, cumulative.data(), Vec3(1, 1, 1)), 1.0,
                1e-12);
    EXPECT_NEAR(spline::ArcLength(2, 10, control.data(), false, segments, nullptr, Vec3(2, 1, 1)), 2.0, 1e-12);
    EXPECT_NEAR(cumulative[5], 0.5, 1e-12);
    const Vec3 mid = spline::EvalPoint(2, 0.5, control.data(), false);
    EXPECT_LT(Dist(mid, Vec3(0.5, 0, 0)), 1e-12);
}

TEST_F(SgSplineTest, ChangeSerialIsPublished)
{
    SgRef<SgBSpline> b = new SgBSpline;
    b->m_coordinates.SetVals(int(kFour.size()), kFour.data());
    const int first = b->m_nodeCache.Get();
    b->m_coordinates.AddVal(Vec3(4, 0, 0));
    EXPECT_NE(b->m_nodeCache.Get(), first);
    EXPECT_EQ(b->m_nodeCache.Get(), int(b->GetNodeID()));
}
