#include "solids/modifiers/R3GenPolyFunc.h"

#include <algorithm>
#include <cmath>

R3GenPolyFunc::R3GenPolyFunc(const Vec3 *points, int count, bool closed)
{
    Set(points, count, closed);
}

void R3GenPolyFunc::Set(const Vec3 *points, int count, bool closed)
{
    m_points.assign(points, points + std::max(count, 0));
    m_bClosed = closed;
    m_cumulative.clear();
    m_start.clear();
    m_dLength = 0.0;
    m_dWidth = 0.0;
    const int n = int(m_points.size());
    if (n == 0)
        return;
    m_cumulative.push_back(0.0);
    for (int i = 1; i < n; ++i)
        m_cumulative.push_back(m_cumulative.back() + (m_points[i] - m_points[i - 1]).Length());
    if (closed && n > 1)
        m_cumulative.push_back(m_cumulative.back() + (m_points[0] - m_points[n - 1]).Length());
    m_dLength = m_cumulative.back();

    // Buckets over [0, L]: bucket b starts at the first entry beyond the
    // bounds of the buckets before it.
    const int entries = int(m_cumulative.size());
    const int buckets = std::max(2 * entries, 3);
    m_dWidth = m_dLength / (buckets - 1) - 1e-8 / buckets;
    m_start.assign(size_t(buckets), 0);
    if (!(m_dWidth > 0.0))
        return;
    int index = 0;
    double bound = 0.0;
    for (int b = 0; b < buckets - 1; ++b) {
        bound += m_dWidth;
        m_start[size_t(b)] = index;
        while (index < entries && bound >= m_cumulative[size_t(index)])
            ++index;
    }
    m_start[size_t(buckets - 1)] = index;
}

double R3GenPolyFunc::Lookup(double s) const
{
    const int entries = int(m_cumulative.size());
    if (entries < 2 || !(m_dLength > 0.0))
        return 0.0;
    s = std::clamp(s, 0.0, m_dLength);
    const int last = entries - 2;
    int segment = 0;
    const double bucket = s / m_dWidth;
    const int buckets = int(m_start.size());
    if (bucket < 1.0) {
        segment = 0;
    } else if (bucket <= buckets - 1) {
        int j = m_start[size_t(int(bucket))];
        while (j < entries - 1 && s > m_cumulative[size_t(j)])
            ++j;
        segment = j - 1;
    } else {
        segment = last;
    }
    segment = std::clamp(segment, 0, last);
    // The bucket start may sit one entry short of the segment that holds s.
    while (segment < last && s > m_cumulative[size_t(segment + 1)])
        ++segment;
    const double length = m_cumulative[size_t(segment + 1)] - m_cumulative[size_t(segment)];
    if (!(length > 0.0))
        return segment;
    return segment + std::clamp((s - m_cumulative[size_t(segment)]) / length, 0.0, 1.0);
}

Vec3 R3GenPolyFunc::operator()(double t) const
{
    const int n = int(m_points.size());
    if (n == 0)
        return Vec3(0.0, 0.0, 0.0);
    if (n == 1)
        return m_points[0];
    const double u = Lookup(m_dLength * t);
    const int i = std::clamp(int(u), 0, int(m_cumulative.size()) - 2);
    const double f = u - i;
    return m_points[size_t(i)] * (1.0 - f) + m_points[size_t((i + 1) % n)] * f;
}

bool PlaneThroughPoints(const Vec3 &a, const Vec3 &b, const Vec3 &c, Vec3 &normal, double &offset)
{
    const Vec3 cross = (c - b).Cross(a - b);
    const double length = cross.Length();
    if (!(length > 0.0))
        return false;
    normal = cross * (1.0 / length);
    offset = normal.Dot(a);
    return true;
}
