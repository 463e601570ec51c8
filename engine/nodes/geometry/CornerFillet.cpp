#include "engine/nodes/geometry/CornerFillet.h"

#include <cmath>
#include "utilities/math/Angles.h"

namespace {

// Rotation of v by angle about the unit axis (right-handed); a zero axis
// gives the zero vector, as the zero matrix would.
Vec3 Rotate(const Vec3 &v, const Vec3 &axis, double angle)
{
    if (axis.Length2() == 0.0)
        return Vec3();
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return v * c + axis.Cross(v) * s + axis * (axis.Dot(v) * (1.0 - c));
}
} // namespace

int FilletPointsPerCorner(double stepsPerTurn, int gap)
{
    // The turn at a corner is below pi, so m stays under 1 + steps / 2.
    return 2 + int(std::trunc(stepsPerTurn * 0.5)) + (gap > 0 ? gap : 0);
}

int FilletPolyline(int n, const Vec3 *points, Vec3 *out, int radiusCount, const double *radii, int gap,
                   bool closed, double stepsPerTurn, int *arcCounts)
{
    if (n < 3 || radiusCount < 1 || !radii || !(stepsPerTurn > 0.0))
        return -1;
    int w = 0;
    if (!closed)
        out[w++] = points[0];
    int k = 0;
    const int first = closed ? 0 : 1;
    const int last = closed ? n - 1 : n - 2;
    for (int i = first; i <= last; ++i) {
        const Vec3 &P = points[i];
        const double r = radii[k % radiusCount];
        if (r < 1e-7) {
            out[w++] = P;
            continue;
        }
        Vec3 a = points[(i - 1 + n) % n] - P;
        Vec3 b = points[(i + 1) % n] - P;
        a.Normalize(1e-5);
        b.Normalize(1e-5);
        Vec3 c = a.Cross(b);
        Vec3 d = a + b;
        d.Normalize(1e-5);
        const double theta = std::fabs(std::atan2(c.Length(), a.Dot(b)));
        if (theta < 0.01) {
            out[w++] = P;
            continue;
        }
        const double half = theta / 2.0;
        const double dist = r / std::sin(half);
        // A turn that is an exact fraction of a full one (every corner of a
        // regular polygon) must not lose a step to rounding.
        const int m = 1 + int(std::trunc((kPi - theta) * stepsPerTurn / (2.0 * kPi) + 1e-9));
        if (arcCounts)
            arcCounts[k % radiusCount] = m;
        ++k;
        c.Normalize(0.0);
        const double len = c.Length();
        const Vec3 axis = len > 0.5 ? c : Vec3();
        const double step = -(kPi - theta) / m;
        const Vec3 centre = P + d * dist;
        const Vec3 t1 = P + a * (std::cos(half) * dist);
        out[w++] = t1;
        Vec3 v = t1 - centre;
        for (int j = 0; j < m; ++j) {
            v = Rotate(v, axis, step);
            out[w++] = centre + v;
        }
        w += gap;
    }
    if (!closed)
        out[w++] = points[n - 1];
    return w;
}
