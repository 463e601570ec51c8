#pragma once
// Start-up of the engine library: registers every class of every family, in a
// fixed order, so that class ids are the same from run to run. The classes are
// listed in one registration block per layer, beside them (SgCoreClasses in
// engine/core, SgNodeClasses in engine/nodes, and so on): a new class joins
// its layer's block, and a new layer's block is called from Init after the
// blocks of the layers below it.
#include <string>
#include "engine/core/NodaraExport.h"

class NODARA_API SgNodara {
public:
    // Idempotent: the first call registers, later calls return at once.
    static void Init();
    static bool IsInitialized();

    // One line per class family: how many classes it registered.
    static std::string RegistrationSummary();
};
