#include "engine/render/SgRenderClasses.h"

#include "engine/render/SgGLBuildCacheAction.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgGLRenderLightsAction.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgWinAlignedRenderAction.h"

void SgRenderClasses::RegisterActionClasses()
{
    SgRayPickAction::InitClass();
    SgWinAlignedRenderAction::InitClass();
    SgGLRenderAction::InitClass();
    SgGLBuildCacheAction::InitClass();
    SgGLRenderLightsAction::InitClass();
    SgGLRenderAction::RegisterReportPackage();
}

void SgRenderClasses::InstallHooks()
{
    SgTextureManager::InstallHooks();
}
