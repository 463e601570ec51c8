#pragma once
// An event handler that works on a work plane and on one object: it keeps
// the path to that object, the point where it started and the last point it
// picked, and while it runs it raises the module-wide tool-active flag (the
// viewer then reports every event as consumed) and holds the mouse capture
// of the viewer it started in.
//
// Picking under the cursor and the capture go through the viewer's calls
// (SgToolLink); without them, or for an action that carries no event, a tool
// starts without picking, as a tool without an object path always does.
#include "engine/core/SgPath.h"
#include "engine/core/Plane.h"
#include "engine/handlers/SgEventHandler.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class PickedPointQuery;
class SgMaterial;
class SgViewer;

class NODARA_API SgTool : public SgEventHandler {
    SG_CLASS_HEADER(SgTool, SgFieldMngr)

    // Rays shorter than this are used as they are, not normalised.
    static constexpr double kMinRayLength = 1e-5;

    // The XY plane through the origin.
    SgTool();
    explicit SgTool(const Plane &plane);

    bool IsTool() const override { return true; }

    // Running or idle. Start does nothing while the tool runs.
    void Start(SgHandleEventAction *action) override { Start(action, nullptr); }
    virtual void Start(SgHandleEventAction *action, PickedPointQuery *query);
    // Back to idle from either state: the work plane returns to the base
    // plane, the flag clears and the capture is released.
    void Finish(SgHandleEventAction *action) override;
    bool IsStarted() const { return m_iStarted != 0; }

    // One flag for the whole module, not one per tool: the first Finish
    // clears it even when another tool still runs.
    static bool IsToolActive() { return s_bToolActive; }
    static void SetToolActive(bool active) { s_bToolActive = active; }

    // The work plane; while the tool is idle the base plane too.
    void SetPlane(const Plane &plane);
    const Plane &GetPlane() const { return m_workPlane; }
    const Plane &GetBasePlane() const { return m_basePlane; }

    // The point where the view ray meets the work plane; `parallel` when the
    // ray runs parallel to the plane (a picking tool passes its last point,
    // so that a grazing view does not throw the point to the origin).
    Vec3 IntersectWorkPlane(const Vec3 &rayStart, const Vec3 &rayEnd, const Vec3 &parallel = Vec3()) const;
    // Picks the point under the event's cursor (projected on the work plane
    // or ray-picked, by the project-on-plane option), in object coordinates
    // of the object path; stores it as the current point and returns it. A
    // pick that finds nothing keeps the current point.
    Vec3 PickPoint(SgHandleEventAction *action, PickedPointQuery *query);
    // The point of the line (through lineStart and lineEnd, in object
    // coordinates) nearest to the view ray under the cursor; the current
    // point when the ray runs parallel to the line. Stored as the current point.
    Vec3 ProjectOnLine(SgHandleEventAction *action, const Vec3 &lineStart, const Vec3 &lineEnd);
    // The point of a snap-able object under the cursor, in the coordinates
    // of the view scene; false when the cursor is over none. The object the
    // tool works on is left out of the pick.
    bool SnapPoint(SgHandleEventAction *action, Vec3 &point);
    // The path to what lies under the cursor within a few pixels; empty when
    // nothing does.
    SgPath PickPath(SgHandleEventAction *action);
    // A viewer going away: tools holding its capture forget it.
    static void ViewerGone(SgViewer *viewer);
    // The angle in degrees between a view ray and the base plane's normal;
    // the ray is normalised unless it is shorter than kMinRayLength.
    double ViewAngle(const Vec3 &rayStart, const Vec3 &rayEnd) const;

    // A material with a random diffuse colour for a freshly created object;
    // the generator is seeded with the time in seconds, so two calls within
    // one second give the same colour. No reference is taken.
    static SgMaterial *BuildRandomMaterial();

    SgPath &GetObjectPath() { return m_ObjectPath; }
    void SetObjectPath(const SgPath &path) { m_ObjectPath = path; }
    SgPath &GetShapePath() { return m_ShapePath; }
    const Vec3 &GetStartPoint() const { return m_startPoint; }
    const Vec3 &GetCurrentPoint() const { return m_currentPoint; }
    void SetCurrentPoint(const Vec3 &point) { m_currentPoint = point; }
    double GetViewAngle() const { return m_dViewAngle; }
    int GetCursorX() const { return m_iCursorX; }
    int GetCursorY() const { return m_iCursorY; }
    bool IsInitialized() const { return m_bInitialized; }
    bool GetProjectOnPlane() const { return m_bProjectOnPlane; }
    void SetProjectOnPlane(bool on) { m_bProjectOnPlane = on; }
    SgViewer *GetCapturedViewer() const { return m_pCapturedViewer; }

    // Options the polyline tools read.
    bool m_bSnapToObjects = false;
    bool m_bSnapAngle = false;
    bool m_bOption0 = false;
    bool m_bOption1 = false;
    bool m_bOption2 = true;
    bool m_bOption3 = true;

protected:
    // Releases the capture as Finish does.
    ~SgTool() override;
    void ReleaseCapture();
    void HoldCapture(SgViewer *viewer);

    SgPath m_ObjectPath;
    SgPath m_ShapePath;
    Plane m_basePlane;
    int m_iStarted = 0;
    int m_iCursorX = 0;
    int m_iCursorY = 0;
    Vec3 m_startPoint;
    Vec3 m_currentPoint;
    double m_dViewAngle = 0.0;
    bool m_bInitialized = false;
    bool m_bProjectOnPlane = false;
    SgViewer *m_pCapturedViewer = nullptr;
    Plane m_workPlane;

private:
    static bool s_bToolActive;
};

// Relative size under which a ray's direction is taken as parallel to a plane
// or a line: a drag along it gives no step.
inline constexpr double kParallel = 1e-12;

// Tools build their gizmos and rubber geometry from nodes whose edits never
// reach the document's undo list.
template <class T> T *Quiet(T *node)
{
    node->DisableUndo();
    return node;
}

