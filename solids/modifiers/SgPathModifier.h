#pragma once
// Bends a shape along a path: each point splits into a coordinate along
// "axis" and two cross coordinates; the cross coordinates are scaled, rolled
// and offset by functions of the along coordinate, and the result is laid
// along the path (a curve node in "pathCurve", else the function in
// "pathFunc"), the along coordinate becoming the distance travelled.
#include <memory>

#include "engine/core/SgVecField.h"
#include "solids/modifiers/DxCurveSplineR3Func.h"
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/SolvaneExport.h"

class SgObject;
class SgGenPolyLine;

class SOLVANE_API SgPathModifier : public SgDeformModifier {
    SG_CLASS_HEADER(SgPathModifier, SgFieldMngr)

    SgPathModifier();

    void DeformPoints(int count, Vec3 *in, Vec3 *out) override;
    void BuildGizmo() override {}

    // Lays the shape along the Bezier curve over `curve`'s points: a module
    // owned by this modifier feeds "pathFunc" from the curve. Anything but a
    // curve node, and null, is ignored.
    void bendToPath(SgNode *curve);
    // Asks the curve to sample itself again; nothing is connected.
    void bendToPathNew(SgNode *curve);

    // Puts a path modifier on the object (the one it has, or a new one),
    // along `spline`, rolled a quarter turn, in a gizmo group fitted to the
    // object with the gizmo at the box's minimum corner.
    static void wrapAlongSpline(SgObject *object, SgGenPolyLine *spline);

    SgFUShort m_accumulate;
    SgFR2FuncRef m_scaleFunc;
    SgVFFloat m_scaleParams;
    SgFR1FuncRef m_rotationFunc;
    SgVFFloat m_rotationParams;
    SgFR2FuncRef m_offsetFunc;
    SgFNodePtr m_pathCurve;
    SgVFFloat m_offsetParams;
    SgFR3FuncRef m_pathFunc;
    SgFDouble m_offsetConst;
    SgFDouble m_scaleConst;
    SgFDouble m_rotationConst;
    SgFDouble m_phase;
    SgFInt m_axis;

protected:
    ~SgPathModifier() override;

private:
    std::unique_ptr<DxCurveSplineR3Func> m_pathModule;
};
