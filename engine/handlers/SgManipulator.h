#pragma once
// The group through which editing state is hung into a selected object: it
// sits among the object's property nodes, so what it holds (a tool's handle
// geometry, the selection highlight) is traversed, drawn and picked as part
// of the object. The selection handler finds it by class to take it out
// again on deselection.
#include "engine/core/SgGroup.h"

class SgRubberTool;

class SgManipulator : public SgGroup {
    SG_CLASS_HEADER(SgManipulator, SgFieldMngr)

    SgManipulator() = default;

    SgRubberTool *GetTool() const { return m_pTool; }

protected:
    ~SgManipulator() override = default;

    SgRubberTool *m_pTool = nullptr;
};
