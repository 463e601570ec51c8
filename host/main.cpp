// fennix: the host program that embeds the engine on Linux.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "host/ControlCommand.h"
#include "host/ConvertCommand.h"
#include "host/LispCommand.h"
#include "host/RenderCommand.h"
#include "host/WindowCommand.h"
#include "host/common/SceneFolder.h"
#include "platform/SgProgress.h"

static const char kUsage[] =
    "usage: fennix [SCENE [--create sphere|box|cylinder] [--save-on-close OUT] [--listen [PATH]] [--stdio] "
    "[--shadows] [--allow-remote] | --convert IN OUT | --render IN --out FILE.bmp|FILE.png [--size WxH] [--aa N] "
    "[--shadows] [--allow-remote] | --lisp [--steps N] [--heap BYTES] [FILE] | --describe | --stdio [SCENE] | "
    "--register | --unregister | --help]\n";

// A mistake on the command line names the argument that was not understood
// before the usage line, so that a long line need not be read to find it.
static int Usage(const char *bad)
{
    if (bad)
        std::fprintf(stderr, "fennix: %s %s\n", bad[0] == '-' ? "unknown option" : "unexpected argument", bad);
    std::fputs(kUsage, stderr);
    return 2;
}

// Start the engine and say what it registered: the start-up check a new user sees.
static int RunStartupReport()
{
    SgNodara::Init();
    solvane::Solvane::Init();  // the solid classes, so scenes with solids read and draw
    std::printf("%s", SgNodara::RegistrationSummary().c_str());
    return 0;
}

// Headless runs show the progress of downloads as one line "TITLE: NN%" on
// standard error for each whole percentage reached; other long work says
// nothing there, so that a command's output stays as it was.
static SgProgressSubscription SubscribeHeadlessProgress()
{
    auto last = std::make_shared<int>(-1);
    return SgSubscribeProgress([last](const SgProgressReport &report) {
        if (report.kind != SgProgressKind::Download)
            return true;
        if (report.Ended()) {
            *last = -1;
            return true;
        }
        const int percent = int(report.fraction * 100.0);
        if (percent != *last) {
            *last = percent;
            std::fprintf(stderr, "%s: %d%%\n", report.title.c_str(), percent);
        }
        return true;
    });
}

// The engine's diagnostics (platform/SgDiagnostics.h) keep the default
// handler here: a developer's text is printed on standard error, and a text
// meant for the user (the reader's messages) goes through the headless
// notifier, which prints it on standard error too.
int main(int argc, char **argv)
{
    if (argc == 1)
        return RunStartupReport();
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    SgProgressSubscription progress;
    if (argv[1][0] == '-')
        progress = SubscribeHeadlessProgress();
    if (std::strcmp(argv[1], "--convert") == 0 && argc == 4)
        return RunConvertCommand(argv[2], argv[3]);
    if (std::strcmp(argv[1], "--render") == 0)
        return RunRenderCommandLine(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "--describe") == 0 && argc == 2)
        return RunDescribeCommand();
    if (std::strcmp(argv[1], "--register") == 0 && argc == 2)
        return RunRegisterCommand(true);
    if (std::strcmp(argv[1], "--unregister") == 0 && argc == 2)
        return RunRegisterCommand(false);
    if (std::strcmp(argv[1], "--stdio") == 0 && argc <= 3)
        return RunStdioCommand(argc == 3 ? argv[2] : nullptr);
    if (std::strcmp(argv[1], "--lisp") == 0)
        return RunLispCommandLine(argc - 2, argv + 2);
    if (argc == 2 && argv[1][0] != '-')
        return RunWindowCommand(argc, argv, argv[1], WindowOptions());
    if (argv[1][0] != '-') {
        // SCENE followed by window options.
        WindowOptions options;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--allow-remote") == 0)
                options.allowRemote = true;
            else if (std::strcmp(argv[i], "--shadows") == 0)
                options.shadows = true;
            else if (std::strcmp(argv[i], "--create") == 0 && i + 1 < argc)
                options.createKind = argv[++i];
            else if (std::strcmp(argv[i], "--save-on-close") == 0 && i + 1 < argc) {
                options.savePath = argv[++i];
                // Said before the window opens, not after the session's work is done.
                std::string why;
                if (!CanWriteInFolderOf(options.savePath, why)) {
                    std::fprintf(stderr, "fennix: --save-on-close %s: %s\n", options.savePath, why.c_str());
                    return 2;
                }
            }
            else if (std::strcmp(argv[i], "--stdio") == 0)
                options.stdio = true;
            else if (std::strcmp(argv[i], "--listen") == 0) {
                options.listen = true;
                if (i + 1 < argc && argv[i + 1][0] != '-')
                    options.listenPath = argv[++i];
            } else
                return Usage(argv[i]);
        }
        // wx sees only the program name: the options are ours.
        return RunWindowCommand(1, argv, argv[1], options);
    }
    // A command known by name but given the wrong arguments says which.
    static const char *const kCommands[] = {"--convert", "--describe", "--register", "--unregister", "--stdio"};
    for (const char *command : kCommands) {
        if (std::strcmp(argv[1], command) == 0) {
            std::fprintf(stderr, "fennix: wrong arguments for %s\n", command);
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    return Usage(argv[1]);
}
