#pragma once
// A radial wave in the gizmo's xy-plane that lifts z: "amplitude2" along
// the x axis, "amplitude1" along the y axis, blended between. "decay" and
// "waveType" are kept with the scene.
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgWaveModifier : public SgDeformModifier {
    SG_CLASS_HEADER(SgWaveModifier, SgFieldMngr)

    SgWaveModifier();

    void DeformPoints(int count, Vec3 *in, Vec3 *out) override;

    SgFDouble m_amplitude1;
    SgFDouble m_amplitude2;
    SgFDouble m_waveLength;
    SgFDouble m_phase;
    SgFDouble m_decay;
    SgFInt m_waveType;

protected:
    ~SgWaveModifier() override = default;
};
