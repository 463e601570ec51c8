#include "engine/tools/SgSubObjectMoveTool.h"

#include "engine/tools/SgEditSubObjectTool.h"

SG_CLASS_SOURCE(SgSubObjectMoveTool, SgMoveTool, SgFieldMngr, "SgSubObjectMoveTool")

void SgSubObjectMoveTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgMoveTool::DragStep(action, x, y);
    if (m_pOwner)
        SgEditSubObjectTool::OnMoveCB(action, m_pOwner);
}
