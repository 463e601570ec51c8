#pragma once
// The base of the tools that move, turn and scale a selected object through
// handles drawn with it (a gizmo): it builds the gizmo group named
// "TRANSFORMTOOL" next to itself in its manipulator, highlights the handle
// under the cursor, and runs a drag that starts on a handle.
//
// A press answers 0 so that the selection handler behind it still sees the
// click; a press on a handle also makes the tool the handler that grabs the
// following events, and the release of such a drag is consumed (a drag is
// not a click). Each drag is one undo step.
#include <array>

#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec3.h"

class SgDocument;
class SgMaterial;
class SgSeparator;

class SgTransformTool : public SgRubberTool {
    SG_CLASS_HEADER(SgTransformTool, SgFieldMngr)

    static constexpr int kHandleCount = 13;
    // Handle lengths in the object's frame.
    static constexpr double kArmLength = 1.1;
    static constexpr double kTipSize = 0.1;
    // A press and release closer than this in both directions is a click.
    static constexpr int kMinDrag = 2;

    enum DragState : int { kIdle = 0, kArmed = 1, kDragging = 2 };

    SgTransformTool();

    void CreateObjectGroup() override;
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;

    SgSeparator *GetGizmo() const { return m_pGizmo.get(); }
    SgNode *GetHandle(int i) const { return i >= 0 && i < kHandleCount ? m_handles[i] : nullptr; }
    int GetCurrentHandle() const { return m_iCurrentHandle; }
    int GetDragState() const { return m_iDragState; }
    SgMaterial *GetHandleHighlight() const { return m_pHighlight.get(); }

protected:
    ~SgTransformTool() override;

    // The handles of the derived tool, built into the gizmo group.
    virtual void CreateHandles();
    // Arrows (or cube-tipped arms) along the three axes, coloured X red,
    // Y green, Z blue; stored as handles 0 to 2.
    void BuildStandardHandles(bool cubeTips);
    // The colour of one axis into the gizmo, and that axis's handle (named
    // after it) with the transform that turns geometry built on one axis onto
    // it; the caller adds the geometry and the handle.
    SgSeparator *StartAxisHandle(int axis, const Rotation &turn);
    // The snapshot a drag starts from, taken at the press.
    virtual void BeginDrag(SgHandleEventAction *, int, int) {}
    // One step of a drag from the press to the event's position.
    virtual void DragStep(SgHandleEventAction *, int, int) {}
    // The index of the handle under the event's cursor; -1 for none.
    int PickHandle(SgHandleEventAction *action);
    void Highlight(int handle);
    // The view ray through a window point in the frame the object's
    // transform works in (its parent's).
    bool ParentRay(SgHandleEventAction *action, int x, int y, Vec3 &start, Vec3 &dir);
    // The object the tool works on still lies in a scene.
    bool ObjectInScene() const;
    void EndDrag(SgHandleEventAction *action);

    SgRef<SgSeparator> m_pGizmo;
    std::array<SgNode *, kHandleCount> m_handles{};
    SgRef<SgMaterial> m_pHighlight;
    int m_iCurrentHandle = -1;
    int m_iDragState = kIdle;
    int m_iStartX = 0;
    int m_iStartY = 0;
    SgDocument *m_pKeyPointDocument = nullptr;
};

// Moves the object along one of its axes by dragging that axis's arrow.
class SgMoveTool : public SgTransformTool {
    SG_CLASS_HEADER(SgMoveTool, SgFieldMngr)

    SgMoveTool() = default;

protected:
    ~SgMoveTool() override = default;
    void CreateHandles() override { BuildStandardHandles(false); }
    void BeginDrag(SgHandleEventAction *action, int x, int y) override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // The parameter along the handle's axis of the point nearest to the view
    // ray; false when the ray runs along the axis.
    bool AxisParameter(SgHandleEventAction *action, int x, int y, double &t) const;

    Vec3 m_startTranslation;
    Vec3 m_axis;
    double m_dStartParameter = 0.0;
    bool m_bHaveStart = false;
};

// Turns the object with rings about its three axes; comma and period turn
// it in fixed steps about its z axis.
class SgTrackballTool : public SgTransformTool {
    SG_CLASS_HEADER(SgTrackballTool, SgFieldMngr)

    // One comma or period step, in radians.
    static constexpr double kKeyStep = 0.075;
    static constexpr int kCommaKey = 0xBC;
    static constexpr int kPeriodKey = 0xBE;
    static constexpr double kRingRadius = 1.05;

    SgTrackballTool() = default;

    int OnKeyDown(SgHandleEventAction *action) override;

protected:
    ~SgTrackballTool() override = default;
    void CreateHandles() override;
    void BeginDrag(SgHandleEventAction *action, int x, int y) override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // Where the view ray meets the plane through the start pivot normal to
    // the ring's axis, relative to the pivot; false when the ray runs in the plane.
    bool RingPoint(SgHandleEventAction *action, int x, int y, Vec3 &point);

    Vec3 m_pivot;
    Vec3 m_axis;
    Vec3 m_startPoint;
    Rotation m_startRotation;
    bool m_bHaveStart = false;
};
