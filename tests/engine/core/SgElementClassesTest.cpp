#include "engine/core/SgElementClasses.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgVecField.h"
#include "engine/core/SgModifier.h"
#include "tests/engine/core/StateTestSupport.h"

namespace {

// The value a freshly created element of the class holds.
template <class Element>
double DefaultOf(SgState *state)
{
    return static_cast<Element *>(Element::Create(state))->GetData();
}

class SgElementClassesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitStateTestClasses(); }

    StateTestAction m_action;
    SgRef<StateTestNode> m_node = new StateTestNode;
};

TEST_F(SgElementClassesTest, ClassesAreRegisteredUnderTheirNamesInAFixedOrder)
{
    // Slots follow this order; files and other libraries address them by
    // the class-id functions, so the order must not drift.
    const char *const names[] = {
        "SgElement", "SgReplacedElement", "SgAcumulatedElement", "DiffuseColorElement",
        "SpecularColorElement", "AmbientColorElement", "EmissionColorElement", "PointElement",
        "TexPoint2Element", "NormalElement", "ImageElement", "FontNameElement", "ShininessElement",
        "AmbientElement", "TransformElement", "ModifierStackElement", "DrawStyleElement",
        "LinePaternElement", "PointSizeElement", "LineWidthElement", "MaterialBindingElement",
        "NormalBindingElement", "TextureModelElement", "TextureWrapSElement", "TextureWrapTElement",
        "TextureSampleElement", "TextureEnableElement", "PostponedHandlerElement",
        "PostponedHandler1Element", "SelcctionBehaviorElement", "_AlphaBlend", "_DrawOver",
        "OrderingElement", "ShapeTypeElement", "FaceTypeElement", "CreaseAngleElement",
        "SmoothTypeElement", "FontCharsetElement", "FontStyleElement", "FontSizeElement",
        "TextureFuncTypeElement", "TextureCenterElement", "TextureUnitElement",
        "TextureFuncTransformElement", "TextureCoordsElement", "WrapOnElement", "RotationFuncElement",
        "ScaleFuncElement", "OffsetFuncElement", "PathFuncElement", "PhaseElement", "WrapAxisElement",
        "CharAnimControlElement", "SkinModeElement", "NumberFormatElement", "NumberFactorElement",
        "LayerFlagsElement", "OffsetConstElement", "ScaleConstElement", "RotationConstElement",
    };
    ASSERT_EQ(std::size(names), 60u);
    for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(SgElement::GetClassIDFromName(names[i]), SgElement::GetBase() + static_cast<int>(i))
            << names[i];

    EXPECT_EQ(AlphaBlendElementClassID(), SgElement::GetClassIDFromName("_AlphaBlend"));
    EXPECT_EQ(TransformElementClassID(), SgElement::GetClassIDFromName("TransformElement"));
    EXPECT_STREQ(ImageElement::ClassName(), "ImageElement");
    EXPECT_TRUE(SgElement::IsDerivedFrom(FontNameElement::ClassID(), SgReplacedElement::ClassID()));
    EXPECT_TRUE(SgElement::IsDerivedFrom(TransformElement::ClassID(), SgAcumulatedElement::ClassID()));
    EXPECT_FALSE(SgElement::IsDerivedFrom(DrawStyleElement::ClassID(), SgReplacedElement::ClassID()));
}

TEST_F(SgElementClassesTest, FreshStateHoldsTheClassDefaults)
{
    struct AtomDefault {
        const char *name;
        double value;
        double expected;
    };
    SgState *state = m_action.GetState();
    const AtomDefault atoms[] = {
        {"DrawStyleElement", DefaultOf<DrawStyleElement>(state), 4},
        {"LinePaternElement", DefaultOf<LinePaternElement>(state), 65535},
        {"PointSizeElement", DefaultOf<PointSizeElement>(state), 1.0},
        {"LineWidthElement", DefaultOf<LineWidthElement>(state), 1.0},
        {"CreaseAngleElement", DefaultOf<CreaseAngleElement>(state), 30.0},
        {"FontSizeElement", DefaultOf<FontSizeElement>(state), 1000},
        {"SkinModeElement", DefaultOf<SkinModeElement>(state), 1},
        {"NumberFactorElement", DefaultOf<NumberFactorElement>(state), 1.0},
        {"TextureEnableElement", DefaultOf<TextureEnableElement>(state), 0},
        {"PhaseElement", DefaultOf<PhaseElement>(state), 0.0},
    };
    for (const AtomDefault &a : atoms)
        EXPECT_EQ(a.value, a.expected) << a.name;

    EXPECT_EQ(FontNameElement::Get(state), "Times New Roman");
    EXPECT_EQ(NumberFormatElement::s_DefaultValue, "");
    const Image2 &image = static_cast<ImageElement *>(ImageElement::Create(state))->GetData();
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetDepth(), 4);
    EXPECT_EQ(image.GetData(), nullptr);
    EXPECT_TRUE(TransformElement::Get(state).IsIdentity());
    EXPECT_EQ(ModifierStackElement::Get(state).size(), 0);
    EXPECT_FALSE(ModifierStackElement::Get(state).Disabled());
    EXPECT_EQ(TextureCoordsElement::Get(state).unitCount, 1);
    EXPECT_EQ(*TextureCenterElement::Get(state), Vec3(0, 0, 0));

    // Array-field elements point at library-wide fields holding the defaults.
    struct ColorDefault {
        const char *name;
        SgVecField<Color, SgFieldColor> *field;
        double grey;
    };
    const ColorDefault colors[] = {
        {"DiffuseColorElement", DiffuseColorElement::Get(state), 0.8},
        {"SpecularColorElement", SpecularColorElement::s_DefaultValue, 0.0},
        {"AmbientColorElement", AmbientColorElement::s_DefaultValue, 0.2},
        {"EmissionColorElement", EmissionColorElement::s_DefaultValue, 0.0},
    };
    for (const ColorDefault &c : colors) {
        ASSERT_NE(c.field, nullptr) << c.name;
        ASSERT_EQ(c.field->GetCount(), 1) << c.name;
        EXPECT_EQ(c.field->GetValue(0), Color(c.grey, c.grey, c.grey, 1)) << c.name;
    }
    EXPECT_EQ(EmissionColorElement::s_DefaultValue, SpecularColorElement::s_DefaultValue);
    ASSERT_NE(PointElement::s_DefaultValue, nullptr);
    EXPECT_EQ(PointElement::s_DefaultValue->GetCount(), 0);
    EXPECT_EQ(NormalElement::s_DefaultValue->GetCount(), 0);
    EXPECT_EQ(TexPoint2Element::s_DefaultValue->GetCount(), 0);
    EXPECT_EQ(ShininessElement::s_DefaultValue->GetValue(0), 0.0f);
    EXPECT_EQ(AmbientElement::s_DefaultValue->GetValue(0), 1.0f);
    EXPECT_EQ(LayerFlagsElement::s_DefaultValue->GetValue(0), 0);
}

TEST_F(SgElementClassesTest, TextureUnitsRaiseTheCountOnlyUpward)
{
    auto *element = TextureCoordsElement::GetElement(m_action.GetState(), m_node);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->GetData().unitCount, 1);
    EXPECT_TRUE(SetTextureCoordsFunction(element, 3, 4, m_node));
    EXPECT_EQ(element->GetData().unitCount, 4);
    EXPECT_TRUE(SetTextureCoordsSource(element, 1, 12, nullptr));
    EXPECT_EQ(element->GetData().unitCount, 4) << "a lower unit lowered the count";
    EXPECT_EQ(element->GetData().units[3].funcType, 4);
    EXPECT_EQ(element->GetData().units[1].coordCount, 12);

    EXPECT_FALSE(SetTextureCoordsFunction(element, 8, 4, nullptr)) << "unit 8 lies past the eight records";
    EXPECT_FALSE(SetTextureCoordsSource(element, -1, 4, nullptr));
    EXPECT_EQ(element->GetData().unitCount, 4);
}

TEST_F(SgElementClassesTest, AccessorsReadTheCurrentValues)
{
    SgState *state = m_action.GetState();
    DrawStyleElement::Set(state, m_node, 2);
    Mat4 moved;
    moved.Set(1, 3, 5.0);
    TransformElement::Set(state, m_node, moved);
    EXPECT_EQ(GetActionDrawStyle(&m_action), 2);
    EXPECT_DOUBLE_EQ(GetActionTransform(&m_action)[1][3], 5.0);
    EXPECT_FALSE(GetTextureEnable(&m_action));
    EXPECT_EQ(GetTextureFuncTransform(&m_action), nullptr);

    // An action that does not enable an element reads its default.
    NoElementsAction bare;
    EXPECT_EQ(GetActionDrawStyle(&bare), 4);
    EXPECT_TRUE(GetActionTransform(&bare).IsIdentity());

    TransformElementReset(state, m_node);
    EXPECT_TRUE(GetActionTransform(&m_action).IsIdentity()) << "TransformElementReset left the matrix";
}

TEST_F(SgElementClassesTest, TransparencyTestComparesWithTheRenderPass)
{
    struct Case {
        int alphaBlend;
        int drawOver;
        bool alphaPass;
        bool drawOverPass;
        bool expected;
    };
    const Case cases[] = {
        {0, 0, false, false, false}, {1, 1, true, true, false}, {1, 0, false, false, true},
        {0, 1, false, false, true},  {0, 0, true, false, true},
    };
    for (const Case &c : cases) {
        StateTestAction action;
        AlphaBlendElement::Set(action.GetState(), nullptr, c.alphaBlend);
        DrawOverElement::Set(action.GetState(), nullptr, c.drawOver);
        EXPECT_EQ(TestTransparency(&action, c.alphaPass, c.drawOverPass), c.expected)
            << "alpha " << c.alphaBlend << " draw-over " << c.drawOver << " in pass " << c.alphaPass << "/"
            << c.drawOverPass;
    }
}

TEST_F(SgElementClassesTest, ModifierStackElementRefusesTheSeventeenthModifier)
{
    SgState *state = m_action.GetState();
    SgRef<SgModifier> modifiers[SgModifierStack::kMaxModifiers + 1];
    for (auto &m : modifiers) {
        m = new SgModifier;
        SgModifierStack one;
        one.Push(m);
        ModifierStackElement::Set(state, m, one);
    }
    const SgModifierStack &stack = ModifierStackElement::Get(state);
    ASSERT_EQ(stack.size(), SgModifierStack::kMaxModifiers);
    EXPECT_EQ(stack.getModifier(0), modifiers[0].get());
    EXPECT_EQ(stack.getModifier(15), modifiers[15].get()) << "the stack did not keep the first sixteen";
}

} // namespace
