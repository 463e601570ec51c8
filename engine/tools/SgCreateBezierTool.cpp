#include "engine/tools/SgCreateBezierTool.h"

#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/geometry/SgSpline.h"

SG_CLASS_SOURCE(SgCreateBezierTool, SgCreatePolyLineTool, SgFieldMngr, "SgCreateBezierTool")

SgCreateBezierTool::SgCreateBezierTool() : SgCreateBezierTool(Plane(Vec3(0, 0, 1), 0.0)) {}

SgCreateBezierTool::SgCreateBezierTool(const Plane &plane) : SgCreatePolyLineTool(plane, SgBezierSpline::ClassID()) {}

int SgCreateBezierTool::OnLButtonDown(SgHandleEventAction *action)
{
    Vec3 snapped;
    const bool snap = m_bSnapToObjects && SnapPoint(action, snapped);
    if (!m_iStarted) {
        if (!m_bStartFlag)
            return 0;
        // With snapping on, a spline starts only on a snap point.
        if (m_bSnapToObjects && !snap)
            return 0;
        s_bAppend = true;
        Start(action);
        NotifyStart(action);
    }
    auto *spline = dynamic_cast<SgBezierSpline *>(m_pPolyline.get());
    if (!spline)
        return 1;
    const Vec3 p = snap ? snapped : PickPoint(action, nullptr);
    m_bTangentDrag = true;
    spline->m_coordinates.AddVal(p);
    spline->m_cntrlPoints.AddVal(Vec3());
    spline->m_cntrlPoints.AddVal(Vec3());
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

int SgCreateBezierTool::OnLButtonUp(SgHandleEventAction *)
{
    if (!m_iStarted && !m_bStartFlag)
        return 0;
    m_bTangentDrag = false;
    if (!m_iStarted && m_bDoubleClickPending)
        m_bDoubleClickPending = false;
    return 1;
}

int SgCreateBezierTool::OnMouseMove(SgHandleEventAction *action)
{
    auto *spline = dynamic_cast<SgBezierSpline *>(m_pPolyline.get());
    if (!spline || !m_iStarted || !m_bTangentDrag)
        return 0;
    const int k = spline->m_coordinates.GetCount() - 1;
    if (k < 0 || spline->m_cntrlPoints.GetCount() < 2 * k + 2)
        return 1;
    const Vec3 p = PickPoint(action, nullptr);
    const Vec3 t = p - spline->m_coordinates.GetValue(k);
    // Symmetric tangents: the curve passes the point smoothly.
    spline->m_cntrlPoints.SetValue(2 * k + 1, t);
    spline->m_cntrlPoints.SetValue(2 * k, -t);
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}
