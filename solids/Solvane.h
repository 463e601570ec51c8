#pragma once
// Start-up of the solid library: an explicit, idempotent Init that creates
// the attribute registry. Nothing is drawn and nothing of GL is touched.
namespace solvane {

class Solvane {
public:
    static void Init();
    static bool IsInitialized();
};

}  // namespace solvane
