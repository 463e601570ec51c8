#include "engine/nodes/geometry/implicit/MetaBall.h"

#include <algorithm>
#include <cmath>
#include <limits>

void MetaBallOp::AddChild(std::unique_ptr<MetaBallObj> child)
{
    if (child)
        m_children.push_back(std::move(child));
}

double MetaBallUnion::FieldValue(const Vec3 &p) const
{
    double sum = 0.0;
    for (const auto &child : m_children)
        sum += std::max(child->FieldValue(p), 0.0001);
    return sum;
}

double MetaBallIntersect::FieldValue(const Vec3 &p) const
{
    double inverse = 0.0;
    for (const auto &child : m_children)
        inverse += 1.0 / child->FieldValue(p);
    if (inverse == 0.0)
        return std::numeric_limits<double>::infinity();
    return 1.0 / inverse;
}

double MetaBallDiff::FieldValue(const Vec3 &p) const
{
    const int count = int(m_children.size());
    if (count == 0)
        return 0.0;
    const int base = m_bBaseIsLast ? count - 1 : 0;
    double sum = 1.0 / m_children[size_t(base)]->FieldValue(p);
    for (int i = 0; i < count; ++i)
        if (i != base)
            sum += m_children[size_t(i)]->FieldValue(p);
    return 1.0 / sum;
}

void MetaBallShape::SetToLocal(const Mat4 &toLocal)
{
    m_toLocal = toLocal;
    const bool lastRow = toLocal[3][0] == 0.0 && toLocal[3][1] == 0.0 && toLocal[3][2] == 0.0 && toLocal[3][3] == 1.0;
    const bool diagonal = toLocal[0][1] == 0.0 && toLocal[0][2] == 0.0 && toLocal[1][0] == 0.0 &&
                          toLocal[1][2] == 0.0 && toLocal[2][0] == 0.0 && toLocal[2][1] == 0.0;
    const bool unit = toLocal[0][0] == 1.0 && toLocal[1][1] == 1.0 && toLocal[2][2] == 1.0;
    const bool moved = toLocal[0][3] != 0.0 || toLocal[1][3] != 0.0 || toLocal[2][3] != 0.0;
    if (!lastRow || !diagonal)
        m_kind = kGeneral;
    else if (!unit)
        m_kind = kScaleTranslation;
    else
        m_kind = moved ? kTranslation : kIdentity;
}

double MetaBallSphere::FieldValue(const Vec3 &world) const
{
    const Vec3 p = ToLocal(world);
    const double q = (p.x * p.x + p.y * p.y + p.z * p.z) / (m_r * m_r);
    return 1.0 / (q * q + 0.0001);
}

double MetaBallTorus::FieldValue(const Vec3 &world) const
{
    const Vec3 p = ToLocal(world);
    const double d = std::sqrt(p.x * p.x + p.y * p.y) - m_R;
    return m_s2 / (d * d + p.z * p.z + 0.00001);
}

double MetaBallCube::FieldValue(const Vec3 &world) const
{
    const Vec3 p = ToLocal(world);
    const double x = p.x / m_hx, y = p.y / m_hy, z = p.z / m_hz;
    const double x2 = x * x, y2 = y * y, z2 = z * z;
    return 1.0 / (x2 * x2 + y2 * y2 + z2 * z2 + 0.0001);
}

double MetaBallCylinder::FieldValue(const Vec3 &world) const
{
    const Vec3 p = ToLocal(world);
    const double t = p.z / m_h;
    const double rho = m_bCone ? (m_r / 2.0) * (1.0 - t) : m_r;
    // At the tip of a cone the radius is 0: only the axis is in it.
    const double r2 = p.x * p.x + p.y * p.y;
    const double q = rho != 0.0 ? r2 / (rho * rho) : (r2 > 0.0 ? HUGE_VAL : 0.0);
    const double t2 = t * t;
    return 1.0 / (q * q * q + t2 * t2 + 0.0001);
}

namespace {

// A station at the place of the one before (a sampled path repeats its
// joints) would make a segment of no direction.
std::vector<Vec3> DistinctStations(const std::vector<Vec3> &given, bool closed)
{
    std::vector<Vec3> kept;
    for (const Vec3 &p : given)
        if (kept.empty() || (p - kept.back()).Length2() > 1e-18)
            kept.push_back(p);
    if (closed)
        while (kept.size() > 1 && (kept.back() - kept.front()).Length2() <= 1e-18)
            kept.pop_back();
    return kept;
}

} // namespace

MetaBallExtrude::MetaBallExtrude(double radius, bool closed, const std::vector<Vec3> &given)
    : m_r(radius), m_bClosed(closed)
{
    const std::vector<Vec3> stations = DistinctStations(given, closed);
    m_stations = int(stations.size());
    const int count = m_stations;
    if (count == 0)
        return;
    const int entries = (closed ? 1 : 0) + count;
    m_points.resize(size_t(entries));
    m_segments.resize(size_t(entries));
    m_planeNormals.resize(size_t(entries));
    m_planeConstants.resize(size_t(entries));
    m_lengths.resize(size_t(entries));
    for (int i = 0; i < entries; ++i) {
        const Vec3 &a = stations[size_t(i % count)];
        const Vec3 &b = stations[size_t((i + 1) % count)];
        m_points[size_t(i)] = a;
        const Vec3 segment = b - a;
        m_segments[size_t(i)] = segment;
        const double length = segment.Length() + 1e-7;
        m_lengths[size_t(i)] = length;
        Vec3 d = segment * (1.0 / length);
        if (i > 0 || closed) {
            Vec3 incoming = a - stations[size_t((i - 1 + count) % count)];
            if (incoming.Length2() >= 1e-5)
                incoming = incoming * (1.0 / incoming.Length());
            d = (incoming + d) * 0.5;
        }
        m_planeNormals[size_t(i)] = d;
        m_planeConstants[size_t(i)] = d.Dot(a);
    }
}

double MetaBallExtrude::FieldValue(const Vec3 &world) const
{
    const int entries = int(m_points.size());
    if (entries == 0)
        return 0.0;
    const Vec3 q = ToLocal(world);
    const int m = entries - (m_bClosed ? 1 : 0);
    auto g = [](double u) { return 1.0 / (u * u + 1e-8); };
    auto plane = [this](int i, const Vec3 &p) { return m_planeNormals[size_t(i)].Dot(p) - m_planeConstants[size_t(i)]; };
    double previous = m_bClosed ? 0.0 : 1.5;
    double sum = 0.0;
    for (int i = 0; i < entries; ++i) {
        const Vec3 d = q - m_points[size_t(i % m)];
        const Vec3 &segment = m_segments[size_t(i)];
        const double length = m_lengths[size_t(i)];
        const double t = segment.Dot(d) / (length * length);
        if (i < entries - 1) {
            if (t >= 0.0 && t <= 1.0) {
                // The slab is closed on its start side: a point on a
                // station's plane belongs to the segment that starts there,
                // not to neither (which would cut the tube at lattice planes
                // through a station).
                if (plane(i, q) >= 0.0 && (plane(i + 1, q) < 0.0 || (!m_bClosed && i == entries - 2))) {
                    const double rho = SegmentRadius(i, t);
                    sum += g((segment * t - d).Length2() / (rho * rho));
                }
            } else if (previous > 1.0 && t < 0.0) {
                const double rho = StationRadius(i);
                sum += g(d.Length2() / (rho * rho));
            }
        } else if (!m_bClosed) {
            if (previous > 1.0) {
                const double rho = StationRadius(i);
                sum += g(d.Length2() / (rho * rho));
            }
        } else if (previous > 1.0 && t < 0.0) {
            const double rho = StationRadius(0);
            sum += g(d.Length2() / (rho * rho));
        }
        previous = t;
    }
    return sum;
}

MetaBallExtrudeVarRadius::MetaBallExtrudeVarRadius(bool closed, const std::vector<Vec3> &stations,
                                                   const std::vector<double> &radii)
    : MetaBallExtrude(radii.empty() ? 1.0 : radii[0], closed, stations), m_radii(radii)
{
    // One radius per station and one more; a short list repeats its last.
    const size_t wanted = stations.size() + 1;
    if (m_radii.empty())
        m_radii.push_back(1.0);
    while (m_radii.size() < wanted)
        m_radii.push_back(m_radii.back());
}

double MetaBallExtrudeVarRadius::SegmentRadius(int i, double t) const
{
    const double a = m_radii[size_t(i)];
    const double b = m_radii[size_t(i + 1)];
    return a + (b - a) * t;
}

double MetaBallExtrudeVarRadius::StationRadius(int i) const
{
    return m_radii[size_t(i)];
}
