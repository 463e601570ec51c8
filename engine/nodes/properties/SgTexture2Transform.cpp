#include "engine/nodes/properties/SgTexture2Transform.h"

SG_CLASS_SOURCE(SgTexture2Transform, SgNode, SgFieldMngr, "SgTexture2Transform")

SgTexture2Transform::SgTexture2Transform()
{
    AddField(m_translation, "translation", Vec2(0, 0));
    AddField(m_rotation, "rotation", 0.0);
    AddField(m_center, "center", Vec2(0, 0));
    AddField(m_scaleFactor, "scaleFactor", Vec2(1, 1));
}

SgTexture2Transform &SgTexture2Transform::operator=(const SgTexture2Transform &other)
{
    if (this == &other)
        return *this;
    m_translation = other.m_translation;
    m_rotation = other.m_rotation;
    m_center = other.m_center;
    m_scaleFactor = other.m_scaleFactor;
    return *this;
}
