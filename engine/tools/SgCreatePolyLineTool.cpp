#include "engine/tools/SgCreatePolyLineTool.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgFiletPolyLine.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"

SG_CLASS_SOURCE(SgCreatePolyLineTool, SgRubberTool, SgFieldMngr, "SgCreatePolyLineTool")

namespace {
constexpr int kSnapDirections = 8;
constexpr int kCubicCurveType = 2;
// A new curve's colour: a deep blue that stands out on the grey background.
const Color kNewCurveColor(0.05f, 0.15f, 0.8f, 1.0f);
} // namespace

SgCreatePolyLineTool::~SgCreatePolyLineTool() = default;

SgCreatePolyLineTool::SgCreatePolyLineTool() : SgCreatePolyLineTool(Plane(Vec3(0, 0, 1), 0.0), SgPolyLine::ClassID()) {}

SgCreatePolyLineTool::SgCreatePolyLineTool(const Plane &plane, int nodeClass)
    : SgRubberTool(plane), m_iNodeClass(nodeClass), m_workingPlane(m_basePlane)
{
}

void SgCreatePolyLineTool::SetWorkingPlane(const Plane &plane, bool chosen)
{
    m_workingPlane = plane;
    m_bWorkingPlaneChosen = chosen;
}

void SgCreatePolyLineTool::Start(SgHandleEventAction *action, PickedPointQuery *query)
{
    // The base plane is where Start and Finish put the tool's plane back.
    if (!m_iStarted)
        m_basePlane = m_workingPlane;
    SgRubberTool::Start(action, query);
}

void SgCreatePolyLineTool::CreateObjectGroup()
{
    m_pObject = new SgObject(true, true);
    SgObject *object = m_pObject.get();
    m_pEditSeparator = object;
    m_pCreated = object;
    m_pTransform = object->GetTransform(true);
    m_pPolyline.reset();
    if (SgFieldMngr *made = m_iNodeClass ? SgFieldMngr::Create(m_iNodeClass) : nullptr) {
        SgAdopt<SgFieldMngr> guard(made);
        if (auto *curve = dynamic_cast<SgPolyLine *>(made))
            m_pPolyline = curve;
    }
    if (!m_pPolyline)
        m_pPolyline = new SgPolyLine;
    SgPolyLine *curve = m_pPolyline.get();
    if (curve->IsDerivedFrom(SgBSpline::ClassID()) && m_bCubicSpline)
        static_cast<SgBSpline *>(curve)->m_curveType.Set(kCubicCurveType);
    char name[256];
    SgDocument *document = GetDocument() ? GetDocument() : GetDocumentHack();
    const int number = document ? document->TakeCurveNumber() : m_iOwnCurveCounter++;
    std::snprintf(name, sizeof name, "%s%d", curve->GetClassName(), number);
    object->SetName(name);
    // Nothing of the drawing reaches the undo list point by point.
    curve->DisableUndo();
    object->AddChild(curve);
    auto *temp = new SgSeparator;
    SetTempSeparator(temp);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(0.0, 0.0, 1.0, 1.0));
    temp->AddChild(material);
    auto *style = new SgDrawStyle;
    style->m_lineWidth.Set(2.0f);
    object->AddPropertyNode(style, false);
    // The default material's light grey is lost on the view's grey ground.
    auto *own = new SgMaterial;
    own->m_diffuseColor.SetValue(0, kNewCurveColor);
    object->AddPropertyNode(own, false);
}

Vec3 SgCreatePolyLineTool::PointUnderCursor(SgHandleEventAction *action)
{
    Vec3 snapped;
    if (m_bSnapToObjects && SnapPoint(action, snapped))
        return snapped;
    return m_currentPoint;
}

int SgCreatePolyLineTool::OnLButtonDown(SgHandleEventAction *)
{
    return m_iStarted || m_bStartFlag ? 1 : 0;
}

int SgCreatePolyLineTool::OnLButtonUp(SgHandleEventAction *action)
{
    if (!m_iStarted) {
        if (!m_bStartFlag)
            return 0;
        // The release that follows a double click adds nothing.
        if (m_bDoubleClickPending) {
            m_bDoubleClickPending = false;
            return 1;
        }
        s_bAppend = true;
        Start(action);
        NotifyStart(action);
    }
    if (!m_pPolyline)
        return 1;
    PickPoint(action, nullptr);
    const Vec3 p = PointUnderCursor(action);
    SgVFVec3 &points = m_pPolyline->m_coordinates;
    if (!s_bAppend && points.GetCount() > 0)
        points.SetValue(points.GetCount() - 1, p);
    else
        points.AddVal(p);
    s_bAppend = true;
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

int SgCreatePolyLineTool::OnMouseMove(SgHandleEventAction *action)
{
    if (!m_pPolyline || !m_iStarted)
        return 0;
    PickPoint(action, nullptr);
    Vec3 p = PointUnderCursor(action);
    SgVFVec3 &points = m_pPolyline->m_coordinates;
    if (s_bAppend) {
        points.AddVal(p);
        s_bAppend = false;
    }
    const int rubber = points.GetCount() - 1;
    if (m_bSnapAngle && rubber >= 1) {
        const Vec3 q = points.GetValue(rubber - 1);
        const Vec3 v = p - q;
        Vec3 best;
        double bestDistance = -1.0;
        for (int i = 0; i < kSnapDirections; ++i) {
            const double a = i * 2.0 * std::numbers::pi / kSnapDirections;
            const Vec3 u(std::cos(a), std::sin(a), 0.0);
            const Vec3 candidate = u * v.Dot(u);
            const double distance = (candidate - v).Length2();
            if (bestDistance < 0.0 || distance < bestDistance) {
                bestDistance = distance;
                best = candidate;
            }
        }
        p = q + best;
        p.z = q.z;
        m_currentPoint = p;
    }
    points.SetValue(rubber, p);
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

int SgCreatePolyLineTool::OnLButtonDblClk(SgHandleEventAction *action)
{
    Finish(action);
    m_bDoubleClickPending = true;
    return 1;
}

int SgCreatePolyLineTool::OnRButtonUp(SgHandleEventAction *action)
{
    if (m_pPolyline && m_iStarted) {
        Finish(action);
        return 1;
    }
    SgRubberTool::Finish(action);
    return 0;
}

namespace {
// A share of the shortest segment that a new rounded polyline's corners take.
constexpr double kNewFilletShare = 0.25;

// The curve a creation ends with when its class keeps points of its own
// (the rounded polyline is no SgPolyLine): made from the drawn points.
// Null when the drawn polyline is the curve.
SgNode *FinalCurve(int nodeClass, SgPolyLine *drawn)
{
    if (!drawn || nodeClass != SgFiletPolyLine::ClassID())
        return nullptr;
    auto *fillet = new SgFiletPolyLine;
    const std::vector<Vec3> &points = drawn->m_coordinates.GetValues();
    fillet->m_coordinates.SetVals(static_cast<int>(points.size()), points.data());
    double shortest = 0.0;
    for (size_t i = 1; i < points.size(); ++i) {
        const double length = (points[i] - points[i - 1]).Length();
        if (length > 0.0 && (shortest == 0.0 || length < shortest))
            shortest = length;
    }
    const double radius = shortest * kNewFilletShare;
    fillet->m_filetRadius.SetVals(1, &radius);
    return fillet;
}
} // namespace

void SgCreatePolyLineTool::Finish(SgHandleEventAction *action)
{
    if (!m_iStarted)
        return;
    if (m_pEditSeparator)
        m_pEditSeparator->AlignToCenter();
    // Still outside the undo list: the object is recorded as it ends.
    if (SgNode *curve = FinalCurve(m_iNodeClass, m_pPolyline.get())) {
        SgAdopt<SgNode> guard(curve);
        SgSeparator *holder = m_pEditSeparator ? m_pEditSeparator->GetGroupHolder(false) : nullptr;
        if (holder && holder->ReplaceChild(m_pPolyline.get(), curve)) {
            const std::string name = m_pEditSeparator->GetName();
            const std::string drawn = m_pPolyline->GetClassName();
            if (name.rfind(drawn, 0) == 0)
                m_pEditSeparator->SetName((curve->GetClassName() + name.substr(drawn.size())).c_str());
        }
    }
    SgRubberTool::Finish(action);
    s_bAppend = true;
    if (m_pPolyline)
        m_pPolyline->EnableUndo();
    RecordCreation(action);
    // The owner hears of the end of every creation; a dropped one (a polygon
    // of too few points) ends with no object.
    if (SgDocument *document = ToolDocument(action))
        document->NotifyTool(1, 0, m_pCreated);
    m_pPolyline.reset();
    m_pObject.reset();
}

SgDocument *SgCreatePolyLineTool::ToolDocument(SgHandleEventAction *action)
{
    SgDocument *document = SgToolLink::Document(SgToolLink::Viewer(action));
    return document ? document : GetDocumentHack();
}

void SgCreatePolyLineTool::NotifyStart(SgHandleEventAction *action)
{
    if (SgDocument *document = ToolDocument(action))
        document->NotifyTool(0, 0, m_pCreated);
}

void SgCreatePolyLineTool::RecordCreation(SgHandleEventAction *action)
{
    SgObject *object = m_pCreated;
    SgDocument *document = SgToolLink::Document(SgToolLink::Viewer(action));
    if (!document)
        document = GetDocumentHack();
    if (!object || !document || !document->IsUndoRecording())
        return;
    for (SgNode *node : m_ObjectPath.GetNodes()) {
        if (!node->IsGroup())
            continue;
        auto *group = static_cast<SgGroup *>(node);
        const int position = group->IndexOf(object);
        if (position < 0)
            continue;
        SgKeyPoint keyPoint(document);
        SgDocumentLink::RecordChild(document, true, group, object, position > 0 ? group->GetChild(position - 1) : nullptr);
        return;
    }
}

bool SgCreatePolyLineTool::s_bAppend = true;
