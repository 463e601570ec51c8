#include "engine/tools/SgToolClasses.h"

#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgHandleBoxTool.h"
#include "engine/tools/SgScaleTool.h"
#include "engine/tools/SgSelectByFenceTool.h"
#include "engine/tools/SgTransformTool.h"

void SgToolClasses::RegisterNodeClasses()
{
    SgExamineViewHandler::InitClass();
    SgSelectByFenceTool::InitClass();
    SgTransformTool::InitClass();
    SgMoveTool::InitClass();
    SgTrackballTool::InitClass();
    SgScaleTool::InitClass();
    SgHandleBoxTool::InitClass();
}
