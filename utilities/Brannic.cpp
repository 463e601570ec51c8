#include "utilities/Brannic.h"

#include "platform/Notifier.h"
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
}

bool Brannic::IsInitialized()
{
    return s_initialized;
}

int Brannic::MessagesPackage()
{
    return s_messagesPackage;
}
