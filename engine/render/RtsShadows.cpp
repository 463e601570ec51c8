#include "engine/render/RtsShadows.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/SgDiagnostics.h"
#include "utilities/math/Vec3.h"

namespace {

constexpr const char *kPackage = "libRTS";
constexpr GLfloat kPassThroughMarker = 34567.0f;
// The largest feedback buffer a capture grows to, in floats (64 MB).
constexpr size_t kMaxFeedback = size_t(1) << 24;
size_t g_maxFeedback = kMaxFeedback;
// The half angle a capture is clamped to (164 degrees of view).
constexpr double kMaxHalfAngle = 82.0 * M_PI / 180.0;

using Loop = std::vector<Vec3>;

struct Silhouette {
    std::vector<Loop> start;   // the loops where the volume begins
    std::vector<Loop> end;     // and where it ends, far from the light
    // The versions of the light and the object it was captured with (0:
    // never captured), and whether that capture failed: a failure stands,
    // and is not told again, until one of them changes.
    unsigned lightVersion = 0;
    unsigned objectVersion = 0;
    bool failed = false;
    // The light, the direction to the object and how far along it the
    // loops begin: where the volume may end instead (RtsScene's reach).
    Vec3 from;
    Vec3 axis;
    double startDistance = 0;
};

} // namespace

struct RtsScene {
    float eye[3] = {0, 0, 0};
    unsigned stencilMask = ~0u;
    void (*drawScene)(GLenum, void *) = nullptr;
    void *data = nullptr;
    std::vector<RtsLight *> lights;
    bool computeBits = true;
    unsigned usableBits = 0;
    std::vector<unsigned> bits;
    bool toldNoStencil = false;
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    int volumes = 0;
    int captures = 0;
    // Every surface that receives shadows lies in this box (rtsSetSceneReach).
    bool hasReach = false;
    Vec3 reachMin;
    Vec3 reachMax;
};

struct RtsLight {
    GLenum glLight = GL_LIGHT0;
    float position[3] = {0, 0, 0};
    float radius = 0;
    int state = kRtsLightShadowed;
    unsigned version = 1;
    std::vector<RtsScene *> scenes;
    std::vector<RtsObject *> objects;
    std::vector<Silhouette> silhouettes;   // index-parallel to objects
};

struct RtsObject {
    float centre[3] = {0, 0, 0};
    float radius = 0;
    void (*drawObject)(void *) = nullptr;
    void *data = nullptr;
    int feedbackCapacity = 0;
    int state = 1;
    unsigned version = 1;
    std::vector<RtsLight *> lights;
};

namespace {

Vec3 ToVec(const float v[3])
{
    return Vec3(v[0], v[1], v[2]);
}

// ---- Silhouette loops from feedback polygons ------------------------------------

struct TessContext {
    std::vector<Loop> loops;
    std::vector<Vec3 *> combined;
    bool failed = false;
};

void GLAPIENTRY TessBegin(GLenum, void *data)
{
    static_cast<TessContext *>(data)->loops.emplace_back();
}
void GLAPIENTRY TessVertex(void *vertex, void *data)
{
    auto *context = static_cast<TessContext *>(data);
    if (!context->loops.empty())
        context->loops.back().push_back(*static_cast<Vec3 *>(vertex));
}
void GLAPIENTRY TessCombine(GLdouble coords[3], void *[4], GLfloat[4], void **out, void *data)
{
    auto *context = static_cast<TessContext *>(data);
    auto *point = new (std::nothrow) Vec3(coords[0], coords[1], coords[2]);
    if (!point) {
        context->failed = true;
        SgDiagWarning(kPackage, "problem alloc context->combineList");
        *out = nullptr;
        return;
    }
    context->combined.push_back(point);
    *out = point;
}
void GLAPIENTRY TessEnd(void *) {}
void GLAPIENTRY TessError(GLenum error, void *data)
{
    static_cast<TessContext *>(data)->failed = true;
    SgDiagWarning(kPackage, "ERROR: %s", reinterpret_cast<const char *>(gluErrorString(error)));
}

// Window coordinates beyond this are no corner of a clipped polygon.
constexpr double kMaxWindowCoordinate = 1e6;

// The boundary loops of the feedback polygons (window coordinates).
bool SilhouetteLoops(const std::vector<GLfloat> &buffer, int used, std::vector<Loop> &loops)
{
    std::vector<std::vector<Vec3>> polygons;
    int skipped = 0;
    int i = 0;
    auto take = [&](int count) { i = std::min(used, i + count); };
    while (i < used) {
        const int token = int(buffer[size_t(i++)]);
        switch (token) {
        case GL_POLYGON_TOKEN: {
            if (i >= used)
                break;
            const int n = int(buffer[size_t(i++)]);
            if (n < 0 || i + 3 * n > used) {
                i = used;
                break;
            }
            std::vector<Vec3> polygon;
            bool usable = true;
            for (int k = 0; k < n; ++k, i += 3) {
                const double x = buffer[size_t(i)], y = buffer[size_t(i) + 1];
                // Sizes near the float limit give corners at infinity or NaN;
                // the tessellator's sweep meets such a corner nowhere and
                // breaks. Clipped window corners lie within a few viewports.
                usable = usable && std::abs(x) <= kMaxWindowCoordinate && std::abs(y) <= kMaxWindowCoordinate;
                polygon.emplace_back(x, y, 0.0);
            }
            if (n >= 3 && usable)
                polygons.push_back(std::move(polygon));
            else if (!usable)
                ++skipped;
            break;
        }
        case GL_PASS_THROUGH_TOKEN: take(1); break;
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN: take(3); break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN: take(6); break;
        default:
            SgDiagWarning(kPackage, "WARNING: Unexpected feedback token 0x%x (%d).", unsigned(token), token);
            break;
        }
    }
    if (skipped > 0)
        SgDiagWarning(kPackage, "WARNING: %d outline polygons with corners out of range were left out.", skipped);
    if (polygons.empty())
        return true;
    GLUtesselator *tess = gluNewTess();
    if (!tess) {
        SgDiagWarning(kPackage, "TessellationContext alloc failed");
        return false;
    }
    TessContext context;
    gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&TessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&TessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&TessCombine));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&TessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&TessError));
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, &context);
    for (std::vector<Vec3> &polygon : polygons) {
        // Both windings count: a face seen from behind is as much outline.
        double area = 0;
        for (size_t k = 0; k < polygon.size(); ++k) {
            const Vec3 &a = polygon[k], &b = polygon[(k + 1) % polygon.size()];
            area += a.x * b.y - b.x * a.y;
        }
        if (area < 0)
            std::reverse(polygon.begin(), polygon.end());
        gluTessBeginContour(tess);
        for (Vec3 &point : polygon)
            gluTessVertex(tess, &point.x, &point);
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    for (Vec3 *point : context.combined)
        delete point;
    if (context.failed)
        return false;
    for (Loop &loop : context.loops)
        if (loop.size() >= 3)
            loops.push_back(std::move(loop));
    return true;
}

// ---- Capture ---------------------------------------------------------------------

bool Capture(RtsScene &scene, RtsLight &light, RtsObject &object, Silhouette &out)
{
    out = Silhouette();
    ++scene.captures;
    const Vec3 from = ToVec(light.position);
    const Vec3 centre = ToVec(object.centre);
    const Vec3 axisVector = centre - from;
    const double distance = axisVector.Length();
    if (!(distance > 1e-6))
        return true; // a light inside the object's centre casts no outline
    const Vec3 axis = axisVector * (1.0 / distance);
    const double radius = std::max(double(object.radius), 0.0);
    double half = 0;
    if (radius / distance > 0.99) {
        half = kMaxHalfAngle;
        SgDiagWarning(kPackage, "WARNING: Clamping FOV to 164 degrees for determining shadow.\n"
                                "         Light distance = %g, object maxmium radius = %g",
                      distance, radius);
    } else {
        half = std::min(std::asin(radius / distance), kMaxHalfAngle);
    }
    double nearPlane = distance - radius;
    if (nearPlane < 0.0001) {
        nearPlane = 0.0001;
        SgDiagWarning(kPackage, "WARNING: Clamping near clip plane to 0.0001 because light source too near.");
    }
    const double farPlane = std::max(1.05 * (distance + radius), nearPlane * 1.01);

    GLint maxDims[2] = {1024, 1024};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxDims);
    const GLint side = std::max(16, std::min(std::min(maxDims[0], maxDims[1]) / 2, 4096));
    (void)scene;

    GLint savedViewport[4];
    glGetIntegerv(GL_VIEWPORT, savedViewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(2.0 * half * 180.0 / M_PI, 1.0, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const bool vertical = std::abs(axis.z) > 0.999;
    gluLookAt(from.x, from.y, from.z, centre.x, centre.y, centre.z, 0, vertical ? 1 : 0, vertical ? 0 : 1);
    glViewport(0, 0, side, side);
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);

    bool ok = true;
    std::vector<GLfloat> buffer;
    size_t capacity = size_t(std::max(object.feedbackCapacity, 64));
    int used = -1;
    while (used < 0) {
        try {
            capacity = std::min(capacity, std::max<size_t>(g_maxFeedback, 64));
            buffer.assign(capacity, 0.0f);
        } catch (const std::bad_alloc &) {
            SgDiagWarning(kPackage, "libRTS: captureLightView: out of memory");
            ok = false;
            break;
        }
        glFeedbackBuffer(GLsizei(capacity), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        glPassThrough(kPassThroughMarker);
        if (object.drawObject)
            object.drawObject(object.data);
        glPassThrough(kPassThroughMarker);
        used = glRenderMode(GL_RENDER);
        if (used < 0) {
            if (capacity >= g_maxFeedback) {
                SgDiagWarning(kPackage, "libRTS: captureLightView: out of memory");
                ok = false;
                break;
            }
            capacity *= 2;
        }
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glViewport(savedViewport[0], savedViewport[1], savedViewport[2], savedViewport[3]);
    if (!ok)
        return false;

    std::vector<Loop> loops;
    if (!SilhouetteLoops(buffer, used, loops)) {
        SgDiagWarning(kPackage, "libRTS: generateSilhouette: out of memory");
        return false;
    }
    // Each outline point becomes a ray from the light; the volume runs along
    // the rays from behind the object's sphere to far beyond it.
    const double startDistance = distance + radius;
    const double endDistance = std::max(startDistance * 50.0, startDistance + 1000.0);
    out.from = from;
    out.axis = axis;
    out.startDistance = startDistance;
    const Vec3 eye = ToVec(scene.eye);
    bool eyeInside = false;
    for (const Loop &loop : loops) {
        Loop start, end;
        for (const Vec3 &w : loop) {
            GLdouble x0, y0, z0, x1, y1, z1;
            if (!gluUnProject(w.x, w.y, 0.0, model, projection, viewport, &x0, &y0, &z0) ||
                !gluUnProject(w.x, w.y, 1.0, model, projection, viewport, &x1, &y1, &z1))
                continue;
            Vec3 ray(x1 - x0, y1 - y0, z1 - z0);
            const double along = ray.x * axis.x + ray.y * axis.y + ray.z * axis.z;
            if (!(along > 1e-12))
                continue;
            ray = ray * (1.0 / along);
            start.push_back(from + ray * startDistance);
            end.push_back(from + ray * endDistance);
        }
        if (start.size() >= 3) {
            out.start.push_back(std::move(start));
            out.end.push_back(std::move(end));
        }
    }
    const Vec3 toEye = eye - from;
    const double eyeAlong = toEye.x * axis.x + toEye.y * axis.y + toEye.z * axis.z;
    if (eyeAlong > startDistance) {
        const double eyeAngle = std::acos(std::clamp(eyeAlong / std::max(toEye.Length(), 1e-12), -1.0, 1.0));
        eyeInside = eyeAngle < half;
    }
    if (eyeInside)
        SgDiagWarning(kPackage, "WARNING: Eye point possibly within the shadow volume.\n"
                                "         Program should be improved to handle this.");
    return true;
}

void DrawFan(const Loop &loop)
{
    glBegin(GL_TRIANGLE_FAN);
    for (const Vec3 &p : loop)
        glVertex3d(p.x, p.y, p.z);
    glEnd();
}

// The closed volume of a silhouette: sides, start cap and end cap, each face
// drawn once; with GL_INVERT the stencil bit ends set where the pixel's
// surface lies inside (an odd number of faces in front of it).
// How far along the silhouette's axis its volume must run to pass every
// receiver: just beyond the farthest corner of the scene's reach; 0 when
// the scene gives none (the volume keeps its far end).
double ReachAlong(const RtsScene &scene, const Silhouette &silhouette)
{
    if (!scene.hasReach || !(silhouette.startDistance > 0))
        return 0;
    double farthest = 0;
    for (int c = 0; c < 8; ++c) {
        const Vec3 corner((c & 1) ? scene.reachMax.x : scene.reachMin.x, (c & 2) ? scene.reachMax.y : scene.reachMin.y,
                          (c & 4) ? scene.reachMax.z : scene.reachMin.z);
        const Vec3 d = corner - silhouette.from;
        farthest = std::max(farthest, d.x * silhouette.axis.x + d.y * silhouette.axis.y + d.z * silhouette.axis.z);
    }
    return std::max(farthest * 1.01 + 0.01, silhouette.startDistance * 1.01);
}

// The loop where the volume ends when it stops at `along` (0: its own end).
Loop EndLoop(const Silhouette &silhouette, size_t l, double along)
{
    if (along <= 0)
        return silhouette.end[l];
    const double scale = along / silhouette.startDistance;
    Loop end;
    end.reserve(silhouette.start[l].size());
    for (const Vec3 &p : silhouette.start[l])
        end.push_back(silhouette.from + (p - silhouette.from) * scale);
    return end;
}

void DrawVolume(const Silhouette &silhouette, double along)
{
    for (size_t l = 0; l < silhouette.start.size(); ++l) {
        const Loop &a = silhouette.start[l];
        const Loop b = EndLoop(silhouette, l, along);
        glBegin(GL_QUAD_STRIP);
        for (size_t k = 0; k <= a.size(); ++k) {
            const Vec3 &p = a[k % a.size()], &q = b[k % b.size()];
            glVertex3d(p.x, p.y, p.z);
            glVertex3d(q.x, q.y, q.z);
        }
        glEnd();
        DrawFan(a);
        DrawFan(b);
    }
}

void ComputeBits(RtsScene &scene)
{
    if (!scene.computeBits)
        return;
    scene.computeBits = false;
    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    const unsigned all = stencilBits >= 32 ? ~0u : ((1u << stencilBits) - 1u);
    scene.usableBits = all & scene.stencilMask;
    scene.bits.clear();
    for (unsigned bit = 1; bit != 0; bit <<= 1)
        if (scene.usableBits & bit)
            scene.bits.push_back(bit);
    if (scene.bits.empty() && !scene.toldNoStencil) {
        scene.toldNoStencil = true;
        SgDiagWarning(kPackage, "WARNING: No stencil bits available for shadowing, expect bad results.\n"
                                "         Frame buffer stencil bits = %d, usable stencil bits = 0x%x.",
                      int(stencilBits), scene.usableBits);
    }
}

// Marks the volumes of the light's casting objects from `first` on, one
// stencil bit of `bits` each; returns the index after the last one marked
// and the bits used.
size_t MarkVolumes(RtsScene &scene, RtsLight &light, size_t first, const std::vector<unsigned> &bits, unsigned &used)
{
    used = 0;
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
    size_t index = first;
    size_t bit = 0;
    for (; index < light.objects.size() && bit < bits.size(); ++index) {
        if (light.objects[index]->state != 1)
            continue;
        const Silhouette &silhouette = light.silhouettes[index];
        if (silhouette.start.empty())
            continue;
        glStencilMask(bits[bit]);
        used |= bits[bit];
        ++bit;
        DrawVolume(silhouette, ReachAlong(scene, silhouette));
        ++scene.volumes;
    }
    glStencilMask(~0u);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_LIGHTING);
    return index;
}

// Sets `reserved` wherever one of the bits `used` is set, then clears
// those bits for the next objects: a full-window quad through the stencil
// test, drawing nothing else.
void MergeIntoReserved(unsigned used, unsigned reserved)
{
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glStencilFunc(GL_NOTEQUAL, int(reserved), used);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glStencilMask(reserved);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glStencilMask(used);
    glClear(GL_STENCIL_BUFFER_BIT);
    glPopAttrib();
}

bool HasCasters(const RtsLight &light)
{
    return std::any_of(light.objects.begin(), light.objects.end(), [](const RtsObject *o) { return o->state == 1; });
}

} // namespace

RtsScene *rtsCreateScene(const float eye[3], unsigned stencilMask, void (*drawScene)(GLenum, void *), void *data)
{
    auto *scene = new (std::nothrow) RtsScene;
    if (!scene) {
        SgDiagError(kPackage, "rtsCreateScene alloc failed");
        return nullptr;
    }
    if (eye)
        std::copy(eye, eye + 3, scene->eye);
    scene->stencilMask = stencilMask;
    scene->drawScene = drawScene;
    scene->data = data;
    return scene;
}

RtsLight *rtsCreateLight(GLenum glLight, const float position[3], float radius)
{
    auto *light = new (std::nothrow) RtsLight;
    if (!light) {
        SgDiagError(kPackage, "rtsCreateLight failed");
        return nullptr;
    }
    light->glLight = glLight;
    if (position)
        std::copy(position, position + 3, light->position);
    light->radius = radius;
    return light;
}

RtsObject *rtsCreateObject(const float centre[3], float radius, void (*drawObject)(void *), void *data,
                           int feedbackCapacity)
{
    auto *object = new (std::nothrow) RtsObject;
    if (!object) {
        SgDiagError(kPackage, "rtsCreateObject failed");
        return nullptr;
    }
    if (centre)
        std::copy(centre, centre + 3, object->centre);
    object->radius = radius;
    object->drawObject = drawObject;
    object->data = data;
    object->feedbackCapacity = feedbackCapacity;
    return object;
}

void rtsFreeScene(RtsScene *scene)
{
    if (!scene)
        return;
    for (RtsLight *light : scene->lights)
        if (light)
            light->scenes.erase(std::remove(light->scenes.begin(), light->scenes.end(), scene), light->scenes.end());
    delete scene;
}

void rtsFreeLight(RtsLight *light)
{
    if (!light)
        return;
    for (RtsScene *scene : light->scenes)
        std::replace(scene->lights.begin(), scene->lights.end(), light, static_cast<RtsLight *>(nullptr));
    for (RtsObject *object : light->objects)
        object->lights.erase(std::remove(object->lights.begin(), object->lights.end(), light), object->lights.end());
    delete light;
}

void rtsFreeObject(RtsObject *object)
{
    if (!object)
        return;
    for (RtsLight *light : object->lights) {
        for (size_t i = 0; i < light->objects.size(); ++i) {
            if (light->objects[i] == object) {
                light->objects.erase(light->objects.begin() + std::ptrdiff_t(i));
                light->silhouettes.erase(light->silhouettes.begin() + std::ptrdiff_t(i));
                break;
            }
        }
    }
    delete object;
}

bool rtsAddLightToScene(RtsScene *scene, RtsLight *light)
{
    if (!scene || !light)
        return false;
    const bool inScene = std::find(scene->lights.begin(), scene->lights.end(), light) != scene->lights.end();
    const bool inLight = std::find(light->scenes.begin(), light->scenes.end(), scene) != light->scenes.end();
    if (inScene != inLight) {
        SgDiagError(kPackage, "rtsAddLightToScene: inconsistent lists");
        return false;
    }
    if (inScene)
        return true;
    try {
        auto freeSlot = std::find(scene->lights.begin(), scene->lights.end(), nullptr);
        if (freeSlot != scene->lights.end())
            *freeSlot = light;
        else
            scene->lights.push_back(light);
        light->scenes.push_back(scene);
    } catch (const std::bad_alloc &) {
        SgDiagError(kPackage, "rtsAddLightToScene: out of memory");
        return false;
    }
    return true;
}

bool rtsAddObjectToLight(RtsLight *light, RtsObject *object)
{
    if (!light || !object)
        return false;
    const bool inLight = std::find(light->objects.begin(), light->objects.end(), object) != light->objects.end();
    const bool inObject = std::find(object->lights.begin(), object->lights.end(), light) != object->lights.end();
    if (inLight != inObject || light->objects.size() != light->silhouettes.size()) {
        SgDiagError(kPackage, "rtsAddObjectToLight: inconsistent lists");
        return false;
    }
    if (inLight)
        return true;
    try {
        light->objects.push_back(object);
        light->silhouettes.emplace_back();
        object->lights.push_back(light);
    } catch (const std::bad_alloc &) {
        SgDiagError(kPackage, "rtsAddObjectToLight: out of memory");
        return false;
    }
    return true;
}

void rtsSetLightState(RtsLight *light, int state)
{
    if (light)
        light->state = state;
}

void rtsSetSceneEye(RtsScene *scene, const float eye[3])
{
    if (scene && eye)
        std::copy(eye, eye + 3, scene->eye);
}

void rtsSetSceneReach(RtsScene *scene, const float boxMin[3], const float boxMax[3])
{
    if (!scene)
        return;
    scene->hasReach = boxMin && boxMax;
    if (scene->hasReach) {
        scene->reachMin = ToVec(boxMin);
        scene->reachMax = ToVec(boxMax);
    }
}

void rtsSetSceneData(RtsScene *scene, void *data)
{
    if (scene)
        scene->data = data;
}

void rtsSetObjectData(RtsObject *object, void *data)
{
    if (object)
        object->data = data;
}

void rtsPlaceObject(RtsObject *object, const float centre[3], float radius)
{
    if (!object || !centre)
        return;
    if (std::equal(centre, centre + 3, object->centre) && radius == object->radius)
        return;
    std::copy(centre, centre + 3, object->centre);
    object->radius = radius;
    rtsTouchObject(object);
}

void rtsTouchObject(RtsObject *object)
{
    if (object && ++object->version == 0)
        object->version = 1; // 0 is what a silhouette never captured holds
}

void rtsPlaceLight(RtsLight *light, const float position[3])
{
    if (!light || !position || std::equal(position, position + 3, light->position))
        return;
    std::copy(position, position + 3, light->position);
    if (++light->version == 0)
        light->version = 1;
}

int rtsCaptureCount(const RtsScene *scene)
{
    return scene ? scene->captures : 0;
}

size_t rtsSetFeedbackLimit(size_t floats)
{
    const size_t previous = g_maxFeedback;
    g_maxFeedback = floats ? floats : kMaxFeedback;
    return previous;
}

int rtsVolumeCount(const RtsScene *scene)
{
    return scene ? scene->volumes : 0;
}

unsigned rtsUsableStencilBits(const RtsScene *scene)
{
    return scene ? scene->usableBits : 0;
}

bool rtsRenderScene(RtsScene *scene, bool shadows)
{
    if (!scene || !scene->drawScene)
        return false;
    scene->volumes = 0;
    scene->captures = 0;
    // Another context may draw the scene next time (a print): its stencil
    // depth is read again.
    scene->computeBits = true;
    std::vector<RtsLight *> shadowed;
    for (RtsLight *light : scene->lights) {
        if (!light)
            continue;
        if (light->state == kRtsLightOff) {
            glDisable(light->glLight);
        } else if (light->state == kRtsLightShadowed && shadows && HasCasters(*light)) {
            if (shadowed.empty())
                glEnable(light->glLight);
            else
                glDisable(light->glLight);
            shadowed.push_back(light);
        }
    }
    // Silhouettes captured before stand while their light and object keep
    // their versions; the first capture that fails ends the capturing, so
    // that a frame tells one failure.
    bool ok = true;
    for (RtsLight *light : shadowed) {
        for (size_t i = 0; i < light->objects.size() && ok; ++i) {
            RtsObject &object = *light->objects[i];
            Silhouette &silhouette = light->silhouettes[i];
            if (object.state != 1)
                continue;
            if (silhouette.lightVersion != light->version || silhouette.objectVersion != object.version) {
                silhouette.failed = !Capture(*scene, *light, object, silhouette);
                silhouette.lightVersion = light->version;
                silhouette.objectVersion = object.version;
            }
            ok = !silhouette.failed;
        }
        if (!ok)
            break;
    }
    if (!ok) {
        // Without every outline the shadows would be wrong: lit, no shadows.
        for (RtsLight *light : shadowed)
            glEnable(light->glLight);
        shadowed.clear();
    }
    glEnable(GL_LIGHTING);
    scene->drawScene(0, scene->data);
    if (shadowed.empty())
        return ok;
    ComputeBits(*scene);
    if (scene->bits.empty()) {
        // Without stencil bits the lit picture stands; the later lights join it.
        for (size_t l = 1; l < shadowed.size(); ++l)
            glEnable(shadowed[l]->glLight);
        if (shadowed.size() > 1)
            scene->drawScene(0, scene->data);
        return true;
    }

    // The first light: its shadowed pixels are drawn again without it.
    RtsLight &first = *shadowed[0];
    glEnable(GL_STENCIL_TEST);
    glDepthMask(GL_FALSE);
    for (size_t next = 0; next < first.objects.size();) {
        unsigned used = 0;
        next = MarkVolumes(*scene, first, next, scene->bits, used);
        glDisable(first.glLight);
        glDepthFunc(GL_EQUAL);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glStencilFunc(GL_NOTEQUAL, 0, used);
        if (used)
            scene->drawScene(first.glLight, scene->data);
        glStencilMask(~0u);
        glClear(GL_STENCIL_BUFFER_BIT);
        glDepthFunc(GL_LEQUAL);
        glEnable(first.glLight);
    }

    // Further lights add their light where their volumes leave the pixels lit.
    if (shadowed.size() > 1) {
        if (scene->bits.size() < 2) {
            SgDiagWarning(kPackage, "WARNING: 1 bit of stencil not enough to reserve a bit.\n"
                                    "         Skipping lights beyond the first.");
        } else {
            GLfloat savedAmbient[4];
            glGetFloatv(GL_LIGHT_MODEL_AMBIENT, savedAmbient);
            const GLfloat none[4] = {0, 0, 0, 0};
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
            // A light is added once, where none of its volumes reaches: with
            // more objects than bits, the highest bit is reserved and
            // collects the volumes of each batch before the next is marked.
            const unsigned reserved = scene->bits.back();
            const std::vector<unsigned> objectBits(scene->bits.begin(), scene->bits.end() - 1);
            for (size_t l = 1; l < shadowed.size(); ++l) {
                RtsLight &light = *shadowed[l];
                for (RtsLight *other : scene->lights)
                    if (other)
                        glDisable(other->glLight);
                glStencilMask(~0u);
                glClear(GL_STENCIL_BUFFER_BIT);
                unsigned shadowBits = 0;
                bool merged = false;
                for (size_t next = 0; next < light.objects.size();) {
                    unsigned used = 0;
                    next = MarkVolumes(*scene, light, next, objectBits, used);
                    if (used && (merged || next < light.objects.size())) {
                        MergeIntoReserved(used, reserved);
                        merged = true;
                    } else {
                        shadowBits |= used;
                    }
                }
                if (merged)
                    shadowBits = reserved;
                glEnable(light.glLight);
                glDepthFunc(GL_EQUAL);
                glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
                glStencilFunc(GL_EQUAL, 0, shadowBits);
                scene->drawScene(0, scene->data);
                glStencilMask(~0u);
                glClear(GL_STENCIL_BUFFER_BIT);
                glDepthFunc(GL_LEQUAL);
                glDisable(light.glLight);
            }
            glDisable(GL_BLEND);
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, savedAmbient);
        }
        for (RtsLight *light : scene->lights)
            if (light && light->state != kRtsLightOff)
                glEnable(light->glLight);
    }
    glDisable(GL_STENCIL_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    return true;
}
