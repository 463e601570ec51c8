#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SgDiagHandler.h"
#include "utilities/log/ReportMngr.h"
#include "utilities/log/Reporter.h"

namespace {

class RecordingReporter : public Reporter {
public:
    struct Sent {
        int level;
        std::string message;
        std::string file;
        int line;
    };
    void send(int level, const char *message, const char *file, int line) override
    {
        m_sent.push_back({level, message, file, line});
    }
    std::vector<Sent> m_sent;
};

// A manager of the test's own, so that registrations do not pile up in the
// shared one.
class ReportMngrTest : public ::testing::Test {
protected:
    ReportMngr m_manager;
    RecordingReporter m_reporter;
};

} // namespace

TEST_F(ReportMngrTest, PackageNamesMatchWithoutRegardToCase)
{
    int geom = m_manager.AddPackage("Geom");
    EXPECT_EQ(geom, 0);
    EXPECT_EQ(m_manager.AddPackage("geom"), geom);
    EXPECT_EQ(m_manager.AddPackage("GEOM"), geom);
    EXPECT_EQ(m_manager.AddPackage("Smooth"), 1);
    EXPECT_EQ(m_manager.GetPackageCount(), 2);
    EXPECT_STREQ(m_manager.GetPackageName(geom), "Geom") << "the first spelling is the one kept";
}

TEST_F(ReportMngrTest, EnableByNameReachesThePackageWhateverTheCase)
{
    int geom = m_manager.AddPackage("Geom");
    int smooth = m_manager.AddPackage("Smooth");
    m_manager.EnableReport("GEOM", ReportMngr::LEVEL_WARN);
    EXPECT_EQ(m_manager.GetThreshold(geom), ReportMngr::LEVEL_WARN);
    EXPECT_EQ(m_manager.GetThreshold(smooth), ReportMngr::LEVEL_OFF) << "other packages keep their threshold";
}

TEST_F(ReportMngrTest, ReportPassesExactlyWhenItsLevelReachesTheThreshold)
{
    struct Case {
        int threshold;
        int level;
        bool sent;
    };
    const Case cases[] = {
        {4, 4, true}, {4, 3, false}, {4, 7, true}, {0, 0, true},
        // A new package is "OFF": only level 8 itself gets through.
        {8, 7, false}, {8, 8, true},
    };
    int package = m_manager.AddPackage("GLRenderAction");
    ASSERT_EQ(m_manager.GetThreshold(package), ReportMngr::LEVEL_OFF) << "initial threshold";
    m_manager.RegisterRepoter(&m_reporter, 0);
    for (const Case &c : cases) {
        m_reporter.m_sent.clear();
        m_manager.EnableReport(package, c.threshold);
        m_manager.Report(package, c.level, "GLRenderAction.cpp", 7, "pass %d", c.level);
        EXPECT_EQ(m_reporter.m_sent.size(), c.sent ? 1u : 0u)
            << "threshold " << c.threshold << ", level " << c.level;
    }
}

TEST_F(ReportMngrTest, EveryReporterGetsTheSameFormattedText)
{
    RecordingReporter second;
    int package = m_manager.AddPackage("Extrude");
    m_manager.EnableReport(package, ReportMngr::LEVEL_ALL);
    EXPECT_EQ(m_manager.RegisterRepoter(&m_reporter, 11), 0);
    EXPECT_EQ(m_manager.RegisterRepoter(&second, 22), 1);

    EXPECT_EQ(m_manager.Report(package, ReportMngr::LEVEL_ERROR, "Extrude.cpp", 12, "%d faces of %s", 6, "box"), 2);
    ASSERT_EQ(m_reporter.m_sent.size(), 1u);
    ASSERT_EQ(second.m_sent.size(), 1u);
    for (const RecordingReporter *r : {&m_reporter, &second}) {
        EXPECT_EQ(r->m_sent[0].message, "6 faces of box");
        EXPECT_EQ(r->m_sent[0].level, ReportMngr::LEVEL_ERROR);
        EXPECT_EQ(r->m_sent[0].file, "Extrude.cpp");
        EXPECT_EQ(r->m_sent[0].line, 12);
    }
}

// A message that does not fit is refused whole, never delivered cut.
TEST_F(ReportMngrTest, MessagesLongerThanTheLimitAreRefused)
{
    int package = m_manager.AddPackage("ModifierStack");
    m_manager.EnableReport(package, ReportMngr::LEVEL_ALL);
    m_manager.RegisterRepoter(&m_reporter, 0);
    const std::string fits(ReportMngr::kMaxMessage, 'x');
    EXPECT_EQ(m_manager.Report(package, ReportMngr::LEVEL_INFO, "f", 1, "%s", fits.c_str()), 1);
    ASSERT_EQ(m_reporter.m_sent.size(), 1u);
    EXPECT_EQ(m_reporter.m_sent[0].message, fits);

    SgDiagCapture capture;
    EXPECT_EQ(m_manager.Report(package, ReportMngr::LEVEL_INFO, "f", 1, "%s!", fits.c_str()), -1);
    EXPECT_EQ(m_reporter.m_sent.size(), 1u) << "nothing of the refused message is delivered";
    EXPECT_TRUE(capture.Contains("longer than")) << capture.GetText();
}

TEST_F(ReportMngrTest, PackagesBeyondTheCapacityAreRefused)
{
    std::vector<std::string> names;
    for (int i = 0; i < ReportMngr::kMaxPackages; ++i)
        names.push_back("Package" + std::to_string(i));
    for (int i = 0; i < ReportMngr::kMaxPackages; ++i)
        ASSERT_EQ(m_manager.AddPackage(names[static_cast<size_t>(i)].c_str()), i);

    SgDiagCapture capture;
    EXPECT_EQ(m_manager.AddPackage("OneTooMany"), -1);
    EXPECT_TRUE(capture.Contains("OneTooMany")) << "diagnostic: " << capture.GetText();
    EXPECT_EQ(m_manager.GetPackageCount(), ReportMngr::kMaxPackages);
    EXPECT_EQ(m_manager.AddPackage("package7"), 7) << "a known name is still found when full";
}

TEST_F(ReportMngrTest, IndicesWithoutAThresholdAreRefused)
{
    for (int i = 0; i <= ReportMngr::kMaxThresholds; ++i)
        m_manager.AddPackage(("P" + std::to_string(i)).c_str());
    m_manager.RegisterRepoter(&m_reporter, 0);

    const int refused[] = {-1, ReportMngr::kMaxThresholds, 999};
    for (int package : refused) {
        SgDiagCapture capture;
        EXPECT_EQ(m_manager.EnableReport(package, 0), -1) << "EnableReport on package " << package;
        EXPECT_EQ(m_manager.Report(package, 8, "f", 1, "x"), -1) << "Report on package " << package;
        EXPECT_EQ(capture.Count("ReportMngr"), 2) << "a diagnostic for each refusal of package " << package;
    }
    EXPECT_TRUE(m_reporter.m_sent.empty());
    EXPECT_EQ(m_manager.EnableReport(ReportMngr::kMaxThresholds - 1, 2), 2) << "the last index with a threshold";
}

TEST_F(ReportMngrTest, ReportersBeyondTheCapacityAreRefused)
{
    RecordingReporter reporters[ReportMngr::kMaxReporters + 1];
    for (int i = 0; i < ReportMngr::kMaxReporters; ++i)
        ASSERT_EQ(m_manager.RegisterRepoter(&reporters[i], i), i);
    {
        SgDiagCapture capture;
        EXPECT_EQ(m_manager.RegisterRepoter(&reporters[ReportMngr::kMaxReporters], 0), -1);
        EXPECT_EQ(m_manager.RegisterRepoter(nullptr, 0), -1);
        EXPECT_EQ(capture.Count("ReportMngr"), 2);
    }
    EXPECT_EQ(m_manager.GetReporterCount(), ReportMngr::kMaxReporters);

    int package = m_manager.AddPackage("Smooth");
    m_manager.EnableReport(package, ReportMngr::LEVEL_ALL);
    EXPECT_EQ(m_manager.Report(package, 4, "f", 1, "x"), ReportMngr::kMaxReporters);
    EXPECT_TRUE(reporters[ReportMngr::kMaxReporters].m_sent.empty());
}

TEST(ReportMngrInstance, IsOneSharedManager)
{
    ReportMngr *manager = ReportMngr::getInstance();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(ReportMngr::getInstance(), manager);
}
