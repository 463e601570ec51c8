#pragma once
#include "solids/SolvaneExport.h"
// The modifier and surface classes of the solid library (and the conform
// shape's action), registered in one fixed order
// (each after its parent) when the library starts, and the hook the engine's
// modifier stack calls on its final shape.
class SOLVANE_API SgModifierClasses {
public:
    static void RegisterNodeClasses();
    // Visitors of the engine's own actions; before their tables are rebuilt.
    static void InitActions();
    static void RegisterActionClasses();
    static void InstallHooks();
};
