#pragma once
#include "solids/SolvaneExport.h"
// Start-up of the solid library: an explicit, idempotent Init that starts
// the engine, creates the attribute registry and registers the library's
// node and action classes into the engine's registries, with its visitors
// of the engine's own actions. Run once before the first scene is read.
namespace solvane {

class SOLVANE_API Solvane {
public:
    static void Init();
    static bool IsInitialized();
};

}  // namespace solvane
