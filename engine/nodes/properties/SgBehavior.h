#pragma once
// Names the tool that a manipulator hung into the objects after this node
// uses ("selectionTool": 1 move, 2 constraint, 3 handle box; 0 leaves the
// choice to the selection handler). The handle-event action finds the value
// in the traversal state.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgBehavior : public SgNode {
    SG_CLASS_HEADER(SgBehavior, SgFieldMngr)

    SgBehavior();

    // Unlike the other property nodes, the field's ignored flag does not
    // stop the write.
    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    SgFInt m_selectionTool;

protected:
    ~SgBehavior() override = default;
};
