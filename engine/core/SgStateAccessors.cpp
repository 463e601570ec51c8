#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgNamedClass.h"

#include <cstring>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgFieldMngr.h"

#define SG_ELEMENT_CLASS_ID_FUNCTION(Function, Element)                                \
    int Function() { return Element::ClassID(); }

SG_ELEMENT_CLASS_ID_FUNCTION(AlphaBlendElementClassID, AlphaBlendElement)
SG_ELEMENT_CLASS_ID_FUNCTION(AmbientColorElementClassID, AmbientColorElement)
SG_ELEMENT_CLASS_ID_FUNCTION(AmbientElementClassID, AmbientElement)
SG_ELEMENT_CLASS_ID_FUNCTION(CharAnimControlElementClassID, CharAnimControlElement)
SG_ELEMENT_CLASS_ID_FUNCTION(CreaseAngleElementClassID, CreaseAngleElement)
SG_ELEMENT_CLASS_ID_FUNCTION(DiffuseColorElementClassID, DiffuseColorElement)
SG_ELEMENT_CLASS_ID_FUNCTION(DrawOverElementClassID, DrawOverElement)
SG_ELEMENT_CLASS_ID_FUNCTION(DrawStyleElementClassID, DrawStyleElement)
SG_ELEMENT_CLASS_ID_FUNCTION(EmissionColorElementClassID, EmissionColorElement)
SG_ELEMENT_CLASS_ID_FUNCTION(FontCharsetElementClassID, FontCharsetElement)
SG_ELEMENT_CLASS_ID_FUNCTION(FontNameElementClassID, FontNameElement)
SG_ELEMENT_CLASS_ID_FUNCTION(FontSizeElementClassID, FontSizeElement)
SG_ELEMENT_CLASS_ID_FUNCTION(FontStyleElementClassID, FontStyleElement)
SG_ELEMENT_CLASS_ID_FUNCTION(ModifierStackElementClassID, ModifierStackElement)
SG_ELEMENT_CLASS_ID_FUNCTION(NumberFactorElementClassID, NumberFactorElement)
SG_ELEMENT_CLASS_ID_FUNCTION(NumberFormatElementClassID, NumberFormatElement)
SG_ELEMENT_CLASS_ID_FUNCTION(PointElementClassID, PointElement)
SG_ELEMENT_CLASS_ID_FUNCTION(ShapeTypeElementClassID, ShapeTypeElement)
SG_ELEMENT_CLASS_ID_FUNCTION(ShininessElementClassID, ShininessElement)
SG_ELEMENT_CLASS_ID_FUNCTION(SmoothTypeElementClassID, SmoothTypeElement)
SG_ELEMENT_CLASS_ID_FUNCTION(SpecularColorElementClassID, SpecularColorElement)
SG_ELEMENT_CLASS_ID_FUNCTION(TextureCoordsElementClassID, TextureCoordsElement)
SG_ELEMENT_CLASS_ID_FUNCTION(TextureEnableElementClassID, TextureEnableElement)
SG_ELEMENT_CLASS_ID_FUNCTION(TextureFuncTransformElementClassID, TextureFuncTransformElement)
SG_ELEMENT_CLASS_ID_FUNCTION(TextureFuncTypeElementClassID, TextureFuncTypeElement)
SG_ELEMENT_CLASS_ID_FUNCTION(TextureUnitElementClassID, TextureUnitElement)
SG_ELEMENT_CLASS_ID_FUNCTION(TransformElementClassID, TransformElement)

namespace {

const SgNamedClass kBoundingBoxAction(SgNamedClass::kAction, "SgBoundingBoxAction");
const SgNamedClass kGLRenderAction(SgNamedClass::kAction, "SgGLRenderAction");
const SgNamedClass kTools[] = {
    {SgNamedClass::kNode, "SgHandleBoxTool"},  {SgNamedClass::kNode, "SgMoveTool"},
    {SgNamedClass::kNode, "SgTrackballTool"},  {SgNamedClass::kNode, "SgScaleTool"},
    {SgNamedClass::kNode, "SgConstraintTool"}, {SgNamedClass::kNode, "SgParamsTool"},
};

// Atom values; the class default when the action does not enable the element.
template <class Element>
typename Element::ValueType AtomValue(SgAction *action)
{
    SgState *state = action ? action->GetState() : nullptr;
    const auto *value = state ? Element::Get(state) : nullptr;
    return value ? *value : Element::s_DefaultValue;
}

template <class Element>
typename Element::ValueType SharedValue(SgAction *action)
{
    SgState *state = action ? action->GetState() : nullptr;
    return state ? Element::Get(state) : Element::s_DefaultValue;
}

} // namespace

int GetBoundingBoxActionClassID()
{
    return kBoundingBoxAction.ClassID();
}

int GetGLRenderActionClassID()
{
    return kGLRenderAction.ClassID();
}

int GetToolClassID(int i)
{
    constexpr int count = static_cast<int>(sizeof kTools / sizeof kTools[0]);
    if (i < 0 || i >= count)
        return 0;
    return kTools[i].ClassID();
}

int GetNodeIDFromName(const char *name)
{
    return SgFieldMngr::GetClassIDFromName(name);
}

int GetActionAlphaBlend(SgAction *action)
{
    return AtomValue<AlphaBlendElement>(action);
}

int GetActionDrawOver(SgAction *action)
{
    return AtomValue<DrawOverElement>(action);
}

int GetActionDrawStyle(SgAction *action)
{
    return AtomValue<DrawStyleElement>(action);
}

int GetActionSmoothType(SgAction *action)
{
    return AtomValue<SmoothTypeElement>(action);
}

Mat4 GetActionTransform(SgAction *action)
{
    return SharedValue<TransformElement>(action);
}

bool GetTextureEnable(SgAction *action)
{
    return AtomValue<TextureEnableElement>(action) != 0;
}

NodePtr *GetTextureFuncTransform(SgAction *action)
{
    return SharedValue<TextureFuncTransformElement>(action);
}

int GetTextureFuncType(SgAction *action)
{
    return AtomValue<TextureFuncTypeElement>(action);
}

bool TestTransparency(SgAction *action, bool alphaBlendPass, bool drawOverPass)
{
    return GetActionAlphaBlend(action) != static_cast<int>(alphaBlendPass) ||
           GetActionDrawOver(action) != static_cast<int>(drawOverPass);
}

void TransformElementReset(SgState *state, SgNode *node)
{
    if (!state)
        return;
    Mat4 identity;
    TransformElement::Reset(state, node, identity);
}
