#pragma once
// A line through two points; geometry routines read it as the infinite line,
// tools that derive from it as the segment between the points.
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API Line {
public:
    Line() = default;
    Line(const Vec3 &start, const Vec3 &end) : m_start(start), m_end(end) {}
    virtual ~Line() = default;

    Line(const Line &) = default;
    Line &operator=(const Line &) = default;

    const Vec3 &GetStart() const { return m_start; }
    const Vec3 &GetEnd() const { return m_end; }
    void SetValue(const Vec3 &start, const Vec3 &end)
    {
        m_start = start;
        m_end = end;
    }
    // end - start, not normalised.
    Vec3 GetDirection() const { return m_end - m_start; }
    // start + u (end - start).
    Vec3 GetPoint(double u) const { return m_start + (m_end - m_start) * u; }

private:
    Vec3 m_start;
    Vec3 m_end;
};
