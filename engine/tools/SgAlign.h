#pragma once
// Moves objects so that a chosen point of each lies on the same coordinate
// as a chosen point of a reference object along one axis, or turns them to
// the reference's orientation first. An object holding nodes named "Tip1"
// and "Tip2" (an arrow, a line object) is aligned by those two points
// instead of its bounding box.
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "utilities/math/Range.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgAlign {
public:
    // 0 the minimum along the axis, 1 the centre, 2 the maximum, 3 the
    // centre of a box (for a tip object, the tip its own transform places).
    enum AlignPoint { kMin = 0, kCenter = 1, kMax = 2, kBoxCenter = 3 };
    enum AlignAxis { kX = 0, kY = 1, kZ = 2 };

    virtual ~SgAlign() = default;

    // The world box of the path's object (the path starts at the scene root).
    static Range<Vec3f> GetBoundingBox(const SgPath &path);
    // The object's own transform matrix (identity without a transform).
    static Transform3 GetObjectMatrix(const SgPath &path);
    static double GetBBWidth(const Range<Vec3f> &box) { return double(box.GetMax()[0]) - box.GetMin()[0]; }
    static double GetBBHeight(const Range<Vec3f> &box) { return double(box.GetMax()[1]) - box.GetMin()[1]; }
    static double GetBBDepth(const Range<Vec3f> &box) { return double(box.GetMax()[2]) - box.GetMin()[2]; }

    // The world coordinate of the path's point of that kind along the axis.
    static double AlignCoordinate(const SgPath &path, AlignPoint point, AlignAxis axis);

    // Moves the object so that its point's coordinate on the world axis
    // becomes the reference's, through its transform's translation field
    // (undoable). Without `useRotation` the move runs along the world axis;
    // with it, along the object's own axis (the axis turned by its
    // rotation), so that a turned object slides along itself; an own axis
    // across the world axis cannot reach it (false, with a warning). False
    // too when the path holds no object or an argument is out of range.
    bool Align(const SgPath &object, const SgPath &reference, AlignPoint objectPoint, AlignPoint referencePoint,
               AlignAxis axis, bool useRotation);
    bool Align(const SgPathList &objects, const SgPath &reference, AlignPoint objectPoint,
               AlignPoint referencePoint, AlignAxis axis, bool useRotation);
    // Turns the object to the reference's direction (its rotation, or the
    // direction from "Tip1" to "Tip2"), then aligns it as Align does.
    bool AlignOrientation(const SgPath &object, const SgPath &reference, AlignPoint objectPoint,
                          AlignPoint referencePoint, AlignAxis axis, bool useRotation);
    bool AlignOrientation(const SgPathList &objects, const SgPath &reference, AlignPoint objectPoint,
                          AlignPoint referencePoint, AlignAxis axis, bool useRotation);

private:
    SgPathList m_paths;
    SgPath m_reference;
};
