#include "engine/core/CPolygon.h"

#include <cmath>
#include <string>

#include "platform/SgError.h"

namespace {
int Sign(double v) { return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0); }
} // namespace

void CPolygon::CalcPlane()
{
    const int n = GetSize();
    if (n < 3)
        return;
    const std::vector<Vec3> &p = GetPoints();
    Vec3 sumN;
    Vec3 sumP;
    for (int i = 0; i <= n - 3; ++i) {
        sumN += (p[(i + 2) % n] - p[i + 1]).Cross(p[i] - p[i + 1]);
        sumP += p[i];
    }
    const double len = sumN.Length();
    if (!(len > 0.0))
        return;
    m_normal = sumN / len;
    m_distance = m_normal.Dot(sumP) / (n - 2);
}

int CPolygon::PointInside(const Vec3 &p)
{
    const int n = GetSize();
    CalcPlane();
    if (n < 1)
        return 0;
    const double ax = std::fabs(m_normal.x), ay = std::fabs(m_normal.y), az = std::fabs(m_normal.z);
    int iu = 0, iv = 1;
    if (ax > ay && ax > az) {
        iu = 1;
        iv = 2;
    } else if (ay > az) {
        iu = 2;
        iv = 0;
    }
    const std::vector<Vec3> &pts = GetPoints();
    const double pu = p[iu], pv = p[iv];
    int w = 0;
    for (int e = 0; e < n; ++e) {
        const Vec3 &a = pts[e];
        const Vec3 &b = pts[(e + 1) % n];
        const int s = Sign(b[iu] - pu) + Sign(pu - a[iu]);
        if (s == 0)
            continue;
        if (a[iv] > pv && b[iv] > pv) {
            w += s;
        } else if (a[iv] >= pv || b[iv] >= pv) {
            const double c = a[iv] + (b[iv] - a[iv]) / (b[iu] - a[iu]) * (pu - a[iu]);
            if (c > pv)
                w += s;
            else if (c == pv)
                return -1;
        }
    }
    return std::abs(w) == 2 ? 1 : -std::abs(w);
}

bool CPolygon::PolygonInside(const PolyVec &other)
{
    for (const Vec3 &q : other.GetPoints())
        if (PointInside(q) == 0)
            return false;
    return true;
}

void HoledPolygon::LoopRange(int loop, int &start, int &end) const
{
    const int holes = int(m_holeStarts.size());
    if (loop < 0 || loop > holes)
        throw SgInvalidArgument("HoledPolygon: loop " + std::to_string(loop) + " outside 0.." + std::to_string(holes));
    start = loop == 0 ? 0 : m_holeStarts[size_t(loop - 1)];
    end = loop < holes ? m_holeStarts[size_t(loop)] : GetSize();
}

Vec3 *HoledPolygon::GetLoop(int loop)
{
    int start = 0, end = 0;
    LoopRange(loop, start, end);
    return CPolygon::GetLoop(0) + start;
}

int HoledPolygon::LoopSize(int loop)
{
    int start = 0, end = 0;
    LoopRange(loop, start, end);
    return end - start;
}

void HoledPolygon::AddHoleStart(int start)
{
    const int previous = m_holeStarts.empty() ? 0 : m_holeStarts.back();
    if (start <= previous || start > GetSize())
        throw SgInvalidArgument("HoledPolygon: hole start " + std::to_string(start) + " does not follow " +
                                std::to_string(previous));
    m_holeStarts.push_back(start);
}

void HoledPolygon::AddHole(const Vec3 *points, int n)
{
    if (n <= 0)
        return;
    const int start = GetSize();
    for (int i = 0; i < n; ++i)
        AddPoint(points[i]);
    if (start > 0)
        m_holeStarts.push_back(start);
}
