#include "engine/nodes/properties/SgTransformConstraint.h"

SG_CLASS_SOURCE(SgTransformConstraint, SgTransform, SgFieldMngr, "SgTransformConstraint")

SgTransformConstraint::SgTransformConstraint()
{
    AddField(m_pivotCenter, "pivot_center", Vec3(0.0, 0.0, 0.0));
    AddField(m_pivotOrientation, "pivot_orientation", Rotation());
}

Transform3 SgTransformConstraint::GetConstraintMatrix()
{
    // Every step runs unless its field is ignored: a zero angle or a unit
    // scale costs a product but gives the same matrix.
    const Vec3 pivot = m_pivotCenter.IsIgnored() ? Vec3(0.0, 0.0, 0.0) : m_pivotCenter.Get(true);
    Transform3 m(pivot);
    const Rotation &orientation = m_pivotOrientation.Get(true);
    if (!m_pivotOrientation.IsIgnored())
        m = m * Transform3(orientation);
    if (!m_translation.IsIgnored())
        m = m * Transform3(m_translation.Get(true));
    if (!m_rotation.IsIgnored())
        m = m * Transform3(m_rotation.Get(true));
    if (!m_scaleFactor.IsIgnored())
        m = m * Transform3(m_scaleFactor.Get(true), Vec3(0.0, 0.0, 0.0));
    if (!m_pivotOrientation.IsIgnored())
        m = m * Transform3(orientation.Inverse());
    if (!m_pivotCenter.IsIgnored())
        m = m * Transform3(-pivot);
    return m;
}

void SgTransformConstraint::DoAction(SgAction *action)
{
    ApplyMatrix(action, GetConstraintMatrix());
}
