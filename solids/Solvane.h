#pragma once
// Start-up of the solid library: an explicit, idempotent Init that starts
// the engine, creates the attribute registry and registers the library's
// node and action classes into the engine's registries, with its visitors
// of the engine's own actions. Run once before the first scene is read.
namespace solvane {

class Solvane {
public:
    static void Init();
    static bool IsInitialized();
};

}  // namespace solvane
