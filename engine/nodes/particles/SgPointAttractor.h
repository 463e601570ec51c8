#pragma once
// Pulls particles toward the effect's origin with "attractionConstant" over
// the square of the distance; a particle at the origin itself gets nothing.
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPointAttractor : public SgDynamicEffect {
    SG_CLASS_HEADER(SgPointAttractor, SgFieldMngr)

    SgPointAttractor();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;
    void InitDynamics(EffectorInfo *info) override;

    SgFFloat m_attractionConstant;

protected:
    ~SgPointAttractor() override = default;
};
