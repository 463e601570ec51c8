#include "treepanel/Arbelo.h"

#include "engine/SgNodara.h"
#include "treepanel/StBuildTreeAction.h"

namespace arbelo {

namespace {
bool g_initialized = false;
}

void Arbelo::Init()
{
    if (g_initialized)
        return;
    g_initialized = true;
    SgNodara::Init();
    StBuildTreeAction::InitClass();
}

bool Arbelo::IsInitialized()
{
    return g_initialized;
}

} // namespace arbelo
