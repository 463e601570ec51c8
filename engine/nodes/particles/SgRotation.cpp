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

bool SgRotation::Turn(const EffectorInfo *info, Vec3 &position, Vec3 &velocity) const
{
    if (!Included(info, position))
        return false;
    const double a = double(m_angularVelocity.Get(true)) * info->dt;
    const double c = std::cos(a), s = std::sin(a);
    auto turn = [&](const Vec3 &q) { return Vec3(q.x * c - q.y * s, q.x * s + q.y * c, q.z); };
    const Vec3 q = info->inverseRelative.TransformPoint(position);
    const Vec3 w = info->inverseRelative.TransformVector(velocity);
    position = info->relative.TransformPoint(turn(q));
    velocity = info->relative.TransformVector(turn(w));
    return true;
}
