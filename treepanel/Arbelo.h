#pragma once
#include "treepanel/ArbeloExport.h"
// Start-up of the scene-tree library: registers StBuildTreeAction and its
// visitors (after the engine's own classes). Idempotent; the panel and the
// dialog call it before they build a tree.
namespace arbelo {

class ARBELO_API Arbelo {
public:
    static void Init();
    static bool IsInitialized();
};

} // namespace arbelo
