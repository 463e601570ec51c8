#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/SgDiagHandler.h"
#include "utilities/log/LogFile.h"
#include "utilities/log/ReportMngr.h"

namespace fs = std::filesystem;

namespace {

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "logfile-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_path = (m_folder / "report.log").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    std::string Contents() const
    {
        std::ifstream in(m_path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static int OpenDescriptors()
    {
        int count = 0;
        for ([[maybe_unused]] const auto &entry : fs::directory_iterator("/proc/self/fd"))
            ++count;
        return count;
    }

    fs::path m_folder;
    std::string m_path;
};

} // namespace

TEST_F(LogFileTest, WritesOneFlushedLinePerReport)
{
    LogFile log(m_path.c_str());
    ASSERT_TRUE(log.IsOpen());
    log.send(6, "M", "F", 12);
    // Read while the log is still open: every line must already be on disk.
    EXPECT_EQ(Contents(), "ERROR: F at 12 >>>  M\n");
}

TEST_F(LogFileTest, EveryLevelIsWrittenByItsName)
{
    const char *names[] = {"ALL", "FINEST", "FINER", "FINE", "INFO", "WARN", "ERROR", "FATAL", "OFF"};
    std::string expected;
    {
        LogFile log(m_path.c_str());
        for (int level = 0; level <= 8; ++level) {
            log.send(level, "m", "f.cpp", level);
            expected += std::string(names[level]) + ": f.cpp at " + std::to_string(level) + " >>>  m\n";
        }
        // A level outside the table is written as its number, never looked up.
        log.send(42, "m", "f.cpp", 1);
        expected += "42: f.cpp at 1 >>>  m\n";
    }
    EXPECT_EQ(Contents(), expected);
}

TEST_F(LogFileTest, OpeningEmptiesAnOldLogAndDestructionClosesIt)
{
    std::ofstream(m_path) << "old run\n";
    int before = OpenDescriptors();
    {
        LogFile log(m_path.c_str());
        EXPECT_EQ(Contents(), "") << "an old log must be emptied";
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before) << "the stream must be closed with the LogFile";
}

TEST_F(LogFileTest, AFileThatCannotBeOpenedIsReportedAndIgnored)
{
    std::string bad = (m_folder / "missing-folder" / "report.log").string();
    SgDiagCapture capture;
    LogFile log(bad.c_str());
    EXPECT_FALSE(log.IsOpen());
    ASSERT_EQ(capture.Count("LogFile"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains(bad)) << "diagnostic: " << capture.GetText();
    log.send(6, "M", "F", 12);
    EXPECT_FALSE(fs::exists(bad));
}

TEST_F(LogFileTest, ReportThroughTheManagerArrivesFormatted)
{
    ReportMngr manager;
    LogFile log(m_path.c_str());
    int package = manager.AddPackage("Geom");
    manager.EnableReport(package, ReportMngr::LEVEL_WARN);
    manager.RegisterRepoter(&log, 0);
    manager.Report(package, ReportMngr::LEVEL_INFO, "Geom.cpp", 10, "below the threshold");
    manager.Report(package, ReportMngr::LEVEL_ERROR, "Geom.cpp", 12, "%d open edges", 3);
    EXPECT_EQ(Contents(), "ERROR: Geom.cpp at 12 >>>  3 open edges\n");
}
