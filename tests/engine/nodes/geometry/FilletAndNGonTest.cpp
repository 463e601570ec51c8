#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/CPolygon.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/CornerFillet.h"
#include "engine/nodes/geometry/SgFiletPolyLine.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

class FilletAndNGonTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

double Dist(const Vec3 &a, const Vec3 &b) { return (a - b).Length(); }

// Signed area in XY of a closed loop (positive counter-clockwise).
double Area(const Vec3 *p, int n)
{
    double a = 0;
    for (int i = 0; i < n; ++i) {
        const Vec3 &q = p[(i + 1) % n];
        a += p[i].x * q.y - q.x * p[i].y;
    }
    return a / 2;
}

// Whether two edges of a closed loop that share no corner cross.
bool SelfIntersects(const Vec3 *p, int n)
{
    auto side = [](const Vec3 &a, const Vec3 &b, const Vec3 &c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    };
    for (int i = 0; i < n; ++i) {
        const Vec3 &a = p[i], &b = p[(i + 1) % n];
        for (int j = i + 2; j < n; ++j) {
            if ((j + 1) % n == i)
                continue;
            const Vec3 &c = p[j], &d = p[(j + 1) % n];
            const double d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
            if (((d1 > 1e-12 && d2 < -1e-12) || (d1 < -1e-12 && d2 > 1e-12)) &&
                ((d3 > 1e-12 && d4 < -1e-12) || (d3 < -1e-12 && d4 > 1e-12)))
                return true;
        }
    }
    return false;
}

} // namespace

TEST_F(FilletAndNGonTest, OpenRightAngleFillet)
{
    const Vec3 pts[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    std::vector<Vec3> out(3 * 24);
    const double r = 0.1;
    const int n = FilletPolyline(3, pts, out.data(), 1, &r, 0, false, 24.0, nullptr);
    ASSERT_EQ(n, 10);
    EXPECT_EQ(out[0], pts[0]);
    EXPECT_LT(Dist(out[1], Vec3(0.9, 0, 0)), 1e-12);
    EXPECT_LT(Dist(out[8], Vec3(1, 0.1, 0)), 1e-12);
    EXPECT_EQ(out[9], pts[2]);
    for (int i = 1; i <= 8; ++i)
        EXPECT_NEAR(Dist(out[size_t(i)], Vec3(0.9, 0.1, 0)), 0.1, 1e-12) << i;
}

TEST_F(FilletAndNGonTest, FilletCornerCases)
{
    struct Case {
        const char *what;
        std::vector<Vec3> points;
        std::vector<double> radii;
        bool closed;
        int expected;
    };
    const Case cases[] = {
        {"sharp radius 0 keeps the corner", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {0.0}, false, 3},
        {"collinear corner becomes two points", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0.1}, false, 4},
        {"fold back keeps the corner", {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, {0.1}, false, 3},
        {"two points refused", {{0, 0, 0}, {1, 0, 0}}, {0.1}, false, -1},
        {"no radius refused", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {}, false, -1},
        {"closed square, 4 arcs of 8", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0.1}, true, 32},
    };
    for (const Case &c : cases) {
        std::vector<Vec3> out(c.points.size() * 24 + 1);
        const int n = FilletPolyline(int(c.points.size()), c.points.data(), out.data(), int(c.radii.size()),
                                     c.radii.empty() ? nullptr : c.radii.data(), 0, c.closed, 24.0, nullptr);
        EXPECT_EQ(n, c.expected) << c.what;
    }
    // Radii are used in turn per rounded corner.
    const Vec3 square[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const double radii[] = {0.1, 0.2};
    std::vector<Vec3> out(4 * 24);
    ASSERT_EQ(FilletPolyline(4, square, out.data(), 2, radii, 0, true, 24.0, nullptr), 32);
    EXPECT_LT(Dist(out[0], Vec3(0, 0.1, 0)), 1e-12);  // corner 0, r 0.1
    EXPECT_LT(Dist(out[8], Vec3(0.8, 0, 0)), 1e-12);  // corner 1, r 0.2
    EXPECT_LT(Dist(out[16], Vec3(1, 0.9, 0)), 1e-12); // corner 2, r 0.1
}

TEST_F(FilletAndNGonTest, FiletPolyLineNode)
{
    SgRef<SgFiletPolyLine> f = new SgFiletPolyLine;
    EXPECT_EQ(f->m_filetRadius.GetCount(), 1);
    const Vec3 pts[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    f->m_coordinates.SetVals(3, pts);
    f->sample(-1);
    EXPECT_EQ(f->GetSize(), 10);
    f->m_filetRadius.SetVals(0, nullptr);
    f->sample(-1);
    EXPECT_EQ(f->GetSize(), 0);
    f->m_coordinates.SetVals(2, pts);
    f->m_filetRadius.AddVal(0.1);
    f->sample(-1);
    EXPECT_EQ(f->GetSize(), 0);
}

TEST_F(FilletAndNGonTest, NGonCounts)
{
    struct Case {
        const char *what;
        int sides;
        double filet;
        int filetSides;
        int samples;
        int request;
        int expected;
    };
    const Case cases[] = {
        {"default hexagon", 6, 0, 20, 1, -1, 6},
        {"4 samples per edge", 6, 0, 20, 4, -1, 24},
        {"rounded square", 4, 0.1, 20, 1, -1, 28},
        {"rounded square, explicit 5 per edge", 4, 0.1, 20, 1, 5, 4 * (6 + 5)},
        {"2 sides rounded: empty", 2, 0.1, 20, 1, -1, 0},
        {"0 sides: empty", 0, 0, 20, 1, -1, 0},
        {"completeFiletSides 0: empty", 4, 0.1, 0, 1, -1, 0},
        {"completeFiletSides 1: one step", 4, 0.1, 1, 1, -1, 4 * 2},
    };
    for (const Case &c : cases) {
        SgRef<SgNGon> g = new SgNGon;
        g->m_sides.Set(c.sides);
        g->m_filetRadius.Set(c.filet);
        g->m_completeFiletSides.Set(c.filetSides);
        g->m_samples.Set(c.samples);
        g->sample(c.request);
        ASSERT_EQ(g->GetSize(), c.expected) << c.what;
        if (c.expected > 0) {
            EXPECT_GT(Area(g->GetLoop(0), c.expected), 0) << c.what << " runs counter-clockwise";
        }
    }
    SgRef<SgNGon> g = new SgNGon;
    g->m_startAngle.Set(90.0);
    g->sample(-1);
    EXPECT_LT(Dist(g->GetLoop(0)[0], Vec3(0, 1, 0)), 1e-12);
    // A rounded square stays inside its sharp outline and keeps most of it.
    g->m_sides.Set(4);
    g->m_startAngle.Set(45.0);
    g->m_radius.Set(std::sqrt(2.0));
    g->m_filetRadius.Set(0.1);
    g->sample(-1);
    const double area = Area(g->GetLoop(0), g->GetSize());
    EXPECT_NEAR(area, 4.0 - (4 - M_PI) * 0.01, 0.002);
}

TEST_F(FilletAndNGonTest, StarCornersAndRounding)
{
    SgRef<SgNStar> s = new SgNStar;
    s->m_sides.Set(5);
    s->m_radius1.Set(0.5);
    s->sample(-1);
    ASSERT_EQ(s->GetSize(), 10);
    const Vec3 *p = s->GetLoop(0);
    EXPECT_NEAR(std::atan2(p[1].y, p[1].x), M_PI / 5, 1e-12);
    EXPECT_NEAR(p[1].Length(), 0.5, 1e-12);
    s->m_asymmetry.Set(0.5f);
    s->sample(-1);
    EXPECT_NEAR(std::atan2(s->GetLoop(0)[1].y, s->GetLoop(0)[1].x), 0.75 * 2 * M_PI / 5, 1e-6);
    // Outer rounding only: the inner corners get a tiny fillet too.
    s->m_asymmetry.Set(0.0f);
    s->m_filetRadius.Set(0.2);
    s->sample(-1);
    const int n = s->GetSize();
    ASSERT_GT(n, 10);
    EXPECT_GT(Area(s->GetLoop(0), n), 0);
    double innerMin = 10;
    for (int i = 0; i < n; ++i)
        innerMin = std::min(innerMin, s->GetLoop(0)[i].Length());
    EXPECT_NEAR(innerMin, 0.5, 0.01);
}

// A rounding wider than the polygon allows, or a negative radius, would
// turn the outline inside out: the rounding is held to the inscribed
// circle, a negative radius refused, each with a message.
TEST_F(FilletAndNGonTest, ImpossibleRadiiAreClampedOrRefusedWithAMessage)
{
    {
        SgDiagCapture diagnostics;
        SgRef<SgNGon> g = new SgNGon;
        g->m_sides.Set(4);
        g->m_radius.Set(1.0);
        g->m_filetRadius.Set(5.0);
        g->sample(-1);
        ASSERT_GT(g->GetSize(), 4);
        const double inscribed = std::cos(3.141592653589793 / 4);
        const double area = Area(g->GetLoop(0), g->GetSize());
        EXPECT_GT(area, 0) << "the outline keeps its direction";
        EXPECT_NEAR(area, 3.141592653589793 * inscribed * inscribed, 0.05) << "rounded to the inscribed circle";
        for (int i = 0; i < g->GetSize(); ++i)
            EXPECT_LE(g->GetLoop(0)[i].Length(), 1.0 + 1e-9);
        EXPECT_EQ(diagnostics.Count(), 1) << diagnostics.GetText();
    }
    const struct {
        double radius;
        double radius1;
    } refused[] = {{-1.0, 0.5}, {1.0, -0.5}, {std::nan(""), 0.5}};
    for (const auto &c : refused) {
        SgDiagCapture diagnostics;
        SgRef<SgNStar> star = new SgNStar;
        star->m_radius.Set(c.radius);
        star->m_radius1.Set(c.radius1);
        star->sample(-1);
        EXPECT_EQ(star->GetSize(), 0) << c.radius << " " << c.radius1;
        EXPECT_EQ(diagnostics.Count(), 1) << diagnostics.GetText();
    }
}

// A star's roundings wider than its edges allow would overlap and the
// outline cross itself: both are scaled down together until the arcs at the
// two ends of every edge fit, with one message; roundings that fit stay.
TEST_F(FilletAndNGonTest, StarRoundingsWiderThanTheEdgesAreClampedWithAMessage)
{
    const struct {
        double filet0, filet1;
        float asymmetry;
        int messages;
    } cases[] = {
        {5.0, 5.0, 0.0f, 1}, {5.0, 0.0, 0.0f, 1}, {0.0, 5.0, 0.0f, 1},
        {0.8, 0.8, 0.6f, 1}, {0.05, 0.05, 0.0f, 0},
    };
    for (const auto &c : cases) {
        SgDiagCapture diagnostics;
        SgRef<SgNStar> star = new SgNStar;
        star->m_sides.Set(5);
        star->m_radius.Set(1.0);
        star->m_radius1.Set(0.5);
        star->m_filetRadius.Set(c.filet0);
        star->m_filetRadius1.Set(c.filet1);
        star->m_asymmetry.Set(c.asymmetry);
        star->sample(-1);
        const int n = star->GetSize();
        ASSERT_GT(n, 10) << c.filet0 << " " << c.filet1;
        EXPECT_GT(Area(star->GetLoop(0), n), 0) << "the outline keeps its direction";
        EXPECT_FALSE(SelfIntersects(star->GetLoop(0), n)) << c.filet0 << " " << c.filet1 << " " << c.asymmetry;
        for (int i = 0; i < n; ++i)
            EXPECT_LE(star->GetLoop(0)[i].Length(), 1.0 + 1e-9);
        EXPECT_EQ(diagnostics.Count(), c.messages) << diagnostics.GetText();
    }
}

TEST_F(FilletAndNGonTest, PointInsideUnitSquare)
{
    const Vec3 sq[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    CPolygon poly(sq, 4);
    poly.CalcPlane();
    EXPECT_LT(Dist(poly.GetPlaneNormal(), Vec3(0, 0, 1)), 1e-12);
    EXPECT_EQ(poly.GetPlaneDistance(), 0.0);
    struct Case {
        Vec3 p;
        int expected;
    };
    const Case cases[] = {{{0.5, 0.5, 0}, 1}, {{2, 0.5, 0}, 0}, {{0.5, 0, 0}, -1}, {{0.5, 1, 0}, -1},
                          {{-1, 0, 0}, 0},   {{0.5, 2, 0}, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(poly.PointInside(c.p), c.expected) << c.p.x << "," << c.p.y;
    // A point level with a vertex is counted once.
    const Vec3 diamond[] = {{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    CPolygon d(diamond, 4);
    EXPECT_EQ(d.PointInside(Vec3(0, -0.5, 0)), 1);
    EXPECT_EQ(d.PointInside(Vec3(0, -2, 0)), 0);
    // Containment of polygons.
    const Vec3 inner[] = {{0.2, 0.2, 0}, {0.8, 0.2, 0}, {0.8, 0.8, 0}};
    EXPECT_TRUE(poly.PolygonInside(PolyVec(inner, 3, true)));
    const Vec3 across[] = {{0.2, 0.2, 0}, {1.8, 0.2, 0}, {0.8, 0.8, 0}};
    EXPECT_FALSE(poly.PolygonInside(PolyVec(across, 3, true)));
    EXPECT_TRUE(poly.PolygonInside(PolyVec()));
}

TEST_F(FilletAndNGonTest, HoledPolygonLoops)
{
    const Vec3 outer[] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
    const Vec3 hole[] = {{1, 1, 0}, {1, 3, 0}, {3, 3, 0}, {3, 1, 0}};
    HoledPolygon h;
    h.AddHole(outer, 4);
    h.AddHole(hole, 4);
    ASSERT_EQ(h.NumLoops(), 2);
    EXPECT_EQ(h.LoopSize(0), 4);
    EXPECT_EQ(h.LoopSize(1), 4);
    EXPECT_EQ(h.GetLoop(1)[0], hole[0]);
    EXPECT_TRUE(h.IsClosed());
    EXPECT_THROW(h.GetLoop(2), SgInvalidArgument);
    EXPECT_THROW(h.LoopSize(-1), SgInvalidArgument);
}

TEST_F(FilletAndNGonTest, PolygonNodeToPlanarPolygon)
{
    SgRef<SgPolygon> node = new SgPolygon;
    const Vec3 sq[] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    node->m_coordinates.SetVals(4, sq);
    CPolygon *poly = node->FromSgPolygon();
    ASSERT_EQ(poly->GetSize(), 4);
    EXPECT_TRUE(poly->IsClosed());
    poly->CalcPlane();
    // Clockwise seen from +Z: the normal points to -Z.
    EXPECT_LT(Dist(poly->GetPlaneNormal(), Vec3(0, 0, -1)), 1e-12);
    EXPECT_EQ(poly->PointInside(Vec3(0.5, 0.5, 0)), 1);
    delete poly;
}
