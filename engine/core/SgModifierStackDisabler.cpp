#include "engine/core/SgModifierStackDisabler.h"

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"

SgModifierStackDisabler::SgModifierStackDisabler(SgState *state) : m_stack(nullptr)
{
    auto *element = static_cast<ModifierStackElement *>(state->GetElement(ModifierStackElement::ClassOffset()));
    if (!element)
        return;
    m_stack = &element->GetWritableData();
    m_wasDisabled = m_stack->Disabled();
    m_stack->SetDisable(true);
}

SgModifierStackDisabler::~SgModifierStackDisabler()
{
    if (m_stack)
        m_stack->SetDisable(m_wasDisabled);
}
