#include "engine/core/Plane.h"

Plane::Plane(const Vec3 &p1, const Vec3 &p2, const Vec3 &p3)
{
    m_normal = (p3 - p2).Cross(p1 - p2);
    // Collinear points leave a zero normal rather than a division by zero.
    m_normal.Normalize(0.0);
    m_distance = m_normal.Dot(p1);
}

Plane::Plane(const Vec3 &normal, const Vec3 &point) : m_normal(normal), m_distance(normal.Dot(point)) {}
