#include "engine/viewer/SgViewerClasses.h"

#include "engine/viewer/SgHandleEventAction.h"

void SgViewerClasses::RegisterActionClasses()
{
    SgHandleEventAction::InitClass();
}
