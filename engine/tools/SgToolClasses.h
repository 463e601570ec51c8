#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the concrete interaction tools. The library
// start-up (engine/SgNodara.cpp) runs it after the document's classes, the
// last of the field containers. A new tool class joins the end of the block.
class NODARA_API SgToolClasses {
public:
    // The examine-view navigation handler.
    static void RegisterNodeClasses();
};
