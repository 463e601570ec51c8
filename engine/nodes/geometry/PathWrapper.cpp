#include "engine/nodes/geometry/PathWrapper.h"

#include <cmath>

#include "engine/core/PolyVec.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/geometry/Sweep.h"

PathWrapper::PathWrapper(PolyVec &path)
{
    const int n = path.GetSize();
    const char *refusal = nullptr;
    if (n < 2)
        refusal = "fewer than 2 points";
    else if (path.GetPointAt(0) == path.GetPointAt(n - 1))
        refusal = "a closed path (its last point is its first)";
    double total = 0.0;
    if (!refusal) {
        for (int i = 0; i < n; ++i) {
            const Vec3 &p = path.GetPointAt(i);
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                refusal = "a point that is not finite";
            if (i > 0)
                total += (p - path.GetPointAt(i - 1)).Length();
        }
        if (!refusal && !(total > 0.0))
            refusal = "no length";
    }
    if (refusal) {
        GeometryLog(ReportMngr::LEVEL_WARN, "PathWrapper: the path has %s; points are left where they are", refusal);
        return;
    }
    m_nLast = n - 1;
    m_first.assign(size_t(n), Vec3());
    m_second.assign(size_t(n), Vec3());
    m_points.assign(path.GetPoints().begin(), path.GetPoints().end());
    m_lengths.assign(size_t(n), 0.0);

    const Vec3 section[2] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
    PolyVec sectionCurve(section, 2, false);
    PolyVec pathCopy(m_points.data(), n, false);
    Sweep sweep;
    sweep.m_bRingsOnly = true;
    sweep.Build(this, &sectionCurve, &pathCopy, nullptr);
    if (m_nVertices != 2 * n) {
        GeometryLog(ReportMngr::LEVEL_WARN, "PathWrapper: the path frame came out incomplete; points are left "
                                            "where they are");
        return;
    }
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            m_lengths[size_t(i)] = m_lengths[size_t(i) - 1] + (m_points[size_t(i)] - m_points[size_t(i) - 1]).Length();
        m_first[size_t(i)] -= m_points[size_t(i)];
        m_second[size_t(i)] -= m_points[size_t(i)];
    }
    m_nBuckets = 5 * n;
    m_dBucketLength = m_lengths.back() / m_nBuckets;
    m_buckets.assign(size_t(m_nBuckets), 0);
    int idx = 0;
    double acc = 0.0;
    for (int k = 0; k < m_nBuckets - 1; ++k) {
        m_buckets[size_t(k)] = idx;
        acc += m_dBucketLength;
        while (idx < m_nLast && m_lengths[size_t(idx)] <= acc)
            ++idx;
    }
    m_buckets[size_t(m_nBuckets) - 1] = idx;
    m_bValid = true;
}

PathWrapper::~PathWrapper() = default;

void *PathWrapper::AddVertex(const Vec3 &p)
{
    const int k = m_nVertices++;
    const size_t i = size_t(k / 2);
    if (i < m_first.size())
        (k % 2 == 0 ? m_first : m_second)[i] = p;
    return nullptr;
}

Vec3 PathWrapper::operator()(const Vec3 &p) const
{
    if (!m_bValid)
        return p;
    const double t = p.x, u = p.y, v = p.z;
    const double kd = std::trunc(t / m_dBucketLength);
    int i;
    if (!(kd >= 0.0)) {
        i = 1;
    } else if (kd > m_nBuckets - 1) {
        i = m_nLast;
    } else {
        i = m_buckets[size_t(kd)];
        while (i < m_nLast && t > m_lengths[size_t(i)])
            ++i;
    }
    if (i == 0)
        i = 1;
    const double span = m_lengths[size_t(i)] - m_lengths[size_t(i) - 1];
    // Repeated points make a segment of no length; its start stands.
    const double w = span > 0.0 ? (t - m_lengths[size_t(i) - 1]) / span : 0.0;
    const Vec3 A = m_points[size_t(i) - 1] + m_first[size_t(i) - 1] * u + m_second[size_t(i) - 1] * v;
    const Vec3 B = m_points[size_t(i)] + m_first[size_t(i)] * u + m_second[size_t(i)] * v;
    return A * (1.0 - w) + B * w;
}
