#include "host/ControlCommand.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "control/FennixChannel.h"
#include "control/FennixControl.h"
#include "control/FennixRegistration.h"
#include "facade/CDrevon.h"
#include "facade/CDrevon.h"
#include "engine/SgNodara.h"
#include "platform/window/SgWindowFactory.h"
#include "solids/Solvane.h"

// The control module: the commands that need the control and the facade.
extern "C" int FennixRunStdioCommand(const char *scenePath)
{
    SgNodara::Init();
    solvane::Solvane::Init();
    // Views in windows of their own (CreateViewer) are offscreen here. Their
    // GL contexts go with this command, after the control and before the GL
    // library's own exit handlers run.
    struct OwnWindows {
        SgHeadlessWindowFactory factory;
        SgWindowFactory *previous = SetWindowFactory(&factory);
        ~OwnWindows() { SetWindowFactory(previous); }
    } windows;
    fennix::FennixControl control;
    if (scenePath)
        control.Properties().fileName = scenePath;
    if (!control.Create(nullptr)) {
        std::fprintf(stderr, "fennix: the control could not be made\n");
        return 1;
    }
    // A scene that could not be read ends the command, as --convert does: a
    // script would otherwise work on an empty scene it did not ask for. The
    // reader has said why already.
    if (scenePath && control.GetFacade()->GetCurrentFile().empty()) {
        std::fprintf(stderr, "fennix: %s could not be read\n", scenePath);
        control.Destroy();
        return 1;
    }
    fennix::FennixChannel channel(control, [](const std::string &line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    // The window's start-up timer (WM_TIMER, id 12) has no loop to run in
    // here: the session starts once the scene is read.
    control.FireStartSession("uMsg=113 idEvent=c");
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n > 0) {
            channel.Feed(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    // A last line without its "\n" is still a request.
    channel.Feed("\n", 1);
    control.Destroy();
    return 0;
}

extern "C" int FennixRunRegisterCommand(int install)
{
    std::string message;
    int result;
    if (install) {
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) {
            std::fprintf(stderr, "fennix: the program's own path is unknown\n");
            return 1;
        }
        result = fennix::Register(self.string(), message);
    } else {
        result = fennix::Unregister(message);
    }
    if (result != fennix::kRegisterOk) {
        std::fprintf(stderr, "fennix: %s\n", message.c_str());
        return 1;
    }
    return 0;
}
