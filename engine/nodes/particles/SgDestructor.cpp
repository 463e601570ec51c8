#include "engine/nodes/particles/SgDestructor.h"

#include <cmath>

SG_CLASS_SOURCE(SgDestructor, SgDynamicEffect, SgFieldMngr, "SgDestructor")

SgDestructor::SgDestructor()
{
}

int SgDestructor::EvalDynamics(const Vec3 &position, const Vec3 &, Vec3 &, Vec3 &, Vec3 &, EffectorInfo *info)
{
    return Included(info, position) ? kDestroy : 0;
}
