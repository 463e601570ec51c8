#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the viewing layer. The library start-up
// (engine/SgNodara.cpp) runs it after the renderer's; a new action of the
// viewer joins the end of the block.
class NODARA_API SgViewerClasses {
public:
    // The event dispatch of the viewers.
    static void RegisterActionClasses();
};
