#include "engine/render/SgViewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgShadowCache.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgError.h"
#include "utilities/StringUtil.h"
#include "utilities/image/ImageRead.h"
#include "utilities/math/Transform3.h"

namespace {

// Row-major matrix (column vectors) into the column-major order GL reads.
void ToGL(const Mat4 &m, double out[16])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[c * 4 + r] = m[r][c];
}

// The aspect of a rectangle; a rectangle without height has none, and 1
// keeps the projection finite.
double Aspect(int width, int height)
{
    return height > 0 ? static_cast<double>(static_cast<float>(width) / static_cast<float>(height)) : 1.0;
}

// The path in the coordinates of the camera scene: a path that starts below
// the scene root is prefixed with the root when it is the root's child.
SgPath FromSceneRoot(SgSeparator *root, const SgPath &path)
{
    if (!root || path.IsEmpty() || path[0] == root)
        return path;
    SgPath full;
    full.Append(root);
    full.Append(path);
    return full;
}

// The world matrix at the end of a path given from the camera scene (or from
// one of its children).
Transform3 WorldMatrix(SgSeparator *root, const SgPath &path)
{
    return SgGetTransformAction::PathMatrix(FromSceneRoot(root, path));
}

Transform3 SafeInverse(const Transform3 &t)
{
    try {
        return t.Inverse();
    } catch (const SgMathError &) {
        return Transform3();
    }
}

} // namespace

SgViewport::SgViewport() = default;

SgViewport::~SgViewport()
{
    SetNodara(nullptr);
}

void SgViewport::SetHeadLight(SgLight *light)
{
    m_pHeadLight = light;
}

SgShadowCache &SgViewport::GetShadowCache()
{
    if (!m_shadowCache)
        m_shadowCache = std::make_unique<SgShadowCache>();
    return *m_shadowCache;
}

void SgViewport::SetNodara(SgSeparator *scene)
{
    if (scene != m_pNodara.get())
        m_pNodara = scene;
}

void SgViewport::AdoptViewNodes()
{
    m_pCamera = nullptr;
    m_pBackground = nullptr;
    m_pCameraTransform = nullptr;
    m_pGraphTransform1 = nullptr;
    m_pGraphTransform2 = nullptr;
    m_pDrawStyle = nullptr;
    m_pLightModel = nullptr;
    m_pHeadLight.reset();
    m_pMaterial = nullptr;
    if (!m_pNodara)
        return;
    // The camera scene is shallow: its own nodes lie within two levels of the
    // root, and the shown scene (its last child) is not searched.
    std::vector<SgTransform *> transforms;
    const int count = m_pNodara->GetNumChildren();
    auto take = [&](SgNode *node, bool inHead) {
        if (node->IsTransform() && node->GetClassID() == SgTransform::ClassID()) {
            if (inHead && !m_pCameraTransform)
                m_pCameraTransform = static_cast<SgTransform *>(node);
            else if (!inHead)
                transforms.push_back(static_cast<SgTransform *>(node));
        } else if (node->IsDerivedFrom(SgCamera::ClassID()) && !m_pCamera) {
            m_pCamera = static_cast<SgCamera *>(node);
        } else if (node->GetClassID() == SgBackground::ClassID() && !m_pBackground) {
            m_pBackground = static_cast<SgBackground *>(node);
        } else if (node->GetClassID() == SgDrawStyle::ClassID() && !m_pDrawStyle) {
            m_pDrawStyle = static_cast<SgDrawStyle *>(node);
        } else if (node->GetClassID() == SgLightModel::ClassID() && !m_pLightModel) {
            m_pLightModel = static_cast<SgLightModel *>(node);
        } else if (node->IsDerivedFrom(SgLight::ClassID()) && !m_pHeadLight) {
            m_pHeadLight = static_cast<SgLight *>(node);
        } else if (node->GetClassID() == SgMaterial::ClassID() && !m_pMaterial) {
            m_pMaterial = static_cast<SgMaterial *>(node);
        }
    };
    for (int i = 0; i + 1 < count; ++i) {
        SgNode *child = m_pNodara->GetChild(i);
        if (!child)
            continue;
        take(child, false);
        if (child->IsGroup()) {
            // A group holding the camera is the head group: its transform
            // places the camera; any other group holds the scene transforms.
            bool head = false;
            for (int j = 0; j < child->GetNumChildren(); ++j)
                head = head || (child->GetChild(j) && child->GetChild(j)->IsDerivedFrom(SgCamera::ClassID()));
            for (int j = 0; j < child->GetNumChildren(); ++j)
                if (SgNode *inner = child->GetChild(j))
                    take(inner, head);
        }
    }
    if (!transforms.empty())
        m_pGraphTransform1 = transforms[0];
    if (transforms.size() > 1)
        m_pGraphTransform2 = transforms[1];
    // Turning the view turns the whole scene, and moving the camera moves
    // where it is seen from: nothing in it is rebuilt.
    for (SgTransform *placement : {m_pGraphTransform1, m_pGraphTransform2, m_pCameraTransform})
        if (placement)
            placement->SetViewPlacement(true);
}

Mat4 SgViewport::GetCameraMatrix()
{
    if (!m_pNodara || !m_pCamera)
        return Mat4::Identity();
    SgGetTransformAction action(m_pCamera);
    action.Apply(m_pNodara);
    const Transform3 &world = action.GetTransform();
    return Transform3(world.GetRotation(), world.GetTranslation()).GetMatrix();
}

void SgViewport::UpdateModelProjViewMatrix()
{
    Mat4 view;
    try {
        view = GetCameraMatrix().Inverse();
    } catch (const SgMathError &) {
        view = Mat4::Identity();
    }
    const int left = m_Size.GetMin().x;
    const int bottom = m_Size.GetMin().y;
    const int width = GetWidth();
    const int height = GetHeight();
    glViewport(left, bottom, width, height);
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = Aspect(width, height);
    const double nearDistance = m_pCamera ? m_pCamera->m_nearDistance.Get(true) : 0.2;
    const double farDistance = m_pCamera ? m_pCamera->m_farDistance.Get(true) : 1000.0;
    if (!m_pCamera || m_pCamera->IsPerspective()) {
        const double angle = m_pCamera ? m_pCamera->m_heightAngle.Get(true) : 45.0;
        gluPerspective(angle, aspect, nearDistance, farDistance);
    } else {
        const double halfHeight = m_pCamera->m_height.Get(true) * 0.5;
        const double halfWidth = aspect * 0.5 * m_pCamera->m_height.Get(true);
        glOrtho(-halfWidth, halfWidth, -halfHeight, halfHeight, nearDistance, farDistance);
    }

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    double gl[16];
    ToGL(view, gl);
    glMultMatrixd(gl);
    glMatrixMode(static_cast<GLenum>(mode));
}

Vec2i SgViewport::GetCenterPoint() const
{
    return Vec2i(GetWidth() / 2, GetHeight() / 2);
}

void SgViewport::Focus(const SgPathList *paths, double factor)
{
    if (!m_pNodara || !m_pCamera || !m_pCameraTransform)
        return;
    const double w = GetWidth() > 0 ? GetWidth() : 1;
    const double h = GetHeight() > 0 ? GetHeight() : 1;

    Range<Vec3f> world = Range<Vec3f>::Empty();
    bool measured = false;
    if (paths && !paths->IsEmpty()) {
        for (POSITION position = paths->GetFirst(); position;) {
            SgPath path = FromSceneRoot(m_pNodara, paths->GetNext(position));
            bool hasBox = false;
            const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(path, &hasBox);
            if (hasBox && !SgBoundingBoxAction::IsEmptyBox(box)) {
                world.Extend(box);
                measured = true;
            }
        }
    } else {
        SgBoundingBoxAction action;
        action.Apply(m_pNodara);
        if (action.HasBox() && !SgBoundingBoxAction::IsEmptyBox(action.m_Box)) {
            world = action.m_Box;
            measured = true;
        }
    }
    if (!measured)
        return;
    if (paths && !paths->IsEmpty()) {
        // The framed objects become the centre the scene turns about. The
        // camera alone brings them into view: moving the scene as well
        // would carry them out of the picture again.
        const Vec3f c = world.GetCenter();
        m_RotationCenter = Vec3(c[0], c[1], c[2]);
    }

    // The box in camera coordinates: the eight corners through the inverse
    // camera matrix.
    Mat4 toCamera;
    try {
        toCamera = GetCameraMatrix().Inverse();
    } catch (const SgMathError &) {
        toCamera = Mat4::Identity();
    }
    Range<Vec3f> box = Range<Vec3f>::Empty();
    const Vec3f &lo = world.GetMin();
    const Vec3f &hi = world.GetMax();
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 p((corner & 1) ? hi[0] : lo[0], (corner & 2) ? hi[1] : lo[1], (corner & 4) ? hi[2] : lo[2]);
        const Vec3 q = toCamera.MultPoint(p);
        box.Extend(Vec3f(static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2])));
    }
    const double x0 = box.GetMin()[0], x1 = box.GetMax()[0];
    const double y0 = box.GetMin()[1], y1 = box.GetMax()[1];
    const double z0 = box.GetMin()[2], z1 = box.GetMax()[2];
    if (!(x0 < x1))
        return;
    const double cx = (x0 + x1) / 2.0;
    const double cy = (y0 + y1) / 2.0;
    const double s = std::max((y1 - y0) / 2.0, (x1 - x0) / 2.0 * h / w) * factor;
    const double halfAngle = m_pCamera->m_heightAngle.Get(true) * std::numbers::pi / 180.0 / 2.0;
    const double t = std::tan(halfAngle);
    const double d = (std::fabs(t) > 1e-12 ? s / t : s) + z1;

    const Rotation &turn = m_pCameraTransform->m_rotation.Get(true);
    const Vec3 offset = turn.Rotate(Vec3(cx, cy, d));
    m_pCameraTransform->m_translation.Set(m_pCameraTransform->m_translation.Get(true) + offset);
    if (!m_pCamera->IsPerspective())
        m_pCamera->m_height.Set(2.0 * s);

    // The framed box lies between d - z1 and d - z0 before the camera: a
    // small scene comes closer than the near plane, a large one reaches past
    // the far plane. The planes move outwards, so that what was in view
    // stays; only a near plane very much closer than the scene follows it
    // out, because the depth buffer resolves distances in proportion to
    // near / distance squared and would let faces of a large scene far
    // apart fight.
    constexpr double kNearShare = 1e-3;
    const double nearest = d - z1;
    const double farthest = d - z0;
    const double nearDistance = m_pCamera->m_nearDistance.Get(true);
    const double farDistance = m_pCamera->m_farDistance.Get(true);
    if (nearest > 0.0 && nearest < nearDistance * 1.5)
        m_pCamera->m_nearDistance.Set(std::min(nearDistance, nearest * 0.5));
    else if (nearest > 0.0 && nearDistance < nearest * kNearShare)
        m_pCamera->m_nearDistance.Set(nearest * kNearShare);
    if (farthest > farDistance)
        m_pCamera->m_farDistance.Set(farthest * 2.0);
}

void SgViewport::RotateScene(double a, double b, bool variant)
{
    if (!m_pCameraTransform)
        return;
    const Mat4 M = m_pCameraTransform->GetMatrix().GetMatrix();
    const Vec3 origin = M.MultPoint(Vec3(0, 0, 0));
    const Vec3 xAxis = M.MultPoint(Vec3(1, 0, 0)) - origin;
    const Vec3 yAxis = M.MultPoint(Vec3(0, 1, 0)) - origin;

    if (!variant) {
        if (m_pCamera && m_pCamera->IsOrbit()) {
            const double phi1 = std::atan2(M[2][0], M[2][1]);
            const double theta = std::acos(std::clamp(M[2][2], -1.0, 1.0));
            const double phi3 = std::numbers::pi - std::atan2(M[0][2], M[1][2]);
            const Rotation rz3(Vec3(0, 0, 1), phi3 + a);
            const Rotation rx(Vec3(1, 0, 0), theta - b);
            const Rotation rz1(Vec3(0, 0, 1), phi1);
            m_pCameraTransform->m_rotation.Set(rz3 * rx * rz1);
            return;
        }
        if (a != 0.0 && m_pGraphTransform1) {
            const Vec3 &c = m_RotationCenter;
            *m_pGraphTransform1 *= Transform3(c);
            *m_pGraphTransform1 *= Transform3(Vec3(0, 0, 1), -a);
            *m_pGraphTransform1 *= Transform3(Vec3(-c[0], -c[1], -c[2]));
        }
        if (b != 0.0)
            m_pCameraTransform->LeftMult(Transform3(xAxis, -b));
        return;
    }

    if (!m_pGraphTransform1)
        return;
    const Mat4 G = m_pGraphTransform1->GetMatrix().GetMatrix();
    const Vec3 Z = G.MultDirection(Vec3(0, 0, 1));
    const double scale = yAxis.Length() * Z.Length();
    if (scale <= 0.0)
        return;
    const Vec3 n = yAxis.Cross(Z) / scale;
    const double s = n.Length();
    if (s < 0.0001)
        return;
    m_pGraphTransform1->LeftMult(Transform3(n, -std::asin(std::min(s, 1.0))));
}

void SgViewport::SetViewDirection(double x, double y, double z, double angle)
{
    if (m_pGraphTransform2)
        m_pGraphTransform2->m_rotation.Set(Rotation(Vec3(x, y, z), angle));
}

void SgViewport::SetViewCenter(const Vec3 &center)
{
    if (m_pGraphTransform2)
        m_pGraphTransform2->m_translation.Set(center);
}

void SgViewport::SetBGImage(const std::string &name)
{
    if (SgIEquals(name, m_BGImageName))
        return;
    if (name.empty()) {
        m_BGPixels.clear();
        m_BGImageName.clear();
        m_BGRect = Range<Vec2i>();
        return;
    }
    int width = 0;
    int height = 0;
    unsigned char *pixels = ImageRead(name.c_str(), &width, &height, 1);
    if (!pixels)
        return;
    if (width > 0 && height > 0)
        m_BGPixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    else
        m_BGPixels.clear();
    ImageFree(pixels);
    m_BGRect = Range<Vec2i>(Vec2i(0, 0), Vec2i(width, height));
    m_BGImageName = name;
}

Segment SgViewport::WorldRay(const Vec2i &point)
{
    SgRayPickAction pick(this);
    pick.SetWindowPoint(point.x, point.y);
    pick.Apply(nullptr);
    return Segment(pick.GetNearPoint(), pick.GetFarPoint());
}

Segment SgViewport::ObjectRay(const Vec2i &point, const SgPath &path)
{
    const Segment world = WorldRay(point);
    const Transform3 inverse = SafeInverse(WorldMatrix(m_pNodara, path));
    return Segment(inverse.TransformPoint(world.GetStart()), inverse.TransformPoint(world.GetEnd()));
}

Vec3 SgViewport::ObjectEye(const SgPath &path)
{
    const Vec3 eye = GetCameraMatrix().MultPoint(Vec3(0, 0, 0));
    return SafeInverse(WorldMatrix(m_pNodara, path)).TransformPoint(eye);
}

Vec3 SgViewport::ObjectEyeDir(const SgPath &path)
{
    const Vec3 dir = GetCameraMatrix().MultDirection(Vec3(0, 0, -1));
    Vec3 local = SafeInverse(WorldMatrix(m_pNodara, path)).TransformVector(dir);
    const double length = local.Length();
    return length > 0.0 ? local / length : local;
}

Vec3 SgViewport::WorldToObject(const Vec3 &p, const SgPath &path)
{
    return SafeInverse(WorldMatrix(m_pNodara, path)).TransformPoint(p);
}

Vec3 SgViewport::TranslateWinToWorld(const Vec2i &point, const SgPath *path)
{
    SgRayPickAction pick(this);
    pick.SetWindowPoint(point.x, point.y);
    if (path && !path->IsEmpty()) {
        const SgPath full = FromSceneRoot(m_pNodara, *path);
        pick.ApplyToPath(full);
        PickedPointQuery all;
        const SgPickedPoint nearest = pick.GetNearestPoint1(&all);
        if (!nearest.m_Path.IsEmpty())
            return nearest.m_Point;
        return pick.GetDepthPoint();
    }
    pick.Apply(nullptr);
    return pick.GetDepthPoint();
}

Range<Vec3f> SgViewport::Project3dBoxToWin(const Range<Vec3f> &box)
{
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    GLint viewport[4] = {0, 0, 0, 0};
    GLint savedViewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, savedViewport);

    UpdateModelProjViewMatrix();
    double modelView[16];
    double projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);

    Vec3f lo(FLT_MAX, FLT_MAX, FLT_MAX);
    Vec3f hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (int corner = 0; corner < 8; ++corner) {
        const double x = (corner & 1) ? box.GetMax()[0] : box.GetMin()[0];
        const double y = (corner & 2) ? box.GetMax()[1] : box.GetMin()[1];
        const double z = (corner & 4) ? box.GetMax()[2] : box.GetMin()[2];
        double wx = 0, wy = 0, wz = 0;
        if (gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz) != GL_TRUE)
            continue;
        const float p[3] = {static_cast<float>(wx), static_cast<float>(wy), static_cast<float>(wz)};
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }

    glViewport(savedViewport[0], savedViewport[1], savedViewport[2], savedViewport[3]);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(mode));
    return Range<Vec3f>(lo, hi);
}
