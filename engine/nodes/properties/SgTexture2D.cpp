#include "engine/nodes/properties/SgTexture2D.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgTexture2D, SgNode, SgFieldMngr, "SgTexture2D")

SgTexture2D::SgTexture2D()
{
    AddField(m_filename, "filename", Image2());
    AddField(m_wrapS, "wrapS", static_cast<int>(REPEAT));
    AddField(m_wrapT, "wrapT", static_cast<int>(REPEAT));
    AddField(m_model, "model", static_cast<int>(MODULATE));
    AddField(m_sample, "sample", static_cast<int>(LINEAR));
    AddField(m_combine, "combine");
    AddField(m_blendColor, "blendColor", Color(0, 0, 0, 1));
    AddField(m_boostFactor, "boostFactor", 1);
    AddField(m_genAlpha, "genAlpha", 0);
    AddField(m_transpColors, "transpColors", Color(0, 0, 0, 1));
    AddField(m_transpColorsTolerance, "transpColorsTolerance", 20.0f);
}

SgTexture2D::~SgTexture2D()
{
    if (m_iTextureName != kNoTexture && s_pfnDeleteTexture)
        s_pfnDeleteTexture(m_iTextureName);
}

void SgTexture2D::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    if (!m_filename.IsIgnored()) {
        // A copy: the element outlives a later edit of the field in this traversal.
        Image2 image = m_filename.Get();
        ImageElement::Set(state, this, image);
    }
    if (!m_wrapS.IsIgnored())
        TextureWrapSElement::Set(state, this, m_wrapS.Get());
    if (!m_wrapT.IsIgnored())
        TextureWrapTElement::Set(state, this, m_wrapT.Get());
    if (!m_model.IsIgnored())
        TextureModelElement::Set(state, this, m_model.Get());
    if (!m_sample.IsIgnored())
        TextureSampleElement::Set(state, this, m_sample.Get());
    // A texture node always switches texturing on, even one whose image is
    // left out, so that the image in force applies to the shapes after it.
    TextureEnableElement::Set(state, this, 1);
}

SgTexture2D &SgTexture2D::operator=(const SgTexture2D &other)
{
    if (this == &other)
        return *this;
    m_filename = other.m_filename;
    m_wrapS = other.m_wrapS;
    m_wrapT = other.m_wrapT;
    m_model = other.m_model;
    m_sample = other.m_sample;
    return *this;
}

SgTexture2D::DeleteTextureFn SgTexture2D::s_pfnDeleteTexture = nullptr;
