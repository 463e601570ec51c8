#include "solids/Solvane.h"

#include "engine/SgNodara.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "solids/GmAttributes.h"
#include "solids/SgExportStlAction.h"
#include "solids/SgGeomAction.h"
#include "solids/SgSolvane.h"
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
    SgNodara::Init();
    attribute_registry();  // the process registry, empty until users register

    // Node classes, each after its parent: the order fixes the class ids.
    SgSolvane::InitClass();
    SgModifierClasses::RegisterNodeClasses();

    // The library's visitors of the engine's actions, then the rebuild of
    // every table (all node classes are registered by now).
    SgModifierClasses::InitActions();
    SgSolvane::InitActions();

    // Action classes.
    SgGeomAction::InitClass();
    SgExportStlAction::InitClass();
    SgModifierClasses::RegisterActionClasses();

    // Boolean shapes of engines 0 and 1 evaluate with the solid kernel.
    SgBoolean::RegisterEngine(SgBoolean::kSolidEngine, SgGeomAction::ClassID());
    SgBoolean::RegisterEngine(SgBoolean::kSolidEngineAlt, SgGeomAction::ClassID());

    // Hooks the engine calls into.
    SgModifierClasses::InstallHooks();
}

bool Solvane::IsInitialized()
{
    return g_initialized;
}

}  // namespace solvane
