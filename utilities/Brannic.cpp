#include "utilities/Brannic.h"

#include <mutex>

#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"
#include "utilities/log/ReportMngr.h"

namespace {

bool s_initialized = false;
int s_messagesPackage = -1;

int LevelOf(Notifier::Icon icon)
{
    switch (icon) {
    case Notifier::Icon::Error:
        return ReportMngr::LEVEL_ERROR;
    case Notifier::Icon::Warning:
        return ReportMngr::LEVEL_WARN;
    case Notifier::Icon::None:
    case Notifier::Icon::Information:
    case Notifier::Icon::Question:
        break;
    }
    return ReportMngr::LEVEL_INFO;
}

void LogMessage(const std::string &text, const std::string &caption, Notifier::Icon icon)
{
    ReportMngr *manager = ReportMngr::getInstance();
    if (manager == nullptr || s_messagesPackage < 0)
        return;
    // The text goes in as an argument, never as the format: message texts
    // carry file names that may hold '%'.
    if (caption.empty())
        manager->Report(s_messagesPackage, LevelOf(icon), "Notifier", 0, "%s", text.c_str());
    else
        manager->Report(s_messagesPackage, LevelOf(icon), "Notifier", 0, "%s: %s", caption.c_str(), text.c_str());
}

int LevelOf(SgDiagLevel level)
{
    switch (level) {
    case SgDiagLevel::Error:
        return ReportMngr::LEVEL_ERROR;
    case SgDiagLevel::Warning:
        return ReportMngr::LEVEL_WARN;
    case SgDiagLevel::Info:
        break;
    }
    return ReportMngr::LEVEL_INFO;
}

static_assert(Brannic::kDiagnosticThreshold == ReportMngr::LEVEL_INFO);

// Every diagnostic goes to the package of its subsystem, registered on first
// use with the threshold Brannic::kDiagnosticThreshold. A package that the
// host registered (and set) before keeps its own threshold.
void LogDiagnostic(const SgDiagnostic &diagnostic)
{
    // The report manager has no lock of its own; diagnostics may come from
    // any thread.
    static std::mutex s_mutex;
    std::lock_guard<std::mutex> lock(s_mutex);
    ReportMngr *manager = ReportMngr::getInstance();
    if (manager == nullptr)
        return;
    const char *name = diagnostic.package.empty() ? "Diagnostics" : diagnostic.package.c_str();
    const int before = manager->GetPackageCount();
    const int package = manager->AddPackage(name);
    if (package < 0)
        return;
    if (manager->GetPackageCount() > before && manager->GetThreshold(package) >= 0)
        manager->EnableReport(package, Brannic::kDiagnosticThreshold);
    // Past the packages that have a threshold nothing can be logged; the
    // handler still shows the diagnostic.
    if (manager->GetThreshold(package) < 0)
        return;
    manager->Report(package, LevelOf(diagnostic.level), name, 0, "%s", diagnostic.Line().c_str());
}

} // namespace

void Brannic::Init()
{
    if (s_initialized)
        return;
    s_initialized = true;

    ReportMngr *manager = ReportMngr::getInstance();
    if (manager != nullptr) {
        s_messagesPackage = manager->AddPackage("Messages");
        // Messages are few and meant for the user: every one of them is
        // logged by whatever reporter is registered.
        manager->EnableReport(s_messagesPackage, ReportMngr::LEVEL_ALL);
    }
    HeadlessNotifier::SetLogHook(LogMessage);
    SgDiagSetLogHook(LogDiagnostic);
}

bool Brannic::IsInitialized()
{
    return s_initialized;
}

int Brannic::MessagesPackage()
{
    return s_messagesPackage;
}
