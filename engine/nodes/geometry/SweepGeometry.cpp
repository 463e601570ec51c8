#include "engine/nodes/geometry/SweepGeometry.h"

#include <algorithm>
#include <cmath>

#include "engine/core/GeomUtil.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Angles.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A segment shorter than this share of the path takes no part in it.
constexpr double kMinSegmentShare = 1e-5;
// Parameters closer than this are one station.
constexpr double kStationTolerance = 0.001;
// Parameters of two merged functions closer than this are one grid point.
constexpr double kMergeTolerance = 0.02;
// Directions closer than this (sine of the angle between them) are parallel.
constexpr double kParallelSine = 1e-5;

CurveSample Blend(const CurveSample &a, const CurveSample &b, double w)
{
    return {a.t + (b.t - a.t) * w, a.value + (b.value - a.value) * w};
}
CurveSample2 Blend(const CurveSample2 &a, const CurveSample2 &b, double w)
{
    return {a.t + (b.t - a.t) * w, a.value1 + (b.value1 - a.value1) * w, a.value2 + (b.value2 - a.value2) * w};
}

template <class Sample>
int Resample(int n, const Vec3 *points, int m, const Sample *samples, Vec3 *outPoints, Sample *outSamples,
             bool curved)
{
    if (n < 1)
        return 0;
    if (m < 1 || !samples)
        throw SgInvalidArgument("ResampleAlongSamples: no samples to place along the path");
    const double total = PolylineLength(n, points);
    // A path without length has nothing to divide: every segment counts as
    // zero-length.
    const double share = total > 0.0 ? 1.0 / total : 0.0;

    outPoints[0] = points[0];
    outSamples[0] = samples[0];
    int count = 1;
    int k = 1;
    double acc = 0.0;
    for (int i = 0; i + 1 < n; ++i) {
        const double rel = (points[i + 1] - points[i]).Length() * share;
        const bool lastSegment = i + 2 == n;
        if (rel < kMinSegmentShare) {
            if (!lastSegment)
                continue;
            // The path must still end on its last point.
            --count;
        }
        const double next = acc + rel;
        while (k < m && samples[k].t < next) {
            const double tk = samples[k].t;
            const double tol = curved ? 0.5 * std::min(tk - samples[k - 1].t, rel) : kStationTolerance;
            if (next - tk > tol && tk - acc > tol) {
                outPoints[count] = Interpolate(points[i], points[i + 1], (tk - acc) / (next - acc));
                outSamples[count] = samples[k];
                ++count;
            }
            ++k;
        }
        outPoints[count] = points[i + 1];
        if (k >= m) {
            outSamples[count] = samples[m - 1];
        } else {
            const double span = samples[k].t - samples[k - 1].t;
            const double w = span > 0.0 ? std::clamp((next - samples[k - 1].t) / span, 0.0, 1.0) : 1.0;
            outSamples[count] = Blend(samples[k - 1], samples[k], w);
        }
        ++count;
        acc = next;
    }
    return count;
}

// Value of a sampled function at t, linear between the samples before and
// at index i (the sample itself at i = 0 or over a zero span).
double ValueAt(const CurveSample *s, int i, double t)
{
    if (i == 0)
        return s[0].value;
    const double span = s[i].t - s[i - 1].t;
    if (!(std::fabs(span) > 0.0))
        return s[i].value;
    return s[i - 1].value + (s[i].value - s[i - 1].value) * (t - s[i - 1].t) / span;
}

// Angle of each point unwrapped to grow from the first one's.
void UnwrapAngles(std::vector<double> &angles)
{
    for (size_t i = 1; i < angles.size(); ++i) {
        double d = std::fmod(angles[i] - angles[0], kTwoPi);
        if (d < 0.0)
            d += kTwoPi;
        angles[i] = angles[0] + d;
    }
}

struct RayHit {
    Vec3 last;
    bool any = false;

    // Where the edge e0-e1 meets the line from the origin towards `toward`.
    Vec3 operator()(const Vec3 &e0, const Vec3 &e1, const Vec3 &toward)
    {
        Vec3 hit;
        if (IntersectLines(e0, e1, Vec3(), toward, hit, 0.0)) {
            last = hit;
            any = true;
            return hit;
        }
        SgDiagWarning("Geometry", "SweepGeometry: an edge of the section does not meet the ray from its centre; "
                                  "the last hit is used");
        return any ? last : e0;
    }
};

} // namespace

double PolylineLength(int n, const Vec3 *points)
{
    double length = 0.0;
    for (int i = 0; i + 1 < n; ++i)
        length += (points[i + 1] - points[i]).Length();
    return length;
}

double ArcLengthParams(int n, const Vec3 *points, double *params)
{
    if (n < 1)
        return 0.0;
    const double total = PolylineLength(n, points);
    const double factor = total == 0.0 ? 1.0 : 1.0 / total;
    params[0] = 0.0;
    for (int i = 1; i < n; ++i)
        params[i] = params[i - 1] + (points[i] - points[i - 1]).Length() * factor;
    return total;
}

int NormalizeScaleCurve(int n, const Vec3 *points, CurveSample *out)
{
    if (n < 1)
        return 0;
    out[0] = {0.0, points[0].y};
    const double span = points[n - 1].x - points[0].x;
    // Positions that do not advance cannot be spread over 0 .. 1.
    if (n < 2 || !(span > 0.0))
        return 1;
    const double f = 1.0 / span;
    int count = 1;
    Vec3 kept = points[0];
    for (int i = 1; i < n; ++i) {
        if (kept.x > points[i].x - kStationTolerance)
            continue;
        out[count++] = {(points[i].x - points[0].x) * f, std::max(points[i].y, kStationTolerance)};
        kept = points[i];
    }
    return count;
}

int ResampleAlongSamples(int n, const Vec3 *points, int m, const CurveSample *samples, Vec3 *outPoints,
                         CurveSample *outSamples, bool curved)
{
    return Resample(n, points, m, samples, outPoints, outSamples, curved);
}

int ResampleAlongSamples(int n, const Vec3 *points, int m, const CurveSample2 *samples, Vec3 *outPoints,
                         CurveSample2 *outSamples, bool curved)
{
    return Resample(n, points, m, samples, outPoints, outSamples, curved);
}

int MergeParamSamples(int na, const CurveSample *a, int nb, const CurveSample *b, CurveSample2 *out)
{
    int ia = 0;
    int ib = 0;
    int count = 0;
    while (ia < na && ib < nb) {
        const double d = b[ib].t - a[ia].t;
        if (d > -kMergeTolerance) {
            out[count++] = {a[ia].t, a[ia].value, ValueAt(b, ib, a[ia].t)};
            ++ia;
            if (d < kMergeTolerance)
                ++ib;
        } else {
            out[count++] = {b[ib].t, ValueAt(a, ia, b[ib].t), b[ib].value};
            ++ib;
        }
    }
    // A function that ends early holds its last value: the other one's
    // remaining stations are not lost.
    for (; ia < na; ++ia)
        out[count++] = {a[ia].t, a[ia].value, nb > 0 ? b[nb - 1].value : 0.0};
    for (; ib < nb; ++ib)
        out[count++] = {b[ib].t, na > 0 ? a[na - 1].value : 0.0, b[ib].value};
    return count;
}

void SectionAngles(int n, const Vec3 *points, double *angles, const Vec3 &centre, int k)
{
    const int u = (k + 1) % 3;
    const int v = (k + 2) % 3;
    for (int i = 0; i < n; ++i) {
        const Vec3 d = points[i] - centre;
        angles[i] = std::atan2(d[v], d[u]);
    }
}

int ReorderSectionByAngle(int n, double *angles, Vec3 *points, int wanted)
{
    if (n < 1)
        return wanted != 0 ? wanted : 1;
    int m = 0;
    double smallest = kPi + 0.1;
    for (int i = 0; i < n; ++i) {
        if (angles[i] <= smallest) {
            smallest = angles[i];
            m = i;
        }
    }
    int orientation = angles[(m + 1) % n] > angles[(m + n - 1) % n] ? -1 : 1;
    if (wanted != 0 && wanted != orientation) {
        std::reverse(angles, angles + n);
        std::reverse(points, points + n);
        m = n - 1 - m;
        orientation = wanted;
    }
    std::rotate(angles, angles + m, angles + n);
    std::rotate(points, points + m, points + n);
    return orientation;
}

int MatchSections(int na, int nb, const Vec3 *a, const Vec3 *b, std::vector<Vec3> &outA,
                  std::vector<Vec3> &outB)
{
    outA.clear();
    outB.clear();
    if (na < 1 || nb < 1)
        return 0;
    std::vector<Vec3> pa(a, a + na);
    std::vector<Vec3> pb(b, b + nb);
    std::vector<double> angA(size_t(na), 0.0);
    std::vector<double> angB(size_t(nb), 0.0);
    SectionAngles(na, pa.data(), angA.data(), Vec3(), 2);
    SectionAngles(nb, pb.data(), angB.data(), Vec3(), 2);

    // The walk below takes angles growing. Sections that run clockwise are
    // matched reversed, and the pairs are read back the other way round.
    const bool clockwise = ReorderSectionByAngle(na, angA.data(), pa.data(), 0) == -1;
    if (clockwise)
        ReorderSectionByAngle(na, angA.data(), pa.data(), 1);
    ReorderSectionByAngle(nb, angB.data(), pb.data(), 1);
    UnwrapAngles(angA);
    UnwrapAngles(angB);

    const double tau = std::min(std::min(kTwoPi / na, kTwoPi / nb) / 2.0, kDegree);
    auto angleA = [&](int i) { return i == na ? angA[0] + kTwoPi : angA[size_t(i)]; };
    auto angleB = [&](int i) { return i == nb ? angB[0] + kTwoPi : angB[size_t(i)]; };
    RayHit hit;
    int ia = 0;
    int ib = 0;
    while ((ia <= na && ib < nb) || (ib == nb && ia < na)) {
        const double aa = angleA(ia);
        const double ab = angleB(ib);
        const double ma = ia != na ? 1.0 : 0.0;
        const double mb = ib != nb ? 1.0 : 0.0;
        const Vec3 &pointA = pa[size_t(ia % na)];
        const Vec3 &pointB = pb[size_t(ib % nb)];
        if (aa < ab - mb * tau) {
            if (!(ib == nb && ab - aa < 1e-5)) {
                outA.push_back(pointA);
                outB.push_back(hit(pb[size_t((ib + nb - 1) % nb)], pointB, pointA));
            }
            ++ia;
        } else if (ab < aa - ma * tau) {
            outA.push_back(hit(pa[size_t((ia + na - 1) % na)], pointA, pointB));
            outB.push_back(pointB);
            ++ib;
        } else {
            outA.push_back(pointA);
            outB.push_back(pointB);
            ++ia;
            ++ib;
        }
    }
    if (clockwise && outA.size() > 1) {
        std::reverse(outA.begin() + 1, outA.end());
        std::reverse(outB.begin() + 1, outB.end());
    }
    return int(outA.size());
}

int MatchSections(int na, int nb, const Vec3 *a, const Vec3 *b, Vec3 *outA, Vec3 *outB)
{
    std::vector<Vec3> pa;
    std::vector<Vec3> pb;
    const int count = MatchSections(na, nb, a, b, pa, pb);
    std::copy(pa.begin(), pa.end(), outA);
    std::copy(pb.begin(), pb.end(), outB);
    return count;
}

bool MinimalRotation(Vec3 &a, Vec3 &b, Mat3 &rotation)
{
    a.Normalize(0.0);
    b.Normalize(0.0);
    const Vec3 c = b.Cross(a);
    const double s = c.Length();
    const double d = a.Dot(b);
    if (s >= kParallelSine) {
        RotationAboutAxis(c, -std::atan2(s, d), rotation);
        return true;
    }
    if (!(d < 0.0)) {
        // Same direction, or a zero direction that has none to turn to.
        rotation = Mat3::Identity();
        return true;
    }
    // Opposite directions: a half turn about an axis across a. Negating
    // every coordinate instead would carry a onto b too, but it mirrors the
    // section swept along them.
    int least = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::fabs(a[i]) < std::fabs(a[least]))
            least = i;
    }
    Vec3 axis;
    axis[least] = 1.0;
    RotationAboutAxis(a.Cross(axis), kPi, rotation);
    return true;
}
