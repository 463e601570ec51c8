#include "engine/nodes/properties/SgMaterialBinding.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgMaterialBinding, SgNode, SgFieldMngr, "SgMaterialBinding")

SgMaterialBinding::SgMaterialBinding()
{
    AddField(m_binding, "binding", static_cast<int>(DEFAULT));
}

void SgMaterialBinding::DoAction(SgAction *action)
{
    if (!m_binding.IsIgnored())
        MaterialBindingElement::Set(action->GetState(), this, m_binding.Get());
}
