#include "engine/nodes/particles/SgPointAttractor.h"

#include <cmath>

SG_CLASS_SOURCE(SgPointAttractor, SgDynamicEffect, SgFieldMngr, "SgPointAttractor")

SgPointAttractor::SgPointAttractor()
{
    AddField(m_attractionConstant, "attractionConstant", 10.0f);
}

void SgPointAttractor::InitDynamics(EffectorInfo *info)
{
    const Vec3 centre = info->relative.TransformPoint(Vec3(0, 0, 0));
    info->params[0] = centre.x;
    info->params[1] = centre.y;
    info->params[2] = centre.z;
}

int SgPointAttractor::EvalDynamics(const Vec3 &position, const Vec3 &, Vec3 &acceleration, Vec3 &, Vec3 &,
                                   EffectorInfo *info)
{
    if (!Included(info, position))
        return 0;
    const Vec3 r = Vec3(info->params[0], info->params[1], info->params[2]) - position;
    const double distance = r.Length();
    // At the centre the pull has no direction (and no finite size).
    if (!(distance > 0.0))
        return 0;
    acceleration = r * (double(m_attractionConstant.Get(true)) / (distance * distance * distance));
    return kAcceleration;
}
