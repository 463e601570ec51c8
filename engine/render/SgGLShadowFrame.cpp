// The render action's shadow frame: the scene and a backdrop drawn by the
// stencil shadow library with two lights.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgCache.h"
#include "engine/core/SgElement.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/RtsShadows.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgShadowCache.h"
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
// The backdrop: a floor at z = -7 and walls at x = -10 and 10, 20 units
// deep, 14 high. A scene reaching past a side moves that side out to its box
// and a little beyond, so that the backdrop never covers the scene.
constexpr float kBackdropHalfWidth = 10.0f;
constexpr float kBackdropFloor = -7.0f;
constexpr float kBackdropTop = 7.0f;
constexpr float kBackdropClearance = 0.01f; // of the scene's radius, at least 0.01

struct Backdrop {
    float x0 = -kBackdropHalfWidth, x1 = kBackdropHalfWidth;
    float y0 = -kBackdropHalfWidth, y1 = kBackdropHalfWidth;
    float z0 = kBackdropFloor, z1 = kBackdropTop;
};

struct Frame {
    SgGLRenderAction *render;
    SgNode *root;
    SgViewport *viewport;
    Backdrop backdrop;
    bool ok = true;
};

Backdrop BackdropAround(const Range<Vec3f> &box, float radius)
{
    Backdrop b;
    const float clear = kBackdropClearance * std::max(radius, 1.0f);
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    if (lo[0] < b.x0)
        b.x0 = lo[0] - clear;
    if (hi[0] > b.x1)
        b.x1 = hi[0] + clear;
    if (lo[2] < b.z0)
        b.z0 = lo[2] - clear;
    // The floor runs under the whole scene and the walls stand as deep and
    // as high as it reaches, without covering anything more.
    b.y0 = std::min(b.y0, lo[1] - clear);
    b.y1 = std::max(b.y1, hi[1] + clear);
    b.z1 = std::max(b.z1, hi[2] + clear);
    return b;
}

void PlaceLights()
{
    glLightfv(GL_LIGHT0, GL_POSITION, kLight0Position);
    glLightfv(GL_LIGHT1, GL_POSITION, kLight1Position);
}

// Wound clockwise seen from the side the normal points to: the frame's
// front faces are clockwise. Only those are drawn, so that an eye outside
// the backdrop (below the floor, beyond a wall) looks through it.
void DrawBackdrop(const Backdrop &b)
{
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(b.x0, b.y0, b.z0);
    glVertex3f(b.x0, b.y1, b.z0);
    glVertex3f(b.x1, b.y1, b.z0);
    glVertex3f(b.x1, b.y0, b.z0);
    glNormal3f(1, 0, 0);
    glVertex3f(b.x0, b.y0, b.z0);
    glVertex3f(b.x0, b.y0, b.z1);
    glVertex3f(b.x0, b.y1, b.z1);
    glVertex3f(b.x0, b.y1, b.z0);
    glNormal3f(-1, 0, 0);
    glVertex3f(b.x1, b.y0, b.z0);
    glVertex3f(b.x1, b.y1, b.z0);
    glVertex3f(b.x1, b.y1, b.z1);
    glVertex3f(b.x1, b.y0, b.z1);
    glEnd();
    glPopAttrib();
}

void DrawScene(GLenum, void *data)
{
    auto *frame = static_cast<Frame *>(data);
    frame->viewport->UpdateModelProjViewMatrix();
    glMatrixMode(GL_MODELVIEW);
    PlaceLights();
    const GLfloat grey[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, grey);
    DrawBackdrop(frame->backdrop);
    frame->ok = frame->render->TraverseForShadows(frame->root) && frame->ok;
}

void DrawObject(void *data)
{
    auto *frame = static_cast<Frame *>(data);
    frame->render->TraverseForShadows(frame->root);
}

// Held in the drawn root's caches: any change below the root clears it, and
// a new mark has a new serial.
class ShadowMark : public SgCache {
public:
    explicit ShadowMark(unsigned long serial) : m_serial(serial) { SetValid(true); }
    void DestroyCache() override {}
    unsigned long Serial() const { return m_serial; }

private:
    unsigned long m_serial;
};

unsigned long g_markSerial = 0;

} // namespace

SgShadowCache::SgShadowCache()
{
    const float origin[3] = {0, 0, 0};
    m_scene = rtsCreateScene(origin, ~0u, &DrawScene, nullptr);
    m_lights[0] = rtsCreateLight(GL_LIGHT0, kLight0Position, kLightRadius);
    m_lights[1] = rtsCreateLight(GL_LIGHT1, kLight1Position, kLightRadius);
    m_object = rtsCreateObject(origin, kDefaultObjectRadius, &DrawObject, nullptr, kFeedbackCapacity);
    bool linked = IsReady();
    for (RtsLight *light : m_lights)
        linked = linked && rtsAddLightToScene(m_scene, light) && rtsAddObjectToLight(light, m_object);
    if (!linked) {
        // Without every record and link the frames are drawn without shadows.
        rtsFreeObject(m_object);
        m_object = nullptr;
    }
}

int SgShadowCache::LastCaptureCount() const
{
    return rtsCaptureCount(m_scene);
}

SgShadowCache::~SgShadowCache()
{
    // The object goes first: it unlinks itself from the lights.
    rtsFreeObject(m_object);
    rtsFreeLight(m_lights[0]);
    rtsFreeLight(m_lights[1]);
    rtsFreeScene(m_scene);
}

bool SgGLRenderAction::TraverseForShadows(SgNode *root)
{
    // The library adds each further light with blending on: the materials
    // must not turn it off. The ordinary display lists hold the materials'
    // own blending, so this pass compiles and replays lists of its own
    // (GetRenderCacheSlot), made while blending stays on.
    if (!glIsEnabled(GL_BLEND))
        return TraverseRoot(root);
    m_bAdditivePass = true;
    const bool ok = TraverseRoot(root);
    m_bAdditivePass = false;
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
    Frame frame{this, root, viewport, Backdrop(), true};
    if (hasBox && !SgBoundingBoxAction::IsEmptyBox(box)) {
        for (int i = 0; i < 3; ++i)
            centre[i] = 0.5f * (box.GetMin()[i] + box.GetMax()[i]);
        const Vec3f half = (box.GetMax() - box.GetMin()) * 0.5f;
        radius = std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
        frame.backdrop = BackdropAround(box, radius);
    }

    SgShadowCache &cache = viewport->GetShadowCache();
    if (!cache.IsReady()) {
        DrawScene(0, &frame);
    } else {
        rtsSetSceneEye(cache.m_scene, eye);
        rtsSetSceneData(cache.m_scene, &frame);
        // The backdrop holds the scene's box: nothing beyond it receives a
        // shadow. A scene that could not be measured keeps the far volumes.
        const Backdrop &b = frame.backdrop;
        const float reachMin[3] = {b.x0, b.y0, b.z0};
        const float reachMax[3] = {b.x1, b.y1, b.z1};
        const bool measured = hasBox && !SgBoundingBoxAction::IsEmptyBox(box);
        rtsSetSceneReach(cache.m_scene, measured ? reachMin : nullptr, measured ? reachMax : nullptr);
        rtsSetObjectData(cache.m_object, &frame);
        rtsPlaceObject(cache.m_object, centre, radius);
        if (!KeepsShadowMark(root, cache))
            rtsTouchObject(cache.m_object);
        // A capture that fails (a scene too large to outline) has said so
        // once; the picture is then drawn lit, without shadows, and stands.
        rtsRenderScene(cache.m_scene, true);
        rtsSetSceneData(cache.m_scene, nullptr);
        rtsSetObjectData(cache.m_object, nullptr);
    }
    glDisable(GL_SCISSOR_TEST);
    return frame.ok;
}

bool SgGLRenderAction::KeepsShadowMark(SgNode *root, SgShadowCache &cache)
{
    unsigned long serial = 0;
    if (root && root->IsSeparator() && s_iShadowMarkSlot >= 0) {
        auto *separator = static_cast<SgSeparator *>(root);
        if (s_iShadowMarkSlot < separator->GetEntryCount()) {
            SgCache *&slot = separator->GetCache(s_iShadowMarkSlot);
            if (slot && !slot->IsValid()) {
                delete slot;
                slot = nullptr;
            }
            if (!slot)
                slot = new ShadowMark(++g_markSerial);
            serial = static_cast<ShadowMark *>(slot)->Serial();
        }
    }
    // Without a mark (a root that keeps no caches) nothing tells a change:
    // every frame captures again.
    const bool kept = serial != 0 && cache.m_root == root && cache.m_mark == serial;
    cache.m_root = root;
    cache.m_mark = serial;
    return kept;
}
