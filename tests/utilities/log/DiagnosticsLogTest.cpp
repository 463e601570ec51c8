// The utilities library logs every diagnostic of the sink through the report
// manager, under the package of the subsystem that reported it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SgDiagHandler.h"
#include "utilities/Brannic.h"
#include "utilities/log/ReportMngr.h"
#include "utilities/log/Reporter.h"

namespace {

// Registered once with the shared manager, which keeps a pointer to it for
// the rest of the process.
class DiagnosticLog : public Reporter {
public:
    void send(int level, const char *message, const char *file, int) override
    {
        m_lines.push_back(std::to_string(level) + " " + file + " " + message);
    }
    std::vector<std::string> m_lines;
};

DiagnosticLog &SharedLog()
{
    static DiagnosticLog s_log;
    static const bool s_registered = [] {
        Brannic::Init();
        ReportMngr *manager = ReportMngr::getInstance();
        return manager != nullptr && manager->RegisterRepoter(&s_log, 0) >= 0;
    }();
    EXPECT_TRUE(s_registered);
    s_log.m_lines.clear();
    return s_log;
}

} // namespace

TEST(DiagnosticsLog, EachDiagnosticIsLoggedUnderItsSubsystemsPackage)
{
    DiagnosticLog &log = SharedLog();
    SgDiagCapture capture; // keeps them off standard error
    SgDiagWarning("DiagLogGeometry", "SgBox: \"widthSegs\" %d is below 1; 1 is used", 0);
    SgDiagError("DiagLogPick", "pick index slot %d refused", 50);
    SgDiagInfo("DiagLogGeometry", "noted");
    SgDiagTellUser(SgDiagLevel::Error, "DiagLogReader", "Not a valid KVRX file!", "Warning");

    const std::vector<std::string> expected = {
        "5 DiagLogGeometry SgBox: \"widthSegs\" 0 is below 1; 1 is used",
        "6 DiagLogPick pick index slot 50 refused",
        "4 DiagLogGeometry noted",
        "6 DiagLogReader Warning: Not a valid KVRX file!",
    };
    EXPECT_EQ(log.m_lines, expected);
    EXPECT_EQ(capture.Count(), 4) << "logging takes nothing from the handler";

    ReportMngr *manager = ReportMngr::getInstance();
    const int package = manager->AddPackage("diaglogGEOMETRY");
    EXPECT_EQ(std::string(manager->GetPackageName(package)), "DiagLogGeometry") << "registered by its first diagnostic";
    EXPECT_EQ(manager->GetThreshold(package), Brannic::kDiagnosticThreshold);
}

TEST(DiagnosticsLog, APackageTheHostSetBeforeKeepsItsThreshold)
{
    DiagnosticLog &log = SharedLog();
    ReportMngr *manager = ReportMngr::getInstance();
    const int package = manager->AddPackage("DiagLogQuiet");
    manager->EnableReport(package, ReportMngr::LEVEL_ERROR);

    SgDiagCapture capture;
    SgDiagWarning("DiagLogQuiet", "below the threshold");
    SgDiagError("DiagLogQuiet", "at the threshold");
    EXPECT_EQ(log.m_lines, std::vector<std::string>{"6 DiagLogQuiet at the threshold"});
    EXPECT_EQ(manager->GetThreshold(package), ReportMngr::LEVEL_ERROR);
    EXPECT_EQ(capture.Count(), 2) << "the threshold limits the log, not the handler";
}

TEST(DiagnosticsLog, TheReportManagersOwnDiagnosticsGoThroughTheSink)
{
    ReportMngr manager;
    SgDiagCapture capture;
    EXPECT_EQ(manager.AddPackage(nullptr), -1);
    EXPECT_EQ(manager.EnableReport(-1, 0), -1);
    ASSERT_EQ(capture.Count("ReportMngr"), 2);
    EXPECT_EQ(capture.GetDiagnostics()[0].level, SgDiagLevel::Error);
    EXPECT_TRUE(capture.Contains("ReportMngr::AddPackage: a package needs a name"));
}
