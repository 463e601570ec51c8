#include "engine/actions/SgActionClasses.h"

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgCollectShapesAction.h"
#include "engine/actions/SgCopyAction.h"
#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/actions/SgMetaBallsAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/SgScanAction.h"

void SgActionClasses::RegisterActionClasses()
{
    SgSaveAction::InitClass();
    SgBoundingBoxAction::InitClass();
    SgGetTransformAction::InitClass();
    SgCollectShapesAction::InitClass();
    SgFindAction::InitClass();
    SgScanAction::InitClass();
    SgCopyAction::InitClass();
    // The Boolean node's metaball engine; it registers itself as engine 2.
    SgMetaBallsAction::InitClass();
}
