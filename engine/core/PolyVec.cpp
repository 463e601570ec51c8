#include "engine/core/PolyVec.h"

#include "platform/SgError.h"

PolyVec::PolyVec(const Vec3 *points, int n, bool closed) : m_closed(closed)
{
    if (points != nullptr && n > 0) {
        m_points.assign(points, points + n);
    }
}

Vec3 *PolyVec::GetLoop(int loop)
{
    (void)loop;
    if (m_points.empty()) {
        throw SgInvalidArgument();
    }
    return m_points.data();
}

int PolyVec::AddPoint(const Vec3 &p)
{
    m_points.push_back(p);
    return int(m_points.size()) - 1;
}

void PolyVec::SetPoint(int index, const Vec3 &p)
{
    if (index < 0) {
        throw SgInvalidArgument();
    }
    if (size_t(index) >= m_points.size()) {
        m_points.resize(size_t(index) + 1);
    }
    m_points[size_t(index)] = p;
}

const Vec3 &PolyVec::GetPointAt(int index) const
{
    if (index < 0 || size_t(index) >= m_points.size()) {
        throw SgInvalidArgument();
    }
    return m_points[size_t(index)];
}

bool PolyVec::IsEqual(const PolyVec &o) const
{
    int n = GetSize();
    if (n != o.GetSize()) {
        return false;
    }
    // A derived class may report a size of its own; never read past the points.
    if (size_t(n) > m_points.size() || size_t(n) > o.m_points.size()) {
        return false;
    }
    for (size_t i = 0; i < size_t(n); ++i) {
        if (!(m_points[i] == o.m_points[i])) {
            return false;
        }
    }
    return true;
}
