#include "engine/tools/SgToolClasses.h"

#include "engine/tools/SgExamineViewHandler.h"

void SgToolClasses::RegisterNodeClasses()
{
    SgExamineViewHandler::InitClass();
}
