// Stencil shadows: the shadow frame darkens the floor under an object, and
// the library's failures (no stencil bits, a light inside an object's
// sphere, null records) are reported and drawn through, never fatal.
#include "tests/engine/render/RenderFrameFixture.h"

#include "engine/render/RtsShadows.h"
#include "platform/SgDiagHandler.h"

namespace {

using namespace rendertest;

class ShadowFrameTest : public RenderFrameFixture {};

int Brightness(const Pixel &p)
{
    return p[0] + p[1] + p[2];
}

int g_draws = 0;
void CountDraw(GLenum, void *)
{
    ++g_draws;
}
void DrawNothing(void *) {}

} // namespace

TEST_F(ShadowFrameTest, FloorUnderTheObjectIsDarkerThanLitFloor)
{
    m_scene->AddChild(ColouredCube(Color(0.8, 0.8, 0.8, 1)));
    SgDiagCapture capture;
    SgGLRenderAction action(&m_viewport);
    ASSERT_TRUE(action.RenderShadowed(m_view.get())) << capture.GetText();
    // Light 0 stands high at (-10, 8, 40): the cube's shadow falls on the
    // floor towards +x, -y.
    const Pixel shadowed = At(51, 15);
    const Pixel lit = At(13, 51);
    EXPECT_LT(Brightness(shadowed) + 60, Brightness(lit))
        << "shadowed (" << shadowed[0] << ", " << shadowed[1] << ", " << shadowed[2] << "), lit (" << lit[0] << ", "
        << lit[1] << ", " << lit[2] << ")";

    // The same frame without the cube: the floor there is lit.
    m_scene->Clear();
    SgGLRenderAction plain(&m_viewport);
    ASSERT_TRUE(plain.RenderShadowed(m_view.get()));
    EXPECT_GT(Brightness(At(51, 15)), Brightness(shadowed) + 60);
}

TEST_F(ShadowFrameTest, LibraryFailuresAreReportedAndDrawnThrough)
{
    SgDiagCapture capture;
    const float eye[3] = {0, 0, 5};
    const float at[3] = {0, 0, 10};
    const float centre[3] = {0, 0, 0};

    // No usable stencil bits: one lit drawing and one warning.
    RtsScene *scene = rtsCreateScene(eye, 0u, &CountDraw, nullptr);
    RtsLight *light = rtsCreateLight(GL_LIGHT0, at, 500.0f);
    RtsObject *object = rtsCreateObject(centre, 1.0f, &DrawNothing, nullptr, 100);
    ASSERT_TRUE(scene && light && object);
    ASSERT_TRUE(rtsAddLightToScene(scene, light));
    ASSERT_TRUE(rtsAddLightToScene(scene, light)) << "a light already present is left as it is";
    ASSERT_TRUE(rtsAddObjectToLight(light, object));
    g_draws = 0;
    EXPECT_TRUE(rtsRenderScene(scene, true));
    EXPECT_EQ(g_draws, 1);
    EXPECT_EQ(rtsUsableStencilBits(scene), 0u);
    EXPECT_TRUE(capture.Contains("No stencil bits available")) << capture.GetText();
    EXPECT_TRUE(rtsRenderScene(scene, true));
    EXPECT_EQ(capture.Count("libRTS"), 1) << "one warning per scene";

    // A light inside the object's sphere: the capture is clamped and said so.
    RtsObject *big = rtsCreateObject(centre, 20.0f, &DrawNothing, nullptr, 100);
    ASSERT_TRUE(rtsAddObjectToLight(light, big));
    EXPECT_TRUE(rtsRenderScene(scene, true));
    EXPECT_TRUE(capture.Contains("Clamping FOV to 164 degrees")) << capture.GetText();

    // Records freed in any order leave the others' lists consistent (a light
    // re-added to a scene is found in both lists); null records are refused.
    RtsScene *other = rtsCreateScene(eye, ~0u, &CountDraw, nullptr);
    rtsAddLightToScene(other, light);
    RtsLight *stray = rtsCreateLight(GL_LIGHT1, at, 1.0f);
    ASSERT_TRUE(rtsAddLightToScene(other, stray));
    rtsFreeScene(scene); // unlinks itself from the light
    EXPECT_TRUE(rtsAddLightToScene(other, light)) << "still consistent";
    rtsFreeObject(big);
    rtsFreeObject(object);
    rtsFreeLight(light);
    rtsFreeLight(stray);
    rtsFreeScene(other);
    EXPECT_FALSE(rtsAddLightToScene(nullptr, nullptr));
}
