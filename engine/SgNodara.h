#pragma once
// Start-up of the engine library: registers every class of every family, in a
// fixed order, so that class ids are the same from run to run.
#include <string>

class SgNodara {
public:
    // Idempotent: the first call registers, later calls return at once.
    static void Init();
    static bool IsInitialized();

    // One line per class family: how many classes it registered.
    static std::string RegistrationSummary();
};
