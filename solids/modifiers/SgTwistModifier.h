#pragma once
// Turns each slice of a shape about the gizmo's z axis by an angle growing
// with z: "angle" over the height of the gizmo box.
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgTwistModifier : public SgDeformModifier {
    SG_CLASS_HEADER(SgTwistModifier, SgFieldMngr)

    SgTwistModifier();

    void DeformPoints(int count, Vec3 *in, Vec3 *out) override;

    SgFDouble m_angle;

protected:
    ~SgTwistModifier() override = default;
};
