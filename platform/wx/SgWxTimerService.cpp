#include "platform/wx/SgWxTimerService.h"

#include <algorithm>

#include <wx/timer.h>

class SgWxTimerService::Timer : public wxTimer {
public:
    explicit Timer(Tick tick) : m_tick(std::move(tick)) {}
    void Notify() override
    {
        // The tick may stop this timer and free it: run a copy.
        const Tick tick = m_tick;
        tick();
    }

private:
    Tick m_tick;
};

SgWxTimerService::SgWxTimerService() : m_previous(SetTimerService(this)) {}

SgWxTimerService::~SgWxTimerService()
{
    for (auto &[id, timer] : m_timers)
        timer->Stop();
    SetTimerService(m_previous);
}

int SgWxTimerService::StartTimer(int milliseconds, Tick tick)
{
    const int id = m_next++;
    auto timer = std::make_unique<Timer>(std::move(tick));
    // The loop's shortest period still lets it paint and take input.
    timer->Start(std::max(1, milliseconds));
    m_timers[id] = std::move(timer);
    return id;
}

void SgWxTimerService::StopTimer(int id)
{
    auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    found->second->Stop();
    m_timers.erase(found);
}
