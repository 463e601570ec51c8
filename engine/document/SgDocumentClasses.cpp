#include "engine/document/SgDocumentClasses.h"

#include "engine/document/SgAnimationMngr.h"

void SgDocumentClasses::RegisterNodeClasses()
{
    SgAnimationMngr::InitClass();
}

void SgDocumentClasses::InstallHooks()
{
    SgAnimationMngr::InstallFileHooks();
}
