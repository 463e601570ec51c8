#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the document layer. The library start-up
// (engine/SgNodara.cpp) runs the node block after the event handlers' (the
// animation manager is a tool by descent) and installs the hooks once every
// action is registered.
class NODARA_API SgDocumentClasses {
public:
    static void RegisterNodeClasses();
    // The scenario block: written by the save action's visitor of the
    // animation manager, read through the scene reader's hook.
    static void InstallHooks();
};
