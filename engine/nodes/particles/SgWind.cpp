#include "engine/nodes/particles/SgWind.h"

#include <cmath>

SG_CLASS_SOURCE(SgWind, SgDynamicEffect, SgFieldMngr, "SgWind")

SgWind::SgWind()
{
    AddField(m_velocity, "velocity", 10.0f);
}

void SgWind::InitDynamics(EffectorInfo *info)
{
    Vec3 d = info->relative.TransformPoint(Vec3(0, 0, 1)) - info->relative.TransformPoint(Vec3(0, 0, 0));
    const double length = d.Length();
    if (length >= 1e-5)
        d = d * (1.0 / length);
    const Vec3 pull = d * double(m_velocity.Get(true));
    info->params[0] = d.x;
    info->params[1] = d.y;
    info->params[2] = d.z;
    info->params[3] = pull.x;
    info->params[4] = pull.y;
    info->params[5] = pull.z;
}

int SgWind::EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &, Vec3 &,
                         EffectorInfo *info)
{
    if (!Included(info, position))
        return 0;
    const Vec3 d(info->params[0], info->params[1], info->params[2]);
    const double along = velocity.x * d.x + velocity.y * d.y + velocity.z * d.z;
    acceleration = Vec3(info->params[3], info->params[4], info->params[5]) - d * along;
    return kAcceleration;
}
