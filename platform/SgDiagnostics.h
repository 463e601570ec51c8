#pragma once
// The one sink for the diagnostics of every library: what library code used to
// print on standard error goes through SgDiagPost and its short forms.
//
// A diagnostic names the subsystem that reports it (its package: "Reader",
// "GLRenderAction", "Lisp", ...), a level and a text. Each one is
//   1. logged: the utilities library installs the log hook (Brannic::Init),
//      which hands it to the report manager under a package of that name, and
//   2. handed to the handler in use. The default handler prints a developer's
//      text on standard error, one line as before, and shows a text meant for
//      the user through the Notifier in use (GetNotifier()), which a headless
//      run prints on standard error too.
// A host or a test installs its own handler to capture, silence or redirect
// them (as Coin's SoDebugError::setHandlerCallback does); SgDiagCapture is
// the capturing one that tests use.
//
// This file and its .cpp are the only library code that writes on standard
// error itself.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class SgDiagLevel : int { Info, Warning, Error };

// "INFO", "WARN" or "ERROR".
const char *SgDiagLevelName(SgDiagLevel level);

struct SgDiagnostic {
    SgDiagLevel level = SgDiagLevel::Warning;
    // The reporting subsystem; it names the report-manager package.
    std::string package;
    // The message without a final newline; it may hold several lines.
    std::string text;
    // Set for a text meant for the user, which the default handler shows
    // through the Notifier; the caption is that message box's caption.
    bool forUser = false;
    std::string caption;

    // The text as the headless default shows it: "caption: text" for a user
    // text with a caption, the text alone otherwise. No final newline.
    std::string Line() const;
};

using SgDiagHandler = std::function<void(const SgDiagnostic &)>;

// The one entry point: logs the diagnostic, then hands it to the handler.
// Callable from any thread; a handler that reports again while it runs on the
// same thread has that nested diagnostic printed by the default handler
// instead of being called again.
void SgDiagPost(const SgDiagnostic &diagnostic);

// A developer's diagnostic of `package`, formatted with printf rules. A final
// newline of the formatted text is dropped: each call is one message.
void SgDiagReport(SgDiagLevel level, const char *package, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
void SgDiagInfo(const char *package, const char *format, ...) __attribute__((format(printf, 2, 3)));
void SgDiagWarning(const char *package, const char *format, ...) __attribute__((format(printf, 2, 3)));
void SgDiagError(const char *package, const char *format, ...) __attribute__((format(printf, 2, 3)));

// A text meant for the user (an operation they asked for could not be done),
// shown through the Notifier by the default handler with an OK button and the
// icon of its level. Questions that need an answer go to the Notifier itself.
void SgDiagTellUser(SgDiagLevel level, const char *package, const std::string &text,
                    const std::string &caption = std::string());

// Installs `handler` (an empty function goes back to the default) and returns
// the one it replaces, so that a scope can put it back.
SgDiagHandler SgDiagSetHandler(SgDiagHandler handler);

// The default handler: a developer's text on standard error followed by a
// newline; a user text through GetNotifier(). A handler of one's own may call
// it for the diagnostics it does not want to treat itself.
void SgDiagDefaultHandler(const SgDiagnostic &diagnostic);

// Called with every diagnostic before the handler, whatever the handler; the
// utilities library installs the one that logs through the report manager. An
// empty function removes it; the one replaced is returned.
using SgDiagLogHook = std::function<void(const SgDiagnostic &)>;
SgDiagLogHook SgDiagSetLogHook(SgDiagLogHook hook);

// Installs a handler that keeps every diagnostic, and puts the previous one
// back when it goes. Scopes nest: the innermost capture receives them.
class SgDiagCapture {
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
