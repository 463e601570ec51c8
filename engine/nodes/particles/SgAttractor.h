#pragma once
// A constant acceleration ("acceleration", in the effect's frame: gravity by
// default), turned into the emitter's frame once per step.
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgAttractor : public SgDynamicEffect {
    SG_CLASS_HEADER(SgAttractor, SgFieldMngr)

    SgAttractor();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;
    void InitDynamics(EffectorInfo *info) override;

    SgFVec3 m_acceleration;

protected:
    ~SgAttractor() override = default;
};
