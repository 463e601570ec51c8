#include "engine/nodes/geometry/SgNGon.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/nodes/geometry/CornerFillet.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "utilities/math/Angles.h"

SG_CLASS_SOURCE(SgNGon, SgGenPolyLine, SgFieldMngr, "SgNGon")
SG_CLASS_SOURCE(SgNStar, SgNGon, SgFieldMngr, "SgNStar")

namespace {
constexpr double kRoundedAbove = 0.001;
// A radius must be a number not below zero: a negative one turns the
// outline inside out. False (said) otherwise.
bool RadiusUsable(const char *className, const char *field, double radius)
{
    if (std::isfinite(radius) && radius >= 0.0)
        return true;
    GeometryLog(ReportMngr::LEVEL_WARN, "%s: \"%s\" %g is not a length; the curve is left empty", className, field,
                radius);
    return false;
}

// The length an arc of unit radius at corner c takes from each of its two
// edges: 1 / tan(half the angle between them); 0 for a straight corner.
double TangentPerRadius(const Vec3 &previous, const Vec3 &c, const Vec3 &next)
{
    const Vec3 u = previous - c, v = next - c;
    const double lu = u.Length(), lv = v.Length();
    if (lu <= 0.0 || lv <= 0.0)
        return 0.0;
    const double cosine = std::clamp((u.x * v.x + u.y * v.y + u.z * v.z) / (lu * lv), -1.0, 1.0);
    const double half = std::acos(cosine) / 2.0;
    const double t = std::tan(half);
    return t > 1e-12 ? 1.0 / t : 1e12;
}

// Scales both roundings of a star (outer corners even, inner odd) down
// together, with a message, until the arcs at the two ends of every edge
// fit on it: wider ones would overlap and the outline cross itself.
void FitStarRoundings(const char *className, const std::vector<Vec3> &corners, double &filet0, double &filet1)
{
    const size_t n = corners.size();
    if (n < 3)
        return;
    std::vector<double> k(n);
    for (size_t i = 0; i < n; ++i)
        k[i] = TangentPerRadius(corners[(i + n - 1) % n], corners[i], corners[(i + 1) % n]);
    const double radii[2] = {filet0, filet1};
    double scale = 1.0;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double need = radii[i % 2] * k[i] + radii[j % 2] * k[j];
        const double length = (corners[j] - corners[i]).Length();
        if (need > length)
            scale = std::min(scale, length / need);
    }
    if (scale >= 1.0)
        return;
    GeometryLog(ReportMngr::LEVEL_WARN,
                "%s: \"filetRadius\" %g and \"filetRadius1\" %g are wider than the edges allow; %g and %g are used",
                className, filet0, filet1, filet0 * scale, filet1 * scale);
    filet0 *= scale;
    filet1 *= scale;
}

} // namespace

int MakeNGonPoints(int sides, bool star, double radius0, double radius1, double startAngleDeg, Vec3 *out,
                   int segments, double asymmetry)
{
    const int k = star ? 2 : 1;
    const int V = k * sides;
    if (V <= 0 || segments <= 0)
        return V * segments;
    const double step = 2.0 * kPi / V;
    double a = startAngleDeg * kPi / 180.0;
    const double inc[2] = {(asymmetry + 1.0) * step, (1.0 - asymmetry) * step};
    const double r[2] = {radius0, radius1};
    for (int i = 0; i < V; ++i) {
        const int j = i % k;
        out[i * segments] = Vec3(std::cos(a) * r[j], std::sin(a) * r[j], 0.0);
        a += inc[j];
    }
    const int total = V * segments;
    for (int i = 0; i < V; ++i) {
        const Vec3 A = out[i * segments];
        const Vec3 B = out[(i * segments + segments) % total];
        const Vec3 delta = (B - A) / double(segments);
        Vec3 p = A;
        for (int t = 1; t < segments; ++t) {
            p += delta;
            out[i * segments + t] = p;
        }
    }
    return total;
}

int FillNGonEdges(int sides, bool star, int arcCount0, int arcCount1, int segments, Vec3 *buffer)
{
    const int k = star ? 2 : 1;
    const int arcs[2] = {arcCount0, arcCount1};
    const int T = (k * segments + arcCount0 + arcCount1) * sides;
    if (T <= 0)
        return T;
    int p = 0;
    for (int side = 0; side < sides; ++side)
        for (int j = 0; j < k; ++j) {
            p += arcs[j];
            const Vec3 from = buffer[p];
            const Vec3 to = buffer[(p + segments) % T];
            const Vec3 delta = (to - from) / double(segments);
            Vec3 q = from;
            for (int t = 1; t < segments; ++t) {
                q += delta;
                buffer[p + t] = q;
            }
            p += segments;
        }
    return T;
}

SgNGon::SgNGon()
{
    AddField(m_radius, "radius", 1.0);
    AddField(m_filetRadius, "filetRadius", 0.0);
    AddField(m_sides, "sides", 6);
    AddField(m_completeFiletSides, "completeFiletSides", 20);
    AddField(m_startAngle, "startAngle", 0.0);
}

bool SgNGon::CheckSettings(int sides, int samples, int filetSides, bool rounded)
{
    const char *name = GetClassName();
    if (sides < (rounded ? 3 : 1) || sides > kMaxSides) {
        GeometryLog(ReportMngr::LEVEL_WARN, "%s: %d sides cannot be drawn%s; the curve is left empty", name, sides,
                    rounded ? " with rounded corners" : "");
        return false;
    }
    if (samples < 1 || samples > kMaxSubdivision) {
        GeometryLog(ReportMngr::LEVEL_WARN, "%s: %d samples per edge are outside 1..%d; the curve is left empty",
                    name, samples, kMaxSubdivision);
        return false;
    }
    if (rounded && (filetSides < 1 || filetSides > kMaxFiletSides)) {
        GeometryLog(ReportMngr::LEVEL_WARN,
                    "%s: \"completeFiletSides\" %d is outside 1..%d; the curve is left empty", name, filetSides,
                    kMaxFiletSides);
        return false;
    }
    return true;
}

void SgNGon::sample(int n)
{
    const int s = n == -1 ? m_samples.Get(true) : n;
    const int sides = m_sides.Get(true);
    const int filetSides = m_completeFiletSides.Get(true);
    double filet = m_filetRadius.Get(true);
    bool rounded = filet > kRoundedAbove;
    FreeSamples();
    const double radius = m_radius.Get(true);
    if (!RadiusUsable(GetClassName(), "radius", radius))
        return;
    if (rounded && sides >= 3 && filet > radius * std::cos(kPi / sides)) {
        // Wider than the inscribed circle, the roundings of two corners
        // would overlap and the outline turn inside out.
        const double widest = radius * std::cos(kPi / sides);
        GeometryLog(ReportMngr::LEVEL_WARN,
                    "%s: \"filetRadius\" %g is wider than the polygon allows; %g (its inscribed circle) is used",
                    GetClassName(), filet, widest);
        filet = widest;
        rounded = filet > kRoundedAbove;
    }
    if (!rounded) {
        // The sharp polygon always takes "samples", whatever was asked.
        const int samples = m_samples.Get(true);
        if (!CheckSettings(sides, samples, filetSides, false))
            return;
        AllocSamples(int64_t(sides) * samples);
        m_nSampleCount = MakeNGonPoints(sides, false, m_radius.Get(true), 0.0, m_startAngle.Get(true), SampleData(),
                                        samples, 0.0);
        return;
    }
    if (!CheckSettings(sides, s, filetSides, true))
        return;
    // Sized for s as asked, which may be more than "samples"; every corner
    // of a regular polygon turns by 2 pi / sides, so m = 1 + filetSides /
    // sides, below filetSides / 2 + 2.
    AllocSamples(int64_t(sides) * (filetSides / 2 + 2) + int64_t(s - 1) * sides);
    std::vector<Vec3> corners(static_cast<size_t>(sides));
    MakeNGonPoints(sides, false, m_radius.Get(true), 0.0, m_startAngle.Get(true), corners.data(), 1, 0.0);
    int m = 0;
    const int used = FilletPolyline(sides, corners.data(), SampleData(), 1, &filet, s - 1, true, double(filetSides), &m);
    // The edge fill relies on every corner having the same arc.
    if (used != sides * (m + s)) {
        GeometryLog(ReportMngr::LEVEL_WARN, "%s: the corners could not be rounded alike; the curve is left empty",
                    GetClassName());
        return;
    }
    m_nSampleCount = FillNGonEdges(sides, false, m, 0, s, SampleData());
}

SgNStar::SgNStar()
{
    AddField(m_radius1, "radius1", 1.0);
    AddField(m_filetRadius1, "filetRadius1", 0.0);
    AddField(m_asymmetry, "asymmetry", 0.0f);
}

void SgNStar::sample(int)
{
    const int s = m_samples.Get(true);
    const int sides = m_sides.Get(true);
    const int filetSides = m_completeFiletSides.Get(true);
    double filet0 = m_filetRadius.Get(true);
    double filet1 = m_filetRadius1.Get(true);
    const bool rounded = filet0 > kRoundedAbove || filet1 > kRoundedAbove;
    const double asymmetry = m_asymmetry.Get(true);
    FreeSamples();
    if (!RadiusUsable(GetClassName(), "radius", m_radius.Get(true)) ||
        !RadiusUsable(GetClassName(), "radius1", m_radius1.Get(true)))
        return;
    if (!CheckSettings(sides, s, filetSides, rounded))
        return;
    if (!rounded) {
        AllocSamples(int64_t(2) * sides * s);
        m_nSampleCount = MakeNGonPoints(sides, true, m_radius.Get(true), m_radius1.Get(true), m_startAngle.Get(true),
                                        SampleData(), s, asymmetry);
        return;
    }
    // The edge fill needs an arc at every corner.
    filet0 = std::max(filet0, kRoundedAbove);
    filet1 = std::max(filet1, kRoundedAbove);
    // Each of the 2 sides corners holds at most filetSides / 2 + 2 arc
    // points and s - 1 gap slots.
    AllocSamples(int64_t(2) * sides * (filetSides / 2 + 2 + s - 1));
    std::vector<Vec3> corners(2 * static_cast<size_t>(sides));
    MakeNGonPoints(sides, true, m_radius.Get(true), m_radius1.Get(true), m_startAngle.Get(true), corners.data(), 1,
                   asymmetry);
    FitStarRoundings((GetReadPlacePrefix() + GetClassName()).c_str(), corners, filet0, filet1);
    const double radii[2] = {filet0, filet1};
    int m[2] = {0, 0};
    const int used =
        FilletPolyline(2 * sides, corners.data(), SampleData(), 2, radii, s - 1, true, double(filetSides), m);
    if (used < 0)
        return;
    // A corner that folds back (inner radius at the centre, say) gets no arc,
    // and the fixed layout of the edge fill would no longer hold.
    if (used != (2 * s + m[0] + m[1]) * sides) {
        GeometryLog(ReportMngr::LEVEL_WARN, "%s: a corner could not be rounded; the corners are left sharp",
                    GetClassName());
        AllocSamples(int64_t(2) * sides * s);
        m_nSampleCount = MakeNGonPoints(sides, true, m_radius.Get(true), m_radius1.Get(true), m_startAngle.Get(true),
                                        SampleData(), s, asymmetry);
        return;
    }
    m_nSampleCount = FillNGonEdges(sides, true, m[0], m[1], s, SampleData());
}
