#pragma once
// Lays an object along a path: which object axis runs along it, a linear
// remapping of that coordinate, and optional functions of it that scale,
// turn and shift the cross-section. A traversal publishes the settings as
// state elements for a deformer (ApplyWrap); DeformPoints maps points from
// the node's own fields.
#include <memory>

#include "engine/core/SgModifier.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

class DxSplineR3Func;
class SgObject;
class SgSpline;
class SgState;

class NODARA_API SgWrapper : public SgModifier {
    SG_CLASS_HEADER(SgWrapper, SgFieldMngr)

    SgWrapper();

    void DoAction(SgAction *action) override;
    // Takes no part in the modifier stack's evaluation.
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;

    // Deforms count points (in and out may be the same) from the state's
    // wrap elements; nothing is written while wrapping is off. An axis
    // outside 0..2 leaves the points as they are, with a diagnostic.
    static void ApplyWrap(SgShape *shape, SgState *state, int count, const Vec3 *in, Vec3 *out);
    // The same mapping from the node's own fields, always applied.
    void DeformPoints(int count, const Vec3 *in, Vec3 *out);

    // Drives "pathFunc" from a spline node's "coordinates" through a curve
    // module this node owns (a later call replaces it). Anything that is no
    // spline (null included) changes nothing.
    void bendToPath(SgNode *node);
    // Bends the object along the spline through its wrapper (made and put
    // among its property nodes when it has none), turned a quarter about the
    // path. False, with a diagnostic, without an object or a spline.
    static bool wrapAlongSpline(SgObject *object, SgSpline *spline);

    SgFUShort m_wrapperOn;
    SgFUShort m_accumulate;
    SgFR2FuncRef m_scaleFunc;
    SgVFFloat m_scaleParams;
    SgFR1FuncRef m_rotationFunc;
    SgVFFloat m_rotationParams;
    SgFR2FuncRef m_offsetFunc;
    SgVFFloat m_offsetParams;
    SgFR3FuncRef m_pathFunc;
    SgFDouble m_offsetConst;
    SgFDouble m_scaleConst;
    SgFDouble m_rotationConst;
    SgFDouble m_phase;
    SgFInt m_axis;

protected:
    ~SgWrapper() override;

private:
    std::unique_ptr<DxSplineR3Func> m_pPathModule;
};
