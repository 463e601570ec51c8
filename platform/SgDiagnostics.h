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
// them: see platform/SgDiagHandler.h, with SgDiagCapture, the capturing one
// that tests use. This header stays light (it only needs <string>) because
// most of the engine includes it.
//
// Besides the headless notifier, this file's .cpp is the only library code
// that writes on standard error; scripts/check-diagnostics (run by make test)
// keeps it so.
#include <string>
#include "platform/PlatformExport.h"

enum class SgDiagLevel : int { Info, Warning, Error };

// "INFO", "WARN" or "ERROR".
PLATFORM_API const char *SgDiagLevelName(SgDiagLevel level);

struct PLATFORM_API SgDiagnostic {
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

// The one entry point: logs the diagnostic, then hands it to the handler.
// Callable from any thread. A diagnostic reported while the handler runs on
// the same thread (by the handler itself, or by the notifier it shows a text
// with) is printed on standard error instead of calling the handler again;
// one reported by the log hook skips the hook and reaches the handler.
PLATFORM_API void SgDiagPost(const SgDiagnostic &diagnostic);

// A developer's diagnostic of `package`, formatted with printf rules. A final
// newline of the formatted text is dropped: each call is one message.
PLATFORM_API void SgDiagReport(SgDiagLevel level, const char *package, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
PLATFORM_API void SgDiagInfo(const char *package, const char *format, ...) __attribute__((format(printf, 2, 3)));
PLATFORM_API void SgDiagWarning(const char *package, const char *format, ...) __attribute__((format(printf, 2, 3)));
PLATFORM_API void SgDiagError(const char *package, const char *format, ...) __attribute__((format(printf, 2, 3)));

// A text meant for the user (an operation they asked for could not be done),
// shown through the Notifier by the default handler with an OK button and the
// icon of its level. Questions that need an answer go to the Notifier itself.
PLATFORM_API void SgDiagTellUser(SgDiagLevel level, const char *package, const std::string &text,
                    const std::string &caption = std::string());
