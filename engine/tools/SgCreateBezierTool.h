#pragma once
// Draws a Bezier spline: each press adds a point and dragging with the
// button held pulls out its two tangents, always opposite and of equal
// length. A double click or a right click finishes.
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCreateBezierTool : public SgCreatePolyLineTool {
    SG_CLASS_HEADER(SgCreateBezierTool, SgFieldMngr)

    SgCreateBezierTool();
    explicit SgCreateBezierTool(const Plane &plane);

    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;

protected:
    ~SgCreateBezierTool() override = default;
};
