#include "engine/nodes/properties/SgJoint.h"

SG_CLASS_SOURCE(SgJoint, SgNode, SgFieldMngr, "SgJoint")

SgJoint::SgJoint()
{
    AddField(m_jointPosition, "jointPosition", Vec3(0.0, 0.0, 0.0));
    AddField(m_jointOrientation, "jointOrientation", Rotation());
}
