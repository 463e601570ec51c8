#include "engine/nodes/properties/SgTextureCoordinate2.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgTextureCoordinate2, SgNode, SgFieldMngr, "SgTextureCoordinate2")

SgTextureCoordinate2::SgTextureCoordinate2()
{
    AddField(m_point, "point");
}

void SgTextureCoordinate2::DoAction(SgAction *action)
{
    m_point.EvaluateAll();
    if (m_point.IsIgnored())
        return;
    SgState *state = action->GetState();
    const int *current = TextureUnitElement::Get(state);
    const int unit = current ? *current : 0;
    TexPoint2Element::Set(state, this, &m_point);
    SetTextureCoordsSource(TextureCoordsElement::GetElement(state, this), unit, m_point.GetCount(), &m_point);
}
