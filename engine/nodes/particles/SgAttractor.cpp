#include "engine/nodes/particles/SgAttractor.h"

#include <cmath>

SG_CLASS_SOURCE(SgAttractor, SgDynamicEffect, SgFieldMngr, "SgAttractor")

SgAttractor::SgAttractor()
{
    AddField(m_acceleration, "acceleration", Vec3(0, 0, -10));
}

void SgAttractor::InitDynamics(EffectorInfo *info)
{
    const Vec3 a = Transform3(info->relative.GetRotation()).TransformVector(m_acceleration.Get(true));
    info->params[0] = a.x;
    info->params[1] = a.y;
    info->params[2] = a.z;
}

int SgAttractor::EvalDynamics(const Vec3 &position, const Vec3 &, Vec3 &acceleration, Vec3 &, Vec3 &,
                              EffectorInfo *info)
{
    if (!Included(info, position))
        return 0;
    acceleration = Vec3(info->params[0], info->params[1], info->params[2]);
    return kAcceleration;
}
