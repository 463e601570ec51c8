#include "engine/tools/SgConstraintTool.h"

#include <algorithm>
#include <cmath>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/core/CPolygon.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgMaterialBinding.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"

SG_CLASS_SOURCE(SgConstraintTool, SgRubberTool, SgFieldMngr, "SgConstraintTool")

namespace {
// Bisection steps when a slide is cut short at the border.
constexpr int kBorderSteps = 40;

// Hits on anything but the dragged object.
class OthersQuery : public PickedPointQuery {
public:
    explicit OthersQuery(SgNode *object) : m_object(object) {}
    bool Accept(SgPickedPoint &hit) override
    {
        const auto &nodes = hit.m_Path.GetNodes();
        return !nodes.empty() && std::find(nodes.begin(), nodes.end(), m_object) == nodes.end();
    }

private:
    SgNode *m_object;
};


bool RayPlane(const Vec3 &start, const Vec3 &end, const Vec3 &n, double d, Vec3 &out)
{
    const Vec3 v = end - start;
    const double denominator = n.Dot(v);
    if (std::abs(denominator) <= kParallel * v.Length())
        return false;
    out = start + v * ((d - n.Dot(start)) / denominator);
    return true;
}

// The plane of a polygon from the sum of its edge cross products.
void FitPlane(CPolygon &polygon)
{
    const auto &points = polygon.GetPoints();
    Vec3 normal;
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        const Vec3 &a = points[i];
        const Vec3 &b = points[(i + 1) % n];
        normal += Vec3((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
    }
    if (normal.Length() <= 0.0 || n < 3)
        return;
    normal.Normalize();
    polygon.SetPlane(normal, normal.Dot(points[0]));
}

// Inside or on the border, counted in the projection that drops the
// normal's largest component. Points on the border count as inside, so that
// an object may stand flush with the face's edge.
bool Inside(const CPolygon &polygon, const Vec3 &p)
{
    const Vec3 &n = polygon.GetNormal();
    int drop = 0;
    if (std::abs(n.y) > std::abs(n[drop]))
        drop = 1;
    if (std::abs(n.z) > std::abs(n[drop]))
        drop = 2;
    const int i = drop == 0 ? 1 : 0;
    const int j = drop == 2 ? 1 : 2;
    const auto &points = polygon.GetPoints();
    const size_t count = points.size();
    constexpr double kBorder = 1e-9;
    bool inside = false;
    for (size_t k = 0, l = count - 1; k < count; l = k++) {
        const Vec3 &a = points[k];
        const Vec3 &b = points[l];
        // On the edge from b to a.
        const double cross = (a[i] - b[i]) * (p[j] - b[j]) - (a[j] - b[j]) * (p[i] - b[i]);
        const double along = (p[i] - b[i]) * (a[i] - b[i]) + (p[j] - b[j]) * (a[j] - b[j]);
        const double length2 = (a[i] - b[i]) * (a[i] - b[i]) + (a[j] - b[j]) * (a[j] - b[j]);
        if (std::abs(cross) <= kBorder * std::max(1.0, length2) && along >= -kBorder && along <= length2 + kBorder)
            return true;
        if ((a[j] > p[j]) != (b[j] > p[j]) && p[i] < (b[i] - a[i]) * (p[j] - a[j]) / (b[j] - a[j]) + a[i])
            inside = !inside;
    }
    return inside;
}

Vec3 Corner(const Range<Vec3f> &box, int code)
{
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    return Vec3((code & 1) ? hi.x : lo.x, (code & 2) ? hi.y : lo.y, (code & 4) ? hi.z : lo.z);
}
} // namespace

SgConstraintTool::SgConstraintTool() = default;

SgConstraintTool::~SgConstraintTool()
{
    EndKeyPoint();
}

void SgConstraintTool::Init(SgPath &path, SgTransform *transform)
{
    SgRubberTool::Init(path, transform);
    m_bDragAllowed = true;
    m_bPlaced = false;
    m_bSlid = false;
    m_pConstrained = nullptr;
    m_iState = 1;
}

void SgConstraintTool::Start(SgHandleEventAction *, PickedPointQuery *)
{
    SgRubberTool::Start(nullptr, nullptr);
    // The tool waits for presses on its object; nothing runs yet.
    SetToolActive(false);
    m_iState = 1;
}

void SgConstraintTool::Finish(SgHandleEventAction *)
{
    EndKeyPoint();
    SgRubberTool::Finish(nullptr);
    m_iState = 0;
}

void SgConstraintTool::CreateObjectGroup()
{
    SgNode *holder = GetFirstFather();
    if (!holder || !holder->IsGroup() || GetTempSeparator())
        return;
    auto *temp = Quiet(new SgSeparator);
    temp->SetName("Temp Separator");
    temp->SetSelectable(false);
    auto *hints = Quiet(new SgShapeHints);
    hints->m_shapeType.Set(0);
    temp->AddChild(hints);
    SetTempSeparator(temp);
    SgUndoRecordingPause pause(holder->GetDocument());
    static_cast<SgGroup *>(holder)->AddChildAfter(temp, this);
    AppearanceBox(temp);
}

Range<Vec3f> SgConstraintTool::LocalBox() const
{
    SgObject *object = Object();
    SgSeparator *inner = object ? object->GetInnerGroup() : nullptr;
    return inner ? object->GetBoundingBox(false, inner) : Range<Vec3f>();
}

void SgConstraintTool::AppearanceBox(SgSeparator *temp)
{
    // A white wire box a little larger than the object, in the object's own
    // frame; it is no part of the object's box, picks or history.
    const Range<Vec3f> box = LocalBox();
    const Vec3 lo(box.GetMin().x, box.GetMin().y, box.GetMin().z);
    const Vec3 hi(box.GetMax().x, box.GetMax().y, box.GetMax().z);
    const Vec3 size = hi - lo;
    const double margin = kAppearanceMargin * size.Length();
    auto *frame = Quiet(new SgObject(true, true));
    if (SgTransform *transform = frame->GetTransform(true)) {
        transform->DisableUndo();
        transform->m_translation.Set((lo + hi) * 0.5);
    }
    auto *style = Quiet(new SgDrawStyle);
    style->m_style.Set(2);
    style->m_lineWidth.Set(1.0f);
    frame->AddPropertyNode(style, false);
    auto *light = Quiet(new SgLightModel);
    light->m_model.Set(0);
    frame->AddPropertyNode(light, false);
    auto *binding = Quiet(new SgMaterialBinding);
    binding->m_binding.Set(1);
    frame->AddPropertyNode(binding, false);
    auto *material = Quiet(new SgMaterial);
    material->m_diffuseColor.SetValue(0, Color(1, 1, 1, 1));
    frame->AddPropertyNode(material, false);
    auto *cube = Quiet(new SgCube);
    cube->SetName("Appearance-BB");
    cube->m_width.Set(size.x + margin);
    cube->m_depth.Set(size.y + margin);
    cube->m_height.Set(size.z + margin);
    frame->AddChild(cube);
    frame->SetSelectable(false);
    temp->AddChild(frame);
}

SgObject *SgConstraintTool::Object() const
{
    SgSeparator *end = m_ObjectPath.IsEmpty() ? nullptr : m_ObjectPath.GetObject(true);
    return end && end->IsDerivedFrom(SgObject::ClassID()) ? static_cast<SgObject *>(end) : nullptr;
}

SgPath SgConstraintTool::ParentPath() const
{
    SgPath path = m_ObjectPath;
    if (!path.IsEmpty())
        path.DeleteLast();
    return path;
}

bool SgConstraintTool::CursorRay(SgHandleEventAction *action, Vec3 &start, Vec3 &end) const
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    return event && SgToolLink::ObjectRay(action, event->m_x, event->m_y, ParentPath(), start, end);
}

std::unique_ptr<CPolygon> SgConstraintTool::Footprint(const Vec3 &t, const Vec3 &n)
{
    SgObject *object = Object();
    SgTransform *transform = object ? object->GetTransform(false) : nullptr;
    if (!transform)
        return nullptr;
    // The object's own box carried to the tested place; the translation is
    // put back at once.
    const Vec3 saved = transform->m_translation.Get();
    transform->m_translation.SetValuePtr(&t, -1, false, true);
    const Mat4 matrix = transform->GetMatrix().GetMatrix();
    transform->m_translation.SetValuePtr(&saved, -1, false, true);
    const Range<Vec3f> local = LocalBox();
    Range<Vec3f> box;
    bool first = true;
    Vec3f lo;
    Vec3f hi;
    for (int c = 0; c < 8; ++c) {
        const Vec3 p = matrix.MultPoint(Corner(local, c));
        const Vec3f q(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
        if (first) {
            lo = hi = q;
            first = false;
        }
        lo = Vec3f(std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z));
        hi = Vec3f(std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z));
    }
    box = Range<Vec3f>(lo, hi);
    // The four corners lowest along n.
    double low = 1e300;
    for (int c = 0; c < 8; ++c)
        low = std::min(low, n.Dot(Corner(box, c)));
    Vec3 points[8];
    int count = 0;
    const double span = Vec3(box.GetMax().x - box.GetMin().x, box.GetMax().y - box.GetMin().y,
                             box.GetMax().z - box.GetMin().z)
                            .Length();
    for (int c : {0, 1, 3, 2, 4, 5, 7, 6})
        if (n.Dot(Corner(box, c)) <= low + 1e-6 * std::max(1.0, span) && count < 4)
            points[count++] = Corner(box, c);
    return count >= 3 ? std::make_unique<CPolygon>(points, count) : nullptr;
}

bool SgConstraintTool::FootprintInside(CPolygon &face, const Vec3 &t)
{
    std::unique_ptr<CPolygon> footprint = Footprint(t, face.GetNormal());
    if (!footprint)
        return false;
    for (const Vec3 &p : footprint->GetPoints())
        if (!Inside(face, p))
            return false;
    return true;
}

int SgConstraintTool::OnLButtonDown(SgHandleEventAction *action)
{
    SgObject *object = Object();
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!object || !event || m_iState != 1 || !m_bDragAllowed || event->m_bCtrl)
        return 0;
    SgPickedPoint hit;
    if (!SgToolLink::PickNearest(action, kPickRadius, nullptr, hit))
        return 0;

    const auto &nodes = hit.m_Path.GetNodes();
    if (std::find(nodes.begin(), nodes.end(), object) == nodes.end())
        return 0;
    SgTransform *transform = object->GetTransform(true);
    m_startTranslation = transform->m_translation.Get();
    SgToolLink::WorldToObject(action, hit.m_Point, ParentPath(), m_pressPoint);
    m_pConstrained = object;
    SetToolActive(true);
    SgToolLink::SetGrabbing(action, this);
    if (SgViewer *viewer = SgToolLink::Viewer(action))
        HoldCapture(viewer);
    m_iState = 2;
    SgDocument *document = object->GetDocument();
    if (document && document->IsUndoRecording() && document->StartKeyPoint() >= 0)
        m_pKeyPointDocument = document;
    if (CPolygon *face = object->GetConstraintPolygon()) {
        // The plane passes through the grabbed point: slides are measured there.
        Vec3 start;
        Vec3 end;
        if (CursorRay(action, start, end))
            RayPlane(start, end, face->GetNormal(), face->GetNormal().Dot(m_pressPoint), m_dragPoint);
        m_iLastEdge = -1;
        m_bSlid = false;
    }
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

int SgConstraintTool::OnLButtonUp(SgHandleEventAction *action)
{
    if (m_iState != 2)
        return 0;
    m_iState = 1;
    ReleaseCapture();
    if (SgToolLink::Grabbing(action) == this)
        SgToolLink::SetGrabbing(action, nullptr);
    SetToolActive(false);
    EndKeyPoint();
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

int SgConstraintTool::OnMouseMove(SgHandleEventAction *action)
{
    if (m_iState != 2 || !m_pConstrained || m_pConstrained != Object())
        return 0;
    if (!m_pConstrained->GetConstraintPolygon() || m_bSlid)
        Drop(action);
    else
        Slide(action);
    // The owner hears of the place after every step, as with the move tool.
    if (SgDocument *document = m_pConstrained->GetDocument()) {
        SgTransform *transform = m_pConstrained->GetTransform(true);
        const Vec3 t = transform->m_translation.Get(true);
        const double values[3] = {t.x, t.y, t.z};
        SgField *field = &transform->m_translation;
        document->ReportFieldEdit(values, 3, SgDocument::kEditFieldValue, 1, &field, 0, 0);
    }
    return 1;
}

void SgConstraintTool::Drop(SgHandleEventAction *action)
{
    SgObject *object = m_pConstrained;
    OthersQuery others(object);
    SgPickedPoint hit;
    if (!SgToolLink::PickNearest(action, 1.0, &others, hit))
        return;
    SgPath targetPath = hit.m_Path;
    targetPath.CutToObject(0, true, false);
    SgSeparator *end = targetPath.IsEmpty() ? nullptr : targetPath.GetObject(true);
    if (!end || !end->IsDerivedFrom(SgObject::ClassID()) || end == object)
        return;
    auto *target = static_cast<SgObject *>(end);
    Vec3 point;
    if (!SgToolLink::WorldToObject(action, hit.m_Point, ParentPath(), point))
        return;
    // The face of the target's box that the picked point lies on.
    const Range<Vec3f> box = target->GetBoundingBox(true);
    int best = -1;
    double bestDistance = 1e300;
    for (int f = 0; f < Range<Vec3f>::BOX3_FACES; ++f) {
        const int axis = f / 2;
        const double plane = (f % 2) ? box.GetMax()[axis] : box.GetMin()[axis];
        const double distance = std::abs(point[axis] - plane);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = f;
        }
    }
    std::unique_ptr<CPolygon> face = SgObject::ConvertToPolygon(box, static_cast<Range<Vec3f>::BOX3_SIZE>(best));
    if (!face)
        return;
    FitPlane(*face);
    if (object->GetConstraintPolygon() && object->GetConstraintPolygon()->IsEqual(*face) && !m_bSlid)
        return;
    // The face's normal points out of the target, towards the viewer's side.
    Vec3 n = face->GetNormal();
    const int axis = best / 2;
    Vec3 outward;
    outward[axis] = (best % 2) ? 1.0 : -1.0;
    if (n.Dot(outward) < 0.0)
        n = -n;
    const double d = n.Dot(face->GetPointAt(0));
    CPolygon oriented = *face;
    oriented.SetPlane(n, d);

    SgTransform *transform = object->GetTransform(true);
    const Rotation oldRotation = transform->m_rotation.Get();
    const Vec3 oldTranslation = transform->m_translation.Get();
    // Turn the object's up onto the face's normal.
    const Vec3 up = oldRotation.Rotate(Vec3(0, 0, 1));
    const Rotation turn(up, n);
    transform->m_rotation.Set(turn * oldRotation);
    // Under the cursor and onto the face: the grabbed point's projection
    // goes where the cursor ray meets the face, the base onto the plane.
    Vec3 rayStart;
    Vec3 rayEnd;
    Vec3 onFace;
    if (!CursorRay(action, rayStart, rayEnd) || !RayPlane(rayStart, rayEnd, n, d, onFace)) {
        transform->m_rotation.Set(oldRotation);
        return;
    }
    const Vec3 grabbed = m_pressPoint - n * (n.Dot(m_pressPoint) - d);
    Vec3 t = oldTranslation + (onFace - grabbed);
    std::unique_ptr<CPolygon> base = Footprint(t, n);
    if (base)
        t += n * (d - n.Dot(base->GetPointAt(0)));
    if (!FootprintInside(oriented, t)) {
        // The object does not fit on the face here: it stays where it was.
        transform->m_rotation.Set(oldRotation);
        transform->m_translation.Set(oldTranslation);
        return;
    }
    transform->m_translation.Set(t);
    auto *kept = new CPolygon(oriented);
    object->SetConstraintPolygon(kept);
    m_dragPoint = onFace;
    m_pressPoint = onFace;
    m_startTranslation = t;
    m_bPlaced = true;
    m_bSlid = false;
    m_iLastEdge = -1;
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
}

void SgConstraintTool::Slide(SgHandleEventAction *action)
{
    SgObject *object = m_pConstrained;
    CPolygon *face = object->GetConstraintPolygon();
    SgTransform *transform = object->GetTransform(true);
    const Vec3 n = face->GetNormal();
    Vec3 rayStart;
    Vec3 rayEnd;
    Vec3 point;
    if (!CursorRay(action, rayStart, rayEnd) || !RayPlane(rayStart, rayEnd, n, n.Dot(m_dragPoint), point))
        return;
    const Vec3 D = point - m_dragPoint;
    const Vec3 target = m_startTranslation + D;
    if (FootprintInside(*face, target)) {
        transform->m_translation.Set(target);
        m_bPlaced = false;
        m_iLastEdge = -1;
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
        return;
    }
    const int edges = face->GetSize();
    if (m_iLastEdge >= 0 && m_iLastEdge < edges) {
        // Along the edge it hit: the part of the move parallel to it.
        Vec3 along = face->GetPointAt((m_iLastEdge + 1) % edges) - face->GetPointAt(m_iLastEdge);
        along.Normalize();
        // The object keeps its distance from the edge and follows the
        // move's part along it.
        const Vec3 current = transform->m_translation.Get();
        const Vec3 offset = current - m_startTranslation;
        const Vec3 slid = m_startTranslation + (offset - along * offset.Dot(along)) + along * D.Dot(along);
        // From where it stands, as far along the edge as the face allows.
        double lo = 0.0;
        double hi = 1.0;
        if (FootprintInside(*face, slid)) {
            lo = 1.0;
        } else {
            for (int i = 0; i < kBorderSteps; ++i) {
                const double mid = (lo + hi) / 2;
                (FootprintInside(*face, current + (slid - current) * mid) ? lo : hi) = mid;
            }
        }
        const Vec3 step = (slid - current) * (lo < 1.0 ? lo * kBorderShare : 1.0);
        if (step.Length() > kMinStep) {
            transform->m_translation.Set(current + step);
            SgToolLink::Redraw(SgToolLink::Viewer(action), true);
        }
        return;
    }
    // Up to the border: the longest part of the remaining move that keeps
    // the footprint inside, a little short of the edge.
    const Vec3 current = transform->m_translation.Get();
    const Vec3 E = target - current;
    double lo = 0.0;
    double hi = 1.0;
    for (int i = 0; i < kBorderSteps; ++i) {
        const double mid = (lo + hi) / 2;
        (FootprintInside(*face, current + E * mid) ? lo : hi) = mid;
    }
    const Vec3 step = E * (lo * kBorderShare);
    // The edge it ran into: the one nearest to the footprint beyond the border.
    std::unique_ptr<CPolygon> beyond = Footprint(target, n);
    if (beyond) {
        double bestDistance = 1e300;
        for (const Vec3 &p : beyond->GetPoints()) {
            if (Inside(*face, p))
                continue;
            for (int e = 0; e < edges; ++e) {
                const Vec3 a = face->GetPointAt(e);
                const Vec3 b = face->GetPointAt((e + 1) % edges);
                const Vec3 u = b - a;
                const double t = std::clamp((p - a).Dot(u) / std::max(u.Dot(u), 1e-300), 0.0, 1.0);
                const double distance = (a + u * t - p).Length();
                if (distance < bestDistance) {
                    bestDistance = distance;
                    m_iLastEdge = e;
                }
            }
        }
    }
    if (step.Length() > kMinStep) {
        transform->m_translation.Set(current + step);
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    }
}

void SgConstraintTool::EndKeyPoint()
{
    SgDocument *document = m_pKeyPointDocument;
    m_pKeyPointDocument = nullptr;
    if (document && document->IsInKeyPoint())
        document->EndKeyPoint();
}
