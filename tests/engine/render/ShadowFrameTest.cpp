// Stencil shadows: the shadow frame darkens the floor under an object, and
// the library's failures (no stencil bits, a light inside an object's
// sphere, null records) are reported and drawn through, never fatal.
#include "tests/engine/render/RenderFrameFixture.h"

#include <cmath>

#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/render/RtsShadows.h"
#include "engine/render/SgShadowCache.h"
#include "platform/SgDiagHandler.h"

namespace {

using namespace rendertest;

class ShadowFrameTest : public RenderFrameFixture {};

int Brightness(const Pixel &p)
{
    return p[0] + p[1] + p[2];
}

std::string Text(const Pixel &p)
{
    return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ")";
}

int g_draws = 0;
void CountDraw(GLenum, void *)
{
    ++g_draws;
}
void DrawNothing(void *) {}

// A 20 x 20 floor at z = -7 seen from above (orthographic), lit by the
// enabled lights; counts the draws that add a light (blending on).
int g_additiveDraws = 0;
void DrawFloor(GLenum, void *)
{
    if (glIsEnabled(GL_BLEND))
        ++g_additiveDraws;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat white[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(-10, -10, -7);
    glVertex3f(10, -10, -7);
    glVertex3f(10, 10, -7);
    glVertex3f(-10, 10, -7);
    glEnd();
}
// A 2 x 2 square around the point the data names, at z = 0.
void DrawSquare(void *data)
{
    const float *c = static_cast<const float *>(data);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(c[0] - 1, c[1] - 1, 0);
    glVertex3f(c[0] + 1, c[1] - 1, 0);
    glVertex3f(c[0] + 1, c[1] + 1, 0);
    glVertex3f(c[0] - 1, c[1] + 1, 0);
    glEnd();
}

// A cleared frame with depth testing and the two shadow lights dimmed, so
// that one light's share of a pixel can be told from both.
void StartFrameWithTwoDimLights()
{
    const GLfloat dim[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1}) {
        glLightfv(light, GL_DIFFUSE, dim);
        glLightfv(light, GL_SPECULAR, dim);
        glEnable(light);
    }
}

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

// The caster's lit faces keep their light in the shadow frame: its top face,
// turned to both of the frame's lights, is as bright as in a plain frame lit
// by point lights of the same places and colours. (A face taken for a back
// face under two-sided lighting gets only the ambient part and turns almost
// black.)
TEST_F(ShadowFrameTest, LitFaceOfTheCasterIsAsBrightAsInThePlainFrame)
{
    struct Case {
        const char *what;
        Color colour;
    };
    const Case cases[] = {
        {"grey cube", Color(0.8f, 0.8f, 0.8f, 1)},
        {"yellow cube", Color(0.9f, 0.8f, 0.1f, 1)},
    };
    for (const Case &c : cases) {
        m_scene->Clear();
        m_scene->AddChild(new SgLightModel);
        const struct {
            Vec3 location;
            Color colour;
        } lights[] = {{Vec3(-10, 8, 40), Color(0.75f, 0.5f, 0.5f, 1)}, {Vec3(40, -7, 7), Color(0.5f, 0.75f, 0.5f, 1)}};
        for (const auto &l : lights) {
            auto *light = new SgPointLight;
            light->m_location = l.location;
            light->m_color = l.colour;
            m_scene->AddChild(light);
        }
        m_scene->AddChild(ColouredCube(c.colour));

        ASSERT_TRUE(Render()) << c.what;
        const Pixel plain = Centre();
        SgDiagCapture capture;
        SgGLRenderAction action(&m_viewport);
        ASSERT_TRUE(action.RenderShadowed(m_view.get())) << c.what << ": " << capture.GetText();
        const Pixel shadowFrame = Centre();
        EXPECT_GT(Brightness(plain), 150) << c.what << ": the plain frame lights the top face " << Text(plain);
        EXPECT_TRUE(Near(shadowFrame, plain, 24)) << c.what << ": top face in the shadow frame " << Text(shadowFrame)
                                                  << ", in the plain frame " << Text(plain);
    }
}

// Shapes drawn without lighting show their colour once: the pass that adds
// the second light leaves them as the first pass drew them.
TEST_F(ShadowFrameTest, UnlitShapesAreNotAddedAgainByTheFurtherLight)
{
    auto *unlit = new SgLightModel;
    unlit->m_model.Set(0);
    m_scene->AddChild(unlit);
    m_scene->AddChild(ColouredCube(Color(0.4f, 0.4f, 0.4f, 1)));
    SgDiagCapture capture;
    SgGLRenderAction action(&m_viewport);
    ASSERT_TRUE(action.RenderShadowed(m_view.get())) << capture.GetText();
    EXPECT_TRUE(Near(Centre(), Pixel{102, 102, 102}, 8)) << "unlit top face " << Text(Centre());
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

// A further light is added once, however many objects it shadows: with more
// objects than stencil bits the objects are marked in batches, and the open
// floor must not get the light once per batch.
TEST_F(ShadowFrameTest, FurtherLightIsAddedOnceWhateverTheNumberOfObjects)
{
    struct Case {
        const char *what;
        unsigned stencilMask;
        int objects;
    };
    const Case cases[] = {
        {"one object, every bit", ~0u, 1},
        {"three objects, every bit", ~0u, 3},
        {"three objects, two bits", 0x3u, 3},
        {"five objects, three bits", 0x7u, 5},
    };
    const float centres[5][3] = {{-5, -5, 0}, {5, -5, 0}, {-5, 5, 0}, {5, 5, 0}, {0, -6, 0}};
    const float eye[3] = {0, 0, 50};
    const float position0[3] = {0, 0, 40};
    const float position1[3] = {1, 0, 40};
    int openFloor = -1;
    for (const Case &c : cases) {
        SgDiagCapture capture;
        StartFrameWithTwoDimLights();
        RtsScene *scene = rtsCreateScene(eye, c.stencilMask, &DrawFloor, nullptr);
        RtsLight *light0 = rtsCreateLight(GL_LIGHT0, position0, 500.0f);
        RtsLight *light1 = rtsCreateLight(GL_LIGHT1, position1, 500.0f);
        ASSERT_TRUE(rtsAddLightToScene(scene, light0) && rtsAddLightToScene(scene, light1));
        std::vector<RtsObject *> objects;
        for (int i = 0; i < c.objects; ++i) {
            objects.push_back(rtsCreateObject(centres[i], 1.5f, &DrawSquare, const_cast<float *>(centres[i]), 100));
            ASSERT_TRUE(rtsAddObjectToLight(light0, objects.back()) && rtsAddObjectToLight(light1, objects.back()));
        }
        // The lights' positions are set in the floor's (identity) frame.
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat p0[4] = {0, 0, 40, 1}, p1[4] = {1, 0, 40, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, p0);
        glLightfv(GL_LIGHT1, GL_POSITION, p1);
        g_additiveDraws = 0;
        EXPECT_TRUE(rtsRenderScene(scene, true)) << c.what << ": " << capture.GetText();
        EXPECT_EQ(g_additiveDraws, 1) << c.what << ": the second light is added once";
        EXPECT_EQ(rtsVolumeCount(scene), 2 * c.objects) << c.what;
        // Open floor between the objects, and the floor under the first one.
        const int open = Brightness(At(kSize / 2, kSize / 2));
        // The first object's shadow centre: (-5, -5) seen from (0, 0, 40)
        // falls on z = -7 at 47/40 of that.
        const int shadowPixel = int((-5.0 * 47.0 / 40.0 + 10.0) * kSize / 20.0);
        const int under = Brightness(At(shadowPixel, shadowPixel));
        if (openFloor < 0)
            openFloor = open;
        EXPECT_NEAR(open, openFloor, 9) << c.what << ": open floor as bright as with one object";
        EXPECT_LT(under + 100, open) << c.what << ": the floor under an object is in both lights' shadows";
        for (RtsObject *object : objects)
            rtsFreeObject(object);
        rtsFreeLight(light0);
        rtsFreeLight(light1);
        rtsFreeScene(scene);
        for (GLenum light : {GL_LIGHT0, GL_LIGHT1})
            glDisable(light);
    }
}

// The volumes end just beyond the scene's reach: a floor inside the reach is
// shadowed as with volumes that run far away, and one outside it (a reach
// that wrongly leaves it out) gets no shadow, which shows where they end.
TEST_F(ShadowFrameTest, VolumesEndJustBeyondTheReachOfTheScene)
{
    const float centre[3] = {-5, -5, 0};
    const float eye[3] = {0, 0, 50};
    const float position0[3] = {0, 0, 40};
    const float position1[3] = {1, 0, 40};
    const float floorMin[3] = {-10, -10, -7.5f}, floorMax[3] = {10, 10, 1};
    const float aboveMin[3] = {-10, -10, -3}, aboveMax[3] = {10, 10, 1};
    struct Case {
        const char *what;
        const float *min;
        const float *max;
        bool shadowed;
    } cases[] = {
        {"no reach", nullptr, nullptr, true},
        {"a reach that holds the floor", floorMin, floorMax, true},
        {"a reach that ends above the floor", aboveMin, aboveMax, false},
    };
    const int shadowPixel = int((-5.0 * 47.0 / 40.0 + 10.0) * kSize / 20.0);
    for (const Case &c : cases) {
        SgDiagCapture capture;
        StartFrameWithTwoDimLights();
        RtsScene *scene = rtsCreateScene(eye, ~0u, &DrawFloor, nullptr);
        RtsLight *light0 = rtsCreateLight(GL_LIGHT0, position0, 500.0f);
        RtsLight *light1 = rtsCreateLight(GL_LIGHT1, position1, 500.0f);
        RtsObject *object = rtsCreateObject(centre, 1.5f, &DrawSquare, const_cast<float *>(centre), 100);
        ASSERT_TRUE(rtsAddLightToScene(scene, light0) && rtsAddLightToScene(scene, light1));
        ASSERT_TRUE(rtsAddObjectToLight(light0, object) && rtsAddObjectToLight(light1, object));
        rtsSetSceneReach(scene, c.min, c.max);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat p0[4] = {0, 0, 40, 1}, p1[4] = {1, 0, 40, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, p0);
        glLightfv(GL_LIGHT1, GL_POSITION, p1);
        EXPECT_TRUE(rtsRenderScene(scene, true)) << c.what << ": " << capture.GetText();
        const int open = Brightness(At(kSize / 2, kSize / 2));
        const int under = Brightness(At(shadowPixel, shadowPixel));
        if (c.shadowed)
            EXPECT_LT(under + 100, open) << c.what;
        else
            EXPECT_NEAR(under, open, 9) << c.what;
        rtsFreeObject(object);
        rtsFreeLight(light0);
        rtsFreeLight(light1);
        rtsFreeScene(scene);
        for (GLenum light : {GL_LIGHT0, GL_LIGHT1})
            glDisable(light);
    }
}

// The silhouettes of a scene that did not change are kept from frame to
// frame; a change below the root, or a moved scene, captures them again.
TEST_F(ShadowFrameTest, SilhouettesAreKeptWhileTheSceneIsUnchanged)
{
    SgSeparator *cube = ColouredCube(Color(0.8, 0.8, 0.8, 1));
    m_scene->AddChild(cube);
    auto frame = [&] {
        SgGLRenderAction action(&m_viewport);
        EXPECT_TRUE(action.RenderShadowed(m_view.get()));
        return m_viewport.GetShadowCache().LastCaptureCount();
    };
    EXPECT_EQ(frame(), 2) << "first frame: one silhouette per light";
    const Pixel shadowed = At(51, 15);
    EXPECT_EQ(frame(), 0) << "unchanged scene";
    EXPECT_EQ(frame(), 0) << "unchanged scene";
    EXPECT_TRUE(Near(At(51, 15), shadowed, 4)) << "the kept silhouettes shadow the floor as before";

    auto *material = static_cast<SgMaterial *>(cube->GetChild(0));
    const Color red(0.8f, 0.1f, 0.1f, 1);
    material->m_diffuseColor.SetVals(1, &red);
    EXPECT_EQ(frame(), 2) << "a field changed below the root";
    auto *move = new SgTransform;
    move->m_translation.Set(Vec3(1, 0, 0));
    cube->AddChildBefore(move, material);
    EXPECT_EQ(frame(), 2) << "the cube moved";
    EXPECT_EQ(frame(), 0);
}

// The pass that adds the further light compiles display lists of its own
// (the ordinary ones turn blending off for opaque materials): while they are
// made and replayed the picture stays the one drawn without lists, and a
// change below the root reaches it.
TEST_F(ShadowFrameTest, ThePictureStandsWhileThePassListsAreCompiledAndReplayed)
{
    SgSeparator *cube = ColouredCube(Color(0.9f, 0.8f, 0.1f, 1));
    m_scene->AddChild(cube);
    auto frame = [&] {
        SgGLRenderAction action(&m_viewport);
        EXPECT_TRUE(action.RenderShadowed(m_view.get()));
        return std::make_pair(Centre(), At(51, 15));
    };
    const auto first = frame();
    for (int i = 2; i <= 4; ++i) {
        const auto again = frame();
        EXPECT_TRUE(Near(again.first, first.first, 4))
            << "frame " << i << ": top face " << Text(again.first) << ", first " << Text(first.first);
        EXPECT_TRUE(Near(again.second, first.second, 4))
            << "frame " << i << ": shadow " << Text(again.second) << ", first " << Text(first.second);
    }
    auto *material = static_cast<SgMaterial *>(cube->GetChild(0));
    const Color blue(0.1f, 0.1f, 0.9f, 1);
    material->m_diffuseColor.SetVals(1, &blue);
    const auto changed = frame();
    EXPECT_GT(changed.first[2], first.first[2] + 40) << "the top face turned blue: " << Text(changed.first);
}

// Shadows that cannot be made (a capture too large for its buffer) leave the
// frame drawn lit, without shadows: the frame succeeds with one message, and
// the next frame of the same scene does not tell it again.
TEST_F(ShadowFrameTest, FailedCaptureDrawsTheSceneLitWithOneMessage)
{
    m_scene->AddChild(ColouredCube(Color(0.9f, 0.8f, 0.1f, 1)));
    const size_t previous = rtsSetFeedbackLimit(64);
    SgDiagCapture capture;
    {
        SgGLRenderAction action(&m_viewport);
        EXPECT_TRUE(action.RenderShadowed(m_view.get())) << capture.GetText();
    }
    const Pixel top = Centre();
    EXPECT_GT(top[0], top[2] + 60) << "the yellow cube is drawn lit " << Text(top);
    EXPECT_EQ(capture.Count("libRTS"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("captureLightView: out of memory")) << capture.GetText();
    {
        SgGLRenderAction action(&m_viewport);
        EXPECT_TRUE(action.RenderShadowed(m_view.get()));
    }
    EXPECT_EQ(capture.Count("libRTS"), 1) << "told once for an unchanged scene: " << capture.GetText();
    rtsSetFeedbackLimit(previous);
}

// A ground wider than the backdrop has the walls moved out past its edges:
// seen from high above, the ground just beyond x = 10 shows, not a wall
// standing through it.
TEST_F(ShadowFrameTest, WallsMoveOutOfAWideGround)
{
    m_viewport.GetCameraTransform()->m_translation.Set(Vec3(0, 0, 40));
    auto *ground = ColouredCube(Color(0.1f, 0.9f, 0.1f, 1));
    auto *cube = static_cast<SgCube *>(ground->GetChild(1));
    cube->m_width.Set(30.0);
    cube->m_depth.Set(30.0);
    cube->m_height.Set(0.2);
    m_scene->AddChild(ground);
    SgDiagCapture capture;
    SgGLRenderAction action(&m_viewport);
    ASSERT_TRUE(action.RenderShadowed(m_view.get())) << capture.GetText();
    // World (11.5, 0, 0.1), 40 units below the eye, with a 45 degree view.
    const int x = kSize / 2 + int(11.5 / (39.9 * std::tan(M_PI / 8)) * (kSize / 2));
    const Pixel beyond = At(x, kSize / 2);
    EXPECT_GT(beyond[1], beyond[0] + 40) << "the green ground at x = 11.5, not a wall: " << Text(beyond);
}

// The backdrop keeps out of the scene: a cube below the floor's place is
// seen, not hidden under the floor.
TEST_F(ShadowFrameTest, BackdropMovesOutOfTheSceneBelowIt)
{
    auto *below = new SgSeparator;
    auto *move = new SgTransform;
    move->m_translation.Set(Vec3(0, 0, -10));
    below->AddChild(move);
    below->AddChild(ColouredCube(Color(0.9f, 0.1f, 0.1f, 1)));
    m_scene->AddChild(below);
    SgDiagCapture capture;
    SgGLRenderAction action(&m_viewport);
    ASSERT_TRUE(action.RenderShadowed(m_view.get())) << capture.GetText();
    const Pixel top = Centre();
    EXPECT_GT(top[0], top[1] + 50) << "the red cube below z = -7, not the floor: " << Text(top);
}

// An eye below the floor looks through the floor's underside at the scene.
TEST_F(ShadowFrameTest, AnEyeBelowTheFloorSeesTheScene)
{
    m_viewport.GetCameraTransform()->m_translation.Set(Vec3(0, 0, -20));
    m_viewport.GetCameraTransform()->m_rotation.Set(Rotation(Vec3(1, 0, 0), M_PI));
    // Unlit, so that the face turned away from the lights shows its colour.
    auto *unlit = new SgLightModel;
    unlit->m_model.Set(0);
    m_scene->AddChild(unlit);
    m_scene->AddChild(ColouredCube(Color(0.9f, 0.1f, 0.1f, 1)));
    SgDiagCapture capture;
    SgGLRenderAction action(&m_viewport);
    ASSERT_TRUE(action.RenderShadowed(m_view.get())) << capture.GetText();
    const Pixel seen = Centre();
    EXPECT_GT(seen[0], seen[1] + 30) << "the red cube's underside, not the floor's: " << Text(seen);
}
