#pragma once
// Carries particles about the effect's Z axis at "angularVelocity"
// (radians per time unit) by a position offset per step.
#include "engine/nodes/particles/SgDynamicEffect.h"

class SgRotation : public SgDynamicEffect {
    SG_CLASS_HEADER(SgRotation, SgFieldMngr)

    SgRotation();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;

    SgFFloat m_angularVelocity;

protected:
    ~SgRotation() override = default;
};
