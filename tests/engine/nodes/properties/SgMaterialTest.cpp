#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgMaterialBinding.h"
#include "tests/engine/core/TestNodes.h"

namespace {

struct MaterialElements {
    SgVecField<Color, 10> *diffuse = nullptr;
    SgVecField<Color, 10> *specular = nullptr;
    SgVecField<Color, 10> *ambient = nullptr;
    SgVecField<Color, 10> *emission = nullptr;
    SgVecField<float, 2> *shininess = nullptr;
    SgVecField<float, 2> *ambientIntensity = nullptr;
};

MaterialElements ReadMaterialElements(SgState *state)
{
    MaterialElements seen;
    seen.diffuse = DiffuseColorElement::Get(state);
    seen.specular = SpecularColorElement::Get(state);
    seen.ambient = AmbientColorElement::Get(state);
    seen.emission = EmissionColorElement::Get(state);
    seen.shininess = ShininessElement::Get(state);
    seen.ambientIntensity = AmbientElement::Get(state);
    return seen;
}

TEST(SgMaterial, PointsEachColourElementAtItsOwnArray)
{
    SgRef<SgMaterial> material = new SgMaterial;
    MaterialElements seen;
    ASSERT_TRUE(ProbeStateAfter({material.get()}, [&](SgState *state) { seen = ReadMaterialElements(state); }));
    EXPECT_EQ(seen.diffuse, &material->m_diffuseColor);
    EXPECT_EQ(seen.specular, &material->m_specularColor);
    EXPECT_EQ(seen.ambient, &material->m_ambientColor);
    EXPECT_EQ(seen.emission, &material->m_emissiveColor);
    EXPECT_EQ(seen.shininess, &material->m_shininess);
    EXPECT_EQ(seen.ambientIntensity, &material->m_ambientIntensity);
    ASSERT_EQ(seen.diffuse->GetCount(), 1);
    EXPECT_EQ(seen.diffuse->GetValue(0), Color(0.8, 0.8, 0.8, 1));
}

TEST(SgMaterial, AShapeAfterTheMaterialReadsItsDiffuseColours)
{
    SgRef<SgMaterial> material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(1, 0, 0, 1));
    material->AddDiffuse(Color(0, 0, 1, 0.5));
    std::vector<Color> seen;
    ASSERT_TRUE(ProbeStateAfter({material.get()}, [&](SgState *state) {
        seen = DiffuseColorElement::Get(state)->GetValues();
    }));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Color(1, 0, 0, 1));
    EXPECT_EQ(seen[1], Color(0, 0, 1, 0.5));
}

// An ignored field contributes nothing: what the material before set stays.
TEST(SgMaterial, AnIgnoredFieldLeavesTheEnclosingValueInForce)
{
    SgRef<SgMaterial> outer = new SgMaterial;
    SgRef<SgMaterial> inner = new SgMaterial;
    inner->m_diffuseColor.SetIgnored(true);
    MaterialElements seen;
    ASSERT_TRUE(ProbeStateAfter({outer.get(), inner.get()},
                                [&](SgState *state) { seen = ReadMaterialElements(state); }));
    EXPECT_EQ(seen.diffuse, &outer->m_diffuseColor) << "the ignored diffuse colour replaced the outer one";
    EXPECT_EQ(seen.specular, &inner->m_specularColor) << "the other fields still apply";
    EXPECT_EQ(seen.shininess, &inner->m_shininess);
}

TEST(SgMaterial, AssignmentCopiesColoursAndShininessButKeepsTransparencyAndAlpha)
{
    SgRef<SgMaterial> source = new SgMaterial;
    source->m_diffuseColor.SetValue(0, Color(1, 0, 0, 1));
    source->AddDiffuse(Color(0, 1, 0, 1));
    source->m_specularColor.SetValue(0, Color(1, 1, 1, 1));
    source->m_emissiveColor.SetValue(0, Color(0.1, 0.1, 0.1, 1));
    source->m_ambientColor.SetValue(0, Color(0.3, 0, 0, 1));
    source->m_shininess.SetValue(0, 0.7f);
    source->m_ambientIntensity.SetValue(0, 0.25f);
    source->m_transparency.SetValue(0, 0.9f);
    source->m_alphaBlend = 1;
    source->m_alphaRef = 0.1f;

    SgRef<SgMaterial> target = new SgMaterial;
    target->m_transparency.SetValue(0, 0.4f);
    target->m_alphaBlend = 2;
    *target = *source;

    EXPECT_EQ(target->m_diffuseColor.GetValues(), source->m_diffuseColor.GetValues());
    EXPECT_EQ(target->m_specularColor.GetValue(0), Color(1, 1, 1, 1));
    EXPECT_EQ(target->m_emissiveColor.GetValue(0), Color(0.1, 0.1, 0.1, 1));
    EXPECT_EQ(target->m_ambientColor.GetValue(0), Color(0.3, 0, 0, 1));
    EXPECT_EQ(target->m_shininess.GetValue(0), 0.7f);
    EXPECT_EQ(target->m_ambientIntensity.GetValue(0), 1.0f) << "ambient intensity is not copied";
    EXPECT_EQ(target->m_transparency.GetValue(0), 0.4f) << "transparency is not copied";
    EXPECT_EQ(target->m_alphaBlend.Get(), 2) << "alpha blending is not copied";
    EXPECT_EQ(target->m_alphaRef.Get(), 0.5f) << "alpha reference is not copied";
}

TEST(SgMaterial, AddDiffuseIsOneUndoableChangeOfTheArray)
{
    InitTestClasses();
    RecordingDocument document;
    SgRef<SgMaterial> material = new SgMaterial;
    material->SetDocument(&document);
    material->AddDiffuse(Color(0, 0, 1, 1));
    EXPECT_EQ(material->m_diffuseColor.GetCount(), 2);
    EXPECT_EQ(document.m_records.size(), 1u) << "one appended colour must be one undo record";
}

TEST(SgMaterialBinding, TheBindingReachesItsElement)
{
    SgRef<SgMaterialBinding> binding = new SgMaterialBinding;
    binding->m_binding = static_cast<int>(SgMaterialBinding::PER_VERTEX);
    int seen = -1;
    ASSERT_TRUE(ProbeStateAfter({binding.get()}, [&](SgState *state) { seen = *MaterialBindingElement::Get(state); }));
    EXPECT_EQ(seen, 6);
}

} // namespace
