#include "engine/nodes/particles/SgFriction.h"

#include <cmath>

SG_CLASS_SOURCE(SgFriction, SgDynamicEffect, SgFieldMngr, "SgFriction")

SgFriction::SgFriction()
{
    AddField(m_strength, "strength", 10.0f);
}

int SgFriction::EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &, Vec3 &,
                             EffectorInfo *info)
{
    if (!Included(info, position))
        return 0;
    acceleration = velocity * -double(m_strength.Get(true));
    return kAcceleration;
}

double SgFriction::Damping(const EffectorInfo *info, const Vec3 &position) const
{
    const double strength = m_strength.Get(true);
    if (!(strength > 0.0) || !Included(info, position))
        return 0.0;
    return strength;
}
