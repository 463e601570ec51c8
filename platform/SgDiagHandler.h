#pragma once
// The handler side of the diagnostics sink (platform/SgDiagnostics.h): what a
// host or a test installs to capture, silence or redirect the diagnostics of
// every library, and the log hook through which the utilities library logs
// them. Library code that only reports includes SgDiagnostics.h alone.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SgDiagnostics.h"
#include "platform/PlatformExport.h"

using SgDiagHandler = std::function<void(const SgDiagnostic &)>;

// Installs `handler` (an empty function goes back to the default) and returns
// the one it replaces, so that a scope can put it back. A handler must not
// throw: library code reports from destructors and noexcept paths too.
PLATFORM_API SgDiagHandler SgDiagSetHandler(SgDiagHandler handler);

// The default handler: a developer's text on standard error followed by a
// newline; a user text through GetNotifier(). A handler of one's own may call
// it for the diagnostics it does not want to treat itself.
PLATFORM_API void SgDiagDefaultHandler(const SgDiagnostic &diagnostic);

// Called with every diagnostic before the handler, whatever the handler; the
// utilities library installs the one that logs through the report manager. An
// empty function removes it; the one replaced is returned.
using SgDiagLogHook = std::function<void(const SgDiagnostic &)>;
PLATFORM_API SgDiagLogHook SgDiagSetLogHook(SgDiagLogHook hook);

// Installs a handler that keeps every diagnostic, and puts the previous one
// back when it goes. Scopes nest: the innermost capture receives them.
class PLATFORM_API SgDiagCapture {
public:
    SgDiagCapture();
    ~SgDiagCapture();
    SgDiagCapture(const SgDiagCapture &) = delete;
    SgDiagCapture &operator=(const SgDiagCapture &) = delete;

    // What was reported since the capture began (or since Clear).
    std::vector<SgDiagnostic> GetDiagnostics() const;
    int Count() const;
    // How many came from `package` (letter case counts).
    int Count(std::string_view package) const;
    // Every diagnostic's Line() followed by a newline: what the headless
    // default would have printed on standard error.
    std::string GetText() const;
    // Whether any line holds `part`.
    bool Contains(std::string_view part) const;
    void Clear();

private:
    // Shared with the installed handler, which may be called on any thread.
    struct Kept;
    std::shared_ptr<Kept> m_kept;
    SgDiagHandler m_previous;
};
