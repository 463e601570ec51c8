// The render action's shadow frame: the scene and a fixed backdrop drawn by
// the stencil shadow library with two lights.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <memory>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/render/RtsShadows.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgViewport.h"

namespace {

// The two lights of the shadow frame.
constexpr GLfloat kLight0Position[4] = {-10.0f, 8.0f, 40.0f, 1.0f};
constexpr GLfloat kLight0Diffuse[4] = {0.75f, 0.5f, 0.5f, 1.0f};
constexpr GLfloat kLight1Position[4] = {40.0f, -7.0f, 7.0f, 1.0f};
constexpr GLfloat kLight1Diffuse[4] = {0.5f, 0.75f, 0.5f, 1.0f};
constexpr float kLightRadius = 500.0f;
// Used when the scene has no box to measure.
constexpr float kDefaultObjectRadius = 15.0f;
constexpr int kFeedbackCapacity = 10000;

struct Frame {
    SgGLRenderAction *render;
    SgNode *root;
    SgViewport *viewport;
    bool ok = true;
};

void PlaceLights()
{
    glLightfv(GL_LIGHT0, GL_POSITION, kLight0Position);
    glLightfv(GL_LIGHT1, GL_POSITION, kLight1Position);
}

// Wound clockwise seen from the side the normal points to: the frame's
// front faces are clockwise.
void DrawBackdrop()
{
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(-10, -10, -7);
    glVertex3f(-10, 10, -7);
    glVertex3f(10, 10, -7);
    glVertex3f(10, -10, -7);
    glNormal3f(1, 0, 0);
    glVertex3f(-10, -10, -7);
    glVertex3f(-10, -10, 7);
    glVertex3f(-10, 10, 7);
    glVertex3f(-10, 10, -7);
    glNormal3f(-1, 0, 0);
    glVertex3f(10, -10, -7);
    glVertex3f(10, 10, -7);
    glVertex3f(10, 10, 7);
    glVertex3f(10, -10, 7);
    glEnd();
}

void DrawScene(GLenum, void *data)
{
    auto *frame = static_cast<Frame *>(data);
    frame->viewport->UpdateModelProjViewMatrix();
    glMatrixMode(GL_MODELVIEW);
    PlaceLights();
    const GLfloat grey[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, grey);
    DrawBackdrop();
    frame->ok = frame->render->TraverseForShadows(frame->root) && frame->ok;
}

void DrawObject(void *data)
{
    auto *frame = static_cast<Frame *>(data);
    frame->render->TraverseForShadows(frame->root);
}

struct SceneDeleter {
    void operator()(RtsScene *scene) const { rtsFreeScene(scene); }
};
struct LightDeleter {
    void operator()(RtsLight *light) const { rtsFreeLight(light); }
};
struct ObjectDeleter {
    void operator()(RtsObject *object) const { rtsFreeObject(object); }
};

} // namespace

bool SgGLRenderAction::TraverseForShadows(SgNode *root)
{
    // The library adds each further light with blending on: the materials
    // must not turn it off, and display lists, which hold the materials'
    // own blending, are not replayed meanwhile.
    if (!glIsEnabled(GL_BLEND))
        return TraverseRoot(root);
    const bool savedDisabled = m_bCacheDisabled;
    m_bCacheDisabled = true;
    m_bAdditivePass = true;
    const bool ok = TraverseRoot(root);
    m_bAdditivePass = false;
    m_bCacheDisabled = savedDisabled;
    return ok;
}

bool SgGLRenderAction::RenderShadowed(SgNode *root)
{
    SgViewport *viewport = FirstViewport();
    if (!viewport)
        throw SgInvalidArgument("SgGLRenderAction: the viewer has no viewport");
    if (!m_pCamera)
        m_pCamera = viewport->GetCamera();
    m_ViewportRect = viewport->GetSize();
    viewport->UpdateModelProjViewMatrix();
    RunScan(root);
    if (!m_bNoBackground && m_nOwnerMode == 0)
        DrawBackground();
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDepthRange(-1.0, 1.0);
    glShadeModel(GL_SMOOTH);
    glFrontFace(GL_CW);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);

    // The eye in world space, from the camera matrix.
    const Transform3 camera(viewport->GetCameraMatrix());
    const Vec3 eyePoint = camera.TransformPoint(Vec3(0, 0, 0));
    const float eye[3] = {float(eyePoint.x), float(eyePoint.y), float(eyePoint.z)};

    // The lights pass gathers the frame's dynamic effects, which emitters
    // read; the scene's lights it sets up give way to the frame's two, whose
    // other parameters go back to their defaults.
    RunLightsPass(root);
    for (GLenum light = GL_LIGHT0; light < GL_LIGHT0 + 8; ++light)
        glDisable(light);
    glMatrixMode(GL_MODELVIEW);
    PlaceLights();
    const GLfloat black[4] = {0, 0, 0, 1};
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1}) {
        glLightfv(light, GL_AMBIENT, black);
        glLightfv(light, GL_SPECULAR, light == GL_LIGHT0 ? kLight0Diffuse : kLight1Diffuse);
        glLightf(light, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(light, GL_LINEAR_ATTENUATION, 0.0f);
        glLightf(light, GL_QUADRATIC_ATTENUATION, 0.0f);
        glLightf(light, GL_SPOT_CUTOFF, 180.0f);
        glLightf(light, GL_SPOT_EXPONENT, 0.0f);
    }
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLight0Diffuse);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, kLight1Diffuse);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    // The whole scene is the one shadow caster, measured by its box.
    bool hasBox = false;
    SgPath path;
    path.Append(root);
    const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(path, &hasBox);
    float centre[3] = {0, 0, 0};
    float radius = kDefaultObjectRadius;
    if (hasBox && !SgBoundingBoxAction::IsEmptyBox(box)) {
        for (int i = 0; i < 3; ++i)
            centre[i] = 0.5f * (box.GetMin()[i] + box.GetMax()[i]);
        const Vec3f half = (box.GetMax() - box.GetMin()) * 0.5f;
        radius = std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
    }

    Frame frame{this, root, viewport};
    std::unique_ptr<RtsScene, SceneDeleter> scene(rtsCreateScene(eye, ~0u, &DrawScene, &frame));
    std::unique_ptr<RtsLight, LightDeleter> light0(rtsCreateLight(GL_LIGHT0, kLight0Position, kLightRadius));
    std::unique_ptr<RtsLight, LightDeleter> light1(rtsCreateLight(GL_LIGHT1, kLight1Position, kLightRadius));
    std::unique_ptr<RtsObject, ObjectDeleter> object(
        rtsCreateObject(centre, radius, &DrawObject, &frame, kFeedbackCapacity));
    bool shadows = scene && light0 && light1 && object;
    if (shadows) {
        shadows = rtsAddLightToScene(scene.get(), light0.get()) && rtsAddLightToScene(scene.get(), light1.get()) &&
                  rtsAddObjectToLight(light0.get(), object.get()) && rtsAddObjectToLight(light1.get(), object.get());
    }
    bool ok = true;
    if (shadows) {
        ok = rtsRenderScene(scene.get(), true);
    } else {
        DrawScene(0, &frame);
        ok = false;
    }
    // The object goes first: it unlinks itself from the lights.
    object.reset();
    light0.reset();
    light1.reset();
    scene.reset();
    glDisable(GL_SCISSOR_TEST);
    return ok && frame.ok;
}
