#pragma once
// Carries particles about the effect's Z axis at "angularVelocity"
// (radians per time unit): each step turns the particle's position and
// velocity about that axis, so that its distance from the axis stays.
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgRotation : public SgDynamicEffect {
    SG_CLASS_HEADER(SgRotation, SgFieldMngr)

    SgRotation();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;

    bool ActsOverTheStep() const override { return true; }
    bool Turn(const EffectorInfo *info, Vec3 &position, Vec3 &velocity) const override;

    SgFFloat m_angularVelocity;

protected:
    ~SgRotation() override = default;
};
