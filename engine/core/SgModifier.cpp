#include "engine/core/SgModifier.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgSeparator.h"

SG_CLASS_SOURCE(SgModifier, SgNode, SgFieldMngr, "SgModifier")
SG_CLASS_SOURCE(SgControlModifier, SgModifier, SgFieldMngr, "SgControlModifier")

SgModifier::SgModifier() : m_gizmoGroup(new SgSeparator)
{
    AddField(m_active, "active", 1);
}

SgModifier::~SgModifier() = default;

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

SgControlModifier::SgControlModifier()
{
    AddField(m_action, "action", static_cast<int>(kClearStack));
    AddField(m_refNode, "refNode");
}

void SgControlModifier::DoAction(SgAction *action)
{
    if (m_active.Get(true) == 0)
        return;
    SgState *state = action->GetState();
    switch (m_action.Get(true)) {
    case kClearStack: {
        SgModifierStack empty;
        ModifierStackElement::Reset(state, this, empty);
        break;
    }
    case kKeepReferenced: {
        ModifierStackElement *element = ModifierStackElement::GetElement(state, this);
        if (!element)
            return;
        // A null reference keeps nothing: every entry names some modifier.
        SgNode *kept = m_refNode.Get(true).get();
        element->GetWritableData().FilterOut(
            [](SgModifier *modifier, void *keep) {
                return static_cast<SgNode *>(modifier) != static_cast<SgNode *>(keep);
            },
            static_cast<void *>(kept));
        break;
    }
    default:
        break;
    }
}
