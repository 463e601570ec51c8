#pragma once
// Timers of the toolkit's event loop behind SgTimerService, installed by the
// window host while its window stands; each tick runs on the loop's thread.
//
//   SgWxTimerService timers;          // installs itself
#include <map>
#include <memory>

#include "platform/SgTimerService.h"
#include "platform/wx/PlatformWxExport.h"

class PLATFORMWX_API SgWxTimerService : public SgTimerService {
public:
    SgWxTimerService();
    // Stops every timer and puts the service back that was in use before.
    ~SgWxTimerService() override;
    SgWxTimerService(const SgWxTimerService &) = delete;
    SgWxTimerService &operator=(const SgWxTimerService &) = delete;

    int StartTimer(int milliseconds, Tick tick) override;
    void StopTimer(int id) override;
    bool IsRunning(int id) const override { return m_timers.count(id) != 0; }

private:
    class Timer;
    // Ids go on from far above the headless service's, so no id is reused.
    int m_next = 1 << 20;
    std::map<int, std::unique_ptr<Timer>> m_timers;
    SgTimerService *m_previous = nullptr;
};
