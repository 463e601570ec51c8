#pragma once
// The group through which editing state is hung into a selected object: it
// sits among the object's property nodes, so what it holds (a tool and its
// handle geometry, the selection highlight) is traversed, drawn and picked
// as part of the object. The selection handler finds it by class to take it
// out again on deselection.
#include "engine/core/SgGroup.h"
#include "engine/core/NodaraExport.h"

class SgHandleEventAction;
class SgPath;
class SgRubberTool;

class NODARA_API SgManipulator : public SgGroup {
    SG_CLASS_HEADER(SgManipulator, SgFieldMngr)

    SgManipulator() = default;
    // Builds the tool of class `toolClass` (a rubber tool; nothing for any
    // other class), readies it on the path, hangs itself into the path's
    // object after the object's transform and lets the tool build its
    // handles. Nothing of this is recorded for undo.
    SgManipulator(SgPath &path, int toolClass, int mode, SgHandleEventAction *action);

    SgRubberTool *GetTool() const { return m_pTool; }

protected:
    ~SgManipulator() override = default;

    SgRubberTool *m_pTool = nullptr;
};
