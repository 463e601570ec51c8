#include "engine/nodes/properties/SgModifier.h"

#include "engine/actions/SgAction.h"
#include "engine/actions/SgElementClasses.h"

SG_CLASS_SOURCE(SgModifier, SgNode, SgFieldMngr, "SgModifier")

SgModifier::SgModifier()
{
    AddField(m_active, "active", 1);
}

SgShape *SgModifier::ApplyModifier(SgAction *, SgShape *, Transform3 *, bool)
{
    return nullptr;
}

void SgModifier::DoAction(SgAction *action)
{
    m_active.Get(true);
    SgState *state = action->GetState();
    SgModifierStack one;
    one.Push(this, Transform3(TransformElement::Get(state)));
    ModifierStackElement::Set(state, this, one);
}
