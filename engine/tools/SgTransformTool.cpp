#include "engine/tools/SgTransformTool.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "utilities/math/Color.h"
#include "utilities/math/Rotation.h"

SG_CLASS_SOURCE(SgTransformTool, SgRubberTool, SgFieldMngr, "SgTransformTool")
SG_CLASS_SOURCE(SgMoveTool, SgTransformTool, SgFieldMngr, "SgMoveTool")
SG_CLASS_SOURCE(SgTrackballTool, SgTransformTool, SgFieldMngr, "SgTrackballTool")

namespace {

// Pixels around the cursor within which a handle is hit.
constexpr double kHandlePickRadius = 5.0;
constexpr const char *kGizmoName = "TRANSFORMTOOL";
constexpr const char *kAxisNames[3] = {"MOVE_X", "MOVE_Y", "MOVE_Z"};
// Rays closer to parallel with an axis than this give no drag step.
constexpr double kParallelLimit = 1e-12;

template <class T> T *Quiet(T *node)
{
    node->DisableUndo();
    return node;
}

SgCube *Box(double w, double h, double d)
{
    auto *cube = Quiet(new SgCube);
    cube->m_width.Set(w);
    cube->m_height.Set(h);
    cube->m_depth.Set(d);
    return cube;
}

} // namespace

SgTransformTool::SgTransformTool() : m_pHighlight(new SgMaterial)
{
    // Handles light up yellow under the cursor.
    m_pHighlight->DisableUndo();
    m_pHighlight->m_diffuseColor.SetValue(0, Color(1, 1, 0, 1));
}

SgTransformTool::~SgTransformTool()
{
    // A tool taken away mid-drag gives back the flag and the key point; its
    // capture goes with the SgTool part and its grab with the handler part.
    if (m_iDragState == kDragging) {
        SetToolActive(false);
        if (m_pKeyPointDocument && m_pKeyPointDocument->IsInKeyPoint())
            m_pKeyPointDocument->EndKeyPoint();
    }
}

void SgTransformTool::CreateObjectGroup()
{
    if (m_pGizmo)
        return;
    SgNode *holder = GetFirstFather();
    if (!holder || !holder->IsGroup())
        return;
    m_pGizmo = Quiet(new SgSeparator);
    m_pGizmo->SetName(kGizmoName);
    auto *light = Quiet(new SgLightModel);
    // Handles show their plain colours whatever the scene's lights.
    light->m_model.Set(0);
    m_pGizmo->AddChild(light);
    CreateHandles();
    static_cast<SgGroup *>(holder)->AddChildAfter(m_pGizmo.get(), this);
    m_iDragState = kArmed;
}

void SgTransformTool::CreateHandles() {}

SgSeparator *SgTransformTool::StartAxisHandle(int axis, const Rotation &turn)
{
    // The axis's colour, ahead of its handle in the gizmo.
    auto *material = Quiet(new SgMaterial);
    Color colour(0, 0, 0, 1);
    colour[axis] = 1.0f;
    material->m_diffuseColor.SetValue(0, colour);
    m_pGizmo->AddChild(material);

    auto *handle = Quiet(new SgSeparator);
    handle->SetName(kAxisNames[axis]);
    auto *place = Quiet(new SgTransform);
    if (turn.GetAngle() != 0.0)
        place->m_rotation.Set(turn);
    handle->AddChild(place);
    return handle;
}

void SgTransformTool::BuildStandardHandles(bool cubeTips)
{
    // Geometry built along x serves all three axes.
    const Rotation turns[3] = {Rotation(), Rotation(Vec3(0, 0, 1), std::numbers::pi / 2),
                               Rotation(Vec3(0, 1, 0), -std::numbers::pi / 2)};
    for (int axis = 0; axis < 3; ++axis) {
        SgSeparator *handle = StartAxisHandle(axis, turns[axis]);

        auto *arm = Quiet(new SgSeparator);
        arm->SetName("arm");
        auto *armPlace = Quiet(new SgTransform);
        const double armStart = kTipSize * 0.5;
        const double armEnd = kArmLength - kTipSize * 0.5;
        armPlace->m_translation.Set(Vec3((armStart + armEnd) * 0.5, 0, 0));
        arm->AddChild(armPlace);
        arm->AddChild(Box(armEnd - armStart, 0.02, 0.02));
        handle->AddChild(arm);

        auto *tip = Quiet(new SgSeparator);
        auto *tipPlace = Quiet(new SgTransform);
        tipPlace->m_translation.Set(Vec3(kArmLength, 0, 0));
        tip->AddChild(tipPlace);
        tip->AddChild(cubeTips ? Box(kTipSize, kTipSize, kTipSize) : Box(2 * kTipSize, 0.7 * kTipSize, 0.7 * kTipSize));
        handle->AddChild(tip);

        m_handles[axis] = handle;
        m_pGizmo->AddChild(handle);
    }
}

bool SgTransformTool::ObjectInScene() const
{
    if (m_ObjectPath.IsEmpty())
        return false;
    SgNode *object = m_ObjectPath.GetNodes().back();
    return object && object->GetFirstFather() && GetFirstFather() && GetFirstFather()->GetFirstFather();
}

int SgTransformTool::PickHandle(SgHandleEventAction *action)
{
    if (!m_pGizmo)
        return -1;
    PickedPointQueryName query(kGizmoName);
    SgPickedPoint hit;
    if (!SgToolLink::PickNearest(action, kHandlePickRadius, &query, hit))
        return -1;
    const auto &nodes = hit.m_Path.GetNodes();
    bool mine = false;
    for (SgNode *node : nodes)
        mine = mine || node == m_pGizmo.get();
    if (!mine)
        return -1;
    for (int i = 0; i < kHandleCount; ++i)
        for (SgNode *node : nodes)
            if (m_handles[i] && node == m_handles[i])
                return i;
    return -1;
}

void SgTransformTool::Highlight(int handle)
{
    if (handle == m_iCurrentHandle)
        return;
    if (m_iCurrentHandle >= 0 && m_handles[m_iCurrentHandle]) {
        auto *old = static_cast<SgGroup *>(m_handles[m_iCurrentHandle]);
        if (old->GetNumChildren() > 0 && old->GetChild(0) == m_pHighlight.get())
            old->DeleteChild(m_pHighlight.get());
    }
    m_iCurrentHandle = handle;
    if (handle >= 0 && m_handles[handle]) {
        auto *now = static_cast<SgGroup *>(m_handles[handle]);
        if (now->GetNumChildren() > 0)
            now->AddChildBefore(m_pHighlight.get(), now->GetChild(0));
        else
            now->AddChild(m_pHighlight.get());
    }
}

bool SgTransformTool::ParentRay(SgHandleEventAction *action, int x, int y, Vec3 &start, Vec3 &dir)
{
    Vec3 end;
    if (!SgToolLink::ObjectRay(action, x, y, m_ObjectPath, start, end))
        return false;
    dir = end - start;
    return dir.Length() > 0.0;
}

int SgTransformTool::OnLButtonDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event || m_iDragState != kArmed || event->m_bCtrl || !ObjectInScene())
        return 0;
    const int handle = PickHandle(action);
    if (handle < 0)
        return 0;
    Highlight(handle);
    m_iStartX = event->m_x;
    m_iStartY = event->m_y;
    SgViewer *viewer = SgToolLink::Viewer(action);
    SetToolActive(true);
    SgToolLink::SetGrabbing(action, this);
    if (viewer)
        HoldCapture(viewer);
    m_iDragState = kDragging;
    SgDocument *document = m_ObjectPath.GetLastElement()->GetDocument();
    m_pKeyPointDocument = nullptr;
    if (document && document->IsUndoRecording()) {
        document->StartKeyPoint();
        m_pKeyPointDocument = document;
    }
    BeginDrag(action, event->m_x, event->m_y);
    SgToolLink::Redraw(viewer, false);
    // The selection handler behind still records the press.
    return 0;
}

int SgTransformTool::OnMouseMove(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event)
        return 0;
    if (m_iDragState == kDragging) {
        if (!ObjectInScene()) {
            // The object left the scene under the drag: nothing left to move.
            EndDrag(action);
            return 1;
        }
        DragStep(action, event->m_x, event->m_y);
        SgToolLink::Redraw(SgToolLink::Viewer(action), false);
        return 1;
    }
    if (m_iDragState != kArmed)
        return 0;
    const int handle = PickHandle(action);
    if (handle != m_iCurrentHandle) {
        Highlight(handle);
        SgToolLink::Redraw(SgToolLink::Viewer(action), false);
    }
    return 0;
}

int SgTransformTool::OnLButtonUp(SgHandleEventAction *action)
{
    if (m_iDragState != kDragging)
        return 0;
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (event && ObjectInScene())
        DragStep(action, event->m_x, event->m_y);
    // Less than 2 by 2 pixels is a click, which the selection handler behind
    // still answers; a drag is not a click.
    const bool click = !event || (std::abs(event->m_x - m_iStartX) < kMinDrag && std::abs(event->m_y - m_iStartY) < kMinDrag);
    EndDrag(action);
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return click ? 0 : 1;
}

void SgTransformTool::EndDrag(SgHandleEventAction *action)
{
    m_iDragState = kArmed;
    ReleaseCapture();
    if (SgToolLink::Grabbing(action) == this)
        SgToolLink::SetGrabbing(action, nullptr);
    SetToolActive(false);
    Highlight(-1);
    if (m_pKeyPointDocument) {
        if (m_pKeyPointDocument->IsInKeyPoint())
            m_pKeyPointDocument->EndKeyPoint();
        m_pKeyPointDocument = nullptr;
    }
}

// ---- Move tool --------------------------------------------------------------------------

bool SgMoveTool::AxisParameter(SgHandleEventAction *action, int x, int y, double &t) const
{
    Vec3 a;
    Vec3 u;
    if (!const_cast<SgMoveTool *>(this)->ParentRay(action, x, y, a, u))
        return false;
    // The point of the axis line through the start translation nearest to the ray.
    const Vec3 w0 = m_startTranslation - a;
    const double A = m_axis.Dot(m_axis);
    const double B = m_axis.Dot(u);
    const double C = u.Dot(u);
    const double D = m_axis.Dot(w0);
    const double E = u.Dot(w0);
    const double denom = A * C - B * B;
    if (std::fabs(denom) <= kParallelLimit * A * C)
        return false;
    t = (B * E - C * D) / denom;
    return std::isfinite(t);
}

void SgMoveTool::BeginDrag(SgHandleEventAction *action, int x, int y)
{
    m_bHaveStart = false;
    SgTransform *transform = GetTransform();
    if (!transform || m_iCurrentHandle < 0 || m_iCurrentHandle > 2)
        return;
    m_startTranslation = transform->m_translation.Get(true);
    Vec3 axis(0, 0, 0);
    axis[m_iCurrentHandle] = 1.0;
    m_axis = transform->m_rotation.Get(true).Rotate(axis);
    m_bHaveStart = AxisParameter(action, x, y, m_dStartParameter);
}

void SgMoveTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    if (!transform)
        return;
    double t = 0.0;
    if (!m_bHaveStart || !AxisParameter(action, x, y, t))
        return;
    transform->m_translation.Set(m_startTranslation + m_axis * (t - m_dStartParameter));
}

// ---- Trackball tool --------------------------------------------------------------------

void SgTrackballTool::CreateHandles()
{
    // The ring is built about z; x and y turn it onto their axes.
    const Rotation turns[3] = {Rotation(Vec3(0, 1, 0), std::numbers::pi / 2),
                               Rotation(Vec3(1, 0, 0), -std::numbers::pi / 2), Rotation()};
    for (int axis = 0; axis < 3; ++axis) {
        SgSeparator *handle = StartAxisHandle(axis, turns[axis]);
        auto *ring = Quiet(new SgTorus);
        ring->m_radius1.Set(kRingRadius);
        ring->m_radius2.Set(0.015);
        handle->AddChild(ring);
        m_handles[axis] = handle;
        m_pGizmo->AddChild(handle);
    }
}

int SgTrackballTool::OnKeyDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    SgTransform *transform = GetTransform();
    if (!event || !transform || m_iDragState == kIdle || !ObjectInScene())
        return 0;
    double step = 0.0;
    if (event->m_nKey == kCommaKey)
        step = -kKeyStep;
    else if (event->m_nKey == kPeriodKey)
        step = kKeyStep;
    else
        return 0;
    const Rotation turned = transform->m_rotation.Get(true) * Rotation(Vec3(0, 0, 1), step);
    transform->m_rotation.Set(turned);
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

bool SgTrackballTool::RingPoint(SgHandleEventAction *action, int x, int y, Vec3 &point)
{
    Vec3 a;
    Vec3 u;
    if (!ParentRay(action, x, y, a, u))
        return false;
    const double along = u.Dot(m_axis);
    if (std::fabs(along) <= kParallelLimit * u.Length())
        return false;
    const double s = (m_pivot - a).Dot(m_axis) / along;
    point = a + u * s - m_pivot;
    return std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]);
}

void SgTrackballTool::BeginDrag(SgHandleEventAction *action, int x, int y)
{
    m_bHaveStart = false;
    SgTransform *transform = GetTransform();
    if (!transform || m_iCurrentHandle < 0 || m_iCurrentHandle > 2)
        return;
    m_pivot = transform->m_translation.Get(true);
    m_startRotation = transform->m_rotation.Get(true);
    Vec3 axis(0, 0, 0);
    axis[m_iCurrentHandle] = 1.0;
    m_axis = m_startRotation.Rotate(axis);
    m_bHaveStart = RingPoint(action, x, y, m_startPoint) && m_startPoint.Length() > 0.0;
}

void SgTrackballTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    Vec3 now;
    if (!transform || !m_bHaveStart || !RingPoint(action, x, y, now) || now.Length() <= 0.0)
        return;
    // The turn about the ring's axis that carries the start point onto the
    // point under the cursor.
    const double angle = std::atan2(m_startPoint.Cross(now).Dot(m_axis), m_startPoint.Dot(now));
    transform->m_rotation.Set(Rotation(m_axis, angle) * m_startRotation);
}
