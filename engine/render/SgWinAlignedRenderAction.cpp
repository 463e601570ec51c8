#include "engine/render/SgWinAlignedRenderAction.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/SgElementClasses.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/actions/SgScanCache.h"
#include "engine/core/SgState.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgError.h"

SG_ACTION_SOURCE(SgWinAlignedRenderAction, "SgWinAlignedRenderAction")

namespace {

// Shorter axes have no direction to normalise.
constexpr double kMinAxisLength = 1e-5;
// Depths closer than this to the eye would make the visible height vanish.
constexpr double kMinDepth = 0.0001;

Mat4 SafeInverse(const Mat4 &m)
{
    try {
        return m.Inverse();
    } catch (const SgMathError &) {
        return Mat4::Identity();
    }
}

// A rotation matrix with the given (not necessarily unit) axes as columns.
Mat4 FrameOf(Vec3 x, Vec3 y, Vec3 z)
{
    auto unit = [](Vec3 v) {
        const double length = v.Length();
        return length >= kMinAxisLength ? v / length : v;
    };
    x = unit(x);
    y = unit(y);
    z = unit(z);
    Mat4 m;
    for (int r = 0; r < 3; ++r) {
        m.Set(r, 0, x[r]);
        m.Set(r, 1, y[r]);
        m.Set(r, 2, z[r]);
    }
    return m;
}

double ColumnLength(const Mat4 &m, int column)
{
    return std::sqrt(m[0][column] * m[0][column] + m[1][column] * m[1][column] + m[2][column] * m[2][column]);
}

} // namespace

void SgWinAlignedRenderAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgTransform::ClassID(), VisitTransform);
    SetVisitor(s_pfnMethodsMap, SgSeparator::ClassID(), VisitSeparator);
    SetVisitor(s_pfnMethodsMap, SgBillboard::ClassID(), VisitBillboard);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
}

SgWinAlignedRenderAction::SgWinAlignedRenderAction(SgViewport *viewport) : m_pViewport(viewport)
{
    InitState();
}

bool SgWinAlignedRenderAction::Apply(SgNode *root)
{
    if (!root || !m_pViewport)
        return false;
    m_CameraToWorld = Transform3(m_pViewport->GetCameraMatrix());

    // The action works in the coordinates of the camera scene: the matrix
    // from its root down to `root` starts the accumulation.
    Mat4 start = Mat4::Identity();
    SgSeparator *sceneRoot = m_pViewport->GetNodara();
    if (sceneRoot && sceneRoot != root) {
        SgPath path;
        path.Append(sceneRoot);
        path.Append(root);
        start = SgGetTransformAction::PathMatrix(path).GetMatrix();
    }
    TransformElement::Reset(m_pState, nullptr, start);
    m_AboveLast = start;
    m_pLastTransform = nullptr;
    m_nSpare = 0;
    return SgAction::Apply(root);
}

void SgWinAlignedRenderAction::VisitTransform(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgWinAlignedRenderAction *>(action);
    // What lies above the transform is what a billboard's rewrite must not
    // change: remember it before the node multiplies itself in.
    const Mat4 above = TransformElement::Get(self->m_pState);
    node->DoAction(action);
    self->m_pLastTransform = static_cast<SgTransform *>(node);
    self->m_AboveLast = above;
}

void SgWinAlignedRenderAction::VisitSeparator(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgWinAlignedRenderAction *>(action);
    if (!(SgScanCache::GetFlags(static_cast<SgSeparator *>(node)) & SgScanCache::kBillboard))
        return;
    SgTransform *last = self->m_pLastTransform;
    const Mat4 above = self->m_AboveLast;
    node->DoAction(action);
    self->m_pLastTransform = last;
    self->m_AboveLast = above;
}

void SgWinAlignedRenderAction::VisitBillboard(SgAction *action, SgNode *node)
{
    static_cast<SgWinAlignedRenderAction *>(action)->UpdateBillboard(static_cast<SgBillboard *>(node));
}

void SgWinAlignedRenderAction::UpdateBillboard(SgBillboard *billboard)
{
    const int rotationType = billboard->m_rotationType.Get(true);
    const int sizeType = billboard->m_sizeType.Get(true);
    const int positionType = billboard->m_positionType.Get(true);
    SgTransform *T = m_pLastTransform;
    if ((rotationType < 1 && sizeType < 1 && positionType < 1) || !T)
        return;

    // The rewrites are the view's doing, not the user's: no undo records.
    T->DisableUndo();

    SgCamera *camera = m_pViewport->GetCamera();
    const double W = std::max(1, m_pViewport->GetWidth());
    const double H = std::max(1, m_pViewport->GetHeight());
    const double D = std::sqrt(W * W + H * H);
    const Mat4 &C = m_CameraToWorld.GetMatrix();
    const Mat4 worldToCamera = SafeInverse(C);
    // P: the frame above T (T's parent frame to world); M: the billboard's
    // own frame, recorded for the display lists that depend on it.
    const Mat4 P = m_AboveLast;
    const Mat4 Pinv = SafeInverse(P);
    const Mat4 M = TransformElement::Get(m_pState);

    const Vec3 origin = M.MultPoint(Vec3(0, 0, 0));
    auto visibleHeight = [&](double depth) {
        if (!camera)
            return 1.0;
        if (camera->IsPerspective())
            return 2.0 * std::tan(camera->m_heightAngle.Get(true) * std::numbers::pi / 180.0 * 0.5) *
                   std::max(-depth, kMinDepth);
        return camera->m_height.Get(true);
    };

    if (rotationType >= 1 && rotationType <= 4) {
        Mat4 frame;
        bool set = true;
        switch (rotationType) {
        case 1:
            frame = Pinv * C;
            break;
        case 2: {
            const Vec3 eye = Pinv.MultPoint(C.MultPoint(Vec3(0, 0, 0)));
            const Vec3 here = T->m_translation.Get(true);
            const Vec3 v = eye - here;
            const Vec3 x(-v[1], v[0], 0.0);
            if (x.Length() < kMinAxisLength) {
                set = false;
                break;
            }
            const Vec3 z(0, 0, 1);
            frame = FrameOf(x, z.Cross(x), z);
            break;
        }
        case 3: {
            Vec3 d = origin - billboard->m_targetPoint.Get(true);
            if (d.Length() >= kMinAxisLength)
                d = d / d.Length();
            Vec3 x(-d[1], d[0], 0.0);
            if (x.Length() < kMinAxisLength)
                x = Vec3(1, 0, 0);
            frame = Pinv * FrameOf(x, d.Cross(x), d);
            break;
        }
        case 4:
            frame = Pinv * C * billboard->m_targetRotation.Get(true).GetMatrix();
            break;
        }
        if (set)
            T->m_rotation.Set(Transform3(frame).GetRotation());
    }

    const double z = billboard->m_z.Get(true);
    if (sizeType > 0) {
        double factor = 1.0;
        if (sizeType == 2)
            factor = H / 100.0;
        else if (sizeType == 3)
            factor = W / 100.0;
        else if (sizeType == 4)
            factor = D / 100.0;
        const double pixels = billboard->m_size.Get(true) * factor;
        const double depth = positionType > 0 ? -z : worldToCamera.MultPoint(origin)[2];
        const double V = visibleHeight(depth);
        double s = pixels / (H / V);
        const double ax = ColumnLength(P, 0);
        const double ay = ColumnLength(P, 1);
        const double az = ColumnLength(P, 2);
        if (ax > 0.0) {
            if (s / ax > kMaxRelativeScale)
                s = kMaxRelativeScale * ax;
            if (s / ax < kMinRelativeScale)
                s = kMinRelativeScale * ax;
        }
        auto over = [](double a, double b) { return b > 0.0 ? a / b : a; };
        T->m_scaleFactor.Set(Vec3(over(s, ax), over(s, ay), over(s, az)));
    }

    if (positionType > 0) {
        const double fx = positionType == 1 ? 1.0 / W : 0.01;
        const double fy = positionType == 1 ? 1.0 / H : 0.01;
        const double V = visibleHeight(-z);
        const double visibleWidth = V * W / H;
        const Vec3 inCamera((billboard->m_x.Get(true) * fx - 0.5) * visibleWidth,
                            (billboard->m_y.Get(true) * fy - 0.5) * V, -z);
        T->m_translation.Set(Pinv.MultPoint(C.MultPoint(inCamera)));
    }

    if (billboard->IsUndoEnabled())
        T->EnableUndo();
}
