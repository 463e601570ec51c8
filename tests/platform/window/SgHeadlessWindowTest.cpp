// The headless window: messages reach the listener with the engine's
// numbers, timers tick on the clock in use, and an expose carries its clip
// box clipped to the window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/SgClock.h"
#include "platform/window/SgHeadlessWindow.h"
#include "platform/window/SgWindowMessages.h"

namespace {

struct Heard {
    unsigned message;
    std::uintptr_t wParam;
    SgRect clip;
};

class RecordingListener : public SgPlatformWindow::Listener {
public:
    int OnWindowMessage(SgPlatformWindow *window, unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        heard.push_back({message, wParam, window->GetPaintClipBox()});
        if (message == SgWM::kTimer && killOnTick)
            window->KillTimer(wParam);
        return 1;
    }
    std::vector<Heard> heard;
    bool killOnTick = false;
};

class HeadlessWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = SetClock(&m_clock);
        m_window.SetListener(&m_listener);
    }
    void TearDown() override { SetClock(m_previous); }

    int Ticks() const
    {
        int ticks = 0;
        for (const Heard &h : m_listener.heard)
            ticks += h.message == SgWM::kTimer ? 1 : 0;
        return ticks;
    }

    SgVirtualClock m_clock{0, 0};
    SgClock *m_previous = nullptr;
    // The listener outlives the window, which says goodbye when it goes.
    RecordingListener m_listener;
    SgHeadlessWindow m_window{32, 24};
};

TEST_F(HeadlessWindowTest, TimerTicksEachIntervalUntilKilled)
{
    m_window.SetTimer(7, 20);
    m_clock.Advance(19);
    EXPECT_EQ(m_window.RunTimers(), 0) << "not due yet";
    m_clock.Advance(1);
    EXPECT_EQ(m_window.RunTimers(), 1);
    EXPECT_EQ(m_listener.heard.back().wParam, 7u) << "the tick carries the timer's id";
    m_clock.Advance(20);
    EXPECT_EQ(m_window.RunTimers(), 1) << "periodic";
    m_clock.Advance(100);
    EXPECT_EQ(m_window.RunTimers(), 1) << "a late timer ticks once, not once per missed interval";
    m_window.KillTimer(7);
    m_clock.Advance(100);
    EXPECT_EQ(m_window.RunTimers(), 0);
    EXPECT_EQ(Ticks(), 3);
}

TEST_F(HeadlessWindowTest, ListenerMayKillTheTimerThatTicks)
{
    m_listener.killOnTick = true;
    m_window.SetTimer(1, 10);
    m_clock.Advance(50);
    EXPECT_EQ(m_window.RunTimers(), 1);
    EXPECT_FALSE(m_window.HasTimer(1));
}

TEST_F(HeadlessWindowTest, ExposeIsClippedToTheWindowAndDestroyIsSentOnce)
{
    m_window.Expose({-5, 10, 100, 30});
    ASSERT_EQ(m_listener.heard.size(), 1u);
    const SgRect clip = m_listener.heard[0].clip;
    EXPECT_EQ(m_listener.heard[0].message, SgWM::kPaint);
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.top, 10);
    EXPECT_EQ(clip.right, 32);
    EXPECT_EQ(clip.bottom, 24);
    EXPECT_TRUE(m_window.GetPaintClipBox().IsEmpty()) << "no clip box outside a paint";
    m_window.DestroyWindow();
    m_window.DestroyWindow();
    EXPECT_EQ(m_listener.heard.back().message, SgWM::kDestroy);
    EXPECT_EQ(m_listener.heard.size(), 2u) << "one destroy message";
}

TEST(SgWindowMessagesTest, PointsAndWheelDeltasKeepTheirSigns)
{
    struct Case {
        int x;
        int y;
    };
    for (const Case &c : {Case{0, 0}, Case{-3, 7}, Case{640, -480}, Case{32767, -32768}}) {
        const std::intptr_t point = SgWM::MakePoint(c.x, c.y);
        EXPECT_EQ(SgWM::LowWord(point), c.x);
        EXPECT_EQ(SgWM::HighWord(point), c.y);
    }
    const std::uintptr_t wheel = SgWM::MakeWheelParam(-240, SgWM::kShiftBit);
    EXPECT_EQ(SgWM::HighWord(static_cast<std::intptr_t>(wheel)), -240);
    EXPECT_EQ(wheel & 0xFFFFu, SgWM::kShiftBit);
}

} // namespace
