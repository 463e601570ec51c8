#include "engine/nodes/properties/SgFormat.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgFormat, SgNode, SgFieldMngr, "SgFormat")

SgFormat::SgFormat()
{
    AddField(m_pattern, "pattern", std::string());
    AddField(m_factor, "factor", 1.0);
}

void SgFormat::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    if (!m_pattern.IsIgnored())
        NumberFormatElement::Set(state, this, m_pattern.Get());
    if (!m_factor.IsIgnored())
        NumberFactorElement::Set(state, this, m_factor.Get());
}
