#pragma once
// One hit of a ray pick: the path to the hit shape, the hit point in the
// hit object's coordinates and in the world, the surface normal, the depths
// and the indices the shape reports for the hit primitive.
#include <array>

#include "engine/core/SgPath.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPickedPoint {
public:
    // Files and pick routines rely on this many index slots.
    static constexpr int kMaxIndices = 50;

    SgPickedPoint();
    // Copies every member but the local normal, which starts over at zero.
    SgPickedPoint(const SgPickedPoint &other);
    // Copies every member but the local normal and the normal-computed flag.
    SgPickedPoint &operator=(const SgPickedPoint &other);
    virtual ~SgPickedPoint() = default;

    // The surface normal at the hit, in the coordinates of the path's object
    // frame, asked of the shape the path leads to; (0, 0, 1) with a message
    // when the path leads to no shape. Throws SgInvalidArgument for an empty
    // path or one the path operations cannot extend.
    Vec3 GetNormal();

    // Replaces the indices by `count` values and clears the rest to -1. More
    // values than the table holds, or a negative count, are refused with a
    // diagnostic (false) and nothing changes.
    bool SetIndices(const int *indices, int count);
    // One index slot; a slot outside the table is refused (false).
    bool SetIndex(int slot, int value);
    // -1 for a slot outside the table.
    int GetIndex(int slot) const;
    void SetPoint(const Vec3 &point)
    {
        m_Point = point;
        m_bPointSet = true;
    }

    std::array<int, kMaxIndices> m_Indices;
    SgPath m_Path;
    Vec3 m_LocalPoint;
    Vec3 m_LocalNormal;
    Vec3 m_Point;
    Vec3 m_Normal{0.0, 0.0, 1.0};
    double m_dValue1 = 0.0;
    double m_dDistance = 0.0;   // minimum depth, 0 near to 1 far
    double m_dDepthMax = 0.0;
    bool m_bPointSet = false;
    bool m_bNormalComputed = false;

private:
    void CopyCommon(const SgPickedPoint &other);
};
