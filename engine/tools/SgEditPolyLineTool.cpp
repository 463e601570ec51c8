#include "engine/tools/SgEditPolyLineTool.h"

#include <algorithm>
#include <cmath>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "utilities/math/Rotation.h"

SG_CLASS_SOURCE(SgEditPolyLineTool, SgRubberTool, SgFieldMngr, "SgEditPolyLineTool")

namespace {
// A point strictly inside a segment: the two end directions oppose by more
// than this.
constexpr double kInsideSegment = -1e-14;
constexpr double kMinTangent = 1e-5;
constexpr int kPointsStyle = 4;

// Hits whose path passes through the marker separator.
class MarkerQuery : public PickedPointQuery {
public:
    explicit MarkerQuery(SgNode *markers) : m_markers(markers) {}
    bool Accept(SgPickedPoint &hit) override
    {
        const auto &nodes = hit.m_Path.GetNodes();
        return std::find(nodes.begin(), nodes.end(), m_markers) != nodes.end();
    }

private:
    SgNode *m_markers;
};

// Hits on any curve with points of its own.
class CurveQuery : public PickedPointQuery {
public:
    bool Accept(SgPickedPoint &hit) override
    {
        return !hit.m_Path.IsEmpty() && hit.m_Path.GetNodes().back()->IsDerivedFrom(SgPolyLine::ClassID());
    }
};
} // namespace

SgEditPolyLineTool::SgEditPolyLineTool()
{
    m_bInitialized = true;
    m_pHighlight = new SgMaterial;
    m_pHighlight->m_diffuseColor.SetValue(0, Color(0.0, 0.0, 1.0, 1.0));
}

SgEditPolyLineTool::~SgEditPolyLineTool()
{
    EndKeyPoint();
    RemoveTempSeparator();
    m_curveHold.reset();
}

bool SgEditPolyLineTool::IsBezier() const
{
    return m_pCurve && m_pCurve->IsDerivedFrom(SgBezierSpline::ClassID());
}

Vec3 SgEditPolyLineTool::GetMarkerPosition(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_markerTransforms.size()))
        return Vec3();
    return m_markerTransforms[index]->m_translation.Get();
}

void SgEditPolyLineTool::CreateObjectGroup()
{
    SgNode *last = m_ObjectPath.IsEmpty() ? nullptr : m_ObjectPath.GetLastElement();
    m_pCurve = last && last->IsDerivedFrom(SgPolyLine::ClassID()) ? static_cast<SgPolyLine *>(last) : nullptr;
    m_pCurveParent.reset();
    m_curveHold = m_pCurve;
    if (!m_pCurve)
        return;
    const auto &nodes = m_ObjectPath.GetNodes();
    if (nodes.size() >= 2 && nodes[nodes.size() - 2]->IsGroup())
        m_pCurveParent = static_cast<SgGroup *>(nodes[nodes.size() - 2]);
    auto *temp = new SgSeparator;
    auto *style = new SgDrawStyle;
    style->m_style.Set(kPointsStyle);
    temp->AddChild(style);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(0.0, 0.0, 0.0, 1.0));
    temp->AddChild(material);
    SetTempSeparator(temp);
    m_pMarkers = temp;

    m_pMarkerShape = new SgSeparator;
    auto *markerStyle = new SgDrawStyle;
    markerStyle->m_pointSize.Set(static_cast<float>(kMarkerPointSize));
    m_pMarkerShape->AddChild(markerStyle);
    auto *coordinates = new SgCoordinate3;
    const Vec3 origin;
    coordinates->m_point.SetVals(1, &origin);
    m_pMarkerShape->AddChild(coordinates);
    m_pMarkerShape->AddChild(new SgPointSet);

    BuildMarkers();
    if (m_pCurveParent) {
        // The markers are no part of the scene's history or of its file.
        SgUndoRecordingPause pause(m_pCurve->GetDocument());
        m_pCurveParent->AddChildAfter(temp, m_pCurve);
        temp->ReleaseDocument();
    }
}

void SgEditPolyLineTool::AddMarker(const Vec3 &position)
{
    auto *separator = new SgSeparator;
    auto *transform = new SgTransform;
    transform->m_translation.Set(position);
    separator->AddChild(transform);
    separator->AddChild(m_pMarkerShape.get());
    m_pMarkers->AddChild(separator);
    m_markerSeparators.push_back(separator);
    m_markerTransforms.push_back(transform);
}

void SgEditPolyLineTool::BuildMarkers()
{
    for (SgSeparator *separator : m_markerSeparators)
        m_pMarkers->DeleteChild(separator);
    m_markerSeparators.clear();
    m_markerTransforms.clear();
    m_pSelectedTransform = nullptr;
    if (!m_pCurve || !m_pMarkers)
        return;
    const int n = m_pCurve->m_coordinates.GetCount();
    for (int k = 0; k < n; ++k)
        AddMarker(m_pCurve->m_coordinates.GetValue(k));
    if (IsBezier()) {
        auto *spline = static_cast<SgBezierSpline *>(m_pCurve);
        const int m = std::min(spline->m_cntrlPoints.GetCount(), 2 * n);
        for (int j = 0; j < m; ++j)
            AddMarker(m_pCurve->m_coordinates.GetValue(j / 2) + spline->m_cntrlPoints.GetValue(j));
    }
    m_pMarkers->ReleaseDocument();
    if (m_iSelected >= GetMarkerCount())
        m_iSelected = -1;
    if (m_iSelected >= 0) {
        m_pSelectedTransform = m_markerTransforms[m_iSelected];
        m_markerSeparators[m_iSelected]->AddChildAfter(m_pHighlight.get(), m_pSelectedTransform);
    }
}

void SgEditPolyLineTool::Select(SgHandleEventAction *action, int index)
{
    if (m_iSelected >= 0 && m_iSelected < GetMarkerCount())
        m_markerSeparators[m_iSelected]->DeleteChild(m_pHighlight.get());
    m_iSelected = index;
    m_pSelectedTransform = m_markerTransforms[index];
    m_markerSeparators[index]->AddChildAfter(m_pHighlight.get(), m_pSelectedTransform);
    const int n = m_pCurve->m_coordinates.GetCount();
    Vec3 through;
    if (index < n)
        through = m_pCurve->m_coordinates.GetValue(index);
    else
        through = static_cast<SgBezierSpline *>(m_pCurve)->m_cntrlPoints.GetValue(index - n);
    SetPlane(Plane(m_basePlane.GetNormal(), through));
    if (SgViewer *viewer = SgToolLink::Viewer(action))
        HoldCapture(viewer);
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    m_iStarted = 2;
}

bool SgEditPolyLineTool::InsertInSegment(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    Vec3 rayStart;
    Vec3 rayEnd;
    if (!event || !SgToolLink::ObjectRay(action, event->m_x, event->m_y, m_ObjectPath, rayStart, rayEnd))
        return false;
    SgVFVec3 &points = m_pCurve->m_coordinates;
    const int n = points.GetCount();
    const Vec3 v = rayEnd - rayStart;
    const int segments = m_pCurve->m_closed.Get() != 0 ? n : n - 1;
    for (int k = 0; k < segments; ++k) {
        const Vec3 a = points.GetValue(k);
        const Vec3 b = points.GetValue((k + 1) % n);
        const Vec3 u = b - a;
        const Vec3 w = a - rayStart;
        const double uu = u.Dot(u);
        const double uv = u.Dot(v);
        const double vv = v.Dot(v);
        const double denominator = uu * vv - uv * uv;
        if (uu <= 0.0 || std::abs(denominator) <= kParallel * uu * vv)
            continue;
        const Vec3 c = a + u * ((uv * v.Dot(w) - vv * u.Dot(w)) / denominator);
        const Vec3 fromRay = c - rayStart;
        const double distance = (fromRay - v * (fromRay.Dot(v) / vv)).Length();
        if (distance > kInsertDistance || (c - a).Dot(c - b) >= kInsideSegment)
            continue;
        points.InsertVal(k + 1, c);
        // Every loop that starts after the new point starts one later.
        std::vector<int> jumps = m_pCurve->m_jumps.GetValues();
        bool shifted = false;
        for (int &jump : jumps) {
            if (jump >= k + 1) {
                ++jump;
                shifted = true;
            }
        }
        if (shifted)
            m_pCurve->m_jumps.SetVals(static_cast<int>(jumps.size()), jumps.data());
        m_iSelected = -1;
        BuildMarkers();
        Select(action, k + 1);
        return true;
    }
    return false;
}

int SgEditPolyLineTool::OnLButtonDown(SgHandleEventAction *action)
{
    if (m_iStarted == 0) {
        CurveQuery curves;
        SgPickedPoint hit;
        if (!SgToolLink::PickNearest(action, kPickRadius, &curves, hit))
            return 0;
        m_ObjectPath = hit.m_Path;
        m_bProjectOnPlane = true;
        Start(action);
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
        return 1;
    }
    if (!m_pCurve)
        return 0;
    MarkerQuery markers(m_pMarkers);
    PickedPointQueryShape curve(m_pCurve);
    SgPickedPoint markerHit;
    SgPickedPoint curveHit;
    const bool onMarker = SgToolLink::PickNearest(action, kPickRadius, &markers, markerHit);
    const bool onCurve = SgToolLink::PickNearest(action, kPickRadius, &curve, curveHit);
    if (!onMarker && !onCurve) {
        // A click beside the curve ends the editing.
        Finish(action);
        return 1;
    }
    SgDocument *document = m_pCurve->GetDocument();
    if (document && document->StartKeyPoint() >= 0)
        m_pKeyPointDocument = document;
    if (onMarker) {
        for (SgNode *node : markerHit.m_Path.GetNodes()) {
            auto found = std::find(m_markerSeparators.begin(), m_markerSeparators.end(), node);
            if (found != m_markerSeparators.end()) {
                Select(action, static_cast<int>(found - m_markerSeparators.begin()));
                return 1;
            }
        }
    }
    if (IsBezier() || !InsertInSegment(action)) {
        // Nothing was edited: the key point closes at once, with nothing in it.
        EndKeyPoint();
    }
    return 1;
}

int SgEditPolyLineTool::OnMouseMove(SgHandleEventAction *action)
{
    if (m_iStarted != 2 || !m_pCurve || m_iSelected < 0)
        return 0;
    PickPoint(action, nullptr);
    SgVFVec3 &points = m_pCurve->m_coordinates;
    const int n = points.GetCount();
    const int i = m_iSelected;
    const bool tangent = i >= n;
    const int k = tangent ? (i - n) / 2 : i;
    if (k >= n)
        return 1;
    const Vec3 P = points.GetValue(k);
    SgEvent *event = action ? action->GetEvent() : nullptr;
    const bool shift = event && event->m_bShift;
    Vec3 q;
    if (m_bSnapToObjects && SnapPoint(action, q)) {
        // the snapped point
    } else if (shift && !tangent) {
        // Shift moves a vertex along Z only.
        q = ProjectOnLine(action, P, P + Vec3(0, 0, 1));
        SetPlane(Plane(m_basePlane.GetNormal(), q));
    } else {
        q = m_currentPoint;
    }
    if (tangent) {
        auto *spline = static_cast<SgBezierSpline *>(m_pCurve);
        SgVFVec3 &tangents = spline->m_cntrlPoints;
        if (tangents.GetCount() < 2 * k + 2)
            return 1;
        const int own = i - n;
        const int other = own ^ 1;
        const Vec3 t = tangents.GetValue(own);
        const Vec3 t2 = q - P;
        Vec3 o = tangents.GetValue(other);
        if (!shift) {
            // The opposite tangent turns and scales with the dragged one.
            if (t.Length() >= kMinTangent && t2.Length() >= kMinTangent) {
                const Rotation turn(t, t2);
                o = turn.Rotate(o) * (t2.Length() / t.Length());
            } else {
                o = -t2;
            }
        }
        tangents.SetValue(own, t2);
        tangents.SetValue(other, o);
        m_markerTransforms[n + own]->m_translation.Set(P + t2);
        m_markerTransforms[n + other]->m_translation.Set(P + o);
    } else {
        points.SetValue(i, q);
        if (m_pSelectedTransform)
            m_pSelectedTransform->m_translation.Set(q);
    }
    // The owner hears of the dragged point: its place, the coordinate field
    // and the vertex.
    if (SgDocument *document = m_pCurve->GetDocument()) {
        const double values[3] = {q.x, q.y, q.z};
        SgField *field = &points;
        document->ReportFieldEdit(values, 3, SgDocument::kEditFieldValue, 1, &field, k, 0);
    }
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

int SgEditPolyLineTool::OnLButtonUp(SgHandleEventAction *action)
{
    if (m_iStarted == 2) {
        m_iStarted = 1;
        m_bProjectOnPlane = true;
        if (SgToolLink::Grabbing(action) == this)
            SgToolLink::SetGrabbing(action, nullptr);
        EndKeyPoint();
    }
    // The editing goes on over later clicks, but the pointer is free between
    // them: a held pointer would keep the window's menus and keys away.
    ReleaseCapture();
    SetToolActive(false);
    return 1;
}

int SgEditPolyLineTool::OnKeyDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event || event->m_nKey != kDeleteKey || !m_pCurve || m_iSelected < 0)
        return 1;
    const int n = m_pCurve->m_coordinates.GetCount();
    const int i = m_iSelected;
    // A tangent end is no vertex: only vertices are deleted.
    if (i >= n)
        return 1;
    {
        SgKeyPoint keyPoint(m_pCurve->GetDocument());
        m_pCurve->m_coordinates.Delete(i);
        // Loops after the vertex start one earlier; a loop left empty goes.
        std::vector<int> jumps;
        for (int jump : m_pCurve->m_jumps.GetValues()) {
            const int moved = jump > i ? jump - 1 : jump;
            if (moved > 0 && moved < n - 1 && (jumps.empty() || moved > jumps.back()))
                jumps.push_back(moved);
        }
        if (jumps != m_pCurve->m_jumps.GetValues())
            m_pCurve->m_jumps.SetVals(static_cast<int>(jumps.size()), jumps.data());
        if (IsBezier()) {
            SgVFVec3 &tangents = static_cast<SgBezierSpline *>(m_pCurve)->m_cntrlPoints;
            const int count = std::min(2, tangents.GetCount() - 2 * i);
            if (count > 0)
                tangents.DeleteValues(2 * i, count);
        }
    }
    m_iSelected = -1;
    m_pSelectedTransform = nullptr;
    BuildMarkers();
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

void SgEditPolyLineTool::EndKeyPoint()
{
    SgDocument *document = m_pKeyPointDocument;
    m_pKeyPointDocument = nullptr;
    if (document && document->IsInKeyPoint())
        document->EndKeyPoint();
}

void SgEditPolyLineTool::RemoveTempSeparator()
{
    if (m_pCurveParent && m_pMarkers) {
        SgUndoRecordingPause pause(m_pCurve ? m_pCurve->GetDocument() : nullptr);
        m_pCurveParent->DeleteChild(m_pMarkers);
    }
    m_pMarkers = nullptr;
    m_pCurveParent.reset();
}

void SgEditPolyLineTool::Finish(SgHandleEventAction *action)
{
    EndKeyPoint();
    if (m_iSelected >= 0 && m_iSelected < GetMarkerCount())
        m_markerSeparators[m_iSelected]->DeleteChild(m_pHighlight.get());
    RemoveTempSeparator();
    m_iSelected = -1;
    m_markerSeparators.clear();
    m_markerTransforms.clear();
    m_pCurve = nullptr;
    m_curveHold.reset();
    m_pSelectedTransform = nullptr;
    m_pMarkerShape.reset();
    SgRubberTool::Finish(action);
}
