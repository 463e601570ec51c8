#include "engine/nodes/properties/SgEnvironment.h"

SG_CLASS_SOURCE(SgEnvironment, SgNode, SgFieldMngr, "SgEnvironment")

SgEnvironment::SgEnvironment()
{
    AddField(m_ambientIntensity, "ambientIntensity", 0.1f);
    AddField(m_ambientColor, "ambientColor", Color(1, 1, 1, 1));
    AddField(m_attenuation, "attenuation", Vec3(0, 0, 0));
    AddField(m_fogType, "fogType", 0);
    AddField(m_fogColor, "fogColor", Color(0, 0, 0, 1));
    AddField(m_fogStart, "fogStart", 3.0f);
    AddField(m_fogEnd, "fogEnd", 5.0f);
}
