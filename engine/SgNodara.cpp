#include "engine/SgNodara.h"

namespace {
bool s_initialized = false;
}

void SgNodara::Init()
{
    if (s_initialized)
        return;
    s_initialized = true;
}

bool SgNodara::IsInitialized()
{
    return s_initialized;
}

std::string SgNodara::RegistrationSummary()
{
    return "engine started\n";
}
