#include "engine/engines/SgEngineClasses.h"

#include "engine/engines/DxModules.h"
#include "engine/engines/SgEngine.h"

namespace {

SgTransform::LimitModule *MakeMoveLimit(SgField *translation)
{
    return new DxMove(translation);
}

} // namespace

void SgEngineClasses::RegisterNodeClasses()
{
    SgEngine::InitClass();
    SgComposeVector<Vec3>::InitClass();
    SgApplyVector::InitClass();
    SgInputEngine::InitClass();
}

void SgEngineClasses::InstallHooks()
{
    SgTransform::SetLimitModuleFactory(&MakeMoveLimit);
}
