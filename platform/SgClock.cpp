#include "platform/SgClock.h"

#include <chrono>

#include "platform/SgError.h"

namespace {

SgClock *s_current = nullptr;

SgSystemClock &SystemClock()
{
    static SgSystemClock s_system;
    return s_system;
}

// Floor division, so that a calendar time before 1970 still falls into the
// second it belongs to.
int64_t FloorSeconds(int64_t milliseconds)
{
    int64_t seconds = milliseconds / 1000;
    if (milliseconds % 1000 < 0)
        --seconds;
    return seconds;
}

} // namespace

int64_t SgSystemClock::Seconds() const
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

int64_t SgSystemClock::Milliseconds() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

SgVirtualClock::SgVirtualClock(int64_t seconds, int64_t milliseconds)
    : m_calendarMilliseconds(seconds * 1000), m_steadyMilliseconds(milliseconds)
{
}

int64_t SgVirtualClock::Seconds() const
{
    return FloorSeconds(m_calendarMilliseconds);
}

int64_t SgVirtualClock::Milliseconds() const
{
    return m_steadyMilliseconds;
}

void SgVirtualClock::SetSeconds(int64_t seconds)
{
    m_calendarMilliseconds = seconds * 1000;
}

void SgVirtualClock::SetMilliseconds(int64_t milliseconds)
{
    if (milliseconds < m_steadyMilliseconds)
        throw SgInvalidArgument("SgVirtualClock: the steady time cannot go back");
    m_steadyMilliseconds = milliseconds;
}

void SgVirtualClock::Advance(int64_t milliseconds)
{
    if (milliseconds < 0)
        throw SgInvalidArgument("SgVirtualClock: cannot advance by a negative time");
    m_calendarMilliseconds += milliseconds;
    m_steadyMilliseconds += milliseconds;
}

SgClock &GetClock()
{
    return s_current ? *s_current : SystemClock();
}

SgClock *SetClock(SgClock *clock)
{
    SgClock *previous = &GetClock();
    s_current = clock;
    return previous;
}
