#include "platform/SgTimerService.h"

#include <algorithm>
#include <vector>

#include "platform/SgClock.h"

namespace {

int s_nextTimerId = 1;
SgTimerService *s_service = nullptr;

} // namespace

int SgHeadlessTimerService::StartTimer(int milliseconds, Tick tick)
{
    const int id = s_nextTimerId++;
    Timer timer;
    timer.milliseconds = std::max(0, milliseconds);
    timer.due = GetClock().Milliseconds() + timer.milliseconds;
    timer.tick = std::move(tick);
    m_timers[id] = std::move(timer);
    return id;
}

void SgHeadlessTimerService::StopTimer(int id)
{
    m_timers.erase(id);
}

int SgHeadlessTimerService::RunDue()
{
    const int64_t now = GetClock().Milliseconds();
    std::vector<std::pair<int64_t, int>> due;
    for (const auto &[id, timer] : m_timers)
        if (timer.due <= now)
            due.emplace_back(timer.due, id);
    std::sort(due.begin(), due.end());
    int delivered = 0;
    for (const auto &[when, id] : due) {
        // An earlier tick may have stopped this timer (or its owner).
        auto found = m_timers.find(id);
        if (found == m_timers.end())
            continue;
        found->second.due = now + found->second.milliseconds;
        // The callback may stop the timer: keep a copy to run.
        const Tick tick = found->second.tick;
        ++delivered;
        if (tick)
            tick();
    }
    return delivered;
}

SgHeadlessTimerService &GetHeadlessTimerService()
{
    static SgHeadlessTimerService service;
    return service;
}

SgTimerService &GetTimerService()
{
    return s_service ? *s_service : GetHeadlessTimerService();
}

SgTimerService *SetTimerService(SgTimerService *service)
{
    SgTimerService *previous = s_service ? s_service : &GetHeadlessTimerService();
    s_service = service;
    return previous;
}
