#pragma once
// The move tool that the sub-object editing tool hangs into its point gizmo:
// an ordinary move tool whose every drag step is also handed to the
// sub-object tool, which moves the selected vertices with the gizmo.
#include "engine/tools/SgTransformTool.h"
#include "engine/core/NodaraExport.h"

class SgEditSubObjectTool;

class NODARA_API SgSubObjectMoveTool : public SgMoveTool {
    SG_CLASS_HEADER(SgSubObjectMoveTool, SgFieldMngr)

    SgSubObjectMoveTool() = default;

    // The tool told of each step; null stops the telling.
    void SetOwner(SgEditSubObjectTool *owner) { m_pOwner = owner; }
    SgEditSubObjectTool *GetOwner() const { return m_pOwner; }

protected:
    ~SgSubObjectMoveTool() override = default;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // A press on the gizmo's points picks vertices for the sub-object tool:
    // it never drags them with a remembered handle.
    int GetToolType() const override { return -1; }

private:
    SgEditSubObjectTool *m_pOwner = nullptr;
};
