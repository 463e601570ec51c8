// fennix: the host program that embeds the engine on Linux.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "host/ConvertCommand.h"
#include "host/LispCommand.h"
#include "host/RenderCommand.h"
#include "host/WindowCommand.h"

static int Usage()
{
    std::fprintf(stderr,
                 "usage: fennix [SCENE | --convert IN OUT | --render IN --out FILE.bmp [--size WxH] [--aa N] | --lisp [--steps N] [--heap BYTES] [FILE]]\n");
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

// The engine's diagnostics (platform/SgDiagnostics.h) keep the default
// handler here: a developer's text is printed on standard error, and a text
// meant for the user (the reader's messages) goes through the headless
// notifier, which prints it on standard error too.
int main(int argc, char **argv)
{
    if (argc == 1)
        return RunStartupReport();
    if (std::strcmp(argv[1], "--convert") == 0 && argc == 4)
        return RunConvertCommand(argv[2], argv[3]);
    if (std::strcmp(argv[1], "--render") == 0)
        return RunRenderCommandLine(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "--lisp") == 0)
        return RunLispCommandLine(argc - 2, argv + 2);
    if (argc == 2 && argv[1][0] != '-')
        return RunWindowCommand(argc, argv, argv[1]);
    return Usage();
}
