#pragma once
// A closed planar point list with the plane it lies in: the face polygon that
// drag tools keep as an object's constraint. Only the data is here; the plane
// fit and the containment tests join with the geometry library.
#include "engine/core/PolyVec.h"

class CPolygon : public PolyVec {
public:
    // The normal a polygon has before its plane is fitted: equally inclined
    // to the three axes.
    static constexpr double kDefaultNormalComponent = 0.5773502691896257;

    CPolygon() = default;
    CPolygon(const Vec3 *points, int n) : PolyVec(points, n, true) {}
    CPolygon(const CPolygon &) = default;
    CPolygon &operator=(const CPolygon &) = default;
    ~CPolygon() override = default;

    // Closed whatever the base's flag says.
    bool IsClosed() const override { return true; }

    const Vec3 &GetNormal() const { return m_normal; }
    double GetDistance() const { return m_distance; }
    void SetPlane(const Vec3 &normal, double distance)
    {
        m_normal = normal;
        m_distance = distance;
    }

private:
    Vec3 m_normal{kDefaultNormalComponent, kDefaultNormalComponent, kDefaultNormalComponent};
    double m_distance = 0.0;
};
