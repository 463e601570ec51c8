#pragma once
// Scales the object by dragging: an arm (with a cube tip) scales along its
// axis by the distance dragged along it, measured against the object's
// extent; a plane square scales the two axes in its plane and the centre
// cube all three, by the horizontal mouse travel (160 pixels to the right
// double the scale). Each drag starts again from the scale at the press, so
// steps do not accumulate rounding.
#include "engine/tools/SgTransformTool.h"
#include "engine/core/NodaraExport.h"

class SgTransform;

class NODARA_API SgScaleTool : public SgTransformTool {
    SG_CLASS_HEADER(SgScaleTool, SgFieldMngr)

    // Pixels of horizontal travel that add the start scale once more.
    static constexpr double kPixelsPerDoubling = 160.0;

    SgScaleTool() = default;

    // The arm of the axis reaches to `length` (its tip with it); the arms
    // follow the scale of a drag.
    void SetArmLength(int axis, double length);
    double GetArmLength(int axis) const;
    // The arms return to their length when the drag ends: the gizmo lives
    // in the object's frame, so the new scale already shows in it.
    int OnLButtonUp(SgHandleEventAction *action) override;

protected:
    ~SgScaleTool() override = default;
    void CreateHandles() override;
    void BeginDrag(SgHandleEventAction *action, int x, int y) override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // The scale factor.
    void NotifyChange(SgDocument *document, int mode) override;
    int GetToolType() const override { return 2; }

    // In a frame other than the object's own (mode not 0) the handles
    // stretch the object along the frame's axes: the object's turn and
    // scale at the press, stretched so, are taken apart again into the
    // transform's scale orientation, rotation and scale factor. False when
    // the step gives no stretch (a ray along the arm, no extent).
    bool FrameStep(SgHandleEventAction *action, int x, int y);

    bool m_bHaveStart = false;
};
