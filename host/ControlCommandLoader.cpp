#include "host/ControlCommand.h"

#include <dlfcn.h>

#include <cstdio>

#include "host/HostModule.h"

int RunDescribeCommand()
{
    std::fwrite(kFennixDescribeJson, 1, kFennixDescribeJsonSize, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int RunStdioCommand(const char *scenePath)
{
    auto entry = reinterpret_cast<FennixStdioEntry>(FindHostModuleEntry(kControlModuleName, kStdioEntry, RTLD_NOW));
    return entry ? entry(scenePath) : 1;
}

int RunRegisterCommand(bool install)
{
    auto entry =
        reinterpret_cast<FennixRegisterEntry>(FindHostModuleEntry(kControlModuleName, kRegisterEntry, RTLD_NOW));
    return entry ? entry(install ? 1 : 0) : 1;
}
