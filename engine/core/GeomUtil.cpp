#include "engine/core/GeomUtil.h"

#include "engine/core/GenericPolyline.h"

#include <cmath>
#include <numbers>

namespace {

// |n . direction| below this: the line runs along the plane.
constexpr double PARALLEL_TO_PLANE = 1e-11;
// Determinant of the closest-point system below this: parallel lines.
constexpr double PARALLEL_LINES_DET = 1e-14;
// Squared cross product of the directions below this: parallel lines.
constexpr double PARALLEL_LINES_CROSS2 = 1e-28;
// Squared distance from a line below which a point lies on it.
constexpr double ON_LINE_DISTANCE2 = 1e-14;
// Squared corner cross product below which a polygon corner gives no normal.
constexpr double CORNER_NORMAL_LENGTH2 = 1e-5;
// Normals and directions shorter than this are returned or used as they are.
constexpr double MIN_NORMAL_LENGTH = 1e-5;

// The projection of p onto the line through a with direction d (a itself
// when d has no length).
Vec3 ProjectOntoLine(const Vec3 &p, const Vec3 &a, const Vec3 &d)
{
    double d2 = d.Dot(d);
    return d2 > 0.0 ? a + d * ((p - a).Dot(d) / d2) : a;
}

// Solves for the closest points of a0 + s d1 and b0 + t d2; false when the
// system is degenerate.
bool SolveClosest(const Vec3 &a0, const Vec3 &d1, const Vec3 &b0, const Vec3 &d2, Vec3 &onA, Vec3 &onB)
{
    Vec3 r = a0 - b0;
    double a = d1.Dot(d1);
    double b = d1.Dot(d2);
    double c = d2.Dot(d2);
    double d = d1.Dot(r);
    double e = d2.Dot(r);
    double det = a * c - b * b;
    if (!(std::fabs(det) >= PARALLEL_LINES_DET)) {
        return false;
    }
    onA = a0 + d1 * ((b * e - c * d) / det);
    onB = b0 + d2 * ((a * e - b * d) / det);
    return true;
}

// The polygon-normal rule over any way of reaching point i of a loop.
template <class PointAt>
Vec3 LoopNormal(PointAt point, int count)
{
    if (count < 3) {
        return {0.0, 0.0, 1.0};
    }
    Vec3 n;
    if (count <= 4) {
        Vec3 p0 = point(0);
        Vec3 p1 = point(1);
        Vec3 p2 = point(2);
        n = (p2 - p1).Cross(p1 - p0);
    } else {
        // The extreme vertex along one axis is convex, so its corner gives
        // the orientation of the whole loop.
        int axis = DominantAxis(point(1) - point(0));
        int extreme = 0;
        double extremeValue = point(0)[axis];
        for (int i = 1; i < count; ++i) {
            double value = point(i)[axis];
            if (value >= extremeValue) {
                extreme = i;
                extremeValue = value;
            }
        }
        Vec3 prev = point((extreme + count - 1) % count);
        Vec3 cur = point(extreme);
        Vec3 next = point((extreme + 1) % count);
        n = (next - cur).Cross(cur - prev);
        if (n.Length2() < CORNER_NORMAL_LENGTH2) {
            // A flat corner: sum over all edges instead.
            n = Vec3();
            for (int i = 0; i < count; ++i) {
                Vec3 s = point(i);
                Vec3 t = point((i + 1) % count);
                n.x -= (s.y - t.y) * (s.z + t.z);
                n.y -= (s.x + t.x) * (s.z - t.z);
                n.z -= (s.x - t.x) * (s.y + t.y);
            }
        }
    }
    // However small the face, a normal with a direction is made unit long:
    // lighting reads its length.
    n.Normalize(0.0);
    return n;
}

} // namespace

bool Intersect(const Line &line, const Plane &plane, Vec3 &point)
{
    const Vec3 &s = line.GetStart();
    Vec3 direction = line.GetDirection();
    double d = plane.GetNormal().Dot(direction);
    if (!(std::fabs(d) >= PARALLEL_TO_PLANE)) {
        return false;
    }
    double u = (plane.GetDistance() - plane.GetNormal().Dot(s)) / d;
    point = s + direction * u;
    return true;
}

bool ClosestPoints(const Line &a, const Line &b, Vec3 &onA, Vec3 &onB)
{
    if (SolveClosest(a.GetStart(), a.GetDirection(), b.GetStart(), b.GetDirection(), onA, onB)) {
        return true;
    }
    onA = ProjectOntoLine(b.GetStart(), a.GetStart(), a.GetDirection());
    onB = b.GetStart();
    return false;
}

int ClosestPointsWithin(const Vec3 &p0, const Vec3 &p1, const Vec3 &p2, const Vec3 &p3,
                        double maxDistance2, Vec3 &onFirst, Vec3 &onSecond)
{
    Vec3 d1 = p1 - p0;
    Vec3 d2 = p3 - p2;
    Vec3 n = d1.Cross(d2);
    double n2 = n.Length2();
    if (n2 < PARALLEL_LINES_CROSS2) {
        return 0;
    }
    double gap = n.Dot(p2 - p0);
    if (gap * gap / n2 > maxDistance2) {
        return 0;
    }
    if (SolveClosest(p0, d1, p2, d2, onFirst, onSecond)) {
        return 1;
    }
    onFirst = ProjectOntoLine(p2, p0, d1);
    onSecond = p2;
    return 0;
}

int IntersectLines(const Vec3 &a, const Vec3 &b, const Vec3 &c, const Vec3 &d, Vec3 &out, double eps)
{
    Vec3 f = b - a;
    Vec3 e = d - c;
    Vec3 w = a - c;
    double xy = f.x * e.y - f.y * e.x;
    double xz = f.x * e.z - f.z * e.x;
    double yz = f.y * e.z - f.z * e.y;
    double t = 0.0;
    if (std::fabs(xy) >= std::fabs(xz) && std::fabs(xy) >= std::fabs(yz)) {
        if (!(std::fabs(xy) > eps) || xy == 0.0) {
            return 0;
        }
        t = (e.x * w.y - e.y * w.x) / xy;
    } else if (std::fabs(xz) >= std::fabs(yz)) {
        if (!(std::fabs(xz) > eps)) {
            return 0;
        }
        t = (e.x * w.z - e.z * w.x) / xz;
    } else {
        if (!(std::fabs(yz) > eps)) {
            return 0;
        }
        t = (e.y * w.z - e.z * w.y) / yz;
    }
    out = a + f * t;
    return 1;
}

bool IntersectSphere(const Line &line, const Vec3 &centre, double radius, Vec3 &first, Vec3 &second)
{
    const Vec3 &s = line.GetStart();
    Vec3 d = line.GetDirection();
    Vec3 sc = s - centre;
    double a = d.Dot(d);
    if (!(a > 0.0)) {
        return false;
    }
    double b = d.Dot(sc);
    double discriminant = b * b - a * (sc.Dot(sc) - radius * radius);
    if (!(discriminant >= 0.0)) {
        return false;
    }
    double root = std::sqrt(discriminant);
    first = s + d * ((root - b) / a);
    second = s + d * ((-b - root) / a);
    return true;
}

bool IsPointOnLine(const Line &line, const Vec3 &p)
{
    Vec3 d = line.GetDirection();
    Vec3 sp = p - line.GetStart();
    double d2 = d.Dot(d);
    double distance2 = d2 > 0.0 ? sp.Cross(d).Length2() / d2 : sp.Length2();
    return distance2 < ON_LINE_DISTANCE2;
}

int DominantAxis(const Vec3 &normal)
{
    double x = std::fabs(normal.x);
    double y = std::fabs(normal.y);
    double z = std::fabs(normal.z);
    if (x > y && x > z) {
        return 0;
    }
    return y > z ? 1 : 2;
}

void GetProjectionAxes(const Vec3 &normal, int &u, int &v, int &w)
{
    w = DominantAxis(normal);
    u = (w + 1) % 3;
    v = (w + 2) % 3;
}

Vec3 ComputeFaceNormal(const double *points, const int *indices, int count)
{
    if (points == nullptr) {
        return {0.0, 0.0, 1.0};
    }
    return LoopNormal(
        [points, indices](int i) {
            const double *p = points + 3 * (indices != nullptr ? indices[i] : i);
            return Vec3(p[0], p[1], p[2]);
        },
        count);
}

Vec3 ComputeFaceNormal(GenericPolyline &polyline, int loop)
{
    if (loop < 0 || loop >= polyline.NumLoops()) {
        return {0.0, 0.0, 1.0};
    }
    int count = polyline.LoopSize(loop);
    if (count < 3) {
        return {0.0, 0.0, 1.0};
    }
    Vec3 *points = polyline.GetLoop(loop);
    if (points == nullptr) {
        return {0.0, 0.0, 1.0};
    }
    int *indices = polyline.GetLoopIndices(loop);
    return LoopNormal([&](int i) { return polyline.GetLoopPoint(points, indices, i); }, count);
}

double ProjectedPolygonArea(const Vec3 *points, int n, int axis)
{
    if (points == nullptr || n < 1) {
        return 0.0;
    }
    int u = (axis + 1) % 3;
    int v = (axis + 2) % 3;
    double area = 0.0;
    for (int i = 0; i < n; ++i) {
        const Vec3 &p = points[i];
        const Vec3 &q = points[(i + 1) % n];
        area -= (p[v] + q[v]) * (p[u] - q[u]);
    }
    return area;
}

int FindSharpCorners(const Vec3 *points, int n, bool closed, double angleDegrees, int *corners)
{
    if (points == nullptr || corners == nullptr || n < 2) {
        return 0;
    }
    const double limit = std::cos(angleDegrees * std::numbers::pi / 180.0);
    // A closed line wraps round to vertex 0 last; an open one has no turn at its ends.
    const int first = 1;
    const int last = closed ? n : n - 2;
    int found = 0;
    for (int i = first; i <= last; ++i) {
        int at = i % n;
        int prev = (i - 1) % n;
        int next = (i + 1) % n;
        Vec3 incoming = points[at] - points[prev];
        Vec3 outgoing = points[next] - points[at];
        incoming.Normalize(MIN_NORMAL_LENGTH);
        outgoing.Normalize(MIN_NORMAL_LENGTH);
        if (incoming.Dot(outgoing) < limit) {
            corners[found++] = at;
        }
    }
    return found;
}

int FindSharpCorners(const Vec3 *points, int n, bool closed, double angleDegrees, std::vector<int> &corners)
{
    corners.assign(n > 0 ? size_t(n) : 0, 0);
    int found = FindSharpCorners(points, n, closed, angleDegrees, corners.data());
    corners.resize(size_t(found));
    return found;
}
