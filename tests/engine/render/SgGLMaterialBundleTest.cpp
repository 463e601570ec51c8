#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "engine/core/SgRef.h"
#include "engine/render/SgGLMaterialBundle.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/SgError.h"
#include "tests/engine/render/GLStateFixture.h"

using rendertest::GLStateFixture;

namespace {

class MaterialBundleTest : public GLStateFixture {
protected:
    // Sends entry `index` of the material with the action's state.
    void Send(SgMaterial &material, int index)
    {
        SgGLRenderAction action(nullptr);
        material.DoAction(&action);
        SgGLMaterialBundle(action.GetState()).Send(index);
    }
    static std::vector<float> Current()
    {
        std::vector<float> colour(4);
        glGetFloatv(GL_CURRENT_COLOR, colour.data());
        return colour;
    }
};

TEST_F(MaterialBundleTest, ShininessUpToOneIsAFractionOfTheGLRange)
{
    struct Case {
        float shininess, sent;
    };
    for (const Case c : {Case{0.5f, 64.0f}, Case{1.0f, 128.0f}, Case{20.0f, 20.0f}}) {
        SgRef<SgMaterial> material = new SgMaterial;
        material->m_shininess.SetVals(1, &c.shininess);
        Send(*material, 0);
        GLfloat sent = -1;
        glGetMaterialfv(GL_FRONT, GL_SHININESS, &sent);
        EXPECT_FLOAT_EQ(sent, c.sent) << "shininess " << c.shininess;
    }
}

TEST_F(MaterialBundleTest, TheWholeMaterialScalesAmbientAndSetsTheCurrentColour)
{
    SgRef<SgMaterial> material = new SgMaterial;
    const Color diffuse(0.2, 0.4, 0.6, 0.5);
    const Color ambient(0.5, 0.5, 1.0, 0.25);
    const float intensity = 0.5f;
    material->m_diffuseColor.SetVals(1, &diffuse);
    material->m_ambientColor.SetVals(1, &ambient);
    material->m_ambientIntensity.SetVals(1, &intensity);
    Send(*material, 0);
    GLfloat sent[4] = {};
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, sent);
    EXPECT_FLOAT_EQ(sent[0], 0.25f);
    EXPECT_FLOAT_EQ(sent[2], 0.5f);
    EXPECT_FLOAT_EQ(sent[3], 0.25f) << "alpha is not scaled";
    EXPECT_EQ(Current(), (std::vector<float>{0.2f, 0.4f, 0.6f, 0.5f})) << "unlit drawing shows the diffuse colour";
}

TEST_F(MaterialBundleTest, PerFaceIndicesWrapAroundTheDiffuseColours)
{
    SgRef<SgMaterial> material = new SgMaterial;
    const Color colours[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    material->m_diffuseColor.SetVals(3, colours);
    Send(*material, 5);
    EXPECT_EQ(Current(), (std::vector<float>{0, 0, 1, 1})) << "face 5 of 3 colours takes colour 2";
}

TEST_F(MaterialBundleTest, MissingEntriesAndNegativeIndicesAreRefused)
{
    SgRef<SgMaterial> noDiffuse = new SgMaterial;
    noDiffuse->m_diffuseColor.SetVals(0, nullptr);
    EXPECT_THROW(Send(*noDiffuse, 0), SgInvalidArgument);
    EXPECT_THROW(Send(*noDiffuse, 3), SgInvalidArgument);
    SgRef<SgMaterial> noShininess = new SgMaterial;
    noShininess->m_shininess.SetVals(0, nullptr);
    EXPECT_THROW(Send(*noShininess, 0), SgInvalidArgument);
    SgRef<SgMaterial> complete = new SgMaterial;
    EXPECT_THROW(Send(*complete, -1), SgInvalidArgument);
}

} // namespace
