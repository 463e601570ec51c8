#pragma once
// Spreads a shape in the gizmo's xy-plane and sinks it with the distance
// from the z axis, never below z = 0.001. "solidity" is kept with the scene.
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgMeltModifier : public SgDeformModifier {
    SG_CLASS_HEADER(SgMeltModifier, SgFieldMngr)

    SgMeltModifier();

    void DeformPoints(int count, Vec3 *in, Vec3 *out) override;

    SgFDouble m_amount;
    SgFDouble m_solidity;
    SgFDouble m_spredPcnt;

protected:
    ~SgMeltModifier() override = default;
};
