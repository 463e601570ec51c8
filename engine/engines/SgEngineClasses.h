#pragma once
#include "engine/core/NodaraExport.h"
// The start-up block of the engines layer.
class NODARA_API SgEngineClasses {
public:
    // Engines and the nodes of this layer, parents first.
    static void RegisterNodeClasses();
    // What lower layers call into: the transform's movement limit.
    static void InstallHooks();
};
