// The registered classes of the appearance, light, texture, environment,
// font, format, info and layers nodes: their field tables (names, order,
// types, defaults) and their kind answers, as a node created by class name
// gives them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgField.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgLight.h"

namespace {

SgRef<SgNode> CreateByName(const char *className)
{
    SgNodara::Init();
    const int id = SgFieldMngr::GetClassIDFromName(className);
    return SgRef<SgNode>(SgNode::Create(id));
}

std::string Written(SgField *field)
{
    std::ostringstream out;
    field->WriteToStream(out, 0, -1);
    return out.str();
}

struct FieldCase {
    const char *name;
    int typeId;
    bool array;
    const char *defaultText;
};

struct ClassCase {
    const char *className;
    std::vector<FieldCase> fields;
};

// A derived class lists its own fields first and then its parent's, as every
// field container does; the light kinds show it.
const std::vector<ClassCase> &ClassCases()
{
    static const std::vector<ClassCase> cases = {
        {"SgMaterial",
         {{"diffuseColor", 10, true, "[(0.8,0.8,0.8,1)]"},
          {"specularColor", 10, true, "[(0,0,0,1)]"},
          {"emissiveColor", 10, true, "[(0,0,0,1)]"},
          {"ambientColor", 10, true, "[(0.2,0.2,0.2,1)]"},
          {"ambientIntensity", 2, true, "[1]"},
          {"shininess", 2, true, "[0]"},
          {"transparency", 2, true, "[0]"},
          {"alphaBlend", 1, false, "0"},
          {"alphaRef", 2, false, "0.5"}}},
        {"SgMaterialBinding", {{"binding", 1, false, "0"}}},
        {"SgDrawStyle",
         {{"style", 1, false, "4"},
          {"linePatern", 3, false, "65535"},
          {"lineWidth", 2, false, "1"},
          {"pointSize", 2, false, "1"}}},
        {"SgShapeHints",
         {{"shapeType", 1, false, "0"},
          {"vertexOrdering", 1, false, "1"},
          {"faceType", 1, false, "0"},
          {"creaseAngle", 2, false, "30"},
          {"smoothType", 1, false, "3"}}},
        {"SgLightModel", {{"model", 1, false, "1"}}},
        {"SgDirLight",
         {{"direction", 7, false, "(0,0,1)"},
          {"on", 3, false, "1"},
          {"intensity", 2, false, "1"},
          {"linearAttenuation", 2, false, "0"},
          {"quadraticAttenuation", 2, false, "0"},
          {"color", 10, false, "(1,1,1,1)"},
          {"scope", 1, false, "0"}}},
        {"SgPointLight",
         {{"location", 7, false, "(0,0,0)"},
          {"on", 3, false, "1"},
          {"intensity", 2, false, "1"},
          {"linearAttenuation", 2, false, "0"},
          {"quadraticAttenuation", 2, false, "0"},
          {"color", 10, false, "(1,1,1,1)"},
          {"scope", 1, false, "0"}}},
        {"SgSpotLight",
         {{"location", 7, false, "(0,0,0)"},
          {"direction", 7, false, "(0,0,1)"},
          {"dropOffRate", 2, false, "0"},
          {"cutOffAngle", 2, false, "180"},
          {"on", 3, false, "1"},
          {"intensity", 2, false, "1"},
          {"linearAttenuation", 2, false, "0"},
          {"quadraticAttenuation", 2, false, "0"},
          {"color", 10, false, "(1,1,1,1)"},
          {"scope", 1, false, "0"}}},
        {"SgTexture2D",
         {{"filename", 12, false, "\"\""},
          {"wrapS", 1, false, "0"},
          {"wrapT", 1, false, "0"},
          {"model", 1, false, "0"},
          {"sample", 1, false, "1"},
          {"combine", 20, false, ""},
          {"blendColor", 10, false, "(0,0,0,1)"},
          {"boostFactor", 1, false, "1"},
          {"genAlpha", 1, false, "0"},
          {"transpColors", 10, true, "[(0,0,0,1)]"},
          {"transpColorsTolerance", 2, true, "[20]"}}},
        {"SgTextureCombine", {}},
        {"SgTexture2Transform",
         {{"translation", 6, false, "(0,0)"},
          {"rotation", 4, false, "0"},
          {"center", 6, false, "(0,0)"},
          {"scaleFactor", 6, false, "(1,1)"}}},
        {"SgTextureCoordinate2", {{"point", 9, true, "[]"}}},
        {"SgTextureEnable", {{"bEnable", 3, false, "0"}}},
        {"SgTextureFunction",
         {{"on", 3, false, "1"},
          {"type", 1, false, "0"},
          {"mapTransform", 20, false, ""},
          {"dirS", 7, false, "(0,1,0)"},
          {"dirT", 7, false, "(1,0,0)"}}},
        {"SgTextureUnit", {{"unit", 1, false, "0"}, {"mapMethod", 1, false, "0"}}},
        {"SgEnvironment",
         {{"ambientIntensity", 2, false, "0.1"},
          {"ambientColor", 10, false, "(1,1,1,1)"},
          {"attenuation", 7, false, "(0,0,0)"},
          {"fogType", 1, false, "0"},
          {"fogColor", 10, false, "(0,0,0,1)"},
          {"fogStart", 2, false, "3"},
          {"fogEnd", 2, false, "5"}}},
        {"SgBackground",
         {{"imageFile", 13, false, "\"\""},
          {"style", 1, false, "0"},
          {"scale", 4, false, "1"},
          {"color1", 10, false, "(0.5,0.75,0.75,1)"},
          {"skyColor", 10, true, "[(0.5,0.75,0.75,1)]"},
          {"skyAngle", 2, true, "[0]"},
          {"groundColor", 10, true, "[(0.5,0.75,0.75,1)]"},
          {"groundAngle", 2, true, "[0]"}}},
        {"SgFont",
         {{"name", 13, false, "Times New Roman"},
          {"size", 1, false, "1000"},
          {"style", 1, false, "0"},
          {"charset", 1, false, "0"}}},
        {"SgFormat", {{"pattern", 13, false, "\"\""}, {"factor", 4, false, "1"}}},
        {"SgInfo", {{"data", 13, false, "\"\""}, {"realData", 4, true, "[]"}, {"intData", 1, true, "[]"}}},
        {"SgLayers", {{"names", 13, true, "[\"Layer0\"]"}, {"flags", 1, true, "[0]"}}},
    };
    return cases;
}

TEST(PropertyFieldTables, EachClassDeclaresItsFieldsInOrderWithTheirTypesAndDefaults)
{
    for (const ClassCase &c : ClassCases()) {
        SCOPED_TRACE(c.className);
        SgRef<SgNode> node = CreateByName(c.className);
        ASSERT_TRUE(node) << c.className << " cannot be created by its class name";
        EXPECT_STREQ(node->GetClassName(), c.className);
        ASSERT_EQ(node->GetFieldsCount(), static_cast<int>(c.fields.size()));
        for (size_t i = 0; i < c.fields.size(); ++i) {
            const FieldCase &f = c.fields[i];
            SgField *field = node->GetFieldAddress(static_cast<int>(i));
            ASSERT_NE(field, nullptr) << "field " << i;
            EXPECT_STREQ(node->GetFieldName(static_cast<int>(i)), f.name) << "field " << i;
            EXPECT_EQ(field->GetTypeId(), f.typeId) << f.name;
            EXPECT_EQ(field->IsVector(), f.array) << f.name;
            EXPECT_EQ(Written(field), f.defaultText) << f.name;
            EXPECT_EQ(node->GetFieldAddressByName(f.name), field) << f.name << " by name";
        }
    }
}

// A second node of a class must find its fields where the first recorded them.
TEST(PropertyFieldTables, ASecondNodeOfAClassHasItsOwnFieldsAtTheSameIndexes)
{
    for (const ClassCase &c : ClassCases()) {
        SCOPED_TRACE(c.className);
        SgRef<SgNode> first = CreateByName(c.className);
        SgRef<SgNode> second = CreateByName(c.className);
        ASSERT_EQ(second->GetFieldsCount(), first->GetFieldsCount());
        for (int i = 0; i < first->GetFieldsCount(); ++i) {
            EXPECT_NE(second->GetFieldAddress(i), first->GetFieldAddress(i)) << "field " << i;
            EXPECT_EQ(second->GetFieldAddress(i)->GetContainer(), second.get()) << "field " << i;
        }
    }
}

struct KindCase {
    const char *className;
    bool propertyNode;
    bool affectsState;
    bool light;
    const char *parent;
};

TEST(PropertyFieldTables, KindAnswersAndParentsFollowTheClass)
{
    const KindCase cases[] = {
        {"SgMaterial", true, true, false, "SgNode"},
        {"SgMaterialBinding", false, true, false, "SgNode"},
        {"SgDrawStyle", false, true, false, "SgNode"},
        {"SgShapeHints", true, true, false, "SgNode"},
        {"SgLightModel", true, true, false, "SgNode"},
        {"SgDirLight", true, false, true, "SgLight"},
        {"SgPointLight", true, false, true, "SgLight"},
        {"SgSpotLight", true, false, true, "SgLight"},
        {"SgTexture2D", true, true, false, "SgNode"},
        {"SgTextureCombine", false, true, false, "SgNode"},
        {"SgTexture2Transform", true, true, false, "SgNode"},
        {"SgTextureCoordinate2", false, true, false, "SgNode"},
        {"SgTextureEnable", false, true, false, "SgNode"},
        {"SgTextureFunction", true, true, false, "SgNode"},
        {"SgTextureUnit", false, true, false, "SgNode"},
        {"SgEnvironment", true, false, false, "SgNode"},
        {"SgBackground", true, true, false, "SgNode"},
        {"SgFont", true, true, false, "SgNode"},
        {"SgFormat", true, true, false, "SgNode"},
        {"SgInfo", false, true, false, "SgNode"},
        {"SgLayers", true, true, false, "SgNode"},
    };
    for (const KindCase &c : cases) {
        SCOPED_TRACE(c.className);
        SgRef<SgNode> node = CreateByName(c.className);
        ASSERT_TRUE(node);
        EXPECT_EQ(node->IsPropertyNode(), c.propertyNode);
        EXPECT_EQ(node->AffectsState(), c.affectsState);
        EXPECT_EQ(node->IsLight(), c.light);
        EXPECT_TRUE(node->IsDerivedFrom(SgFieldMngr::GetClassIDFromName(c.parent))) << "parent " << c.parent;
    }
    // A visitor set for the lights' base reaches the three light kinds only.
    SgRef<SgNode> material = CreateByName("SgMaterial");
    EXPECT_FALSE(material->IsDerivedFrom(SgLight::ClassID()));
}

} // namespace
