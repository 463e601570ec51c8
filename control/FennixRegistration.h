#pragma once
// Makes the program known to the desktop as the opener of scene files
// (".kvrx"): a desktop entry in $XDG_DATA_HOME/applications and a MIME type
// in $XDG_DATA_HOME/mime/packages ($XDG_DATA_HOME defaults to
// ~/.local/share). Register writes both, Unregister removes both; a step
// that fails leaves a message for the user in `message` and a non-zero
// result (the type step first, then the entry, as the control module's
// registration does).
#include <string>
#include "control/FennixExport.h"

namespace fennix {

constexpr const char *kSceneMimeType = "model/x-kvrx";
constexpr int kRegisterOk = 0;
constexpr int kRegisterTypeFailed = 1;   // "... SELFREG_E_TYPELIB"
constexpr int kRegisterClassFailed = 2;  // "... SELFREG_E_CLASS"

// The folder the files go under; empty when neither variable gives one.
FENNIX_API std::string DataHome();
FENNIX_API std::string DesktopEntryPath();
FENNIX_API std::string MimeTypePath();
// `program` is the absolute path the desktop entry starts.
FENNIX_API int Register(const std::string &program, std::string &message);
FENNIX_API int Unregister(std::string &message);

} // namespace fennix
