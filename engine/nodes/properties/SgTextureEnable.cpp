#include "engine/nodes/properties/SgTextureEnable.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgTextureEnable, SgNode, SgFieldMngr, "SgTextureEnable")

SgTextureEnable::SgTextureEnable()
{
    AddField(m_bEnable, "bEnable", static_cast<unsigned short>(0));
}

void SgTextureEnable::DoAction(SgAction *action)
{
    if (!m_bEnable.IsIgnored())
        TextureEnableElement::Set(action->GetState(), this, m_bEnable.Get());
}
