#pragma once
// Destroys the particles inside its region.
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgDestructor : public SgDynamicEffect {
    SG_CLASS_HEADER(SgDestructor, SgFieldMngr)

    SgDestructor();

    int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                     Vec3 &positionOut, EffectorInfo *info) override;

protected:
    ~SgDestructor() override = default;
};
