#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/SgNodara.h"
#include "engine/core/SgField.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgLight.h"

namespace {

// Every field of `from` written as text and read into the same field of `to`.
void CopyThroughText(SgNode &from, SgNode &to)
{
    for (int i = 0; i < from.GetFieldsCount(); ++i) {
        std::stringstream text;
        from.GetFieldAddress(i)->WriteToStream(text, 0, -1);
        to.GetFieldAddress(i)->ReadFromStream(text, false);
        EXPECT_FALSE(text.fail()) << from.GetFieldName(i) << " did not read back from \"" << text.str() << "\"";
    }
}

TEST(SgLight, ASwitchedOffSpotLightKeepsEveryFieldThroughItsText)
{
    SgNodara::Init();
    SgRef<SgSpotLight> light = new SgSpotLight;
    light->m_on = static_cast<unsigned short>(0);
    light->m_intensity = 0.75f;
    light->m_linearAttenuation = 0.125f;
    light->m_quadraticAttenuation = 0.01f;
    light->m_color = Color(1, 0.5, 0.25, 0.8);
    light->m_scope = 2;
    light->m_location = Vec3(1.5, -2, 3);
    light->m_direction = Vec3(0, -1, 0);
    light->m_dropOffRate = 0.3f;
    light->m_cutOffAngle = 45.0f;

    SgRef<SgSpotLight> copy = new SgSpotLight;
    CopyThroughText(*light, *copy);
    for (int i = 0; i < light->GetFieldsCount(); ++i) {
        SgField *field = light->GetFieldAddress(i);
        EXPECT_TRUE(field->Compare(field, copy->GetFieldAddress(i))) << light->GetFieldName(i) << " changed";
    }
    EXPECT_EQ(copy->m_on.Get(), 0);
}

TEST(SgLight, EachKindIsCreatedByNameAsALight)
{
    SgNodara::Init();
    for (const char *name : {"SgDirLight", "SgPointLight", "SgSpotLight"}) {
        SgRef<SgNode> light = SgNode::Create(SgFieldMngr::GetClassIDFromName(name));
        ASSERT_TRUE(light) << name;
        EXPECT_TRUE(light->IsDerivedFrom(SgLight::ClassID())) << name;
        EXPECT_TRUE(light->IsLight()) << name;
        EXPECT_TRUE(light->IsPropertyNode()) << name;
        EXPECT_NE(light->GetFieldAddressByName("intensity"), nullptr) << name << " lacks the light fields";
    }
}

} // namespace
