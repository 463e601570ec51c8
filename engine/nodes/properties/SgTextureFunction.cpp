#include "engine/nodes/properties/SgTextureFunction.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgTextureFunction, SgNode, SgFieldMngr, "SgTextureFunction")

SgTextureFunction::SgTextureFunction()
{
    AddField(m_on, "on", static_cast<unsigned short>(1));
    AddField(m_type, "type", 0);
    AddField(m_mapTransform, "mapTransform");
    AddField(m_dirS, "dirS", Vec3(0, 1, 0));
    AddField(m_dirT, "dirT", Vec3(1, 0, 0));
}

void SgTextureFunction::DoAction(SgAction *action)
{
    if (m_type.IsIgnored())
        return;
    SgState *state = action->GetState();
    const int type = m_type.Get();
    TextureFuncTypeElement::Set(state, this, type);
    const int *current = TextureUnitElement::Get(state);
    const int unit = current ? *current : 0;
    // The element hands readers the field's own node reference, which lives
    // as long as this node.
    const NodePtr &mapping = m_mapTransform.Get(false);
    TextureFuncTransformElement::Set(state, this, const_cast<NodePtr *>(&mapping));
    SetTextureCoordsFunction(TextureCoordsElement::GetElement(state, this), unit, type, mapping.get());
}
