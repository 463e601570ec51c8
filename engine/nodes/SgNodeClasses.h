#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the nodes layer: geometry, properties and the
// user-level object. The library start-up (engine/SgNodara.cpp) runs it after
// the object-model layer's node classes; the order fixes the class ids. A new
// node class joins the end of the block, after its parent.
class NODARA_API SgNodeClasses {
public:
    static void RegisterNodeClasses();
    // The calls the object model makes into the node classes of this layer.
    static void InstallHooks();
};
