#pragma once
#include "utilities/BrannicExport.h"
// Start-up of the utilities library.

class BRANNIC_API Brannic {
public:
    // Idempotent: the first call makes the report manager, registers the
    // "Messages" package and routes every headless message box into it, and
    // logs every diagnostic (platform/SgDiagnostics.h) under the package of
    // its subsystem; later calls return at once.
    static void Init();

    // The threshold a subsystem's package gets when its first diagnostic
    // registers it (a report-manager level): every diagnostic is logged.
    // A host that wants less sets the package's threshold itself.
    static constexpr int kDiagnosticThreshold = 4; // ReportMngr::LEVEL_INFO
    static bool IsInitialized();

    // The index of the "Messages" package, -1 before Init.
    static int MessagesPackage();
};
