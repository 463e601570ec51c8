#pragma once
// A plain growable list of points read as a one-loop polyline: the scratch
// curve of the builders and the base of planar polygons.
#include "engine/core/GenericPolyline.h"
#include "utilities/math/Vec3.h"

#include <vector>
#include "engine/core/NodaraExport.h"

class NODARA_API PolyVec : public GenericPolyline {
public:
    PolyVec() = default;
    PolyVec(const Vec3 *points, int n, bool closed = false);
    PolyVec(const PolyVec &) = default;
    PolyVec &operator=(const PolyVec &) = default;
    ~PolyVec() override = default;

    int GetSize() const override { return int(m_points.size()); }
    bool IsClosed() const override { return m_closed; }
    // The first point for any loop; throws SgInvalidArgument when empty.
    Vec3 *GetLoop(int loop) override;

    void SetClosed(bool closed) { m_closed = closed; }
    // Appends a point and returns its index (the former count).
    int AddPoint(const Vec3 &p);
    // Stores a point, growing the list (with zero points) when index is at or
    // past the end; a negative index throws SgInvalidArgument.
    void SetPoint(int index, const Vec3 &p);
    // Throws SgInvalidArgument outside 0 .. GetSize() - 1.
    const Vec3 &GetPointAt(int index) const;
    void Clear() { m_points.clear(); }
    void Reserve(int n) { m_points.reserve(n > 0 ? size_t(n) : 0); }
    const std::vector<Vec3> &GetPoints() const { return m_points; }

    // Same count (asked through GetSize() of each side) and the same points,
    // compared exactly, in the same order.
    bool IsEqual(const PolyVec &o) const;
    bool operator==(const PolyVec &o) const { return IsEqual(o); }

private:
    std::vector<Vec3> m_points;
    bool m_closed = false;
};
