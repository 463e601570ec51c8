#include "engine/nodes/properties/SgBehavior.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgBehavior, SgNode, SgFieldMngr, "SgBehavior")

SgBehavior::SgBehavior()
{
    AddField(m_selectionTool, "selectionTool", 0);
}

void SgBehavior::DoAction(SgAction *action)
{
    SelcctionBehaviorElement::Set(action->GetState(), this, m_selectionTool.Get(true));
}
