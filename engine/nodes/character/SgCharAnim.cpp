#include "engine/nodes/character/SgCharAnim.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/nodes/object/SgObject.h"

SG_CLASS_SOURCE(SgCharAnim, SgModifier, SgFieldMngr, "SgCharAnim")

SgCharAnim::SgCharAnim()
{
    AddField(m_skeleton, "skeleton");
}

void SgCharAnim::DoAction(SgAction *action)
{
    SgState *state = action ? action->GetState() : nullptr;
    if (!state)
        return;
    CharAnimControlElement::Set(state, this, &m_control);
    m_control.SetSkeleton(dynamic_cast<SgObject *>(m_skeleton.Get(true).get()));
    SkinModeElement::Set(state, this, IsActive() ? 0 : 1);
}
