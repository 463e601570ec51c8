#pragma once
// Drives the velocity component along the effect's +Z axis toward
// "velocity".
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgWind : public SgDynamicEffect {
    SG_CLASS_HEADER(SgWind, SgFieldMngr)

    SgWind();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;
    void InitDynamics(EffectorInfo *info) override;

    SgFFloat m_velocity;

protected:
    ~SgWind() override = default;
};
