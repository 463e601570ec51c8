#include "engine/engines/SgEngineClasses.h"

#include "engine/engines/DxModules.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/SgLispScript.h"
#include "engine/engines/SgParametric.h"
#include "engine/engines/SgSplineEngine.h"

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
    SgLispScript::InitClass();
    SgParametricModel::InitClass();
    SgParametricObject::InitClass();
    SgStringInput::InitClass();
    SgSplineEngine::InitClass();
}

void SgEngineClasses::InstallHooks()
{
    SgTransform::SetLimitModuleFactory(&MakeMoveLimit);
    // Before the prelude macros, which expand into these built-ins.
    LispAddStartupHook(&LispRegisterFieldFunctions);
    SgInstallParametricFormat();
    SgInstallParametricActions();
}
