#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "utilities/Brannic.h"
#include "utilities/log/ReportMngr.h"
#include "utilities/log/Reporter.h"

namespace {

// Lives as long as the shared manager that keeps a pointer to it.
class MessageLog : public Reporter {
public:
    void send(int level, const char *message, const char *file, int) override
    {
        m_lines.push_back(std::to_string(level) + " " + file + " " + message);
    }
    std::vector<std::string> m_lines;
};

MessageLog s_messageLog;

} // namespace

TEST(Brannic, InitIsIdempotentAndRegistersTheMessagesPackageOnce)
{
    Brannic::Init();
    Brannic::Init();
    ASSERT_TRUE(Brannic::IsInitialized());
    ReportMngr *manager = ReportMngr::getInstance();
    ASSERT_NE(manager, nullptr);
    int package = Brannic::MessagesPackage();
    ASSERT_GE(package, 0);
    EXPECT_EQ(manager->AddPackage("messages"), package);
}

TEST(Brannic, HeadlessMessagesAreLoggedThroughTheReportManager)
{
    Brannic::Init();
    ReportMngr *manager = ReportMngr::getInstance();
    ASSERT_NE(manager, nullptr);
    static const bool registered = manager->RegisterRepoter(&s_messageLog, 0) >= 0;
    ASSERT_TRUE(registered);
    s_messageLog.m_lines.clear();

    std::ostringstream out;
    HeadlessNotifier notifier(&out);
    notifier.Message("File %s not found", "Error", Notifier::Buttons::Ok, Notifier::Icon::Error);
    notifier.Message("Done", "", Notifier::Buttons::Ok, Notifier::Icon::Information);

    const std::vector<std::string> expected = {"6 Notifier Error: File %s not found", "4 Notifier Done"};
    EXPECT_EQ(s_messageLog.m_lines, expected);
}
