#include "solids/Solvane.h"

#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"
#include "solids/GmAttributes.h"
#include "solids/modifiers/SgModifierClasses.h"

namespace solvane {

namespace {
bool g_initialized = false;
}

void Solvane::Init()
{
    if (g_initialized) {
        return;
    }
    g_initialized = true;
    // The engine's classes first: ours take the ids after them.
    SgNodara::Init();
    attribute_registry();  // the process registry, empty until users register
    // Node classes, each after its parent, in a fixed order.
    SgModifierClasses::RegisterNodeClasses();
    // Every action's table fills the new classes' entries from their
    // ancestors'.
    SgAction::ReBuildVisitorsMaps();
    // Hooks the engine calls into.
    SgModifierClasses::InstallHooks();
}

bool Solvane::IsInitialized()
{
    return g_initialized;
}

}  // namespace solvane
