#include "engine/nodes/properties/SgBackground.h"

SG_CLASS_SOURCE(SgBackground, SgNode, SgFieldMngr, "SgBackground")

SgBackground::SgBackground()
{
    const Color teal(0.5, 0.75, 0.75, 1);
    AddField(m_imageFile, "imageFile", std::string());
    AddField(m_style, "style", 0);
    AddField(m_scale, "scale", 1.0);
    AddField(m_color1, "color1", teal);
    AddField(m_skyColor, "skyColor", teal);
    AddField(m_skyAngle, "skyAngle", 0.0f);
    AddField(m_groundColor, "groundColor", teal);
    AddField(m_groundAngle, "groundAngle", 0.0f);
}
