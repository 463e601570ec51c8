#include "engine/nodes/particles/SgDeflector.h"

#include <cmath>

SG_CLASS_SOURCE(SgDeflector, SgDynamicEffect, SgFieldMngr, "SgDeflector")

SgDeflector::SgDeflector()
{
    AddField(m_elasticityPercent, "elasticityPercent", 100.0f);
    AddField(m_variation, "variation", 0.0f);
    AddField(m_chaos, "chaos", 0.0f);
    AddField(m_friction, "friction", 0.0f);
}

void SgDeflector::InitDynamics(EffectorInfo *info)
{
    const Vec3 dimension = m_dimension.Get(true);
    info->extra[0] = dimension.x / 2;
    info->extra[1] = dimension.y / 2;
    info->extra[2] = (100.0 - double(m_friction.Get(true))) / 100.0;
}

int SgDeflector::EvalDynamics(const Vec3 &before, const Vec3 &after, Vec3 &, Vec3 &velocityOut, Vec3 &positionOut,
                              EffectorInfo *info)
{
    if (!info || !(info->dt > 0.0))
        return 0;
    const double dt = info->dt;
    const Vec3 n = info->inverseRelative.TransformPoint(after);
    const Transform3 &previous = info->previousInverse ? *info->previousInverse : info->inverseRelative;
    const Vec3 o = previous.TransformPoint(before);
    // Both on one side, or both in the plane (no crossing to find).
    if (o.z * n.z > 0 || o.z == n.z)
        return 0;
    const double s = o.z / (o.z - n.z);
    const Vec3 c = o + (n - o) * s;
    if (std::abs(c.x) > info->extra[0] || std::abs(c.y) > info->extra[1])
        return 0;
    const double elasticity = double(m_elasticityPercent.Get(true)) / 100.0;
    const double keep = info->extra[2];
    const Vec3 velocity((n.x - o.x) / dt * keep, (n.y - o.y) / dt * keep, -(n.z - o.z) / dt * elasticity);
    const double remaining = dt - s * dt;
    const double side = o.z < 0 ? -1.0 : 1.0;
    const Vec3 local(c.x + velocity.x * remaining, c.y + velocity.y * remaining,
                     velocity.z * remaining + 1e-6 * side);
    velocityOut = Transform3(info->relative.GetRotation()).TransformVector(velocity);
    positionOut = info->relative.TransformPoint(local);
    return kNewVelocity | kNewPosition;
}
