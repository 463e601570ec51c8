#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the event handlers. The library start-up
// (engine/SgNodara.cpp) runs it after the nodes layer's classes and before
// the actions: the writer and the reader look these classes up to leave them
// out of scene files. A new handler class joins the end of the block.
class NODARA_API SgHandlerClasses {
public:
    // The handler base, the tool and rubber tool, the user's handler and the
    // selection handler.
    static void RegisterNodeClasses();
};
