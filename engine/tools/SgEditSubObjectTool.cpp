#include "engine/tools/SgEditSubObjectTool.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/actions/SgPickedPoint.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/FaceSetGeomAdapter.h"
#include "engine/nodes/geometry/PolylineGeomAdapter.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgSubObjectMoveTool.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"

SG_CLASS_SOURCE(SgEditSubObjectTool, SgRubberTool, SgFieldMngr, "SgEditSubObjectTool")

namespace {
// A vector shorter than this is used as it is, not normalised.
constexpr double kMinNormal = 1e-5;
// Edges whose ends coincide have no inside to pick.
constexpr double kDegenerateEdge2 = 1e-14;
// A plain extrusion lifts the new vertices this far, so that the new side
// faces are not of zero area before the gizmo moves them.
const Vec3 kExtrudeLift(0.001, 0.0, 0.0);

std::pair<int, int> Edge(int a, int b)
{
    return {std::min(a, b), std::max(a, b)};
}

// A press and release closer than this in both directions is a click.
constexpr int kMinBand = 2;


// An object that shows `shape` with its own style and colour, unlit.
SgObject *DisplayObject(SgNode *shape, int style, float pointSize, float lineWidth, const Color &colour)
{
    auto *object = Quiet(new SgObject(true, true));
    if (SgTransform *transform = object->GetTransform(true))
        transform->DisableUndo();
    auto *drawStyle = Quiet(new SgDrawStyle);
    drawStyle->m_style.Set(style);
    drawStyle->m_pointSize.Set(pointSize);
    drawStyle->m_lineWidth.Set(lineWidth);
    object->AddPropertyNode(drawStyle, false);
    auto *material = Quiet(new SgMaterial);
    material->m_diffuseColor.SetValue(0, colour);
    object->AddPropertyNode(material, false);
    auto *light = Quiet(new SgLightModel);
    light->m_model.Set(0);
    object->AddPropertyNode(light, false);
    object->AddChild(shape);
    return object;
}
} // namespace

SgEditSubObjectTool::SgEditSubObjectTool() = default;

SgEditSubObjectTool::~SgEditSubObjectTool()
{
    DropGizmoTool();
    // Only the handler's flags: the document around it may be going away.
    if (m_pHandler) {
        m_pHandler->m_bSubObject = false;
        m_pHandler->SetSubObjectState(false);
        m_pHandler->SetAfterMoveCB(nullptr);
        m_pHandler->SetAfterMoveData(nullptr);
        m_pHandler.reset();
    }
    if (m_pDisplay) {
        if (SgNode *holder = m_pDisplay->GetFirstFather(); holder && holder->IsGroup()) {
            SgUndoRecordingPause pause(holder->GetDocument());
            static_cast<SgGroup *>(holder)->DeleteChild(m_pDisplay.get());
        }
    }
}

SgFaceSet *SgEditSubObjectTool::FaceSet() const
{
    return m_bFaceSet ? static_cast<SgFaceSet *>(m_pShape) : nullptr;
}

SgPolyLine *SgEditSubObjectTool::Curve() const
{
    return !m_bFaceSet && m_pAdapter ? static_cast<SgPolyLine *>(m_pShape) : nullptr;
}

bool SgEditSubObjectTool::SetEditedShape(SgShape *shape)
{
    m_pShape = shape;
    m_shapeHold = shape;
    m_pAdapter.reset();
    if (!shape)
        return false;
    if (shape->GetClassID() == SgFaceSet::ClassID()) {
        auto *faceSet = static_cast<SgFaceSet *>(shape);
        m_bFaceSet = true;
        m_pAdapter = std::make_unique<FaceSetGeomAdapter>(*faceSet);
        faceSet->UpdateDupTable();
        BuildFaceTables();
        RefreshFaceCentres();
        return true;
    }
    if (shape->IsDerivedFrom(SgPolyLine::ClassID())) {
        m_bFaceSet = false;
        m_pAdapter = std::make_unique<PolylineGeomAdapter>(*static_cast<SgPolyLine *>(shape));
        return true;
    }
    return false;
}

int SgEditSubObjectTool::SelectionCount() const
{
    return m_iMode == kEdges ? static_cast<int>(m_selectedEdges.size()) : static_cast<int>(m_selected.size());
}

SgDocument *SgEditSubObjectTool::Document() const
{
    if (m_pShape && m_pShape->GetDocument())
        return m_pShape->GetDocument();
    return const_cast<SgEditSubObjectTool *>(this)->GetDocumentHack();
}

int SgEditSubObjectTool::VertexCount() const
{
    if (SgFaceSet *faceSet = FaceSet())
        return faceSet->m_vertices.GetCount();
    if (SgPolyLine *curve = Curve())
        return curve->m_coordinates.GetCount();
    return 0;
}

Vec3 SgEditSubObjectTool::Position(int vertex) const
{
    if (vertex < 0 || vertex >= VertexCount())
        return Vec3();
    if (SgFaceSet *faceSet = FaceSet())
        return faceSet->m_vertices.GetValue(vertex);
    return Curve()->m_coordinates.GetValue(vertex);
}

int SgEditSubObjectTool::Rep(int vertex) const
{
    SgFaceSet *faceSet = FaceSet();
    if (!faceSet || vertex < 0 || vertex >= VertexCount())
        return vertex;
    return faceSet->UpdateDupTable()[vertex];
}

void SgEditSubObjectTool::BuildFaceTables()
{
    m_firstCorner.clear();
    m_firstLoop.clear();
    SgFaceSet *faceSet = FaceSet();
    if (!faceSet)
        return;
    const int faces = faceSet->m_loopCount.GetCount();
    const int loops = faceSet->m_sizes.GetCount();
    int corner = 0;
    int loop = 0;
    for (int f = 0; f < faces; ++f) {
        m_firstCorner.push_back(corner);
        m_firstLoop.push_back(loop);
        const int count = faceSet->m_loopCount.GetValue(f);
        for (int l = 0; l < count && loop < loops; ++l)
            corner += faceSet->m_sizes.GetValue(loop++);
    }
}

std::vector<std::vector<int>> SgEditSubObjectTool::Loops(int face) const
{
    std::vector<std::vector<int>> out;
    SgFaceSet *faceSet = FaceSet();
    if (!faceSet || face < 0 || face >= static_cast<int>(m_firstCorner.size()))
        return out;
    const int loops = faceSet->m_sizes.GetCount();
    const int corners = faceSet->m_indexes.GetCount();
    int corner = m_firstCorner[face];
    int loop = m_firstLoop[face];
    const int count = faceSet->m_loopCount.GetValue(face);
    for (int l = 0; l < count && loop < loops; ++l, ++loop) {
        std::vector<int> list;
        const int size = faceSet->m_sizes.GetValue(loop);
        for (int k = 0; k < size && corner < corners; ++k)
            list.push_back(faceSet->m_indexes.GetValue(corner++));
        out.push_back(std::move(list));
    }
    return out;
}

void SgEditSubObjectTool::RefreshFaceCentres()
{
    const int faces = static_cast<int>(m_firstCorner.size());
    m_faceCentres.assign(faces, Vec3());
    for (int f = 0; f < faces; ++f) {
        Vec3 sum;
        int count = 0;
        for (const std::vector<int> &loop : Loops(f)) {
            for (int v : loop) {
                sum += Position(v);
                ++count;
            }
        }
        // A face without corners has no centre: it keeps the origin.
        if (count > 0)
            m_faceCentres[f] = sum / count;
    }
}

void SgEditSubObjectTool::BuildEdgeTables()
{
    m_edges.clear();
    m_edgeFaces.clear();
    m_vertexFaces.clear();
    if (FaceSet()) {
        const int faces = static_cast<int>(m_firstCorner.size());
        for (int f = 0; f < faces; ++f) {
            for (const std::vector<int> &loop : Loops(f)) {
                const int n = static_cast<int>(loop.size());
                int previous = -1;
                for (int k = 0; k <= n && n > 0; ++k) {
                    const int r = Rep(loop[k % n]);
                    if (k >= 1) {
                        const auto edge = Edge(previous, r);
                        m_edges.insert(edge);
                        m_edgeFaces.insert({edge.first, edge.second, f});
                    }
                    m_vertexFaces.insert({r, f});
                    previous = r;
                }
            }
        }
        return;
    }
    SgPolyLine *curve = Curve();
    if (!curve)
        return;
    const int count = curve->m_coordinates.GetCount();
    std::vector<int> starts{0};
    for (int i = 0; i < curve->m_jumps.GetCount(); ++i)
        starts.push_back(std::clamp(curve->m_jumps.GetValue(i), 0, count));
    starts.push_back(count);
    const bool closed = curve->m_closed.Get() != 0;
    for (size_t l = 0; l + 1 < starts.size(); ++l) {
        const int first = starts[l];
        const int end = starts[l + 1];
        for (int i = first; i + 1 < end; ++i)
            m_edges.insert(Edge(i, i + 1));
        if (closed && end - first > 2)
            m_edges.insert(Edge(end - 1, first));
    }
}

void SgEditSubObjectTool::ResetSelection()
{
    m_centre.clear();
    m_selected.clear();
    m_selectedEdges.clear();
    m_moved.clear();
    m_edges.clear();
    m_edgeFaces.clear();
    m_vertexFaces.clear();
    m_iPicked = -1;
    m_keptMatrix = Mat4();
    DropGizmoTool();
    if (m_pGizmo && m_pGizmoPoints) {
        m_pGizmo->GetTransform(true)->m_translation.Set(Vec3());
        m_pGizmoPoints->m_point.SetVals(0, nullptr);
        m_pGizmoSet->m_numPoints.Set(0);
    }
    if (m_iStarted == 2)
        m_iStarted = 1;
}

void SgEditSubObjectTool::RebuildFromFaces()
{
    m_centre.clear();
    m_moved.clear();
    for (int f : m_selected)
        for (const std::vector<int> &loop : Loops(f))
            for (int v : loop)
                m_centre.insert(Rep(v));
    const int count = VertexCount();
    for (int v = 0; v < count; ++v)
        if (m_centre.count(Rep(v)))
            m_moved.insert(v);
}

void SgEditSubObjectTool::RebuildFromEdges()
{
    m_centre.clear();
    m_moved.clear();
    for (const auto &edge : m_selectedEdges) {
        m_centre.insert(edge.first);
        m_centre.insert(edge.second);
    }
    const int count = VertexCount();
    for (int v = 0; v < count; ++v)
        if (m_centre.count(Rep(v)))
            m_moved.insert(v);
}

bool SgEditSubObjectTool::SelectNearest(const Vec3 &p, bool add)
{
    if (!m_pAdapter)
        return false;
    if (!add) {
        m_centre.clear();
        m_selected.clear();
        m_selectedEdges.clear();
        m_moved.clear();
    }
    if (m_edges.empty())
        BuildEdgeTables();
    m_iPicked = -1;
    m_iPickedOther = -1;
    double best = 1e100;
    const int count = VertexCount();
    if (m_iMode == kVertices) {
        for (int v = 0; v < count; ++v) {
            const double d = (Position(v) - p).Length2();
            if (d < best) {
                best = d;
                m_iPicked = Rep(v);
            }
        }
    } else if (m_iMode == kEdges) {
        for (const auto &[a, b] : m_edges) {
            const Vec3 A = Position(a);
            const Vec3 B = Position(b);
            const Vec3 d = B - A;
            Vec3 q = B;
            if (d.Length2() > kDegenerateEdge2)
                q = A + d * ((p - A).Dot(d) / d.Length2());
            const double distance = (q - p).Length2();
            if (distance < best && (q - A).Dot(q - B) < 0.0) {
                best = distance;
                m_iPicked = a;
                m_iPickedOther = b;
            }
        }
    } else if (m_iMode == kFaces) {
        for (int f = 0; f < static_cast<int>(m_faceCentres.size()); ++f) {
            const double d = (m_faceCentres[f] - p).Length2();
            if (d < best) {
                best = d;
                m_iPicked = f;
            }
        }
    }
    if (m_iPicked < 0)
        return false;
    const int picked = m_iPicked;
    if (m_iMode == kEdges) {
        const auto edge = Edge(picked, m_iPickedOther);
        if (!m_selectedEdges.count(edge)) {
            m_selectedEdges.insert(edge);
        } else if (m_selectedEdges.size() > 1) {
            m_selectedEdges.erase(edge);
        }
        RebuildFromEdges();
    } else if (!m_selected.count(picked)) {
        m_selected.insert(picked);
        if (m_iMode == kFaces) {
            RebuildFromFaces();
        } else {
            m_centre.insert(picked);
            for (int v = 0; v < count; ++v)
                if (Rep(v) == picked)
                    m_moved.insert(v);
        }
    } else if (m_selected.size() > 1) {
        // Ctrl on a selected one takes it out, but the last one stays.
        m_selected.erase(picked);
        if (m_iMode == kFaces) {
            RebuildFromFaces();
        } else {
            m_centre.erase(picked);
            for (int v = 0; v < count; ++v)
                if (Rep(v) == picked)
                    m_moved.erase(v);
        }
    }
    ArmDrag();
    return true;
}

void SgEditSubObjectTool::ArmDrag(SgHandleEventAction *action)
{
    Vec3 sum;
    for (int v : m_centre)
        sum += Position(v);
    m_selectionCentre = m_centre.empty() ? Vec3() : sum / static_cast<double>(m_centre.size());
    m_keptMatrix = Mat4();
    m_keptMatrix.Set(0, 3, m_selectionCentre.x);
    m_keptMatrix.Set(1, 3, m_selectionCentre.y);
    m_keptMatrix.Set(2, 3, m_selectionCentre.z);
    if (!m_iStarted)
        return;
    m_iStarted = 2;
    if (!m_pGizmo)
        return;
    SgTransform *transform = m_pGizmo->GetTransform(true);
    const Rotation orientation(Vec3(0, 0, -1), SelectionNormal());
    transform->m_translation.Set(m_selectionCentre);
    transform->m_rotation.Set(Rotation());
    transform->m_center.Set(Vec3());
    transform->m_scaleFactor.Set(Vec3(1, 1, 1));
    transform->m_scaleOrientation.Set(orientation);
    std::vector<Vec3> points;
    for (int v : m_centre)
        points.push_back(Position(v) - m_selectionCentre);
    m_pGizmoPoints->m_point.SetVals(static_cast<int>(points.size()), points.data());
    m_pGizmoSet->m_numPoints.Set(static_cast<int>(points.size()));
    // Steps are measured from the gizmo as it is placed now, so the first
    // step of a drag moves nothing by itself.
    m_keptMatrix = transform->GetMatrix().GetMatrix();
    DropGizmoTool();
    if (m_ObjectPath.IsEmpty() || !m_pDisplay)
        return;
    SgPath path = m_ObjectPath;
    path.Append(m_pDisplay.get());
    path.Append(m_pGizmo);
    auto *manipulator = new SgManipulator(path, SgSubObjectMoveTool::ClassID(), 0, action);
    if (!manipulator->GetFirstFather()) {
        SgRef<SgManipulator> drop(manipulator);
        return;
    }
    m_pMoveTool = dynamic_cast<SgSubObjectMoveTool *>(manipulator->GetTool());
    if (m_pMoveTool)
        m_pMoveTool->SetOwner(this);
}

bool SgEditSubObjectTool::ApplyGizmoStep(const Mat4 &gizmo)
{
    if (!m_pAdapter || m_moved.empty())
        return false;
    // A kept matrix that cannot be inverted gives no step: skipped, not thrown
    // out of an event.
    if (std::abs(m_keptMatrix.Determinant()) < kSingular)
        return false;
    const Mat4 step = gizmo * m_keptMatrix.Inverse();
    SgVFVec3 *points = nullptr;
    if (SgFaceSet *faceSet = FaceSet())
        points = &faceSet->m_vertices;
    else if (SgPolyLine *curve = Curve())
        points = &curve->m_coordinates;
    if (!points)
        return false;
    std::vector<Vec3> values = points->GetValues();
    for (int v : m_moved)
        if (v >= 0 && v < static_cast<int>(values.size()))
            values[v] = step.MultPoint(values[v]);
    points->SetVals(static_cast<int>(values.size()), values.data());
    if (m_iMode == kFaces)
        RefreshFaceCentres();
    m_keptMatrix = gizmo;
    return true;
}

Vec3 SgEditSubObjectTool::SelectionNormal()
{
    if (!FaceSet())
        return Vec3(0, 0, 1);
    std::set<int> faces;
    if (m_iMode == kFaces) {
        faces = m_selected;
    } else if (m_iMode == kEdges) {
        for (const auto &[a, b, f] : m_edgeFaces)
            if (m_selectedEdges.count({a, b}))
                faces.insert(f);
    } else {
        for (const auto &[r, f] : m_vertexFaces)
            if (m_selected.count(r))
                faces.insert(f);
    }
    Vec3 sum;
    for (int f : faces) {
        const auto loops = Loops(f);
        if (loops.empty() || loops[0].size() < 3) {
            sum += Vec3(0, 0, 1);
            continue;
        }
        const std::vector<int> &loop = loops[0];
        const int n = std::min(static_cast<int>(loop.size()), kMaxNormalCorners);
        const Vec3 p0 = Position(loop[0]);
        Vec3 normal;
        for (int i = 1; i + 1 < n; ++i)
            normal += (Position(loop[i]) - p0).Cross(Position(loop[i + 1]) - p0);
        normal.Normalize(kMinNormal);
        sum += normal;
    }
    sum.Normalize(kMinNormal);
    return sum;
}

void SgEditSubObjectTool::Start(SgHandleEventAction *action, PickedPointQuery *query)
{
    if (m_iStarted)
        return;
    SgRubberTool::Start(action, query);
    BuildFaceTables();
    RefreshFaceCentres();
    SetHandlerMode(true);
    // Started without a window event, the tool still takes presses.
    SetToolActive(false);
    m_iStarted = 1;
}

void SgEditSubObjectTool::SetHandlerMode(bool on)
{
    if (on) {
        SgDocument *document = Document();
        m_pHandler = document ? document->GetSelectionHandler() : nullptr;
    }
    SgRef<SgSelectionHandler> handler = m_pHandler;
    m_bHandlerMode = on;
    if (!on)
        m_pHandler.reset();
    if (!handler)
        return;
    // While the tool runs, a click selects no object: it picks sub-objects.
    handler->DeselectAll();
    handler->m_bSubObject = on;
    handler->SetSubObjectState(on);
    // Steps reported to the handler move the vertices too; a step reported
    // twice moves them once (each is measured from the last one applied).
    handler->SetAfterMoveCB(on ? &SgEditSubObjectTool::OnMoveCB : nullptr);
    handler->SetAfterMoveData(on ? this : nullptr);
}

void SgEditSubObjectTool::Finish(SgHandleEventAction *action)
{
    EndPress(action);
    DropGizmoTool();
    ResetSelection();
    if (m_bHandlerMode)
        SetHandlerMode(false);
    if (m_pDisplay) {
        if (SgNode *holder = m_pDisplay->GetFirstFather(); holder && holder->IsGroup()) {
            SgUndoRecordingPause pause(holder->GetDocument());
            static_cast<SgGroup *>(holder)->DeleteChild(m_pDisplay.get());
        }
        m_pDisplay.reset();
    }
    m_pGizmo = nullptr;
    m_pGizmoPoints = nullptr;
    m_pGizmoSet = nullptr;
    SgRubberTool::Finish(action);
    m_iStarted = 0;
}

void SgEditSubObjectTool::CreateObjectGroup()
{
    SgObject *object = m_pEditSeparator;
    if (!object) {
        SgSeparator *end = m_ObjectPath.IsEmpty() ? nullptr : m_ObjectPath.GetObject(true);
        if (end && end->IsDerivedFrom(SgObject::ClassID()))
            object = static_cast<SgObject *>(end);
    }
    if (!object || !m_pShape || m_pDisplay)
        return;
    m_pDisplay = Quiet(new SgGizmoGroup);
    SgGizmoGroup *group = m_pDisplay.get();
    const bool curve = !m_bFaceSet;
    SgObject *a = DisplayObject(m_pShape, 2, 5.0f, 2.0f, Color(0.3f, 0.7f, 0.7f, 1.0f));
    a->AddPropertyNode(Quiet(new SgLightModel), false);
    group->AddChild(a);
    SgObject *b = nullptr;
    if (m_iMode == kVertices)
        b = DisplayObject(m_pShape, curve ? 11 : 1, 5.0f, 2.0f, Color(0.3f, 0.3f, 0.3f, 1.0f));
    else if (m_iMode == kFaces)
        b = DisplayObject(m_pShape, 6, 6.0f, 2.0f, Color(0.3f, 0.3f, 0.3f, 0.25f));
    else if (m_iMode == kEdges)
        b = DisplayObject(m_pShape, 2, 6.0f, 2.0f, Color(1.0f, 0.0f, 0.0f, 1.0f));
    if (m_iMode == kEdges)
        BuildEdgeTables();
    if (b) {
        auto *hints = Quiet(new SgShapeHints);
        hints->m_shapeType.Set(2);
        b->AddPropertyNode(hints, false);
        b->SetName("PointsOnlyGeom");
        group->AddChild(b);
    }
    m_pGizmoSet = Quiet(new SgPointSet);
    m_pGizmoSet->SetName("PointsGizmo");
    m_pGizmoSet->m_numPoints.Set(0);
    m_pGizmo = DisplayObject(m_pGizmoSet, 1, 10.0f, 2.0f, Color(1.0f, 1.0f, 0.0f, 1.0f));
    m_pGizmoPoints = Quiet(new SgCoordinate3);
    m_pGizmo->AddPropertyNode(m_pGizmoPoints, false);
    m_pGizmo->SetName("SelectedDummy");
    group->AddChild(m_pGizmo);
    // Drawn in the shape's own frame; no part of the scene's history.
    SgUndoRecordingPause pause(object->GetDocument());
    object->AddChildAfter(group, object->GetTransform(true));
}

void SgEditSubObjectTool::DropGizmoTool()
{
    if (m_pMoveTool)
        m_pMoveTool->SetOwner(nullptr);
    m_pMoveTool = nullptr;
    if (!m_pGizmo)
        return;
    if (SgNode *manipulator = m_pGizmo->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true)) {
        if (SgNode *holder = manipulator->GetFirstFather(); holder && holder->IsGroup()) {
            SgUndoRecordingPause pause(m_pGizmo->GetDocument());
            static_cast<SgGroup *>(holder)->DeleteChild(manipulator);
        }
    }
}

void SgEditSubObjectTool::OnMoveCB(SgHandleEventAction *action, void *data)
{
    auto *tool = static_cast<SgEditSubObjectTool *>(data);
    if (!tool || tool->m_iStarted != 2 || !tool->m_pGizmo)
        return;
    SgTransform *transform = tool->m_pGizmo->GetTransform(false);
    if (!transform)
        return;
    tool->ApplyGizmoStep(transform->GetMatrix().GetMatrix());
    if (action)
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
}

int SgEditSubObjectTool::OnLButtonDown(SgHandleEventAction *action)
{
    if (!m_pAdapter || (m_iStarted != 1 && m_iStarted != 2))
        return 0;
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event)
        return 0;
    // The gizmo's move tool took this press for a drag.
    if (action->GetTool() && action->GetTool() != this)
        return 0;
    m_pAction = action;
    m_bPressing = true;
    m_bBand = false;
    m_bCtrl = event->m_bCtrl;
    m_iPressX = m_iBandX = event->m_x;
    m_iPressY = m_iBandY = event->m_y;
    // Refinement passes would redraw the scene behind the band for nothing;
    // the setting comes back with the release.
    m_pViewer = action->GetViewer();
    if (m_pViewer) {
        m_iSavedPasses = m_pViewer->GetPassCount();
        m_pViewer->SetPassCount(0);
    }
    action->SetTool(this);
    return 1;
}

int SgEditSubObjectTool::OnMouseMove(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!m_bPressing || !event)
        return 0;
    m_iBandX = event->m_x;
    m_iBandY = event->m_y;
    if (std::abs(m_iBandX - m_iPressX) >= kMinBand || std::abs(m_iBandY - m_iPressY) >= kMinBand)
        m_bBand = true;
    if (m_bBand && m_pViewer) {
        m_pViewer->SetRubberBand(SgRect{std::min(m_iPressX, m_iBandX), std::min(m_iPressY, m_iBandY),
                                        std::max(m_iPressX, m_iBandX), std::max(m_iPressY, m_iBandY)});
        m_pViewer->Redraw(false);
    }
    return 1;
}

void SgEditSubObjectTool::EndPress(SgHandleEventAction *action)
{
    if (!m_bPressing)
        return;
    m_bPressing = false;
    if (action && action->GetTool() == this)
        action->SetTool(nullptr);
    if (m_pViewer) {
        m_pViewer->ClearRubberBand();
        m_pViewer->SetPassCount(m_iSavedPasses);
    }
    m_pViewer = nullptr;
}

void SgEditSubObjectTool::Click(SgHandleEventAction *action, bool ctrl)
{
    SgPickedPoint hit;
    Vec3 p;
    const bool found = SgToolLink::PickNearest(action, kPickRadius, nullptr, hit) &&
                       SgToolLink::WorldToObject(action, hit.m_Point, m_ShapePath, p);
    if (!found) {
        // A click on nothing empties the selection.
        ResetSelection();
        return;
    }
    SelectNearest(p, ctrl);
    ArmDrag(action);
}

int SgEditSubObjectTool::OnLButtonUp(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (m_bPressing) {
        const bool band = m_bBand;
        const bool ctrl = m_bCtrl;
        EndPress(action);
        if (band && event)
            SelectInRect(action, m_iPressX, m_iPressY, event->m_x, event->m_y);
        else
            Click(action, ctrl);
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    }
    SetToolActive(false);
    return 1;
}

bool SgEditSubObjectTool::SelectInRect(SgHandleEventAction *action, int left, int top, int right, int bottom)
{
    SgViewport *viewport = action ? action->GetViewport() : nullptr;
    if (!viewport || !m_pAdapter) {
        ResetSelection();
        return false;
    }
    const int x0 = std::min(left, right);
    const int x1 = std::max(left, right);
    const int y0 = std::min(top, bottom);
    const int y1 = std::max(top, bottom);
    const Vec2i corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    Vec3 n[4];
    Vec3 f[4];
    Vec3 middle;
    for (int i = 0; i < 4; ++i) {
        const Segment ray = viewport->ObjectRay(corners[i], m_ShapePath);
        n[i] = ray.GetStart();
        f[i] = ray.GetEnd();
        middle += (n[i] + f[i]) * 0.125;
    }
    const Vec3 triples[6][3] = {{f[0], n[0], n[1]}, {f[1], n[1], n[2]}, {f[2], n[2], n[3]},
                                {f[3], n[3], n[0]}, {n[0], n[3], n[2]}, {f[3], f[0], f[1]}};
    for (int i = 0; i < 6; ++i) {
        const Vec3 &a = triples[i][0];
        const Vec3 &b = triples[i][1];
        const Vec3 &c = triples[i][2];
        Vec3 normal = (c - b).Cross(a - b);
        normal.Normalize();
        double d = normal.Dot(a);
        // Each plane faces out of the volume, whichever way the window's y runs.
        if (normal.Dot(middle) - d > 0.0) {
            normal = -normal;
            d = -d;
        }
        m_planes[i] = Plane(normal, d);
    }
    if (!m_bCtrl) {
        m_centre.clear();
        m_selected.clear();
        m_selectedEdges.clear();
        m_moved.clear();
    }
    const int count = VertexCount();
    for (int v = 0; v < count; ++v) {
        const Vec3 p = Position(v);
        bool inside = true;
        for (const Plane &plane : m_planes)
            inside = inside && plane.GetNormal().Dot(p) - plane.GetDistance() <= 0.0;
        if (inside)
            m_centre.insert(v);
    }
    if (m_centre.empty()) {
        ResetSelection();
        return false;
    }
    std::set<int> reps;
    for (int v : m_centre)
        reps.insert(Rep(v));
    for (int v = 0; v < count; ++v)
        if (reps.count(Rep(v)))
            m_moved.insert(v);
    if (m_iMode == kVertices)
        m_selected.insert(reps.begin(), reps.end());
    ArmDrag(action);
    return true;
}

// ---- Mesh commands ---------------------------------------------------------

void SgEditSubObjectTool::DeleteFace(int face)
{
    SgFaceSet *faceSet = FaceSet();
    const auto loops = Loops(face);
    int corners = 0;
    for (const auto &loop : loops)
        corners += static_cast<int>(loop.size());
    faceSet->m_sizes.DeleteValues(m_firstLoop[face], static_cast<int>(loops.size()));
    faceSet->m_loopCount.DeleteValues(face, 1);
    faceSet->m_indexes.DeleteValues(m_firstCorner[face], corners);
    if (faceSet->m_surfID.GetCount() > face)
        faceSet->m_surfID.DeleteValues(face, 1);
}

void SgEditSubObjectTool::DeleteCurvePoints()
{
    SgPolyLine *curve = Curve();
    if (!curve || m_centre.empty())
        return;
    const int count = curve->m_coordinates.GetCount();
    std::vector<int> starts{0};
    for (int i = 0; i < curve->m_jumps.GetCount(); ++i)
        starts.push_back(std::clamp(curve->m_jumps.GetValue(i), 0, count));
    starts.push_back(count);
    std::vector<Vec3> kept;
    std::vector<int> sizes;
    for (size_t l = 0; l + 1 < starts.size(); ++l) {
        int size = 0;
        for (int i = starts[l]; i < starts[l + 1]; ++i) {
            if (m_centre.count(i))
                continue;
            kept.push_back(curve->m_coordinates.GetValue(i));
            ++size;
        }
        // A loop left with no point leaves the curve.
        if (size > 0)
            sizes.push_back(size);
    }
    std::vector<int> jumps;
    int running = 0;
    for (size_t l = 0; l + 1 < sizes.size(); ++l)
        jumps.push_back(running += sizes[l]);
    curve->m_coordinates.SetVals(static_cast<int>(kept.size()), kept.data());
    curve->m_jumps.SetVals(static_cast<int>(jumps.size()), jumps.data());
}

void SgEditSubObjectTool::DeleteSelection(int mode)
{
    SgKeyPoint keyPoint(Document());
    if ((mode == kVertices || mode == kEdges) && Curve()) {
        DeleteCurvePoints();
    } else if (mode == kFaces && FaceSet()) {
        BuildFaceTables();
        // From the highest index down, so that lower indices stay valid.
        for (auto it = m_selected.rbegin(); it != m_selected.rend(); ++it)
            if (*it >= 0 && *it < static_cast<int>(m_firstCorner.size()))
                DeleteFace(*it);
        BuildFaceTables();
        RefreshFaceCentres();
    }
    ResetSelection();
}

void SgEditSubObjectTool::CreaseSelection(int mode, int flag)
{
    SgFaceSet *faceSet = FaceSet();
    if (!faceSet)
        return;
    SgKeyPoint keyPoint(Document());
    std::vector<int> kept;
    if (mode == kEdges) {
        const std::vector<int> &old = faceSet->m_creaseEdges.GetValues();
        for (size_t i = 0; i + 1 < old.size(); i += 2)
            if (!m_selectedEdges.count({old[i], old[i + 1]}))
                kept.insert(kept.end(), {old[i], old[i + 1]});
        if (flag == 1)
            for (const auto &edge : m_selectedEdges)
                kept.insert(kept.end(), {edge.first, edge.second});
        faceSet->m_creaseEdges.SetVals(static_cast<int>(kept.size()), kept.data());
    } else if (mode == kVertices) {
        for (int v : faceSet->m_cornerVertices.GetValues())
            if (!m_selected.count(v))
                kept.push_back(v);
        if (flag == 1)
            kept.insert(kept.end(), m_selected.begin(), m_selected.end());
        faceSet->m_cornerVertices.SetVals(static_cast<int>(kept.size()), kept.data());
    }
}

void SgEditSubObjectTool::SplitFace(int a, int b, int face)
{
    SgFaceSet *faceSet = FaceSet();
    if (!faceSet)
        return;
    BuildFaceTables();
    if (face < 0 || face >= static_cast<int>(m_firstCorner.size()) || faceSet->m_loopCount.GetValue(face) != 1)
        return;
    const std::vector<std::vector<int>> loops = Loops(face);
    // A face whose loop the fields do not describe has nothing to split.
    if (loops.size() != 1)
        return;
    const std::vector<int> &loop = loops.front();
    const int n = static_cast<int>(loop.size());
    std::vector<int> at;
    for (int k = 0; k < n; ++k)
        if (Rep(loop[k]) == a || Rep(loop[k]) == b)
            at.push_back(k);
    if (n < 1 || at.size() != 2)
        return;
    SgKeyPoint keyPoint(Document());
    const int i = at[0];
    const int j = at[1];
    std::vector<int> first(loop.begin() + i, loop.begin() + j + 1);
    std::vector<int> second;
    for (int k = j; k % n != i; ++k)
        second.push_back(loop[k % n]);
    second.push_back(loop[i]);
    const bool perFace = faceSet->m_surfID.GetCount() == faceSet->m_loopCount.GetCount();
    const int start = m_firstCorner[face];
    std::vector<int> indexes = faceSet->m_indexes.GetValues();
    indexes.erase(indexes.begin() + start, indexes.begin() + start + n);
    indexes.insert(indexes.begin() + start, first.begin(), first.end());
    indexes.insert(indexes.end(), second.begin(), second.end());
    faceSet->m_indexes.SetVals(static_cast<int>(indexes.size()), indexes.data());
    faceSet->m_sizes.SetValue(m_firstLoop[face], static_cast<unsigned short>(first.size()));
    faceSet->m_sizes.AddVal(static_cast<unsigned short>(second.size()));
    faceSet->m_loopCount.AddVal(1);
    if (perFace)
        faceSet->m_surfID.AddVal(faceSet->m_surfID.GetValue(face));
    BuildFaceTables();
    RefreshFaceCentres();
}

void SgEditSubObjectTool::BridgeSelection(int mode)
{
    SgFaceSet *faceSet = FaceSet();
    {
        SgKeyPoint keyPoint(Document());
        if (faceSet && mode == kVertices) {
            if (m_edges.empty())
                BuildEdgeTables();
            std::map<int, std::vector<int>> byFace;
            for (const auto &[r, f] : m_vertexFaces)
                if (m_selected.count(r))
                    byFace[f].push_back(r);
            for (const auto &[f, reps] : byFace)
                if (reps.size() == 2)
                    SplitFace(reps[0], reps[1], f);
        } else if (faceSet && mode == kEdges) {
            BuildFaceTables();
            std::map<std::pair<int, int>, int> midpoints;
            std::vector<int> indexes;
            const int faces = static_cast<int>(m_firstCorner.size());
            int loopIndex = 0;
            for (int f = 0; f < faces; ++f) {
                for (const std::vector<int> &loop : Loops(f)) {
                    const int n = static_cast<int>(loop.size());
                    int inserted = 0;
                    for (int k = 0; k < n; ++k) {
                        const int v = loop[k];
                        const int w = loop[(k + 1) % n];
                        indexes.push_back(v);
                        const auto edge = Edge(Rep(v), Rep(w));
                        if (!m_selectedEdges.count(edge))
                            continue;
                        auto found = midpoints.find(edge);
                        if (found == midpoints.end()) {
                            AddVertex((Position(edge.first) + Position(edge.second)) * 0.5);
                            found = midpoints.emplace(edge, VertexCount() - 1).first;
                        }
                        indexes.push_back(found->second);
                        ++inserted;
                    }
                    if (inserted)
                        faceSet->m_sizes.SetValue(loopIndex, static_cast<unsigned short>(n + inserted));
                    ++loopIndex;
                }
            }
            faceSet->m_indexes.SetVals(static_cast<int>(indexes.size()), indexes.data());
            BuildFaceTables();
            RefreshFaceCentres();
        }
    }
    ResetSelection();
}

void SgEditSubObjectTool::AddVertex(const Vec3 &p)
{
    SgFaceSet *faceSet = FaceSet();
    const int index = faceSet->m_vertices.GetCount();
    const bool dupPerVertex = faceSet->m_vertexDuplication.GetCount() == index;
    faceSet->m_vertices.AddVal(p);
    // The new vertex is its own representative.
    if (dupPerVertex)
        faceSet->m_vertexDuplication.AddVal(index);
}

void SgEditSubObjectTool::AppendSideFaces(const std::vector<std::array<int, 4>> &sides)
{
    SgFaceSet *faceSet = FaceSet();
    for (const auto &side : sides) {
        faceSet->m_indexes.AddVals(4, side.data());
        faceSet->m_loopCount.AddVal(1);
        faceSet->m_sizes.AddVal(4);
        faceSet->m_surfID.AddVal(0);
    }
}

void SgEditSubObjectTool::InsetExtrude()
{
    SgFaceSet *faceSet = FaceSet();
    std::vector<int> indexes = faceSet->m_indexes.GetValues();
    std::vector<std::array<int, 4>> sides;
    std::vector<std::pair<std::vector<int>, Vec3>> shrink;
    for (int f : m_selected) {
        if (f < 0 || f >= static_cast<int>(m_firstCorner.size()))
            continue;
        int corner = m_firstCorner[f];
        for (const std::vector<int> &loop : Loops(f)) {
            const int n = static_cast<int>(loop.size());
            std::vector<int> fresh;
            Vec3 mean;
            for (int k = 0; k < n; ++k) {
                const Vec3 p = Position(loop[k]);
                mean += p;
                AddVertex(p);
                fresh.push_back(VertexCount() - 1);
                indexes[corner + k] = fresh.back();
            }
            for (int k = 0; k < n; ++k) {
                const int previous = (k + n - 1) % n;
                sides.push_back({loop[previous], loop[k], fresh[k], fresh[previous]});
            }
            corner += n;
            if (n > 0)
                shrink.emplace_back(fresh, mean / n);
        }
    }
    faceSet->m_indexes.SetVals(static_cast<int>(indexes.size()), indexes.data());
    std::vector<Vec3> points = faceSet->m_vertices.GetValues();
    for (const auto &[fresh, mean] : shrink)
        for (int v : fresh)
            points[v] = points[v] * kInsetKeep + mean * (1.0 - kInsetKeep);
    faceSet->m_vertices.SetVals(static_cast<int>(points.size()), points.data());
    AppendSideFaces(sides);
}

void SgEditSubObjectTool::PlainExtrude()
{
    SgFaceSet *faceSet = FaceSet();
    std::set<std::pair<int, int>> selectedSides;
    std::set<std::pair<int, int>> allSides;
    const int faces = static_cast<int>(m_firstCorner.size());
    for (int f = 0; f < faces; ++f) {
        for (const std::vector<int> &loop : Loops(f)) {
            const int n = static_cast<int>(loop.size());
            for (int k = 0; k < n; ++k) {
                const std::pair<int, int> side{Rep(loop[k]), Rep(loop[(k + 1) % n])};
                allSides.insert(side);
                if (m_selected.count(f))
                    selectedSides.insert(side);
            }
        }
    }
    std::map<int, int> fresh;
    std::vector<std::array<int, 4>> sides;
    for (const auto &[a, b] : selectedSides) {
        // Only sides shared with an unselected face get a side face.
        if (selectedSides.count({b, a}) || !allSides.count({b, a}))
            continue;
        for (int r : {a, b}) {
            if (!fresh.count(r)) {
                AddVertex(Position(r) + kExtrudeLift);
                fresh[r] = VertexCount() - 1;
            }
        }
        // Wound as the mesh is: the side pairs with the neighbour's b -> a
        // and with the lifted face's new a -> new b.
        sides.push_back({a, b, fresh[b], fresh[a]});
    }
    std::vector<int> indexes = faceSet->m_indexes.GetValues();
    for (int f : m_selected) {
        if (f < 0 || f >= faces)
            continue;
        int corner = m_firstCorner[f];
        for (const std::vector<int> &loop : Loops(f)) {
            for (size_t k = 0; k < loop.size(); ++k, ++corner) {
                auto found = fresh.find(Rep(loop[k]));
                if (found != fresh.end())
                    indexes[corner] = found->second;
            }
        }
    }
    faceSet->m_indexes.SetVals(static_cast<int>(indexes.size()), indexes.data());
    AppendSideFaces(sides);
}

void SgEditSubObjectTool::CurveExtrude()
{
    SgPolyLine *curve = Curve();
    if (!curve || m_centre.empty())
        return;
    const int count = curve->m_coordinates.GetCount();
    std::vector<int> starts{0};
    for (int i = 0; i < curve->m_jumps.GetCount(); ++i)
        starts.push_back(std::clamp(curve->m_jumps.GetValue(i), 0, count));
    starts.push_back(count);
    const bool closed = curve->m_closed.Get() != 0;
    m_edges.clear();
    std::vector<Vec3> points;
    std::vector<int> newStarts;
    std::set<int> moved;
    std::set<std::pair<int, int>> selected;
    for (size_t l = 0; l + 1 < starts.size(); ++l) {
        const int first = starts[l];
        const int n = starts[l + 1] - first;
        if (n <= 0)
            continue;
        const int base = static_cast<int>(points.size());
        newStarts.push_back(base);
        auto isSelected = [&](int j, int k) { return m_selectedEdges.count(Edge(first + j, first + k)) > 0; };
        std::vector<int> pending; // new points whose edge to the next new point is selected
        for (int j = 0; j < n; ++j) {
            const bool hasNext = closed || j + 1 < n;
            const bool hasPrevious = closed || j > 0;
            const int kind = (hasNext && isSelected(j, (j + 1) % n) ? 2 : 0) +
                             (hasPrevious && isSelected((j + n - 1) % n, j) ? 1 : 0);
            const Vec3 p = curve->m_coordinates.GetValue(first + j);
            const int at = static_cast<int>(points.size());
            const bool last = j + 1 == n;
            switch (kind) {
            case 0:
                points.push_back(p);
                break;
            case 1: // a run ends here: the pulled copy, then the one that stays
                points.push_back(p);
                points.push_back(p);
                moved.insert(at);
                break;
            case 2: // a run starts here: the one that stays, then the pulled copy
                points.push_back(p);
                points.push_back(p);
                moved.insert(at + 1);
                if (closed || !last)
                    pending.push_back(at + 1);
                break;
            default: // inside a run
                points.push_back(p);
                moved.insert(at);
                if (closed || !last)
                    pending.push_back(at);
                break;
            }
        }
        const int end = static_cast<int>(points.size());
        for (int v : pending)
            selected.insert(Edge(v, v + 1 < end ? v + 1 : base));
        for (int v = base; v + 1 < end; ++v)
            m_edges.insert(Edge(v, v + 1));
        if (closed && end - base > 2)
            m_edges.insert(Edge(end - 1, base));
    }
    std::vector<int> jumps(newStarts.begin() + (newStarts.empty() ? 0 : 1), newStarts.end());
    curve->m_coordinates.SetVals(static_cast<int>(points.size()), points.data());
    curve->m_jumps.SetVals(static_cast<int>(jumps.size()), jumps.data());
    m_centre = moved;
    m_moved = moved;
    m_selectedEdges = selected;
}

void SgEditSubObjectTool::StartExtrude(bool inset)
{
    if (!m_pShape)
        return;
    SgKeyPoint keyPoint(Document());
    if (m_iMode == kFaces && FaceSet()) {
        BuildFaceTables();
        if (inset)
            InsetExtrude();
        else
            PlainExtrude();
        FaceSet()->UpdateDupTable();
        BuildFaceTables();
        RefreshFaceCentres();
        m_edges.clear();
        // The extruded faces move with the gizmo afterwards.
        RebuildFromFaces();
        ArmDrag();
    } else if (m_iMode == kEdges && Curve()) {
        CurveExtrude();
        ArmDrag();
    }
}
