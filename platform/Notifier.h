#pragma once
// Every message box and file dialog of the system goes through these two
// interfaces, so that the same code runs headless (tests, batch conversion)
// and under the GUI, which installs its own notifier and chooser.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include "platform/PlatformExport.h"

class PLATFORM_API Notifier {
public:
    // The answers keep their Win32 numbers: callers and scripts compare
    // against them.
    enum Answer : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Icon { None, Information, Warning, Error, Question };

    virtual ~Notifier() = default;

    // Shows the message and returns the user's answer (one of Answer).
    virtual int Message(const std::string &text, const std::string &caption,
                        Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;

    // The answer a user who only dismisses the box gives: OK when that is the
    // only button, No for a yes/no question, Cancel otherwise.
    static int DefaultAnswer(Buttons buttons);
};

// Answers every message with the default, after printing it and handing it to
// the log hook. The utilities library installs the hook so that messages are
// logged through its report manager without this layer depending on it.
class PLATFORM_API HeadlessNotifier : public Notifier {
public:
    using LogHook = std::function<void(const std::string &text, const std::string &caption, Icon icon)>;

    // Messages are printed on `out` (standard error by default).
    explicit HeadlessNotifier(std::ostream *out = nullptr);

    int Message(const std::string &text, const std::string &caption,
                Buttons buttons = Buttons::Ok, Icon icon = Icon::None) override;

    // One hook for every headless notifier of the process; an empty function
    // removes it.
    static void SetLogHook(LogHook hook);

private:
    std::ostream *m_out;
};

// The notifier in use; the headless one until someone installs another.
PLATFORM_API Notifier &GetNotifier();
// Installs `notifier` (not owned; null goes back to the headless default) and
// returns the one it replaces.
PLATFORM_API Notifier *SetNotifier(Notifier *notifier);

// What a file dialog asks for. The filter keeps the "Name|*.ext|...||" form.
struct PLATFORM_API FileRequest {
    std::string title;
    std::string initialName;
    std::string defaultExtension;
    std::string filter;
    bool save = false;
};

// Returns the chosen path, or no value when the user cancels.
using FileChooser = std::function<std::optional<std::string>(const FileRequest &)>;

// The chooser in use; the default answers "no file", as a user who cancels.
PLATFORM_API const FileChooser &GetFileChooser();
// Installs `chooser` (an empty function goes back to the default) and returns
// the one it replaces.
PLATFORM_API FileChooser SetFileChooser(FileChooser chooser);
// Asks the chooser in use.
PLATFORM_API std::optional<std::string> ChooseFile(const FileRequest &request);
