#include "engine/nodes/properties/SgBillboard.h"

SG_CLASS_SOURCE(SgBillboard, SgNode, SgFieldMngr, "SgBillboard")

SgBillboard::SgBillboard()
{
    AddField(m_displayMode, "displayMode", 0);
    AddField(m_conditionalDisplay, "conditionalDisplay", 0);
    AddField(m_rotationType, "rotationType", 0);
    AddField(m_sizeType, "sizeType", 0);
    AddField(m_positionType, "positionType", 0);
    AddField(m_selectable, "selectable", 1);
    AddField(m_size, "size", 100.0f);
    AddField(m_x, "x", 50.0f);
    AddField(m_y, "y", 50.0f);
    AddField(m_z, "z", 10.0f);
    AddField(m_targetPoint, "targetPoint", Vec3(0.0, 0.0, 0.0));
    AddField(m_targetRotation, "targetRotation", Rotation(Vec3(0.0, 0.0, 1.0), 0.5));
}
