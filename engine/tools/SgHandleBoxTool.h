#pragma once
// Shows the object's bounding box with handles: a wire box a little larger
// than the object, a cube at each of its eight corners and three
// double-ended arms through its centre ("SCALE_X", "SCALE_Y", "SCALE_Z").
// Dragging an arm scales the object along that axis, dragging a corner
// scales it uniformly, and dragging the box moves it in the plane facing
// the viewer. The corner cubes and arm tips keep their size on the screen.
//
// The box is measured once, when the handles are built; it follows the
// object's transform (the handles live in the object's frame) but not
// later edits of its content until the tool is built again.
#include "engine/tools/SgTransformTool.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgHandleBoxTool : public SgTransformTool {
    SG_CLASS_HEADER(SgHandleBoxTool, SgFieldMngr)

    // The box grows on every side by this share of its diagonal.
    static constexpr double kMargin = 0.015;
    // Edge of the corner cubes and arm tips before their on-screen sizing.
    static constexpr double kHandleCube = 0.08;
    // An arm is this many times the grown box's extent along its axis.
    static constexpr double kArmFactor = 1.2;
    // Handle slots of this tool.
    static constexpr int kBoxSlot = 3;
    static constexpr int kCornerSlot = 6;

    SgHandleBoxTool();

    // The grown box the handles were built around, in the object's frame.
    const Range<Vec3f> &GetBox() const { return m_box; }
    // Corner k takes x from the maximum when bit 0 is set, y with bit 1, z
    // with bit 2.
    Vec3 GetCorner(int k) const;
    // The arm of the axis reaches this far on each side of the box centre.
    double GetArmHalfLength(int axis) const;

protected:
    ~SgHandleBoxTool() override = default;
    void CreateHandles() override;
    void BeginDrag(SgHandleEventAction *action, int x, int y) override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;

    Range<Vec3f> m_box;
    Vec3 m_viewNormal;
    bool m_bHaveStart = false;
};
