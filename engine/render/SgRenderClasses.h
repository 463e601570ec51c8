#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the renderer. The library start-up
// (engine/SgNodara.cpp) runs it after the standard actions; a new action of
// the renderer joins the end of the block.
class NODARA_API SgRenderClasses {
public:
    // Picking, the billboard placement that runs before each viewport draws,
    // the GL render action (its visitor table takes the shape and property
    // visitors), the action that compiles separators into display lists and
    // the lights pass, which installs itself in the render action.
    static void RegisterActionClasses();
    // Texture deletion and texture image loading for the node classes.
    static void InstallHooks();
};
