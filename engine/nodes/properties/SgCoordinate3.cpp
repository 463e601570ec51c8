#include "engine/nodes/properties/SgCoordinate3.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgCoordinate3, SgNode, SgFieldMngr, "SgCoordinate3")

SgCoordinate3::SgCoordinate3()
{
    AddField(m_point, "point");
}

void SgCoordinate3::DoAction(SgAction *action)
{
    // The shapes read the array through the element without evaluating it.
    m_point.EvaluateAll();
    if (m_point.IsIgnored())
        return;
    SgVecField<Vec3, 7> *points = &m_point;
    PointElement::Set(action->GetState(), this, points);
}
