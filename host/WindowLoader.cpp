#include "host/WindowCommand.h"

#include <dlfcn.h>

#include "host/HostModule.h"

int RunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions &options)
{
    // RTLD_GLOBAL: the toolkit's own plug-ins look up its symbols.
    auto entry = reinterpret_cast<FennixWindowEntry>(
        FindHostModuleEntry(kWindowModuleName, kWindowModuleEntry, RTLD_NOW | RTLD_GLOBAL));
    if (!entry)
        return 1;
    return entry(argc, argv, scenePath, &options);
}
