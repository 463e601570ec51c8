// Progress: the texts and bar positions a download's display gets, its
// aborts (too many reports of no progress, the user's cancel), the listeners
// every report reaches, and the rate of the reports of long work.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/SgClock.h"
#include "platform/SgProgress.h"
#include "tests/platform/WorkProgressRecorder.h"

namespace {

struct Shown {
    std::string text;
    double fraction;
};

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_listening = SgSubscribeProgress([this](const SgProgressReport &report) {
            m_shown.push_back({report.text, report.fraction});
            return !m_cancel;
        });
    }
    void TearDown() override { m_listening.Reset(); }

    std::vector<Shown> m_shown;
    bool m_cancel = false;

private:
    SgProgressSubscription m_listening;
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

// The download dialog and a window's status line listen side by side: each
// report reaches every listener until its subscription goes, and one
// listener's cancel is the answer.
TEST(ProgressListeners, EveryListenerHearsEachReportUntilItsSubscriptionGoes)
{
    std::vector<std::string> heard;
    bool cancelSecond = false;
    SgProgressSubscription first = SgSubscribeProgress([&](const SgProgressReport &report) {
        heard.push_back("first " + report.text);
        return true;
    });
    SgProgressSubscription second = SgSubscribeProgress([&](const SgProgressReport &report) {
        heard.push_back("second " + report.text);
        return !cancelSecond;
    });
    EXPECT_TRUE(SgReportProgress("Downloading", "a", 0.1));
    cancelSecond = true;
    EXPECT_FALSE(SgReportProgress("Downloading", "b", 0.2)) << "one listener's cancel is lost";
    SgProgressSubscription moved = std::move(second);
    EXPECT_FALSE(second.IsActive());
    moved.Reset();
    EXPECT_TRUE(SgReportProgress("Downloading", "c", 0.3));
    first.Reset();
    EXPECT_TRUE(SgReportProgress("Downloading", "d", 0.4));
    EXPECT_EQ(heard, (std::vector<std::string>{"first a", "second a", "first b", "second b", "first c"}));
}

// A download reports from its own thread while the window whose status line
// listens closes on the main thread: once Reset returns, the listener runs no
// more, so that what it captured may go. A listener that lets itself go from
// inside a report does not wait for itself.
TEST(ProgressListeners, ResetWaitsForAReportRunningOnAnotherThread)
{
    std::promise<void> inside, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished{false};
    SgProgressSubscription listening = SgSubscribeProgress([&](const SgProgressReport &) {
        inside.set_value();
        released.wait();
        finished = true;
        return true;
    });
    std::thread download([] { SgReportProgress("Downloading", "a", 0.5); });
    inside.get_future().wait();
    std::atomic<bool> resetReturned{false};
    bool finishedWhenResetReturned = false;
    std::thread closing([&] {
        listening.Reset();
        finishedWhenResetReturned = finished;
        resetReturned = true;
    });
    // Bounded: a Reset that does not wait returns at once and is caught; one
    // that waits is released after the bound.
    for (int i = 0; i < 200 && !resetReturned; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    release.set_value();
    closing.join();
    download.join();
    EXPECT_TRUE(finishedWhenResetReturned) << "Reset returned while the listener still ran";

    SgProgressSubscription self;
    int heard = 0;
    self = SgSubscribeProgress([&](const SgProgressReport &) {
        ++heard;
        self.Reset();
        return true;
    });
    SgReportProgress("Downloading", "b", 0.5);
    SgReportProgress("Downloading", "c", 0.6);
    EXPECT_EQ(heard, 1);
}

// Long work calls Step as often as it likes; the listeners hear each whole
// percentage once, and the end only when something was said.
TEST(WorkProgress, EachWholePercentageIsReportedOnceAndTheEndAfterIt)
{
    struct Case {
        const char *what;
        uint64_t total;
        uint64_t stepEvery;  // Step(0), Step(stepEvery), ... up to Step(total)
        int steps;           // reports before the end
    };
    const Case cases[] = {
        {"a unit at a time of many", 100000, 1, 101},
        {"blocks of a read", 10 * 65536 + 5, 65536, 12},
        {"three operands", 3, 1, 4},
        {"one big step", 500, 500, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        progresstest::WorkProgressRecorder recorder;
        {
            SgWorkProgress progress("Working", c.total);
            for (uint64_t done = 0; done < c.total; done += c.stepEvery)
                progress.Step(done);
            progress.Step(c.total);
            progress.Step(c.total + 7);  // past the end: nothing more
            EXPECT_EQ(progress.GetReportCount(), c.steps);
        }
        EXPECT_EQ(recorder.Steps(), c.steps);
        EXPECT_TRUE(recorder.ShowsWork("Working"));
        EXPECT_EQ(recorder.Reports()[recorder.Reports().size() - 2].text, "Working... 100 %");
    }
    progresstest::WorkProgressRecorder recorder;
    {
        SgWorkProgress nothing("Working", 0);
        nothing.Step(0);
        nothing.Step(10);
    }
    EXPECT_TRUE(recorder.Reports().empty()) << "work of no size says nothing, not even its end";
}
