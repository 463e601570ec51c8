#pragma once
// A transform whose pivot lives in two fields of its own: the matrix turns
// and scales about "pivot_center" in the frame of "pivot_orientation", and
// "center", "scaleOrientation", "matrixConfig" and a general matrix play no
// part in what it writes into the traversal state.
#include "engine/nodes/properties/SgTransform.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgTransformConstraint : public SgTransform {
    SG_CLASS_HEADER(SgTransformConstraint, SgFieldMngr)

    SgTransformConstraint();

    void DoAction(SgAction *action) override;

    // The matrix DoAction writes.
    Transform3 GetConstraintMatrix();

    SgFVec3 m_pivotCenter;
    SgFRotation m_pivotOrientation;

protected:
    ~SgTransformConstraint() override = default;
};
