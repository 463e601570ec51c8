#include "engine/tools/SgTransformTool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgUndoInfo.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "platform/SgError.h"
#include "utilities/math/Color.h"
#include "utilities/math/Mat3.h"
#include "utilities/math/Rotation.h"

SG_CLASS_SOURCE(SgTransformTool, SgRubberTool, SgFieldMngr, "SgTransformTool")
SG_CLASS_SOURCE(SgMoveTool, SgTransformTool, SgFieldMngr, "SgMoveTool")
SG_CLASS_SOURCE(SgTrackballTool, SgTransformTool, SgFieldMngr, "SgTrackballTool")

namespace {

// Pixels around the cursor within which a handle is hit.
constexpr double kHandlePickRadius = 5.0;
constexpr const char *kGizmoName = "TRANSFORMTOOL";
constexpr const char *kAxisNames[3] = {"MOVE_X", "MOVE_Y", "MOVE_Z"};
constexpr const char *kPlaneNames[3] = {"PLANE_X", "PLANE_Y", "PLANE_Z"};
// Where a plane square sits along its axis.
constexpr double kPlaneOffset = 0.32;
// A ball drag shorter than this gives no turn.
constexpr double kMinBallStep = 1e-5;
// Draw style of the trackball's wire sphere.
constexpr int kWireStyle = 2;
// An extent below 1/200 of the box's diagonal counts as flat.
constexpr double kFlatRatio = 200.0;
// Rays closer to parallel with an axis than this give no drag step.
constexpr double kParallelLimit = 1e-12;


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
    // The content's box in the object's own frame, measured before the
    // gizmo joins the object and would be measured with it.
    m_objectBox = Range<Vec3f>();
    if (!m_ObjectPath.IsEmpty()) {
        SgSeparator *end = m_ObjectPath.GetObject(true);
        if (end && end->IsDerivedFrom(SgObject::ClassID())) {
            if (SgSeparator *content = static_cast<SgObject *>(end)->GetInnerGroup()) {
                SgBoundingBoxAction measure;
                measure.Apply(content);
                if (measure.HasBox())
                    m_objectBox = measure.m_Box;
            }
        }
    }
    m_pGizmo = Quiet(new SgSeparator);
    m_pGizmo->SetName(kGizmoName);
    auto *light = Quiet(new SgLightModel);
    // Handles show their plain colours whatever the scene's lights.
    light->m_model.Set(0);
    m_pGizmo->AddChild(light);
    {
        // The pivot: a small white ball kept at its size on the screen,
        // ahead of the gizmo's own placing.
        auto *pivot = Quiet(new SgSeparator);
        pivot->SetName("PIVOT");
        m_pPivotMarker = Quiet(new SgTransform);
        pivot->AddChild(m_pPivotMarker);
        auto *sized = Quiet(new SgBillboard);
        sized->m_sizeType.Set(1);
        sized->m_size.Set(s_fManipulatorScale * kGizmoPixels);
        sized->m_displayMode.Set(1);
        pivot->AddChild(sized);
        auto *white = Quiet(new SgMaterial);
        white->m_diffuseColor.SetValue(0, Color(1, 1, 1, 1));
        pivot->AddChild(white);
        auto *ball = Quiet(new SgSphere);
        ball->m_radius.Set(0.04);
        pivot->AddChild(ball);
        m_pGizmo->AddChild(pivot);
    }
    m_pGizmoPlace = Quiet(new SgTransform);
    m_pGizmo->AddChild(m_pGizmoPlace);
    PlacePivotMarker();
    if (m_bScreenSized) {
        auto *sized = Quiet(new SgBillboard);
        sized->m_sizeType.Set(1);
        sized->m_size.Set(s_fManipulatorScale * kGizmoPixels);
        // In the view frame the gizmo's axes are the window's.
        if (GetMode() == kViewFrame)
            sized->m_rotationType.Set(1);
        // Drawn over the scene, so that the handles show inside the object.
        sized->m_displayMode.Set(1);
        m_pGizmo->AddChild(sized);
    }
    CreateHandles();
    UpdateFrame(nullptr);
    static_cast<SgGroup *>(holder)->AddChildAfter(m_pGizmo.get(), this);
    m_iDragState = kArmed;
    NotifyChange(ReportDocument(nullptr), GetMode());
}

void SgTransformTool::CreateHandles() {}

void SgTransformTool::PlacePivotMarker()
{
    SgTransform *transform = GetTransform();
    if (!transform)
        return;
    const Vec3 pivot = transform->m_center.Get(true);
    if (m_pPivotMarker)
        m_pPivotMarker->m_translation.Set(pivot);
    // Handles of a size on the screen stand where the object turns and
    // scales about (a boolean's result, a curve's middle), not at its
    // frame's origin; handles fitted to the object's box are already there.
    if (m_pGizmoPlace && m_bScreenSized)
        m_pGizmoPlace->m_translation.Set(pivot);
}

SgDocument *SgTransformTool::ReportDocument(SgHandleEventAction *action) const
{
    SgNode *object = m_ObjectPath.IsEmpty() ? nullptr : m_ObjectPath.GetNodes().back();
    if (SgDocument *document = object ? object->GetDocument() : nullptr)
        return document;
    return SgToolLink::Document(SgToolLink::Viewer(action));
}

Vec3 SgTransformTool::FrameAxis(SgHandleEventAction *action, int axis)
{
    Vec3 e(0, 0, 0);
    e[axis] = 1.0;
    SgTransform *transform = GetTransform();
    const int mode = GetMode();
    if (mode == 0 || m_ObjectPath.IsEmpty())
        return transform ? transform->m_rotation.Get(true).Rotate(e) : e;
    // The frame's axis in the world, then carried into the object's parent frame.
    Vec3 world = e;
    if (mode == kViewFrame) {
        SgViewer *viewer = action ? action->GetViewer() : nullptr;
        if (!viewer || viewer->GetViewportCount() == 0)
            return transform ? transform->m_rotation.Get(true).Rotate(e) : e;
        world = Transform3(viewer->GetViewport(0)->GetCameraMatrix()).TransformVector(e);
    } else {
        // The n-th object above this one; its inner frame is the frame of
        // the path down to the node on the path inside it.
        std::vector<int> objects;
        for (int i = 0; i + 1 < m_ObjectPath.GetCount(); ++i)
            if (m_ObjectPath[i] && m_ObjectPath[i]->IsObject())
                objects.push_back(i);
        if (mode <= static_cast<int>(objects.size())) {
            const int at = objects[objects.size() - mode];
            SgPath inside = m_ObjectPath;
            inside.Truncate(at + 2);
            world = SgGetTransformAction::PathMatrix(inside).TransformVector(e);
        }
    }
    try {
        const Transform3 parentToWorld = SgGetTransformAction::PathMatrix(m_ObjectPath);
        Vec3 local = parentToWorld.Inverse().TransformVector(world);
        const double length = local.Length();
        return length > 0.0 ? local * (1.0 / length) : e;
    } catch (const SgMathError &) {
        return e;
    }
}

void SgTransformTool::UpdateFrame(SgHandleEventAction *action)
{
    SgTransform *transform = GetTransform();
    if (!m_pGizmoPlace || !transform || GetMode() == 0 || (GetMode() == kViewFrame && m_bScreenSized))
        return;
    // The gizmo sits in the object's frame: undo the object's turn, then
    // turn onto the frame's axes.
    const Vec3 x = FrameAxis(action, 0);
    const Vec3 y = FrameAxis(action, 1);
    Mat3 axes;
    const Vec3 z = x.Cross(y);
    for (int r = 0; r < 3; ++r) {
        axes[r][0] = x[r];
        axes[r][1] = y[r];
        axes[r][2] = z[r];
    }
    const Rotation frame(axes);
    m_pGizmoPlace->m_rotation.Set(transform->m_rotation.Get(true).Inverse() * frame);
}

Vec3 SgTransformTool::GizmoScale() const
{
    return m_pGizmoPlace ? m_pGizmoPlace->m_scaleFactor.Get(true) : Vec3(1, 1, 1);
}

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
        if (m_uHandleMask & (1u << axis))
            BuildArrow(axis, turns[axis], cubeTips);
        if (m_uHandleMask & (1u << (axis + kPlaneX))) {
            // A thin square across the axis, near the origin: dragging it
            // moves in the plane normal to the axis.
            SgSeparator *plane = StartAxisHandle(axis, turns[axis]);
            plane->SetName(kPlaneNames[axis]);
            Vec3 along(0, 0, 0);
            along[axis] = kPlaneOffset;
            static_cast<SgTransform *>(plane->GetChild(0))->m_translation.Set(along);
            plane->AddChild(Box(0.045, 0.18, 0.18));
            m_handles[axis + kPlaneX] = plane;
            m_pGizmo->AddChild(plane);
        }
    }
}

void SgTransformTool::BuildArrow(int axis, const Rotation &turn, bool cubeTips)
{
    {
        SgSeparator *handle = StartAxisHandle(axis, turn);

        auto *arm = Quiet(new SgSeparator);
        arm->SetName("arm");
        auto *armPlace = Quiet(new SgTransform);
        const double armStart = kTipSize * 0.5;
        const double armEnd = kArmLength - kTipSize * 0.5;
        armPlace->m_translation.Set(Vec3((armStart + armEnd) * 0.5, 0, 0));
        arm->AddChild(armPlace);
        m_armPlaces[axis] = armPlace;
        m_armBoxes[axis] = Box(armEnd - armStart, 0.02, 0.02);
        arm->AddChild(m_armBoxes[axis]);
        handle->AddChild(arm);

        auto *tip = Quiet(new SgSeparator);
        auto *tipPlace = Quiet(new SgTransform);
        tipPlace->m_translation.Set(Vec3(kArmLength, 0, 0));
        tip->AddChild(tipPlace);
        m_tipPlaces[axis] = tipPlace;
        tip->AddChild(cubeTips ? Box(kTipSize, kTipSize, kTipSize) : Box(2 * kTipSize, 0.7 * kTipSize, 0.7 * kTipSize));
        handle->AddChild(tip);

        m_handles[axis] = handle;
        m_pGizmo->AddChild(handle);
    }
}

SgSeparator *SgTransformTool::BuildCubeHandle(int slot, double size)
{
    auto *handle = Quiet(new SgSeparator);
    handle->AddChild(Box(size, size, size));
    m_handles[slot] = handle;
    m_pGizmo->AddChild(handle);
    return handle;
}

double SgTransformTool::ScaleExtent(const Range<Vec3f> &box, int axis)
{
    if (axis < 0 || axis > 2 || SgBoundingBoxAction::IsEmptyBox(box))
        return 0.0;
    const Vec3 e(box.GetMax()[0] - box.GetMin()[0], box.GetMax()[1] - box.GetMin()[1],
                 box.GetMax()[2] - box.GetMin()[2]);
    const double b = std::max(e[axis], 0.0);
    const double diagonal = e.Length();
    // A flat or zero extent is never the divisor.
    return diagonal > kFlatRatio * b ? diagonal : b;
}

bool SgTransformTool::LineParameter(SgHandleEventAction *action, int x, int y, const Vec3 &p, const Vec3 &dir,
                                    double &t)
{
    Vec3 a;
    Vec3 u;
    if (!ParentRay(action, x, y, a, u))
        return false;
    const Vec3 w0 = p - a;
    const double A = dir.Dot(dir);
    const double B = dir.Dot(u);
    const double C = u.Dot(u);
    const double D = dir.Dot(w0);
    const double E = u.Dot(w0);
    const double denom = A * C - B * B;
    if (A <= 0.0 || std::fabs(denom) <= kParallelLimit * A * C)
        return false;
    t = (B * E - C * D) / denom;
    return std::isfinite(t);
}

bool SgTransformTool::PlanePoint(SgHandleEventAction *action, int x, int y, const Vec3 &p, const Vec3 &n,
                                 Vec3 &point)
{
    Vec3 a;
    Vec3 u;
    if (!ParentRay(action, x, y, a, u))
        return false;
    const double along = u.Dot(n);
    if (std::fabs(along) <= kParallelLimit * u.Length() * n.Length())
        return false;
    const double s = (p - a).Dot(n) / along;
    point = a + u * s;
    return std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]);
}

double SgTransformTool::DragScaleFactor(SgHandleEventAction *action, int x, int y, const Vec3 &c, const Vec3 &a,
                                        int h)
{
    if (!m_bStartInvertible)
        return 1.0;
    // The line and the ray meet in the parent's frame; the answer is read
    // in the object's own, where the box was measured.
    const Vec3 cp = ToParent(c);
    const Vec3 ap = ToParent(c + a) - cp;
    double t0 = 0.0;
    double t = 0.0;
    if (!LineParameter(action, m_iStartX, m_iStartY, cp, ap, t0) || !LineParameter(action, x, y, cp, ap, t))
        return 1.0;
    const Vec3 displacement = a * (t - t0);
    const Vec3 origin = m_originLocal - c;
    if (h < 0 || h > 2) {
        h = 0;
        for (int i = 1; i < 3; ++i)
            if (std::fabs(origin[i]) >= std::fabs(origin[h]))
                h = i;
    }
    const double e = ScaleExtent(m_objectBox, h);
    if (e <= 0.0)
        return 1.0;
    const double factor = std::max((displacement[h] + e) / e, kMinScaleStep);
    return origin[h] < 0.0 ? 1.0 / factor : factor;
}

bool SgTransformTool::ObjectInScene() const
{
    if (m_ObjectPath.IsEmpty())
        return false;
    SgNode *object = m_ObjectPath.GetNodes().back();
    return object && object->GetFirstFather() && GetFirstFather() && GetFirstFather()->GetFirstFather();
}

int SgTransformTool::HandleOnPath(const SgPath &path) const
{
    const auto &nodes = path.GetNodes();
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

int SgTransformTool::PickHandle(SgHandleEventAction *action, Vec3 *world)
{
    if (!m_pGizmo || !action)
        return -1;
    std::unique_ptr<SgRayPickAction> own = PickGizmoOnly(action);
    SgRayPickAction *pick = own.get();
    if (!pick) {
        SgViewer *viewer = action->GetViewer();
        if (!viewer || viewer->GetViewportCount() == 0)
            return -1;
        pick = action->GetPickAction(kHandlePickRadius);
    }
    // The nearest handle under the cursor; a handle that fills the space
    // behind the others (the trackball's ball) only where no other is hit.
    PickedPointQueryName query(kGizmoName);
    const SgPickedPoint *best = nullptr;
    int bestHandle = -1;
    for (SgPickedPoint &hit : pick->m_Hits) {
        if (!query.Accept(hit))
            continue;
        const int handle = HandleOnPath(hit.m_Path);
        if (handle < 0)
            continue;
        const bool background = IsBackgroundHandle(handle);
        const bool bestBackground = best && IsBackgroundHandle(bestHandle);
        if (!best || (bestBackground && !background) ||
            (background == bestBackground && hit.m_dDistance < best->m_dDistance)) {
            best = &hit;
            bestHandle = handle;
        }
    }
    if (best && world)
        *world = best->m_Point;
    return bestHandle;
}

std::unique_ptr<SgRayPickAction> SgTransformTool::PickGizmoOnly(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    SgViewer *viewer = action ? action->GetViewer() : nullptr;
    SgNode *holder = GetFirstFather();
    SgViewport *viewport = viewer && viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr;
    // Only what the gizmo shows under the cursor is asked: drawing the whole
    // scene for it at every mouse move costs as much as the scene is large.
    // Only the path down to the gizmo is drawn (what sets state on the way
    // included), in the frame the full pick would give it.
    if (!event || !viewport || !holder || m_ObjectPath.IsEmpty() || m_ObjectPath[0] != viewport->GetNodara())
        return nullptr;
    SgPath target = m_ObjectPath;
    target.Append(holder);
    target.Append(m_pGizmo.get());
    auto pick = std::make_unique<SgRayPickAction>(viewport);
    pick->m_dPickWidth = kHandlePickRadius;
    pick->m_dPickHeight = kHandlePickRadius;
    pick->SetWindowPoint(event->m_x, event->m_y);
    pick->ApplyToPath(target);
    return pick;
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
    Vec3 picked;
    int handle = PickHandle(action, &picked);
    const int type = GetToolType();
    SgDocument *document = ReportDocument(action);
    if (handle < 0) {
        // A press on the object itself drags it with the handle this kind
        // of tool last dragged (the document remembers it); the release of
        // a press that did not move is still the selection's click.
        SgPickedPoint hit;
        if (type < 0 || !document || !SgToolLink::PickNearest(action, kHandlePickRadius, nullptr, hit))
            return 0;
        const auto &nodes = hit.m_Path.GetNodes();
        if (std::find(nodes.begin(), nodes.end(), m_ObjectPath.GetNodes().back()) == nodes.end())
            return 0;
        handle = document->GetActiveHandle(type);
        if (handle < 0 || handle >= kHandleCount || !m_handles[handle])
            return 0;
        picked = hit.m_Point;
    } else if (type >= 0 && document) {
        document->SetActiveHandle(type, handle);
    }
    Highlight(handle);
    m_iStartX = event->m_x;
    m_iStartY = event->m_y;
    SgViewer *viewer = SgToolLink::Viewer(action);
    SetToolActive(true);
    SgToolLink::SetGrabbing(action, this);
    if (viewer)
        HoldCapture(viewer);
    m_bDragAndDrop = false;
    StartDragFrom(action, &picked);
    BeginDrag(action, event->m_x, event->m_y);
    PlacePivotMarker();
    NotifyChange(ReportDocument(action), GetMode());
    SgToolLink::Redraw(viewer, false);
    // The selection handler behind still records the press.
    return 0;
}

void SgTransformTool::StartDragFrom(SgHandleEventAction *action, const Vec3 *picked)
{
    m_iDragState = kDragging;
    SgDocument *document = m_ObjectPath.GetLastElement()->GetDocument();
    m_pKeyPointDocument = nullptr;
    m_iKeyPoint = -1;
    if (document && document->IsUndoRecording()) {
        m_iKeyPoint = document->StartKeyPoint();
        m_pKeyPointDocument = document;
    }
    m_iPivotMode = document ? document->GetPivotMode() : 0;
    if (SgTransform *transform = GetTransform()) {
        m_startTranslation = transform->m_translation.Get(true);
        m_startCenter = transform->m_center.Get(true);
        m_startScale = transform->m_scaleFactor.Get(true);
        m_startRotation = transform->m_rotation.Get(true);
        m_startOrientation = transform->m_scaleOrientation.Get(true);
        m_startMatrix = transform->GetMatrix();
    } else {
        m_startMatrix = Transform3();
    }
    // A zero scale has no inverse: such a drag changes nothing.
    m_bStartInvertible = !m_startMatrix.IsSingular();
    m_startInverse = m_bStartInvertible ? m_startMatrix.Inverse() : Transform3();
    if (!picked || !SgToolLink::WorldToObject(action, *picked, m_ObjectPath, m_originParent))
        m_originParent = m_startTranslation;
    m_originLocal = ToLocal(m_originParent);
}

bool SgTransformTool::StartDragAndDrop()
{
    if (!CanDragAndDrop() || m_iDragState != kArmed || !m_handles[kCentre] || !ObjectInScene())
        return false;
    // The object follows the cursor onto what lies under it, as its centre
    // cube does, until the button comes up. Nothing is grabbed: the drop
    // comes from outside the window's press.
    Highlight(kCentre);
    m_bDragAndDrop = true;
    StartDragFrom(nullptr, nullptr);
    BeginDrag(nullptr, 0, 0);
    NotifyChange(ReportDocument(nullptr), GetMode());
    return true;
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
        UpdateFrame(action);
        PlacePivotMarker();
        NotifyChange(ReportDocument(action), GetMode());
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
    // Less than 2 by 2 pixels is a click, which the selection handler behind
    // still answers; a drag is not a click, nor is a drop.
    const bool click = !m_bDragAndDrop && (!event || (std::abs(event->m_x - m_iStartX) < kMinDrag &&
                                                      std::abs(event->m_y - m_iStartY) < kMinDrag));
    // A click moves nothing: no step at the release, and what a jitter of
    // the press moved goes back, so the text and the saved state stay.
    if (event && ObjectInScene() && !click)
        DragStep(action, event->m_x, event->m_y);
    SgDocument *document = m_pKeyPointDocument;
    const int keyPoint = m_iKeyPoint;
    m_bDragAndDrop = false;
    EndDrag(action);
    if (click)
        RevertDrag(document, keyPoint);
    PlacePivotMarker();
    // The release's step and the end of the drag: one report.
    NotifyChange(ReportDocument(action), GetMode());
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return click ? 0 : 1;
}

int SgTransformTool::OnKeyDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event || event->m_nKey != kEscapeKey || m_iDragState != kDragging)
        return 0;
    SgDocument *document = m_pKeyPointDocument;
    const int keyPoint = m_iKeyPoint;
    m_bDragAndDrop = false;
    EndDrag(action);
    RevertDrag(document, keyPoint);
    PlacePivotMarker();
    NotifyChange(ReportDocument(action), GetMode());
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

void SgTransformTool::RevertDrag(SgDocument *document, int keyPoint)
{
    const SgUndoInfo *last = document ? document->GetUndoInfo(document->GetUndoCursor()) : nullptr;
    if (last && keyPoint >= 0 && last->GetKeyPoint() == keyPoint) {
        document->RevertToLastKeyPoint(keyPoint);
        return;
    }
    SgTransform *transform = GetTransform();
    if (!transform || !ObjectInScene())
        return;
    // Without undo recording the snapshot of the press puts it back; values
    // that did not change are not set again.
    if (!(transform->m_translation.Get(true) == m_startTranslation))
        transform->m_translation.Set(m_startTranslation);
    if (!(transform->m_center.Get(true) == m_startCenter))
        transform->m_center.Set(m_startCenter);
    if (!(transform->m_scaleFactor.Get(true) == m_startScale))
        transform->m_scaleFactor.Set(m_startScale);
    if (!(transform->m_rotation.Get(true) == m_startRotation))
        transform->m_rotation.Set(m_startRotation);
    if (!(transform->m_scaleOrientation.Get(true) == m_startOrientation))
        transform->m_scaleOrientation.Set(m_startOrientation);
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

void SgMoveTool::CreateHandles()
{
    BuildStandardHandles(false);
    BuildCubeHandle(kCentre, kTipSize);
}

void SgMoveTool::BeginDrag(SgHandleEventAction *action, int x, int y)
{
    m_bHaveStart = false;
    if (!GetTransform() || !m_bStartInvertible)
        return;
    if (m_iCurrentHandle >= 0 && m_iCurrentHandle <= 2) {
        m_axis = FrameAxis(action, m_iCurrentHandle);
        m_bHaveStart = LineParameter(action, x, y, m_startTranslation, m_axis, m_dStartParameter);
    } else if (m_iCurrentHandle >= kPlaneX && m_iCurrentHandle < kPlaneX + 3) {
        m_axis = FrameAxis(action, m_iCurrentHandle - kPlaneX);
        m_bHaveStart = true;
    } else if (m_iCurrentHandle == kCentre) {
        m_bHaveStart = true;
    }
}

void SgMoveTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    if (!transform || !m_bHaveStart)
        return;
    Vec3 moved = m_startTranslation;
    if (m_iCurrentHandle >= 0 && m_iCurrentHandle <= 2) {
        double t = 0.0;
        if (!LineParameter(action, x, y, m_startTranslation, m_axis, t))
            return;
        moved = m_startTranslation + m_axis * (t - m_dStartParameter);
    } else if (m_iCurrentHandle >= kPlaneX && m_iCurrentHandle < kPlaneX + 3) {
        Vec3 point;
        if (!PlanePoint(action, x, y, m_originParent, m_axis, point))
            return;
        moved = m_startTranslation + (point - m_originParent);
    } else if (m_iCurrentHandle == kCentre) {
        // The object's origin comes to the scene point under the cursor;
        // over empty space it stays where it is.
        Vec3 world;
        Vec3 parent;
        if (!SnapPoint(action, world) || !SgToolLink::WorldToObject(action, world, m_ObjectPath, parent))
            return;
        moved = parent;
    } else {
        return;
    }
    if (m_iPivotMode == 0) {
        transform->m_translation.Set(moved);
        return;
    }
    // The pivot moves: the drag d, carried back through the start matrix's
    // turn and scale (d' = R^-1 d), moves the center; the translation makes
    // up for it so that the object stays put where the pivot offset is not
    // part of the matrix.
    const Vec3 d = moved - m_startTranslation;
    const Vec3 back = m_startInverse.TransformVector(d);
    const double f = transform->m_matrixConfig.Get(true) == 1 ? 1.0 : 0.0;
    if (m_iPivotMode == 1) {
        transform->m_center.Set(m_startCenter + back);
        transform->m_translation.Set(m_startTranslation + m_startMatrix.TransformVector(back) - back * f);
    } else {
        transform->m_center.Set(m_startCenter - back);
        transform->m_translation.Set(m_startTranslation + back * f);
    }
}

void SgMoveTool::NotifyChange(SgDocument *document, int mode)
{
    SgTransform *transform = GetTransform();
    if (!document || !transform)
        return;
    Vec3 value = transform->m_translation.Get(true);
    if (mode == 0)
        value = SgGetTransformAction::PathMatrix(m_ObjectPath).TransformPoint(transform->GetPivot());
    const double values[3] = {value.x, value.y, value.z};
    SgField *field = &transform->m_translation;
    document->ReportFieldEdit(values, 3, SgDocument::kEditFieldValue, 1, &field, 0, mode);
}

// ---- Trackball tool --------------------------------------------------------------------

void SgTrackballTool::NotifyChange(SgDocument *document, int mode)
{
    SgTransform *transform = GetTransform();
    if (!document || !transform)
        return;
    const Rotation &rotation = transform->m_rotation.Get(true);
    const Vec3 &axis = rotation.GetAxis();
    const double values[4] = {axis.x, axis.y, axis.z, rotation.GetAngle()};
    SgField *field = &transform->m_rotation;
    document->ReportFieldEdit(values, 4, SgDocument::kEditFieldValue, 1, &field, 0, mode);
}

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

    // The ball: a faint wire sphere for turning freely.
    auto *ball = Quiet(new SgSeparator);
    ball->SetName("TRACK-BALL");
    ball->AddChild(Quiet(new SgTransform));
    auto *wire = Quiet(new SgDrawStyle);
    wire->m_style.Set(kWireStyle);
    wire->m_lineWidth.Set(1.0f);
    ball->AddChild(wire);
    auto *grey = Quiet(new SgMaterial);
    grey->m_diffuseColor.SetValue(0, Color(0.5f, 0.5f, 0.5f, 0.3f));
    ball->AddChild(grey);
    auto *sphere = Quiet(new SgSphere);
    sphere->m_radius.Set(kBallRadius);
    sphere->m_complexity.Set(3);
    ball->AddChild(sphere);
    m_handles[kBall] = ball;
    m_pGizmo->AddChild(ball);

    // The outer circle, always facing the viewer, for turning about the
    // viewing direction.
    auto *outer = Quiet(new SgSeparator);
    outer->AddChild(Quiet(new SgTransform));
    auto *facing = Quiet(new SgBillboard);
    facing->m_rotationType.Set(1);
    facing->m_displayMode.Set(1);
    outer->AddChild(facing);
    auto *circle = Quiet(new SgCircle);
    circle->m_radius.Set(kOuterRadius);
    circle->m_segments.Set(60);
    outer->AddChild(circle);
    m_handles[kOuter] = outer;
    m_pGizmo->AddChild(outer);
}

int SgTrackballTool::OnKeyDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    SgTransform *transform = GetTransform();
    if (SgTransformTool::OnKeyDown(action))
        return 1;
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

bool SgTrackballTool::BallPoint(SgHandleEventAction *action, int x, int y, Vec3 &point)
{
    Vec3 a;
    Vec3 u;
    if (!ParentRay(action, x, y, a, u) || m_dRadius <= 0.0)
        return false;
    const Vec3 d = u * (1.0 / u.Length());
    const Vec3 w = a - m_pivot;
    // |w + t d|^2 = r^2, the nearer root.
    const double b = w.Dot(d);
    const double c = w.Dot(w) - m_dRadius * m_dRadius;
    const double disc = b * b - c;
    if (disc >= 0.0) {
        point = w + d * (-b - std::sqrt(disc));
    } else {
        // Past the silhouette: the sphere's point nearest to the ray.
        const Vec3 nearest = w - d * b;
        const double length = nearest.Length();
        if (length <= 0.0)
            return false;
        point = nearest * (m_dRadius / length);
    }
    return std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]);
}

void SgTrackballTool::BeginDrag(SgHandleEventAction *action, int x, int y)
{
    m_bHaveStart = false;
    SgTransform *transform = GetTransform();
    if (!transform)
        return;
    m_pivot = transform->m_translation.Get(true);
    m_startRotation = transform->m_rotation.Get(true);
    const int h = m_iCurrentHandle;
    if (h >= 0 && h <= 2) {
        Vec3 axis(0, 0, 0);
        axis[h] = 1.0;
        m_axis = m_startRotation.Rotate(axis);
        m_bHaveStart = RingPoint(action, x, y, m_startPoint) && m_startPoint.Length() > 0.0;
    } else if (h == kBall) {
        // The ball's radius is the distance of the pressed point from the pivot.
        m_startPoint = m_originParent - m_pivot;
        m_dRadius = m_startPoint.Length();
        m_bHaveStart = m_dRadius > 0.0;
    } else if (h == kOuter) {
        // About the viewing direction at the press.
        Vec3 a;
        Vec3 u;
        if (!ParentRay(action, x, y, a, u))
            return;
        m_axis = u * (1.0 / u.Length());
        m_bHaveStart = RingPoint(action, x, y, m_startPoint) && m_startPoint.Length() > 0.0;
    }
}

void SgTrackballTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    if (!transform || !m_bHaveStart)
        return;
    Vec3 now;
    if (m_iCurrentHandle == kBall) {
        if (!BallPoint(action, x, y, now) || (now - m_startPoint).Length() < kMinBallStep)
            return;
        // The turn that carries the pressed point of the ball to the point
        // under the cursor.
        transform->m_rotation.Set(Rotation(m_startPoint, now) * m_startRotation);
        return;
    }
    if (!RingPoint(action, x, y, now) || now.Length() <= 0.0)
        return;
    // The turn about the ring's axis (or the viewing direction) that carries
    // the start point onto the point under the cursor.
    const double angle = std::atan2(m_startPoint.Cross(now).Dot(m_axis), m_startPoint.Dot(now));
    transform->m_rotation.Set(Rotation(m_axis, angle) * m_startRotation);
}

float SgTransformTool::s_fManipulatorScale = 1.0f;
