#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <string>

#include "engine/actions/SgScanAction.h"
#include "engine/actions/SgScanCache.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgGLRenderLightsAction.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/render/GLStateFixture.h"

using rendertest::GLStateFixture;

namespace {

template <class Light>
SgRef<Light> MakeLight(const Color &color, bool on = true)
{
    SgRef<Light> light = new Light;
    light->m_color = color;
    light->m_on = static_cast<unsigned short>(on ? 1 : 0);
    return light;
}

SgRef<SgTransform> Translation(const Vec3 &t)
{
    SgRef<SgTransform> transform = new SgTransform;
    transform->m_translation = t;
    return transform;
}

std::array<float, 4> LightValue(int index, GLenum name)
{
    std::array<float, 4> value{};
    glGetLightfv(GL_LIGHT0 + index, name, value.data());
    return value;
}

class LightsPassTest : public GLStateFixture {
protected:
    void SetUp() override
    {
        GLStateFixture::SetUp();
        m_root = new SgSeparator;
        m_camera = new SgCamera;
    }

    // Scans the scene as the viewer does before a frame, then runs the pass.
    std::vector<SgLight *> RunPass(bool lighting = true, bool scan = true)
    {
        if (scan) {
            SgScanAction scanAction;
            scanAction.Apply(m_root.get());
        }
        SgGLRenderAction render(nullptr);
        render.m_pCamera = m_camera.get();
        render.m_bLighting = lighting;
        SgGLRenderLightsAction::RunLightsPass(&render, m_root.get());
        return render.m_Lights;
    }

    static bool LightOn(int index) { return glIsEnabled(GL_LIGHT0 + index) == GL_TRUE; }

    SgRef<SgSeparator> m_root;
    SgRef<SgCamera> m_camera;
};

} // namespace

TEST_F(LightsPassTest, OnlyTheFirstEightLightsAreLit)
{
    std::vector<SgRef<SgDirLight>> lights;
    for (int i = 0; i < 9; ++i) {
        lights.push_back(MakeLight<SgDirLight>(Color(0.1 * (i + 1), 0, 0, 1)));
        m_root->AddChild(lights.back().get());
    }

    const std::vector<SgLight *> lit = RunPass();

    ASSERT_EQ(lit.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(LightOn(i)) << "GL_LIGHT" << i;
        EXPECT_EQ(lit[i], lights[i].get()) << "lights are numbered in traversal order";
        EXPECT_NEAR(LightValue(i, GL_DIFFUSE)[0], 0.1 * (i + 1), 1e-6) << "GL_LIGHT" << i;
    }
}

TEST_F(LightsPassTest, LightThatIsOffLeavesItsNumberToTheNext)
{
    SgRef<SgPointLight> off = MakeLight<SgPointLight>(Color(1, 0, 0, 1), false);
    SgRef<SgPointLight> on = MakeLight<SgPointLight>(Color(0, 1, 0, 1));
    m_root->AddChild(off.get());
    m_root->AddChild(on.get());

    const std::vector<SgLight *> lit = RunPass();

    ASSERT_EQ(lit.size(), 1u);
    EXPECT_TRUE(LightOn(0));
    EXPECT_FALSE(LightOn(1));
    EXPECT_FLOAT_EQ(LightValue(0, GL_DIFFUSE)[1], 1.0f) << "GL_LIGHT0 should be the green light";
}

TEST_F(LightsPassTest, LightsArePlacedByTheTransformsOfTheirSeparator)
{
    SgRef<SgSeparator> inner = new SgSeparator;
    inner->AddChild(Translation(Vec3(1, 2, 3)).get());
    SgRef<SgPointLight> placed = MakeLight<SgPointLight>(Color(1, 1, 1, 1));
    inner->AddChild(placed.get());
    m_root->AddChild(inner.get());
    SgRef<SgPointLight> outside = MakeLight<SgPointLight>(Color(1, 1, 1, 1));
    m_root->AddChild(outside.get());
    m_root->AddChild(Translation(Vec3(7, 7, 7)).get());
    glLoadIdentity();

    RunPass();

    const std::array<float, 4> first = LightValue(0, GL_POSITION);
    EXPECT_FLOAT_EQ(first[0], 1.0f);
    EXPECT_FLOAT_EQ(first[1], 2.0f);
    EXPECT_FLOAT_EQ(first[2], 3.0f);
    const std::array<float, 4> second = LightValue(1, GL_POSITION);
    EXPECT_FLOAT_EQ(second[0], 0.0f) << "the separator's translation leaked to the light after it";
    const std::array<double, 16> after = ModelView();
    EXPECT_DOUBLE_EQ(after[12], 0.0) << "the pass left the model-view matrix moved";
}

TEST_F(LightsPassTest, SeparatorWithoutLightsBelowIsNotEntered)
{
    SgRef<SgSeparator> inner = new SgSeparator;
    SgRef<SgDirLight> light = MakeLight<SgDirLight>(Color(1, 1, 1, 1));
    inner->AddChild(light.get());
    m_root->AddChild(inner.get());
    SgScanAction scan;
    scan.Apply(m_root.get());
    // As if the light had been added after the last scan.
    SgScanCache::SetFlags(inner.get(), 0);

    const std::vector<SgLight *> lit = RunPass(true, false);

    EXPECT_TRUE(lit.empty());
    EXPECT_FALSE(LightOn(0));
}

TEST_F(LightsPassTest, HeadLightShinesOnlyFromTheFrameCamera)
{
    struct Case {
        const char *what;
        bool otherCameraFirst;
        bool otherCameraInOwnSeparator;
        bool lit;
    };
    const Case cases[] = {
        {"after the frame camera", false, false, true},
        {"after another camera", true, false, false},
        {"after another camera's separator", true, true, true},
    };
    for (const Case &c : cases) {
        m_root = new SgSeparator;
        m_root->AddChild(m_camera.get());
        if (c.otherCameraFirst) {
            SgRef<SgCamera> other = new SgCamera;
            if (c.otherCameraInOwnSeparator) {
                SgRef<SgSeparator> holder = new SgSeparator;
                holder->AddChild(other.get());
                // A light keeps the scan entering the separator.
                holder->AddChild(MakeLight<SgDirLight>(Color(0, 0, 0, 1), false).get());
                m_root->AddChild(holder.get());
            } else {
                m_root->AddChild(other.get());
            }
        }
        SgRef<SgDirLight> head = MakeLight<SgDirLight>(Color(1, 1, 1, 1));
        head->m_scope = SgGLRenderLightsAction::kCameraScope;
        m_root->AddChild(head.get());

        const std::vector<SgLight *> lit = RunPass();

        EXPECT_EQ(!lit.empty(), c.lit) << c.what;
    }
}

TEST_F(LightsPassTest, ColourAndAttenuationFollowTheIntensity)
{
    struct Case {
        const char *what;
        SgRef<SgLight> light;
        float intensity;
        float diffuse;
        float constantAttenuation;
    };
    const Case cases[] = {
        {"directional light", MakeLight<SgDirLight>(Color(1, 1, 1, 1)).get(), 0.5f, 0.5f, 2.0f},
        {"point light", MakeLight<SgPointLight>(Color(1, 1, 1, 1)).get(), 0.5f, 1.0f, 2.0f},
        {"spot light of intensity 0", MakeLight<SgSpotLight>(Color(1, 1, 1, 1)).get(), 0.0f, 1.0f, 10000.0f},
    };
    for (const Case &c : cases) {
        m_root = new SgSeparator;
        c.light->m_intensity = c.intensity;
        m_root->AddChild(c.light.get());

        RunPass();

        EXPECT_NEAR(LightValue(0, GL_DIFFUSE)[0], c.diffuse, 1e-5) << c.what;
        EXPECT_NEAR(LightValue(0, GL_SPECULAR)[0], c.diffuse, 1e-5) << c.what;
        EXPECT_NEAR(LightValue(0, GL_CONSTANT_ATTENUATION)[0], c.constantAttenuation, 1e-2) << c.what;
    }
}

TEST_F(LightsPassTest, DirectionalLightShinesAlongItsDirection)
{
    SgRef<SgDirLight> light = MakeLight<SgDirLight>(Color(1, 1, 1, 1));
    light->m_direction = Vec3(0, -1, 0);
    m_root->AddChild(light.get());
    glLoadIdentity();

    RunPass();

    const std::array<float, 4> position = LightValue(0, GL_POSITION);
    EXPECT_FLOAT_EQ(position[1], 1.0f) << "the GL position points toward the light";
    EXPECT_FLOAT_EQ(position[3], 0.0f) << "a directional light has no position";
}

TEST_F(LightsPassTest, SpotLightGetsItsCone)
{
    SgRef<SgSpotLight> light = MakeLight<SgSpotLight>(Color(1, 1, 1, 1));
    light->m_direction = Vec3(1, 0, 0);
    light->m_cutOffAngle = 30.0f;
    light->m_dropOffRate = 4.0f;
    m_root->AddChild(light.get());
    glLoadIdentity();

    RunPass();

    EXPECT_FLOAT_EQ(LightValue(0, GL_SPOT_DIRECTION)[0], 1.0f);
    EXPECT_FLOAT_EQ(LightValue(0, GL_SPOT_CUTOFF)[0], 30.0f);
    EXPECT_FLOAT_EQ(LightValue(0, GL_SPOT_EXPONENT)[0], 4.0f);
}

TEST_F(LightsPassTest, UnlitFrameSwitchesEveryLightOff)
{
    m_root->AddChild(MakeLight<SgDirLight>(Color(1, 1, 1, 1)).get());
    glEnable(GL_LIGHT3);

    const std::vector<SgLight *> lit = RunPass(false);

    EXPECT_TRUE(lit.empty());
    for (int i = 0; i < SgGLRenderLightsAction::kMaxGLLights; ++i)
        EXPECT_FALSE(LightOn(i)) << "GL_LIGHT" << i;
}
