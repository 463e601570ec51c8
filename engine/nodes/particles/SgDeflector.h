#pragma once
// A plate in the effect's XY plane of "dimension".x by "dimension".y that
// bounces the particles crossing it: the normal speed is kept by
// "elasticityPercent", the tangential speed lost by "friction" percent.
// "variation" and "chaos" are kept for scene files.
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgDeflector : public SgDynamicEffect {
    SG_CLASS_HEADER(SgDeflector, SgFieldMngr)

    SgDeflector();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;
    void InitDynamics(EffectorInfo *info) override;
    bool IsImpact() const override { return true; }

    SgFFloat m_elasticityPercent;
    SgFFloat m_variation;
    SgFFloat m_chaos;
    SgFFloat m_friction;

protected:
    ~SgDeflector() override = default;
};
