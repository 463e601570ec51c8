#pragma once
// A polyline parametrised by arc length: evaluation at t in [0, 1] gives the
// point at t times the length along it, in near-constant time through a
// bucket index over the cumulative segment lengths. A closed polyline runs
// back to its first point. Zero-length segments are kept in the table but
// never divided by: a length that falls on one answers with its start.
#include <vector>

#include "engine/core/RxFunc.h"
#include "utilities/math/Vec3.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API R3GenPolyFunc : public R3Func {
public:
    R3GenPolyFunc() = default;
    R3GenPolyFunc(const Vec3 *points, int count, bool closed);

    void Set(const Vec3 *points, int count, bool closed);
    Vec3 operator()(double t) const override;

    // Segment index plus the fraction within it, for an arc length in
    // [0, Length()] (clamped).
    double Lookup(double s) const;
    double Length() const { return m_dLength; }
    int GetCount() const { return int(m_points.size()); }
    bool IsClosed() const { return m_bClosed; }

private:
    std::vector<Vec3> m_points;
    std::vector<double> m_cumulative; // n entries, n + 1 when closed
    std::vector<int> m_start;         // first table entry of each bucket
    double m_dWidth = 0.0;
    double m_dLength = 0.0;
    bool m_bClosed = false;
};

// The plane through three points that are not collinear: unit normal
// ((c - b) x (a - b)) normalised and offset D = N . a. False (and N, D
// untouched) for collinear or coincident points.
SOLVANE_API bool PlaneThroughPoints(const Vec3 &a, const Vec3 &b, const Vec3 &c, Vec3 &normal, double &offset);
