#include "engine/nodes/properties/SgMaterial.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgKeyPoint.h"

SG_CLASS_SOURCE(SgMaterial, SgNode, SgFieldMngr, "SgMaterial")

SgMaterial::SgMaterial()
{
    AddField(m_diffuseColor, "diffuseColor", Color(0.8, 0.8, 0.8, 1));
    AddField(m_specularColor, "specularColor", Color(0, 0, 0, 1));
    AddField(m_emissiveColor, "emissiveColor", Color(0, 0, 0, 1));
    AddField(m_ambientColor, "ambientColor", Color(0.2, 0.2, 0.2, 1));
    AddField(m_ambientIntensity, "ambientIntensity", 1.0f);
    AddField(m_shininess, "shininess", 0.0f);
    AddField(m_transparency, "transparency", 0.0f);
    AddField(m_alphaBlend, "alphaBlend", 0);
    AddField(m_alphaRef, "alphaRef", 0.5f);
}

namespace {

// The element points at the array itself, so a driving module has to have
// delivered its values before anyone reads them through the state.
template <class Element, class Field>
void PointElementAt(SgState *state, SgNode *node, Field &field)
{
    field.EvaluateAll();
    if (!field.IsIgnored())
        Element::Set(state, node, &field);
}

} // namespace

void SgMaterial::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    PointElementAt<DiffuseColorElement>(state, this, m_diffuseColor);
    PointElementAt<SpecularColorElement>(state, this, m_specularColor);
    PointElementAt<AmbientColorElement>(state, this, m_ambientColor);
    PointElementAt<EmissionColorElement>(state, this, m_emissiveColor);
    PointElementAt<ShininessElement>(state, this, m_shininess);
    PointElementAt<AmbientElement>(state, this, m_ambientIntensity);
}

SgMaterial &SgMaterial::operator=(const SgMaterial &other)
{
    if (this == &other)
        return *this;
    // Five array copies, one undo step.
    SgKeyPoint step(GetDocument());
    m_diffuseColor = other.m_diffuseColor;
    m_ambientColor = other.m_ambientColor;
    m_specularColor = other.m_specularColor;
    m_emissiveColor = other.m_emissiveColor;
    m_shininess = other.m_shininess;
    return *this;
}

void SgMaterial::AddDiffuse(const Color &color)
{
    m_diffuseColor.AddVal(color);
}
