#include "engine/nodes/properties/SgLight.h"

SG_CLASS_SOURCE(SgLight, SgNode, SgFieldMngr, "SgLight")
SG_CLASS_SOURCE(SgDirLight, SgLight, SgFieldMngr, "SgDirLight")
SG_CLASS_SOURCE(SgPointLight, SgLight, SgFieldMngr, "SgPointLight")
SG_CLASS_SOURCE(SgSpotLight, SgLight, SgFieldMngr, "SgSpotLight")

SgLight::SgLight()
{
    AddField(m_on, "on", static_cast<unsigned short>(1));
    AddField(m_intensity, "intensity", 1.0f);
    AddField(m_linearAttenuation, "linearAttenuation", 0.0f);
    AddField(m_quadraticAttenuation, "quadraticAttenuation", 0.0f);
    AddField(m_color, "color", Color(1, 1, 1, 1));
    AddField(m_scope, "scope", 0);
}

SgDirLight::SgDirLight()
{
    AddField(m_direction, "direction", Vec3(0, 0, 1));
}

SgPointLight::SgPointLight()
{
    AddField(m_location, "location", Vec3(0, 0, 0));
}

SgSpotLight::SgSpotLight()
{
    AddField(m_location, "location", Vec3(0, 0, 0));
    AddField(m_direction, "direction", Vec3(0, 0, 1));
    AddField(m_dropOffRate, "dropOffRate", 0.0f);
    AddField(m_cutOffAngle, "cutOffAngle", 180.0f);
}
