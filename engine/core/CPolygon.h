#pragma once
// A closed planar point list with its plane: containment tests for glyph
// contours, constraint and face polygons. HoledPolygon adds hole loops so an
// outer boundary and its holes travel as one multi-loop curve.
#include <vector>

#include "engine/core/PolyVec.h"
#include "engine/core/NodaraExport.h"

class NODARA_API CPolygon : public PolyVec {
public:
    // The normal a polygon has before its plane is fitted: equally inclined
    // to the three axes.
    static constexpr double kDefaultNormalComponent = 0.5773502691896257;

    CPolygon() = default;
    CPolygon(const Vec3 *points, int n) : PolyVec(points, n, true) {}
    CPolygon(const CPolygon &) = default;
    CPolygon &operator=(const CPolygon &) = default;
    ~CPolygon() override = default;

    bool IsClosed() const override { return true; }

    // Plane through the points (Newell-like sum over consecutive triples);
    // a counter-clockwise loop in XY gets +Z. Fewer than 3 points, or points
    // on one line, leave the plane as it was.
    void CalcPlane();
    // 1 inside, 0 outside, negative on the boundary (or for other winding
    // sums), counted in the projection on the plane.
    int PointInside(const Vec3 &p);
    // Every point of the argument has a nonzero PointInside.
    bool PolygonInside(const PolyVec &other);

    const Vec3 &GetPlaneNormal() const { return m_normal; }
    double GetPlaneDistance() const { return m_distance; }
    const Vec3 &GetNormal() const { return m_normal; }
    double GetDistance() const { return m_distance; }
    // A plane given rather than fitted (a face of a box, moved to pass
    // through a grabbed point).
    void SetPlane(const Vec3 &normal, double distance)
    {
        m_normal = normal;
        m_distance = distance;
    }

protected:
    Vec3 m_normal{kDefaultNormalComponent, kDefaultNormalComponent, kDefaultNormalComponent};
    double m_distance = 0.0;
};

class NODARA_API HoledPolygon : public CPolygon {
public:
    HoledPolygon() = default;
    ~HoledPolygon() override = default;

    int NumLoops() override { return int(m_holeStarts.size()) + 1; }
    // Loop 0 is the outer boundary, loop h + 1 hole h; other indices are
    // refused (SgInvalidArgument).
    Vec3 *GetLoop(int loop) override;
    int LoopSize(int loop) override;
    // Appends a hole of n points.
    void AddHole(const Vec3 *points, int n);
    // Marks the points from index `start` on as a new hole; starts must rise.
    void AddHoleStart(int start);
    const std::vector<int> &GetHoleStarts() const { return m_holeStarts; }

private:
    void LoopRange(int loop, int &start, int &end) const;
    std::vector<int> m_holeStarts;
};
