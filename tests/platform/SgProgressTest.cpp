// Download progress: the texts and bar positions the display gets, and the
// aborts (too many reports of no progress, the user's cancel).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SgClock.h"
#include "platform/SgProgress.h"

namespace {

struct Shown {
    std::string text;
    double fraction;
};

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = SgSetProgressHandler([this](const std::string &, const std::string &text, double fraction) {
            m_shown.push_back({text, fraction});
            return !m_cancel;
        });
    }
    void TearDown() override { SgSetProgressHandler(m_previous); }

    std::vector<Shown> m_shown;
    bool m_cancel = false;

private:
    SgProgressHandler m_previous;
};

} // namespace

TEST_F(ProgressTest, DownloadTextsFollowKnownAndUnknownSizes)
{
    DownloadProgress progress("Downloading External File");
    EXPECT_TRUE(progress.OnProgress(12000, 40000));
    EXPECT_EQ(m_shown.back().text, "Downloaded 12 KB out of 40 KB  (30%)");
    EXPECT_DOUBLE_EQ(m_shown.back().fraction, 0.3);
    EXPECT_TRUE(progress.OnProgress(750000, 750000));
    EXPECT_EQ(m_shown.back().text, "Downloaded 750 KB.  (Unknown  size)");
    EXPECT_DOUBLE_EQ(m_shown.back().fraction, 0.5);
    m_cancel = true;
    EXPECT_FALSE(progress.OnProgress(13000, 40000)) << "the user's cancel aborts";
}

// A small file is counted in bytes, not as "0 KB out of 0 KB", and the
// display ends at the whole file however late the last report came.
TEST_F(ProgressTest, SmallFilesAreCountedInBytesAndTheEndShowsTheWhole)
{
    DownloadProgress progress("Downloading External File");
    EXPECT_TRUE(progress.OnProgress(100, 600));
    EXPECT_EQ(m_shown.back().text, "Downloaded 100 bytes out of 600 bytes  (16%)");
    progress.Finish(600);
    EXPECT_EQ(m_shown.back().text, "Downloaded 600 bytes  (100%)");
    EXPECT_DOUBLE_EQ(m_shown.back().fraction, 1.0);
    progress.Finish(40000);
    EXPECT_EQ(m_shown.back().text, "Downloaded 40 KB  (100%)");
}

// A server that thinks for a while reports no progress about once a second:
// the download goes on until a minute passes without a byte, and is then
// said to have stalled, not to be cancelled.
TEST_F(ProgressTest, ADownloadStallsAfterAMinuteWithoutABytePerTheClock)
{
    SgVirtualClock clock(0, 1000);
    SgClock *previous = SetClock(&clock);
    DownloadProgress progress("Downloading External File");
    for (int i = 1; i <= 59; ++i) {
        EXPECT_TRUE(progress.OnProgress(0, 1000)) << i << " s without a byte";
        clock.Advance(1000);
    }
    EXPECT_EQ(progress.GetZeroProgressCount(), 59);
    EXPECT_TRUE(progress.OnProgress(200, 1000)) << "bytes came: the wait starts again";
    clock.Advance(60000);
    EXPECT_TRUE(progress.OnProgress(200, 1000)) << "a minute exactly";
    clock.Advance(1);
    EXPECT_FALSE(progress.OnProgress(200, 1000));
    EXPECT_TRUE(progress.Stalled());
    EXPECT_FALSE(progress.Cancelled());
    SetClock(previous);
}
