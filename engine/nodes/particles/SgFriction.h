#pragma once
// Slows particles: an acceleration of -"strength" times the velocity,
// which the emitter applies exactly over each step.
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgFriction : public SgDynamicEffect {
    SG_CLASS_HEADER(SgFriction, SgFieldMngr)

    SgFriction();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;

    bool ActsOverTheStep() const override { return true; }
    double Damping(const EffectorInfo *info, const Vec3 &position) const override;

    SgFFloat m_strength;

protected:
    ~SgFriction() override = default;
};
