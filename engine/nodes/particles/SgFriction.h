#pragma once
// Slows particles: an acceleration of -"strength" times the velocity.
#include "engine/nodes/particles/SgDynamicEffect.h"

class SgFriction : public SgDynamicEffect {
    SG_CLASS_HEADER(SgFriction, SgFieldMngr)

    SgFriction();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;

    SgFFloat m_strength;

protected:
    ~SgFriction() override = default;
};
