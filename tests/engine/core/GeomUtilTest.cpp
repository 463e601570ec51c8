#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "engine/core/GeomUtil.h"
#include "engine/core/PolyVec.h"

namespace {

::testing::AssertionResult NearVec(const Vec3 &actual, const Vec3 &expected, double tolerance = 1e-12)
{
    if ((actual - expected).Length() <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    std::ostringstream text;
    text << "got " << actual << ", expected " << expected;
    return ::testing::AssertionFailure() << text.str();
}

} // namespace

TEST(GeomPlane, ThreePointsGiveUnitNormalAndDistance)
{
    // Counter-clockwise seen from +z gives the +z normal.
    Plane p(Vec3(0, 0, 2), Vec3(1, 0, 2), Vec3(0, 1, 2));
    EXPECT_TRUE(NearVec(p.GetNormal(), Vec3(0, 0, 1))) << "(p3 - p2) x (p1 - p2)";
    EXPECT_DOUBLE_EQ(p.GetDistance(), 2.0);
    EXPECT_TRUE(p.IsInHalfSpace(Vec3(5, 5, 3)));
    EXPECT_FALSE(p.IsInHalfSpace(Vec3(5, 5, 1)));

    Plane collinear(Vec3(0, 0, 0), Vec3(1, 1, 1), Vec3(2, 2, 2));
    EXPECT_EQ(collinear.GetNormal(), Vec3(0, 0, 0)) << "no division by a zero length";

    Plane unnormalised(Vec3(0, 0, 2), Vec3(1, 1, 3));
    EXPECT_EQ(unnormalised.GetNormal(), Vec3(0, 0, 2));
    EXPECT_EQ(unnormalised.GetDistance(), 6.0);
}

TEST(GeomLine, MeetsPlaneUnlessParallel)
{
    Plane ground(Vec3(0, 0, 1), Vec3(0, 0, 0));
    Vec3 hit;
    ASSERT_TRUE(Intersect(Line(Vec3(1, 2, 5), Vec3(1, 2, 4)), ground, hit));
    EXPECT_TRUE(NearVec(hit, Vec3(1, 2, 0))) << "the infinite line, beyond the end point";
    hit = Vec3(9, 9, 9);
    EXPECT_FALSE(Intersect(Line(Vec3(0, 0, 1), Vec3(5, 3, 1)), ground, hit));
    EXPECT_EQ(hit, Vec3(9, 9, 9));
}

TEST(GeomLine, ClosestPointsOfSkewAndParallelLines)
{
    Vec3 a;
    Vec3 b;
    ASSERT_TRUE(ClosestPoints(Line(Vec3(0, 0, 0), Vec3(1, 0, 0)), Line(Vec3(3, -1, 2), Vec3(3, 1, 2)), a, b));
    EXPECT_TRUE(NearVec(a, Vec3(3, 0, 0)));
    EXPECT_TRUE(NearVec(b, Vec3(3, 0, 2)));

    EXPECT_FALSE(ClosestPoints(Line(Vec3(0, 0, 0), Vec3(1, 0, 0)), Line(Vec3(4, 1, 0), Vec3(6, 1, 0)), a, b));
    EXPECT_TRUE(NearVec(a, Vec3(4, 0, 0))) << "start of b projected onto a";
    EXPECT_EQ(b, Vec3(4, 1, 0));
}

TEST(GeomLine, ClosestPointsWithinALimit)
{
    struct Case {
        const char *name;
        Vec3 p0, p1, p2, p3;
        double limit2;
        int result;
    };
    const Case cases[] = {
        {"skew, near enough", {0, 0, 0}, {1, 0, 0}, {3, -1, 2}, {3, 1, 2}, 4.5, 1},
        {"skew, too far", {0, 0, 0}, {1, 0, 0}, {3, -1, 2}, {3, 1, 2}, 3.5, 0},
        {"parallel", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 1, 0}, 1e17, 0},
        {"crossing", {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, 0.0, 1},
    };
    for (const Case &c : cases) {
        Vec3 a;
        Vec3 b;
        EXPECT_EQ(ClosestPointsWithin(c.p0, c.p1, c.p2, c.p3, c.limit2, a, b), c.result) << c.name;
        if (c.result == 1) {
            EXPECT_NEAR((a - c.p0).Cross(c.p1 - c.p0).Length(), 0.0, 1e-12) << c.name << ": a on the first line";
            EXPECT_NEAR((b - c.p2).Cross(c.p3 - c.p2).Length(), 0.0, 1e-12) << c.name << ": b on the second";
            EXPECT_NEAR((b - a).Dot(c.p1 - c.p0), 0.0, 1e-12) << c.name << ": a-b across both lines";
            EXPECT_NEAR((b - a).Dot(c.p3 - c.p2), 0.0, 1e-12) << c.name;
        }
    }
}

TEST(GeomLine, CoplanarLinesCrossInTheirLargestPlane)
{
    struct Case {
        const char *name;
        Vec3 a, b, c, d;
        int result;
        Vec3 point;
    };
    const Case cases[] = {
        {"xy plane", {0, 0, 5}, {2, 2, 5}, {0, 2, 5}, {2, 0, 5}, 1, {1, 1, 5}},
        {"xz plane", {0, 3, 0}, {4, 3, 0}, {1, 3, -1}, {1, 3, 1}, 1, {1, 3, 0}},
        {"yz plane", {7, 0, 0}, {7, 2, 2}, {7, 0, 2}, {7, 2, 0}, 1, {7, 1, 1}},
        {"parallel", {0, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 3, 0}, 0, {}},
        {"within tolerance of parallel", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1.0000001, 0}, 0, {}},
    };
    for (const Case &c : cases) {
        Vec3 out;
        EXPECT_EQ(IntersectLines(c.a, c.b, c.c, c.d, out, 1e-6), c.result) << c.name;
        if (c.result == 1) {
            EXPECT_TRUE(NearVec(out, c.point)) << c.name;
        }
    }
}

TEST(GeomLine, SphereHitsComeFarthestFirst)
{
    Vec3 first;
    Vec3 second;
    ASSERT_TRUE(IntersectSphere(Line(Vec3(-5, 0, 0), Vec3(-4, 0, 0)), Vec3(0, 0, 0), 2.0, first, second));
    EXPECT_TRUE(NearVec(first, Vec3(2, 0, 0)));
    EXPECT_TRUE(NearVec(second, Vec3(-2, 0, 0)));
    EXPECT_FALSE(IntersectSphere(Line(Vec3(-5, 3, 0), Vec3(5, 3, 0)), Vec3(0, 0, 0), 2.0, first, second));
    EXPECT_FALSE(IntersectSphere(Line(Vec3(1, 0, 0), Vec3(1, 0, 0)), Vec3(0, 0, 0), 2.0, first, second))
        << "a line without direction";
}

TEST(GeomLine, PointOnLine)
{
    Line line(Vec3(0, 0, 0), Vec3(1, 1, 0));
    EXPECT_TRUE(IsPointOnLine(line, Vec3(5, 5, 0))) << "beyond the end point";
    EXPECT_TRUE(IsPointOnLine(line, Vec3(5, 5, 5e-8)));
    EXPECT_FALSE(IsPointOnLine(line, Vec3(5, 5, 2e-7)));
    EXPECT_TRUE(IsPointOnLine(Line(Vec3(1, 1, 1), Vec3(1, 1, 1)), Vec3(1, 1, 1)));
}

TEST(GeomPolygon, ProjectionAxesFollowTheDominantComponent)
{
    struct Case {
        Vec3 normal;
        int u, v, w;
    };
    const Case cases[] = {
        {{3, 1, -2}, 1, 2, 0}, {{0.1, -5, 2}, 2, 0, 1}, {{0, 0, -1}, 0, 1, 2},
        {{1, 1, 0}, 2, 0, 1},  {{1, 0, 1}, 0, 1, 2},    {{1, 1, 1}, 0, 1, 2},
    };
    for (const Case &c : cases) {
        int u = -1;
        int v = -1;
        int w = -1;
        GetProjectionAxes(c.normal, u, v, w);
        EXPECT_EQ(w, DominantAxis(c.normal));
        EXPECT_TRUE(u == c.u && v == c.v && w == c.w)
            << c.normal << " gave (" << u << ", " << v << ", " << w << ")";
    }
}

TEST(GeomPolygon, FaceNormalOfEveryLoopSize)
{
    struct Case {
        const char *name;
        std::vector<Vec3> points;
        Vec3 normal;
    };
    const Case cases[] = {
        {"two points", {{0, 0, 0}, {1, 0, 0}}, {0, 0, 1}},
        {"clockwise triangle", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 0, 1}},
        {"counter-clockwise square", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 0, -1}},
        {"collinear, unnormalised", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {0, 0, 0}},
        {"concave pentagon", {{0, 0, 0}, {0, 2, 0}, {1, 1, 0}, {2, 2, 0}, {2, 0, 0}}, {0, 0, 1}},
        {"hexagon in xz", {{0, 0, 0}, {1, 0, 0}, {2, 0, 1}, {1, 0, 2}, {0, 0, 2}, {-1, 0, 1}}, {0, 1, 0}},
        // The last vertex of greatest y lies mid-edge: the edge sum decides.
        {"flat extreme corner", {{2, 2, 0}, {2, 0, 0}, {0, 0, 0}, {0, 2, 0}, {1, 2, 0}}, {0, 0, 1}},
    };
    for (const Case &c : cases) {
        std::vector<double> flat;
        std::vector<int> reversed;
        for (const Vec3 &p : c.points) {
            flat.insert(flat.end(), {p.x, p.y, p.z});
        }
        int n = int(c.points.size());
        for (int i = n - 1; i >= 0; --i) {
            reversed.push_back(i);
        }
        EXPECT_TRUE(NearVec(ComputeFaceNormal(flat.data(), nullptr, n), c.normal)) << c.name;
        if (n >= 3 && c.normal.Length2() > 0) {
            EXPECT_TRUE(NearVec(ComputeFaceNormal(flat.data(), reversed.data(), n), -c.normal))
                << c.name << ", visited backwards";
        }
        PolyVec polyline(c.points.data(), n, true);
        EXPECT_TRUE(NearVec(polyline.GetNormal(), c.normal)) << c.name << ", as a polyline";
    }
}

TEST(GeomPolygon, ProjectedAreaIsSignedByOrientation)
{
    const Vec3 square[] = {{0, 0, 0}, {0, 2, 0}, {2, 2, 0}, {2, 0, 0}};
    EXPECT_DOUBLE_EQ(ProjectedPolygonArea(square, 4, 2), 8.0) << "clockwise seen from z: twice the area";
    const Vec3 reversed[] = {{2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 0}};
    EXPECT_DOUBLE_EQ(ProjectedPolygonArea(reversed, 4, 2), -8.0);
    EXPECT_DOUBLE_EQ(ProjectedPolygonArea(square, 4, 0), 0.0) << "edge-on along x";
    EXPECT_EQ(ProjectedPolygonArea(square, 0, 2), 0.0);
}

TEST(GeomPolygon, SharpCornersInVisitingOrder)
{
    const Vec3 square[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    struct Case {
        const char *name;
        bool closed;
        double angle;
        std::vector<int> corners;
    };
    const Case cases[] = {
        {"closed", true, 45, {1, 2, 3, 0}},
        {"open", false, 45, {1, 2}},
        {"turns below the angle", true, 95, {}},
    };
    for (const Case &c : cases) {
        std::vector<int> corners;
        EXPECT_EQ(FindSharpCorners(square, 4, c.closed, c.angle, corners), int(c.corners.size())) << c.name;
        EXPECT_EQ(corners, c.corners) << c.name;
    }
    const Vec3 straight[] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {3, 0, 0}};
    std::vector<int> corners;
    // A zero-length edge has no direction (dot 0): both its ends count, and no NaN appears.
    EXPECT_EQ(FindSharpCorners(straight, 4, false, 10, corners), 2);
    EXPECT_EQ(corners, (std::vector<int>{1, 2}));
    EXPECT_EQ(FindSharpCorners(square, 1, true, 45, corners), 0);
}
