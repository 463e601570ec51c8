#include "engine/nodes/properties/SgShapeHints.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgShapeHints, SgNode, SgFieldMngr, "SgShapeHints")

SgShapeHints::SgShapeHints()
{
    AddField(m_shapeType, "shapeType", static_cast<int>(UNKNOWN_SHAPE_TYPE));
    AddField(m_vertexOrdering, "vertexOrdering", static_cast<int>(CLOCKWISE));
    AddField(m_faceType, "faceType", static_cast<int>(UNKNOWN_FACE_TYPE));
    AddField(m_creaseAngle, "creaseAngle", 30.0f);
    AddField(m_smoothType, "smoothType", 3);
}

void SgShapeHints::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    if (!m_shapeType.IsIgnored())
        ShapeTypeElement::Set(state, this, m_shapeType.Get());
    if (!m_vertexOrdering.IsIgnored())
        OrderingElement::Set(state, this, m_vertexOrdering.Get());
    if (!m_faceType.IsIgnored())
        FaceTypeElement::Set(state, this, m_faceType.Get());
    if (!m_creaseAngle.IsIgnored())
        CreaseAngleElement::Set(state, this, m_creaseAngle.Get());
    if (!m_smoothType.IsIgnored())
        SmoothTypeElement::Set(state, this, m_smoothType.Get());
}
