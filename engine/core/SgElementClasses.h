#pragma once
// Every element class of the engine: its fixed template id, value type and
// kind. A node that writes a property goes through the class's Set (or, for
// accumulated values, Reset and GetElement); shapes and render code read with
// Get. Registered names, defaults and the registration order are in
// SgElementClasses.cpp.
//
// Elements whose value is an array field hold a pointer to the writing node's
// field; their default is a library-wide static field, never null.
#include <string>

#include "engine/core/SgAtomElement.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgTAcumulatedElement.h"
#include "engine/core/SgTReplacedElement.h"
#include "engine/core/TextureCoordsData.h"
#include "engine/core/Image2.h"
#include "engine/core/NodePtr.h"
#include "engine/core/RxFunc.h"
#include "utilities/math/Color.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

template <class T, int N>
class SgVecField;
class SgEventHandler;
class CharAnimControl;

// The accumulated matrix becomes accumulated x given.
NODARA_API void AccumulateTransform(void *accumulated, void *given);
// Appends the given stack's first entry (a node passes a one-entry stack); a
// full stack refuses it with a diagnostic.
NODARA_API void AccumulateModifier(void *accumulated, void *given);
// Nothing accumulates texture data: the texture nodes set single units in
// the writable element (SetTextureCoordsFunction, SetTextureCoordsSource).
NODARA_API void AccumulateTextureData(void *accumulated, void *given);

// The type follows the id so that it may hold commas. The explicit
// specialisations are declared here and defined, with their values, in the
// source file; the class id too, so that every library reads the one the
// engine assigned. They carry the export macro themselves: a value type only
// declared here (SgVecField) would leave them hidden.
#define SG_DECLARE_ATOM_ELEMENT(Name, Id, ...)                                         \
    using Name = SgAtomElement<__VA_ARGS__, Id>;                                       \
    template <>                                                                        \
    NODARA_API const char *const Name::s_lpszClassName;                                \
    template <>                                                                        \
    NODARA_API int Name::s_iClassID;                                                   \
    template <>                                                                        \
    NODARA_API __VA_ARGS__ Name::s_DefaultValue;
#define SG_DECLARE_REPLACED_ELEMENT(Name, Id, ...)                                     \
    using Name = SgTReplacedElement<__VA_ARGS__, Id>;                                  \
    template <>                                                                        \
    NODARA_API const char *const Name::s_lpszClassName;                                \
    template <>                                                                        \
    NODARA_API int Name::s_iClassID;                                                   \
    template <>                                                                        \
    NODARA_API __VA_ARGS__ Name::s_DefaultValue;
#define SG_DECLARE_ACCUMULATED_ELEMENT(Name, Id, Fn, ...)                              \
    using Name = SgTAcumulatedElement<__VA_ARGS__, Id, &Fn>;                           \
    template <>                                                                        \
    NODARA_API const char *const Name::s_lpszClassName;                                \
    template <>                                                                        \
    NODARA_API int Name::s_iClassID;                                                   \
    template <>                                                                        \
    NODARA_API __VA_ARGS__ Name::s_DefaultValue;

SG_DECLARE_REPLACED_ELEMENT(DiffuseColorElement, 500010, SgVecField<Color, 10> *)
SG_DECLARE_REPLACED_ELEMENT(SpecularColorElement, 500020, SgVecField<Color, 10> *)
SG_DECLARE_REPLACED_ELEMENT(AmbientColorElement, 500030, SgVecField<Color, 10> *)
SG_DECLARE_REPLACED_ELEMENT(EmissionColorElement, 500040, SgVecField<Color, 10> *)
SG_DECLARE_REPLACED_ELEMENT(PointElement, 500042, SgVecField<Vec3, 7> *)
SG_DECLARE_REPLACED_ELEMENT(TexPoint2Element, 500043, SgVecField<Vec2f, 9> *)
SG_DECLARE_REPLACED_ELEMENT(NormalElement, 500044, SgVecField<Vec3f, 14> *)
SG_DECLARE_REPLACED_ELEMENT(ImageElement, 500050, Image2)
SG_DECLARE_REPLACED_ELEMENT(FontNameElement, 500055, std::string)
SG_DECLARE_REPLACED_ELEMENT(ShininessElement, 500060, SgVecField<float, 2> *)
SG_DECLARE_REPLACED_ELEMENT(AmbientElement, 500062, SgVecField<float, 2> *)
SG_DECLARE_ACCUMULATED_ELEMENT(TransformElement, 500070, AccumulateTransform, Mat4)
SG_DECLARE_ACCUMULATED_ELEMENT(ModifierStackElement, 500075, AccumulateModifier, SgModifierStack)
SG_DECLARE_ATOM_ELEMENT(DrawStyleElement, 500080, int)
SG_DECLARE_ATOM_ELEMENT(LinePaternElement, 500090, unsigned short)
SG_DECLARE_ATOM_ELEMENT(PointSizeElement, 500100, float)
SG_DECLARE_ATOM_ELEMENT(LineWidthElement, 500110, float)
SG_DECLARE_ATOM_ELEMENT(MaterialBindingElement, 500120, int)
SG_DECLARE_ATOM_ELEMENT(NormalBindingElement, 500121, int)
SG_DECLARE_ATOM_ELEMENT(TextureModelElement, 500130, int)
SG_DECLARE_ATOM_ELEMENT(TextureWrapSElement, 500140, int)
SG_DECLARE_ATOM_ELEMENT(TextureWrapTElement, 500150, int)
SG_DECLARE_ATOM_ELEMENT(TextureSampleElement, 500160, int)
SG_DECLARE_ATOM_ELEMENT(TextureEnableElement, 500170, int)
SG_DECLARE_ATOM_ELEMENT(PostponedHandlerElement, 500180, SgEventHandler *)
SG_DECLARE_ATOM_ELEMENT(PostponedHandler1Element, 500181, SgEventHandler *)
SG_DECLARE_ATOM_ELEMENT(SelcctionBehaviorElement, 500185, int)
SG_DECLARE_ATOM_ELEMENT(AlphaBlendElement, 500190, int)
SG_DECLARE_ATOM_ELEMENT(DrawOverElement, 500191, int)
SG_DECLARE_ATOM_ELEMENT(OrderingElement, 500200, int)
SG_DECLARE_ATOM_ELEMENT(ShapeTypeElement, 500210, int)
SG_DECLARE_ATOM_ELEMENT(FaceTypeElement, 500220, int)
SG_DECLARE_ATOM_ELEMENT(CreaseAngleElement, 500230, float)
SG_DECLARE_ATOM_ELEMENT(SmoothTypeElement, 500235, int)
SG_DECLARE_ATOM_ELEMENT(FontCharsetElement, 500240, int)
SG_DECLARE_ATOM_ELEMENT(FontStyleElement, 500250, int)
SG_DECLARE_ATOM_ELEMENT(FontSizeElement, 500260, int)
SG_DECLARE_ATOM_ELEMENT(TextureFuncTypeElement, 500300, int)
SG_DECLARE_ATOM_ELEMENT(TextureCenterElement, 500310, Vec3)
SG_DECLARE_ATOM_ELEMENT(TextureUnitElement, 500320, int)
SG_DECLARE_REPLACED_ELEMENT(TextureFuncTransformElement, 500330, NodePtr *)
SG_DECLARE_ACCUMULATED_ELEMENT(TextureCoordsElement, 500400, AccumulateTextureData, TextureCoordsData)
SG_DECLARE_ATOM_ELEMENT(WrapOnElement, 500410, int)
SG_DECLARE_REPLACED_ELEMENT(RotationFuncElement, 500420, R1Func *)
SG_DECLARE_REPLACED_ELEMENT(ScaleFuncElement, 500430, R2Func *)
SG_DECLARE_REPLACED_ELEMENT(OffsetFuncElement, 500440, R2Func *)
SG_DECLARE_REPLACED_ELEMENT(PathFuncElement, 500450, R3Func *)
SG_DECLARE_REPLACED_ELEMENT(PhaseElement, 500460, double)
SG_DECLARE_ATOM_ELEMENT(WrapAxisElement, 500470, int)
SG_DECLARE_REPLACED_ELEMENT(CharAnimControlElement, 500500, CharAnimControl *)
SG_DECLARE_ATOM_ELEMENT(SkinModeElement, 500510, int)
SG_DECLARE_REPLACED_ELEMENT(NumberFormatElement, 500600, std::string)
SG_DECLARE_ATOM_ELEMENT(NumberFactorElement, 500610, double)
SG_DECLARE_REPLACED_ELEMENT(LayerFlagsElement, 500700, SgVecField<int, 1> *)
SG_DECLARE_ATOM_ELEMENT(OffsetConstElement, 500800, double)
SG_DECLARE_ATOM_ELEMENT(ScaleConstElement, 500810, double)
SG_DECLARE_ATOM_ELEMENT(RotationConstElement, 500820, double)

// The texture nodes' writes into their unit of the writable texture element;
// a unit outside the eight records is refused (false).
NODARA_API bool SetTextureCoordsFunction(TextureCoordsElement *element, int unit, int funcType, SgNode *transform);
NODARA_API bool SetTextureCoordsSource(TextureCoordsElement *element, int unit, int coordCount, SgField *source);
