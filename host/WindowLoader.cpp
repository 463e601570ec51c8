#include "host/WindowCommand.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Beside the program's own libraries (bin/../lib in the build tree and in an
// installed tree); then wherever the program's run path finds it.
std::vector<std::string> ModuleCandidates()
{
    std::vector<std::string> candidates;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        candidates.push_back((program.parent_path().parent_path() / "lib" / kWindowModuleName).string());
    candidates.push_back(kWindowModuleName);
    return candidates;
}

} // namespace

int RunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions &options)
{
    void *module = nullptr;
    std::string failure;
    for (const std::string &candidate : ModuleCandidates()) {
        // RTLD_GLOBAL: the toolkit's own plug-ins look up its symbols.
        module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (module)
            break;
        if (failure.empty() || candidate.find('/') != std::string::npos)
            failure = dlerror();
    }
    if (!module) {
        std::fprintf(stderr, "fennix: the window module could not be loaded: %s\n", failure.c_str());
        return 1;
    }
    auto entry = reinterpret_cast<FennixWindowEntry>(dlsym(module, kWindowModuleEntry));
    if (!entry) {
        std::fprintf(stderr, "fennix: %s has no entry point %s\n", kWindowModuleName, kWindowModuleEntry);
        return 1;
    }
    // The module stays loaded until the process ends: the toolkit registers
    // handlers that run at exit.
    return entry(argc, argv, scenePath, &options);
}
