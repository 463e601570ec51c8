#pragma once
// The clock every part of the system reads time from, so that tests can run
// on a virtual clock and see time stamps and timeouts they chose.
#include <cstdint>
#include "platform/PlatformExport.h"

class PLATFORM_API SgClock {
public:
    virtual ~SgClock() = default;
    // Calendar time: seconds since 1970-01-01 UTC.
    virtual int64_t Seconds() const = 0;
    // A steady count of milliseconds for measuring intervals; never goes back.
    virtual int64_t Milliseconds() const = 0;
};

class PLATFORM_API SgSystemClock : public SgClock {
public:
    int64_t Seconds() const override;
    int64_t Milliseconds() const override;
};

// Stands still until a test sets or advances it.
class PLATFORM_API SgVirtualClock : public SgClock {
public:
    explicit SgVirtualClock(int64_t seconds = 0, int64_t milliseconds = 0);

    int64_t Seconds() const override;
    int64_t Milliseconds() const override;

    void SetSeconds(int64_t seconds);
    // Throws SgInvalidArgument when `milliseconds` is earlier than the current
    // value: the steady count never goes back.
    void SetMilliseconds(int64_t milliseconds);
    // Moves both times forward; a negative step throws SgInvalidArgument.
    void Advance(int64_t milliseconds);

private:
    int64_t m_calendarMilliseconds;
    int64_t m_steadyMilliseconds;
};

// The clock in use: the system clock until someone installs another.
PLATFORM_API SgClock &GetClock();
// Installs `clock` (not owned; null goes back to the system clock) and returns
// the one it replaces.
PLATFORM_API SgClock *SetClock(SgClock *clock);
