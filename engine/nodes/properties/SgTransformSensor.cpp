#include "engine/nodes/properties/SgTransformSensor.h"

SG_CLASS_SOURCE(SgTransformSensor, SgNode, SgFieldMngr, "SgTransformSensor")

SgTransformSensor::SgTransformSensor()
{
    AddField(m_translationOut, "translationOut", Vec3(0.0, 0.0, 0.0));
    AddField(m_rotationOut, "rotationOut", Rotation());
    DisableUndo();
}
