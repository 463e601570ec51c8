#include <gtest/gtest.h>

#include "platform/SgClock.h"
#include "platform/SgError.h"

TEST(SgClock, VirtualClockStandsStillUntilAdvanced)
{
    SgVirtualClock clock(1700000000, 500);
    EXPECT_EQ(clock.Seconds(), 1700000000);
    EXPECT_EQ(clock.Milliseconds(), 500);

    // Calendar seconds tick over only when a whole second has gone by.
    clock.Advance(999);
    EXPECT_EQ(clock.Seconds(), 1700000000);
    EXPECT_EQ(clock.Milliseconds(), 1499);
    clock.Advance(1);
    EXPECT_EQ(clock.Seconds(), 1700000001);
    EXPECT_EQ(clock.Milliseconds(), 1500);

    clock.SetSeconds(5);
    clock.SetMilliseconds(2000);
    EXPECT_EQ(clock.Seconds(), 5);
    EXPECT_EQ(clock.Milliseconds(), 2000);
}

TEST(SgClock, VirtualSteadyTimeNeverGoesBack)
{
    SgVirtualClock clock(0, 1000);
    EXPECT_THROW(clock.Advance(-1), SgInvalidArgument);
    EXPECT_THROW(clock.SetMilliseconds(999), SgInvalidArgument);
    EXPECT_EQ(clock.Milliseconds(), 1000) << "a refused change must leave the clock as it was";
}

TEST(SgClock, InstalledClockIsTheOneReadUntilRemoved)
{
    SgVirtualClock clock(1234, 0);
    SgClock *previous = SetClock(&clock);
    EXPECT_EQ(GetClock().Seconds(), 1234);
    clock.Advance(3000);
    EXPECT_EQ(GetClock().Seconds(), 1237);

    EXPECT_EQ(SetClock(nullptr), &clock);
    EXPECT_GT(GetClock().Seconds(), 1600000000) << "null must bring back the system clock";
    SetClock(previous);
}

TEST(SgClock, SystemSteadyTimeDoesNotGoBack)
{
    SgSystemClock clock;
    int64_t before = clock.Milliseconds();
    int64_t after = clock.Milliseconds();
    EXPECT_GE(after, before);
}
