// The texture nodes' writes into the traversal state, the texture node's copy
// and the release of its drawing texture.
#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureCombine.h"
#include "engine/nodes/properties/SgTextureCoordinate2.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"

namespace {

struct TextureElements {
    std::string imagePath;
    int wrapS = -1;
    int wrapT = -1;
    int model = -1;
    int sample = -1;
    int enable = -1;
};

TextureElements ReadTexture(SgState *state)
{
    TextureElements seen;
    seen.imagePath = ImageElement::Get(state).GetPath();
    seen.wrapS = *TextureWrapSElement::Get(state);
    seen.wrapT = *TextureWrapTElement::Get(state);
    seen.model = *TextureModelElement::Get(state);
    seen.sample = *TextureSampleElement::Get(state);
    seen.enable = *TextureEnableElement::Get(state);
    return seen;
}

SgRef<SgTexture2D> MakeTexture(const char *path)
{
    SgRef<SgTexture2D> texture = new SgTexture2D;
    Image2 image;
    image.SetImagePath(path);
    texture->m_filename = image;
    texture->m_wrapS = static_cast<int>(SgTexture2D::CLAMP);
    texture->m_wrapT = static_cast<int>(SgTexture2D::REPEAT);
    texture->m_model = static_cast<int>(SgTexture2D::BLEND);
    texture->m_sample = static_cast<int>(SgTexture2D::NEAREST);
    return texture;
}

TEST(SgTexture2D, WritesItsImageAndSettingsAndSwitchesTexturingOn)
{
    SgRef<SgTexture2D> texture = MakeTexture("textures/brick.bmp");
    TextureElements seen;
    ASSERT_TRUE(ProbeStateAfter({texture.get()}, [&](SgState *state) { seen = ReadTexture(state); }));
    EXPECT_EQ(seen.imagePath, "textures/brick.bmp");
    EXPECT_EQ(seen.wrapS, 1);
    EXPECT_EQ(seen.wrapT, 0);
    EXPECT_EQ(seen.model, 2);
    EXPECT_EQ(seen.sample, 0);
    EXPECT_EQ(seen.enable, 1);
}

TEST(SgTexture2D, AnIgnoredImageStillSwitchesTexturingOnWithItsSettings)
{
    SgRef<SgTexture2D> outer = MakeTexture("outer.bmp");
    SgRef<SgTexture2D> inner = MakeTexture("inner.bmp");
    inner->m_filename.SetIgnored(true);
    inner->m_wrapS = 0;
    SgRef<SgTextureEnable> off = new SgTextureEnable;
    TextureElements seen;
    ASSERT_TRUE(ProbeStateAfter({outer.get(), off.get(), inner.get()}, [&](SgState *state) { seen = ReadTexture(state); }));
    EXPECT_EQ(seen.imagePath, "outer.bmp") << "the ignored image replaced the one in force";
    EXPECT_EQ(seen.wrapS, 0);
    EXPECT_EQ(seen.model, 2);
    EXPECT_EQ(seen.enable, 1) << "a texture node switches texturing on even without its image";
}

TEST(SgTextureEnable, SwitchesTexturingOffAfterATexture)
{
    SgRef<SgTexture2D> texture = MakeTexture("a.bmp");
    SgRef<SgTextureEnable> off = new SgTextureEnable;
    int enable = -1;
    ASSERT_TRUE(ProbeStateAfter({texture.get(), off.get()}, [&](SgState *state) { enable = *TextureEnableElement::Get(state); }));
    EXPECT_EQ(enable, 0);
}

TEST(SgTexture2D, AssignmentTakesImageAndSettingsButKeepsBlendAndTransparency)
{
    SgRef<SgTexture2D> source = MakeTexture("source.bmp");
    source->m_blendColor = Color(1, 0, 0, 1);
    source->m_genAlpha = 1;
    source->m_transpColors.SetValue(0, Color(0, 1, 0, 1));
    source->m_transpColorsTolerance.SetValue(0, 5.0f);
    source->SetTextureName(7);

    SgRef<SgTexture2D> target = new SgTexture2D;
    target->m_blendColor = Color(0, 0, 1, 1);
    target->SetTextureName(3);
    *target = *source;

    EXPECT_EQ(target->m_filename.Get().GetPath(), "source.bmp");
    EXPECT_EQ(target->m_wrapS.Get(), 1);
    EXPECT_EQ(target->m_model.Get(), 2);
    EXPECT_EQ(target->m_sample.Get(), 0);
    EXPECT_EQ(target->m_blendColor.Get(), Color(0, 0, 1, 1)) << "blend colour is not copied";
    EXPECT_EQ(target->m_genAlpha.Get(), 0) << "alpha generation is not copied";
    EXPECT_EQ(target->m_transpColors.GetValue(0), Color(0, 0, 0, 1)) << "key colours are not copied";
    EXPECT_EQ(target->m_transpColorsTolerance.GetValue(0), 20.0f);
    EXPECT_EQ(target->GetTextureName(), 3) << "the drawing texture stays the node's own";
    source->SetTextureName(SgTexture2D::kNoTexture);
    target->SetTextureName(SgTexture2D::kNoTexture);
}

std::vector<int> s_deletedTextures;

TEST(SgTexture2D, ReleasesItsDrawingTextureWhenDeleted)
{
    const SgTexture2D::DeleteTextureFn before = SgTexture2D::GetDeleteTextureFunction();
    SgTexture2D::SetDeleteTextureFunction([](int name) { s_deletedTextures.push_back(name); });
    s_deletedTextures.clear();
    {
        SgRef<SgTexture2D> drawn = new SgTexture2D;
        drawn->SetTextureName(12);
        SgRef<SgTexture2D> neverDrawn = new SgTexture2D;
    }
    SgTexture2D::SetDeleteTextureFunction(before);
    EXPECT_EQ(s_deletedTextures, std::vector<int>{12}) << "exactly the one texture made must be freed";
}

TEST(SgTextureCombine, HoldsItsValuesOutsideTheFieldTable)
{
    SgRef<SgTextureCombine> combine = new SgTextureCombine;
    EXPECT_EQ(combine->GetFieldsCount(), 0);
    EXPECT_EQ(combine->m_values1.GetValues(), (std::vector<int>{1, 2}));
    EXPECT_EQ(combine->m_values2.GetCount(), 0);
    EXPECT_EQ(combine->m_values3.GetValues(), (std::vector<int>{0, 0}));
    EXPECT_EQ(combine->m_values4.GetCount(), 0);
    EXPECT_EQ(combine->m_color.Get(), Color(0, 0, 0, 1));
}

// --- Texture units ----------------------------------------------------------

SgRef<SgTextureUnit> MakeUnit(int unit)
{
    SgRef<SgTextureUnit> node = new SgTextureUnit;
    node->m_unit = unit;
    return node;
}

TEST(SgTextureUnit, MakesItsUnitCurrentAndRefusesUnitsOutsideTheEight)
{
    struct Case {
        int unit;
        int expected;
    };
    const Case cases[] = {{0, 0}, {2, 2}, {7, 7}, {8, 3}, {-1, 3}, {1000000, 3}};
    for (const Case &c : cases) {
        SgRef<SgTextureUnit> before = MakeUnit(3);
        SgRef<SgTextureUnit> tested = MakeUnit(c.unit);
        int seen = -1;
        ASSERT_TRUE(ProbeStateAfter({before.get(), tested.get()}, [&](SgState *state) { seen = *TextureUnitElement::Get(state); }));
        EXPECT_EQ(seen, c.expected) << "unit " << c.unit;
    }
}

TEST(SgTextureCoordinate2, FilesItsCoordinatesForTheCurrentUnit)
{
    SgRef<SgTextureUnit> unit = MakeUnit(2);
    SgRef<SgTextureCoordinate2> coords = new SgTextureCoordinate2;
    coords->m_point.AddVal(Vec2f(0, 0));
    coords->m_point.AddVal(Vec2f(1, 0));
    coords->m_point.AddVal(Vec2f(1, 1));
    TextureCoordsData data;
    SgVecField<Vec2f, 9> *points = nullptr;
    ASSERT_TRUE(ProbeStateAfter({unit.get(), coords.get()}, [&](SgState *state) {
        data = TextureCoordsElement::Get(state);
        points = TexPoint2Element::Get(state);
    }));
    EXPECT_EQ(points, &coords->m_point);
    EXPECT_EQ(data.units[2].source, &coords->m_point);
    EXPECT_EQ(data.units[2].coordCount, 3);
    EXPECT_EQ(data.units[0].source, nullptr) << "unit 0 must not receive unit 2's coordinates";
    EXPECT_EQ(data.unitCount, 3);
}

TEST(SgTextureCoordinate2, WithoutAUnitNodeFilesForUnitZero)
{
    SgRef<SgTextureCoordinate2> coords = new SgTextureCoordinate2;
    coords->m_point.AddVal(Vec2f(0.5f, 0.5f));
    TextureCoordsData data;
    ASSERT_TRUE(ProbeStateAfter({coords.get()}, [&](SgState *state) { data = TextureCoordsElement::Get(state); }));
    EXPECT_EQ(data.units[0].source, &coords->m_point);
    EXPECT_EQ(data.units[0].coordCount, 1);
}

TEST(SgTextureFunction, FilesItsTypeAndMappingForTheCurrentUnit)
{
    SgRef<SgTextureUnit> unit = MakeUnit(1);
    SgRef<SgTextureFunction> function = new SgTextureFunction;
    SgRef<SgTexture2Transform> mapping = new SgTexture2Transform;
    function->m_type = 4;
    function->m_mapTransform = NodePtr(mapping.get());
    TextureCoordsData data;
    int type = -1;
    SgNode *seenMapping = nullptr;
    ASSERT_TRUE(ProbeStateAfter({unit.get(), function.get()}, [&](SgState *state) {
        data = TextureCoordsElement::Get(state);
        type = *TextureFuncTypeElement::Get(state);
        NodePtr *held = TextureFuncTransformElement::Get(state);
        seenMapping = held ? held->get() : nullptr;
    }));
    EXPECT_EQ(type, 4);
    EXPECT_EQ(seenMapping, mapping.get());
    EXPECT_EQ(data.units[1].funcType, 4);
    EXPECT_EQ(data.units[1].transform, mapping.get());
    EXPECT_EQ(data.units[0].funcType, 0);
}

TEST(SgTextureFunction, AnIgnoredTypeWritesNothing)
{
    SgRef<SgTextureFunction> function = new SgTextureFunction;
    function->m_type = 4;
    function->m_type.SetIgnored(true);
    TextureCoordsData data;
    int type = -1;
    ASSERT_TRUE(ProbeStateAfter({function.get()}, [&](SgState *state) {
        data = TextureCoordsElement::Get(state);
        type = *TextureFuncTypeElement::Get(state);
    }));
    EXPECT_EQ(type, 0);
    EXPECT_EQ(data.units[0].funcType, 0);
}

} // namespace
