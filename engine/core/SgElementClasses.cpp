#include "engine/core/SgElementClasses.h"

#include "engine/core/SgVecField.h"

namespace {

// The fields that array-field elements point at before any node writes them;
// the library keeps them for its whole life.
struct DefaultFields {
    SgVecField<Color, SgFieldColor> diffuse{Color(0.8, 0.8, 0.8, 1), nullptr};
    // Specular and emission share this one.
    SgVecField<Color, SgFieldColor> black{Color(0, 0, 0, 1), nullptr};
    SgVecField<Color, SgFieldColor> ambient{Color(0.2, 0.2, 0.2, 1), nullptr};
    SgVecField<Vec3, SgFieldVec3> points;
    SgVecField<Vec2f, SgFieldVec2f> texturePoints;
    SgVecField<Vec3f, SgFieldVec3f> normals;
    SgVecField<float, SgFieldFloat> shininess{0.0f, nullptr};
    SgVecField<float, SgFieldFloat> ambientIntensity{1.0f, nullptr};
    SgVecField<int, SgFieldInt> layerFlags{0, nullptr};
};

// Built on first use, so that no element default depends on the order in
// which the library's static initialisers run.
DefaultFields &Defaults()
{
    static DefaultFields fields;
    return fields;
}

// The image a texture element holds before any texture node writes it.
Image2 EmptyImage()
{
    Image2 image;
    image.SetDepth(4);
    return image;
}

} // namespace

// Registered name and class default of each element class.
#define SG_DEFINE_ELEMENT(Name, Text, Default)                                         \
    template <>                                                                        \
    const char *const Name::s_lpszClassName = Text;                                    \
    template <>                                                                        \
    Name::ValueType Name::s_DefaultValue = Default;                                    \
    template <>                                                                        \
    int Name::s_iClassID = 0;

SG_DEFINE_ELEMENT(DiffuseColorElement, "DiffuseColorElement", &Defaults().diffuse)
SG_DEFINE_ELEMENT(SpecularColorElement, "SpecularColorElement", &Defaults().black)
SG_DEFINE_ELEMENT(AmbientColorElement, "AmbientColorElement", &Defaults().ambient)
SG_DEFINE_ELEMENT(EmissionColorElement, "EmissionColorElement", &Defaults().black)
SG_DEFINE_ELEMENT(PointElement, "PointElement", &Defaults().points)
SG_DEFINE_ELEMENT(TexPoint2Element, "TexPoint2Element", &Defaults().texturePoints)
SG_DEFINE_ELEMENT(NormalElement, "NormalElement", &Defaults().normals)
SG_DEFINE_ELEMENT(ImageElement, "ImageElement", EmptyImage())
SG_DEFINE_ELEMENT(FontNameElement, "FontNameElement", "Times New Roman")
SG_DEFINE_ELEMENT(ShininessElement, "ShininessElement", &Defaults().shininess)
SG_DEFINE_ELEMENT(AmbientElement, "AmbientElement", &Defaults().ambientIntensity)
SG_DEFINE_ELEMENT(TransformElement, "TransformElement", Mat4())
SG_DEFINE_ELEMENT(ModifierStackElement, "ModifierStackElement", SgModifierStack())
SG_DEFINE_ELEMENT(DrawStyleElement, "DrawStyleElement", 4)
SG_DEFINE_ELEMENT(LinePaternElement, "LinePaternElement", 0xFFFF)
SG_DEFINE_ELEMENT(PointSizeElement, "PointSizeElement", 1.0f)
SG_DEFINE_ELEMENT(LineWidthElement, "LineWidthElement", 1.0f)
SG_DEFINE_ELEMENT(MaterialBindingElement, "MaterialBindingElement", 0)
SG_DEFINE_ELEMENT(NormalBindingElement, "NormalBindingElement", 0)
SG_DEFINE_ELEMENT(TextureModelElement, "TextureModelElement", 0)
SG_DEFINE_ELEMENT(TextureWrapSElement, "TextureWrapSElement", 0)
SG_DEFINE_ELEMENT(TextureWrapTElement, "TextureWrapTElement", 0)
SG_DEFINE_ELEMENT(TextureSampleElement, "TextureSampleElement", 0)
SG_DEFINE_ELEMENT(TextureEnableElement, "TextureEnableElement", 0)
SG_DEFINE_ELEMENT(PostponedHandlerElement, "PostponedHandlerElement", nullptr)
SG_DEFINE_ELEMENT(PostponedHandler1Element, "PostponedHandler1Element", nullptr)
SG_DEFINE_ELEMENT(SelcctionBehaviorElement, "SelcctionBehaviorElement", 0)
SG_DEFINE_ELEMENT(AlphaBlendElement, "_AlphaBlend", 0)
SG_DEFINE_ELEMENT(DrawOverElement, "_DrawOver", 0)
SG_DEFINE_ELEMENT(OrderingElement, "OrderingElement", 0)
SG_DEFINE_ELEMENT(ShapeTypeElement, "ShapeTypeElement", 0)
SG_DEFINE_ELEMENT(FaceTypeElement, "FaceTypeElement", 0)
SG_DEFINE_ELEMENT(CreaseAngleElement, "CreaseAngleElement", 30.0f)
SG_DEFINE_ELEMENT(SmoothTypeElement, "SmoothTypeElement", 0)
SG_DEFINE_ELEMENT(FontCharsetElement, "FontCharsetElement", 0)
SG_DEFINE_ELEMENT(FontStyleElement, "FontStyleElement", 0)
SG_DEFINE_ELEMENT(FontSizeElement, "FontSizeElement", 1000)
SG_DEFINE_ELEMENT(TextureFuncTypeElement, "TextureFuncTypeElement", 0)
SG_DEFINE_ELEMENT(TextureCenterElement, "TextureCenterElement", Vec3(0, 0, 0))
SG_DEFINE_ELEMENT(TextureUnitElement, "TextureUnitElement", 0)
SG_DEFINE_ELEMENT(TextureFuncTransformElement, "TextureFuncTransformElement", nullptr)
SG_DEFINE_ELEMENT(TextureCoordsElement, "TextureCoordsElement", TextureCoordsData())
SG_DEFINE_ELEMENT(WrapOnElement, "WrapOnElement", 0)
SG_DEFINE_ELEMENT(RotationFuncElement, "RotationFuncElement", nullptr)
SG_DEFINE_ELEMENT(ScaleFuncElement, "ScaleFuncElement", nullptr)
SG_DEFINE_ELEMENT(OffsetFuncElement, "OffsetFuncElement", nullptr)
SG_DEFINE_ELEMENT(PathFuncElement, "PathFuncElement", nullptr)
SG_DEFINE_ELEMENT(PhaseElement, "PhaseElement", 0.0)
SG_DEFINE_ELEMENT(WrapAxisElement, "WrapAxisElement", 0)
SG_DEFINE_ELEMENT(CharAnimControlElement, "CharAnimControlElement", nullptr)
SG_DEFINE_ELEMENT(SkinModeElement, "SkinModeElement", 1)
SG_DEFINE_ELEMENT(NumberFormatElement, "NumberFormatElement", "")
SG_DEFINE_ELEMENT(NumberFactorElement, "NumberFactorElement", 1.0)
SG_DEFINE_ELEMENT(LayerFlagsElement, "LayerFlagsElement", &Defaults().layerFlags)
SG_DEFINE_ELEMENT(OffsetConstElement, "OffsetConstElement", 0.0)
SG_DEFINE_ELEMENT(ScaleConstElement, "ScaleConstElement", 0.0)
SG_DEFINE_ELEMENT(RotationConstElement, "RotationConstElement", 0.0)

void SgElement::InitClasses()
{
    static bool s_done = false;
    if (s_done)
        return;
    s_done = true;
    // Bases first, then the classes in the order of their template ids: the
    // order fixes the slots.
    SgElement::InitClass();
    SgReplacedElement::InitClass();
    SgAcumulatedElement::InitClass();
    DiffuseColorElement::InitClass();
    SpecularColorElement::InitClass();
    AmbientColorElement::InitClass();
    EmissionColorElement::InitClass();
    PointElement::InitClass();
    TexPoint2Element::InitClass();
    NormalElement::InitClass();
    ImageElement::InitClass();
    FontNameElement::InitClass();
    ShininessElement::InitClass();
    AmbientElement::InitClass();
    TransformElement::InitClass();
    ModifierStackElement::InitClass();
    DrawStyleElement::InitClass();
    LinePaternElement::InitClass();
    PointSizeElement::InitClass();
    LineWidthElement::InitClass();
    MaterialBindingElement::InitClass();
    NormalBindingElement::InitClass();
    TextureModelElement::InitClass();
    TextureWrapSElement::InitClass();
    TextureWrapTElement::InitClass();
    TextureSampleElement::InitClass();
    TextureEnableElement::InitClass();
    PostponedHandlerElement::InitClass();
    PostponedHandler1Element::InitClass();
    SelcctionBehaviorElement::InitClass();
    AlphaBlendElement::InitClass();
    DrawOverElement::InitClass();
    OrderingElement::InitClass();
    ShapeTypeElement::InitClass();
    FaceTypeElement::InitClass();
    CreaseAngleElement::InitClass();
    SmoothTypeElement::InitClass();
    FontCharsetElement::InitClass();
    FontStyleElement::InitClass();
    FontSizeElement::InitClass();
    TextureFuncTypeElement::InitClass();
    TextureCenterElement::InitClass();
    TextureUnitElement::InitClass();
    TextureFuncTransformElement::InitClass();
    TextureCoordsElement::InitClass();
    WrapOnElement::InitClass();
    RotationFuncElement::InitClass();
    ScaleFuncElement::InitClass();
    OffsetFuncElement::InitClass();
    PathFuncElement::InitClass();
    PhaseElement::InitClass();
    WrapAxisElement::InitClass();
    CharAnimControlElement::InitClass();
    SkinModeElement::InitClass();
    NumberFormatElement::InitClass();
    NumberFactorElement::InitClass();
    LayerFlagsElement::InitClass();
    OffsetConstElement::InitClass();
    ScaleConstElement::InitClass();
    RotationConstElement::InitClass();
}

void AccumulateTransform(void *accumulated, void *given)
{
    Mat4 &matrix = *static_cast<Mat4 *>(accumulated);
    // The product comes without a known determinant, which clears the cache.
    matrix = matrix * *static_cast<const Mat4 *>(given);
}

void AccumulateModifier(void *accumulated, void *given)
{
    auto &stack = *static_cast<SgModifierStack *>(accumulated);
    const auto &entry = *static_cast<const SgModifierStack *>(given);
    if (entry.size() < 1)
        return;
    stack.Push(entry.getModifier(0), entry.getTransform(0));
}

void AccumulateTextureData(void *, void *)
{
}

bool SetTextureCoordsFunction(TextureCoordsElement *element, int unit, int funcType, SgNode *transform)
{
    return element && element->GetWritableData().SetFunction(unit, funcType, transform);
}

bool SetTextureCoordsSource(TextureCoordsElement *element, int unit, int coordCount, SgField *source)
{
    return element && element->GetWritableData().SetSource(unit, coordCount, source);
}
