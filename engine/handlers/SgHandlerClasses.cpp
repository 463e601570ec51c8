#include "engine/handlers/SgHandlerClasses.h"

#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/handlers/SgUserHandler.h"

void SgHandlerClasses::RegisterNodeClasses()
{
    SgEventHandler::InitClass();
    SgTool::InitClass();
    SgRubberTool::InitClass();
    SgUserHandler::InitClass();
    SgSelectionHandler::InitClass();
    SgManipulator::InitClass();
}
