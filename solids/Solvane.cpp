#include "solids/Solvane.h"

#include "solids/GmAttributes.h"

namespace solvane {

namespace {
bool g_initialized = false;
}

void Solvane::Init()
{
    if (g_initialized) {
        return;
    }
    attribute_registry();  // the process registry, empty until users register
    g_initialized = true;
}

bool Solvane::IsInitialized()
{
    return g_initialized;
}

}  // namespace solvane
