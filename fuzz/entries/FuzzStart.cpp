// What every fuzz entry starts from.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

#include "engine/SgNodara.h"
#include "fuzz/FuzzEntries.h"
#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"
#include "solids/Solvane.h"

namespace {

class FuzzSilentNotifier : public Notifier {
public:
    int Message(const std::string &, const std::string &, Buttons buttons, Icon) override
    {
        return DefaultAnswer(buttons);
    }
};

bool StartOnce()
{
    // Inputs name URLs (textures, scenes, the channel's Navigate): every
    // download goes to a proxy that is not there and fails at once, so that
    // a fuzzer never reaches the network.
    for (const char *variable : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        ::setenv(variable, "http://127.0.0.1:9", 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    static FuzzSilentNotifier notifier;
    SetNotifier(&notifier);
    // Every file request is cancelled.
    SetFileChooser([](const FileRequest &) -> std::optional<std::string> { return std::nullopt; });
    std::string folder = (std::filesystem::temp_directory_path() / "fennix-fuzz-XXXXXX").string();
    if (::mkdtemp(folder.data())) {
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        std::filesystem::current_path(folder);
        static const std::string made = folder;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
    }
    SgNodara::Init();
    solvane::Solvane::Init();
    // Millions of inputs each say what was wrong with them: neither kept in
    // the report log nor printed.
    SgDiagSetLogHook({});
    SgDiagSetHandler([](const SgDiagnostic &) {});
    return true;
}

} // namespace

namespace fuzzentry {

void Start()
{
    static const bool started = StartOnce();
    (void)started;
}

} // namespace fuzzentry
