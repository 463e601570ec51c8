#include "engine/tools/SgToolClasses.h"

#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgSelectByFenceTool.h"

void SgToolClasses::RegisterNodeClasses()
{
    SgExamineViewHandler::InitClass();
    SgSelectByFenceTool::InitClass();
}
