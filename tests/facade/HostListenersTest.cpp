// The facade's host listeners: several listen at once, each leaves alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "facade/HostListeners.h"
#include "tests/facade/FacadeTestSupport.h"

using drevon::HostListeners;
using drevon::HostSubscription;

TEST(HostListenersTest, TwoListenersHearAndOneLeavingLeavesTheOtherListening)
{
    HostListeners<void(int, int)> listeners;
    std::vector<std::string> heard;
    HostSubscription window = listeners.Subscribe([&](int b, int s) { heard.push_back("window " + std::to_string(b * 10 + s)); });
    HostSubscription control = listeners.Subscribe([&](int b, int s) { heard.push_back("control " + std::to_string(b * 10 + s)); });
    listeners.Notify(1, 1);
    EXPECT_EQ(heard, (std::vector<std::string>{"window 11", "control 11"})) << "in the order they subscribed";
    // The first to come leaves first, the other stays; then the other way round.
    window.Reset();
    listeners.Notify(2, 0);
    EXPECT_EQ(heard.back(), "control 20");
    window = listeners.Subscribe([&](int b, int s) { heard.push_back("window " + std::to_string(b * 10 + s)); });
    control.Reset();
    listeners.Notify(3, 1);
    EXPECT_EQ(heard.back(), "window 31");
    EXPECT_EQ(heard.size(), 4u);
    EXPECT_EQ(listeners.GetCount(), 1);
}

TEST(HostListenersTest, ListenersMayLeaveWhileTheyRunAndTokensMayOutliveTheList)
{
    std::vector<int> heard;
    HostSubscription second;
    HostSubscription outliving;
    {
        HostListeners<void(int)> listeners;
        // The first takes the second off before it runs: it is not called.
        HostSubscription first = listeners.Subscribe([&](int v) {
            heard.push_back(v);
            second.Reset();
        });
        second = listeners.Subscribe([&](int v) { heard.push_back(-v); });
        listeners.Notify(7);
        EXPECT_EQ(heard, std::vector<int>{7});
        EXPECT_FALSE(listeners.Subscribe(nullptr).IsSubscribed()) << "a null listener subscribed";
        outliving = listeners.Subscribe([&](int v) { heard.push_back(v); });
    }
    outliving.Reset();  // the list went first: nothing to take off, no crash
    EXPECT_FALSE(outliving.IsSubscribed());
}

TEST(HostListenersTest, TheFirstListenerThatTakesAKeyKeepsItFromTheRest)
{
    HostListeners<bool(int)> keys;
    std::vector<std::string> heard;
    HostSubscription panel = keys.Subscribe([&](int key) {
        heard.push_back("panel");
        return key == 'H';
    });
    HostSubscription window = keys.Subscribe([&](int) {
        heard.push_back("window");
        return true;
    });
    EXPECT_TRUE(keys.NotifyUntilTaken('H'));
    EXPECT_EQ(heard, std::vector<std::string>{"panel"});
    EXPECT_TRUE(keys.NotifyUntilTaken('Q'));
    EXPECT_EQ(heard, (std::vector<std::string>{"panel", "panel", "window"}));
    window.Reset();
    EXPECT_FALSE(keys.NotifyUntilTaken('Q'));
}

class HostListenersFacadeTest : public facadetest::FacadeTest {};

TEST_F(HostListenersFacadeTest, ButtonStatesReachEverySubscriberOfTheFacade)
{
    facadetest::StateLog window;
    facadetest::StateLog control;
    HostSubscription windowToken = m_facade->GetHostEvents().SubscribeButtonState(window.Listener());
    {
        HostSubscription controlToken = m_facade->GetHostEvents().SubscribeButtonState(control.Listener());
        m_facade->GetButtons().SetButtonState(1, 12, true);
        EXPECT_EQ(window.Last(12), 1);
        EXPECT_EQ(control.Last(12), 1);
    }
    // The control went; the window and the test's own log still hear.
    m_facade->GetButtons().SetButtonState(0, 12, true);
    EXPECT_EQ(window.Last(12), 0);
    EXPECT_EQ(control.Last(12), 1);
    EXPECT_EQ(m_states.Last(12), 0);
}
