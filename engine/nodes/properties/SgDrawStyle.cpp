#include "engine/nodes/properties/SgDrawStyle.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgDrawStyle, SgNode, SgFieldMngr, "SgDrawStyle")

SgDrawStyle::SgDrawStyle()
{
    AddField(m_style, "style", 4);
    AddField(m_linePatern, "linePatern", static_cast<unsigned short>(0xFFFF));
    AddField(m_lineWidth, "lineWidth", 1.0f);
    AddField(m_pointSize, "pointSize", 1.0f);
}

void SgDrawStyle::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    if (!m_style.IsIgnored())
        DrawStyleElement::Set(state, this, m_style.Get());
    if (!m_linePatern.IsIgnored())
        LinePaternElement::Set(state, this, m_linePatern.Get());
    if (!m_pointSize.IsIgnored())
        PointSizeElement::Set(state, this, m_pointSize.Get());
    if (!m_lineWidth.IsIgnored())
        LineWidthElement::Set(state, this, m_lineWidth.Get());
}

SgDrawStyle &SgDrawStyle::operator=(const SgDrawStyle &other)
{
    if (this == &other)
        return *this;
    m_style = other.m_style;
    m_linePatern = other.m_linePatern;
    m_lineWidth = other.m_lineWidth;
    m_pointSize = other.m_pointSize;
    return *this;
}

bool SgDrawStyle::operator==(const SgDrawStyle &other) const
{
    return m_style.Get() == other.m_style.Get() && m_linePatern.Get() == other.m_linePatern.Get() &&
           m_lineWidth.Get() == other.m_lineWidth.Get() && m_pointSize.Get() == other.m_pointSize.Get();
}
