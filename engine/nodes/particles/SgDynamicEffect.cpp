#include "engine/nodes/particles/SgDynamicEffect.h"

#include "engine/core/SgStateAccessors.h"

SG_CLASS_SOURCE(SgDynamicEffect, SgShape, SgFieldMngr, "SgDynamicEffect")

SgDynamicEffect::SgDynamicEffect()
{
    AddField(m_dimension, "dimension", Vec3(1, 1, 1));
    AddField(m_shape, "shape", 0);
    AddField(m_exclude, "exclude", 0);
}

void SgDynamicEffect::DoAction(SgAction *action)
{
    if (action)
        GetActionTransform(action);
}

Range<Vec3f> SgDynamicEffect::BoundingBox()
{
    const Vec3 h = m_dimension.Get() * 0.5;
    return Range<Vec3f>(Vec3f(float(-h.x), float(-h.y), float(-h.z)), Vec3f(float(h.x), float(h.y), float(h.z)));
}

int SgDynamicEffect::EvalDynamics(const Vec3 &, const Vec3 &, Vec3 &, Vec3 &, Vec3 &, EffectorInfo *)
{
    return 0;
}

bool SgDynamicEffect::Included(const EffectorInfo *info, const Vec3 &position) const
{
    const bool exclude = m_exclude.Get(true) != 0;
    const int shape = m_shape.Get(true);
    if (shape != 1 && shape != 2)
        return !exclude;
    const Vec3 q = info ? info->inverseRelative.TransformPoint(position) : position;
    const Vec3 h = m_dimension.Get(true) * 0.5;
    bool inside = false;
    if (h.x > 0 && h.y > 0 && h.z > 0) {
        if (shape == 1) {
            inside = std::abs(q.x) < h.x && std::abs(q.y) < h.y && std::abs(q.z) < h.z;
        } else {
            const double x = q.x / h.x, y = q.y / h.y, z = q.z / h.z;
            inside = x * x + y * y + z * z <= 1.0;
        }
    }
    return inside != exclude;
}
