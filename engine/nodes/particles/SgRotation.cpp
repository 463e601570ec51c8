#include "engine/nodes/particles/SgRotation.h"

#include <cmath>

SG_CLASS_SOURCE(SgRotation, SgDynamicEffect, SgFieldMngr, "SgRotation")

SgRotation::SgRotation()
{
    AddField(m_angularVelocity, "angularVelocity", 5.0f);
}

int SgRotation::EvalDynamics(const Vec3 &position, const Vec3 &, Vec3 &, Vec3 &, Vec3 &positionOut,
                             EffectorInfo *info)
{
    if (!Included(info, position))
        return 0;
    const double a = double(m_angularVelocity.Get(true)) * info->dt;
    const Vec3 q = info->inverseRelative.TransformPoint(position);
    const Vec3 turned(q.x * std::cos(a) - q.y * std::sin(a), q.x * std::sin(a) + q.y * std::cos(a), q.z);
    positionOut = info->relative.TransformPoint(turned) - position;
    return kOffset;
}
