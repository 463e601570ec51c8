#pragma once
// Draws a curve point by point: each click adds a point, the mouse drags a
// rubber point after the last one, and a double click or a right click
// finishes. The new object joins the scene right after the tool node at the
// first click and is named after the curve's class and a counter of the
// curve tools' own ("SgPolyLine1", ...). With the snap-angle option each new
// segment runs at a multiple of 45 degrees in the XY plane.
//
// A tool starts a curve at a click only once its owner has armed it (the
// start flag): a bare tool made by class name lets clicks go by. Each curve
// is drawn on the working plane; the tool's plane (SetPlane) is the plane
// points go on at the moment, and it returns to the working plane when a
// curve starts and ends. A working plane marked as chosen was picked on
// purpose, and owners that set defaults leave it alone.
#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/core/NodaraExport.h"

class SgPolyLine;

class NODARA_API SgCreatePolyLineTool : public SgRubberTool {
    SG_CLASS_HEADER(SgCreatePolyLineTool, SgFieldMngr)

    // A polyline tool making `SgPolyLine`.
    SgCreatePolyLineTool();
    SgCreatePolyLineTool(const Plane &plane, int nodeClass);

    void Start(SgHandleEventAction *action) override { Start(action, nullptr); }
    void Start(SgHandleEventAction *action, PickedPointQuery *query) override;
    void Finish(SgHandleEventAction *action) override;
    void CreateObjectGroup() override;
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnLButtonDblClk(SgHandleEventAction *action) override;
    int OnRButtonUp(SgHandleEventAction *action) override;

    SgPolyLine *GetPoyline() const { return m_pPolyline.get(); }
    SgObject *GetCreatedObject() const { return m_pCreated; }
    void SetSnapDivision(int division) { m_iSnapDivision = division; }
    void SetCubicSpline(bool cubic) { m_bCubicSpline = cubic; }
    bool GetCubicSpline() const { return m_bCubicSpline; }
    int GetNodeClass() const { return m_iNodeClass; }

    void SetStartFlag(bool armed) { m_bStartFlag = armed; }
    bool GetStartFlag() const { return m_bStartFlag; }
    void SetWorkingPlane(const Plane &plane, bool chosen);
    const Plane &GetWorkingPlane() const { return m_workingPlane; }
    bool IsWorkingPlaneChosen() const { return m_bWorkingPlaneChosen; }

    // Whether the next point is appended (true) or the last point is a
    // rubber point that a click fixes (false); shared by the curve tools.
    static bool GetAppendFlag() { return s_bAppend; }

protected:
    ~SgCreatePolyLineTool() override;
    // The point under the cursor: a snap point when snapping finds one.
    Vec3 PointUnderCursor(SgHandleEventAction *action);
    void RecordCreation(SgHandleEventAction *action);
    void NotifyStart(SgHandleEventAction *action);
    SgDocument *ToolDocument(SgHandleEventAction *action);

    bool m_bDoubleClickPending = false;
    bool m_bTangentDrag = false;
    SgRef<SgPolyLine> m_pPolyline;
    SgRef<SgObject> m_pObject;
    SgObject *m_pCreated = nullptr;
    int m_iSnapDivision = 8;
    int m_iNodeClass = 0;
    bool m_bCubicSpline = false;
    bool m_bStartFlag = false;
    bool m_bWorkingPlaneChosen = false;
    Plane m_workingPlane;

    static bool s_bAppend;
    // Curve numbers of a tool outside any document.
    int m_iOwnCurveCounter = 1;
};
