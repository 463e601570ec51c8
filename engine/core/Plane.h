#pragma once
// A plane as the points p with normal . p = distance.
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API Plane {
public:
    Plane() = default;
    // Through three points: unit normal of (p3 - p2) x (p1 - p2), so that the
    // points run counter-clockwise seen from the normal's side. Collinear
    // points give a zero normal.
    Plane(const Vec3 &p1, const Vec3 &p2, const Vec3 &p3);
    // The normal is stored as given, not normalised.
    Plane(const Vec3 &normal, const Vec3 &point);
    Plane(const Vec3 &normal, double distance) : m_normal(normal), m_distance(distance) {}

    const Vec3 &GetNormal() const { return m_normal; }
    double GetDistance() const { return m_distance; }

    // normal . p - distance: positive on the side the normal points to.
    double SignedDistance(const Vec3 &p) const { return m_normal.Dot(p) - m_distance; }
    bool IsInHalfSpace(const Vec3 &p) const { return SignedDistance(p) > 0.0; }

    bool operator==(const Plane &o) const { return m_normal == o.m_normal && m_distance == o.m_distance; }

private:
    Vec3 m_normal{0.0, 0.0, 1.0};
    double m_distance = 0.0;
};
