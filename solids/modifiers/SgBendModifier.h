#pragma once
// Bends a shape around an axis parallel to the gizmo's y axis: the box's z
// extent is rolled onto a circular arc of total angle "angle" (radians);
// the low z face stays in place.
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgBendModifier : public SgDeformModifier {
    SG_CLASS_HEADER(SgBendModifier, SgFieldMngr)

    SgBendModifier();

    void DeformPoints(int count, Vec3 *in, Vec3 *out) override;

    SgFDouble m_angle;

protected:
    ~SgBendModifier() override = default;
};
