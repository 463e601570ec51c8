#pragma once
// Start-up of the solid library: an explicit, idempotent Init that starts the
// engine, creates the attribute registry and registers the library's node
// classes and hooks, so that any scene opened afterwards can hold them.
namespace solvane {

class Solvane {
public:
    static void Init();
    static bool IsInitialized();
};

}  // namespace solvane
