#include "engine/nodes/properties/SgCamera.h"

SG_CLASS_SOURCE(SgCamera, SgNode, SgFieldMngr, "SgCamera")
SG_CLASS_SOURCE(SgTargetCamera, SgCamera, SgFieldMngr, "SgTargetCamera")

SgCamera::SgCamera()
{
    AddField(m_nearDistance, "nearDistance", 0.2);
    AddField(m_farDistance, "farDistance", 1000.0);
    AddField(m_aspectRatio, "aspectRatio", 0.75);
    AddField(m_orientation, "orientation", Rotation());
    AddField(m_position, "position", Vec3f(0.0f, 0.0f, 0.0f));
    AddField(m_heightAngle, "heightAngle", 45.0);
    AddField(m_height, "height", 5.0);
    AddField(m_perspective, "perspective", static_cast<unsigned short>(1));
    AddField(m_targetDistance, "targetDistance", 10.0);
}
