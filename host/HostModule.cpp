#include "host/HostModule.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Beside the program's own libraries; then wherever its run path finds it.
std::vector<std::string> HostModuleCandidates(const char *moduleName)
{
    std::vector<std::string> candidates;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        candidates.push_back((program.parent_path().parent_path() / "lib" / moduleName).string());
    candidates.push_back(moduleName);
    return candidates;
}

} // namespace

void *FindHostModuleEntry(const char *moduleName, const char *entryName, int flags)
{
    void *module = nullptr;
    std::string failure;
    for (const std::string &candidate : HostModuleCandidates(moduleName)) {
        module = dlopen(candidate.c_str(), flags);
        if (module)
            break;
        if (failure.empty() || candidate.find('/') != std::string::npos)
            failure = dlerror();
    }
    if (!module) {
        std::fprintf(stderr, "fennix: the module %s could not be loaded: %s\n", moduleName, failure.c_str());
        return nullptr;
    }
    void *entry = dlsym(module, entryName);
    if (!entry)
        std::fprintf(stderr, "fennix: %s has no entry point %s\n", moduleName, entryName);
    return entry;
}
