#pragma once
// Timers that are not tied to a window: an owner (the facade's playback)
// starts one with a callback and stops it again. The host installs a
// service whose timers run in its event loop; the headless service, the
// default, fires them on the clock in use when a test asks it to.
//
// A timer id is never reused in a process, so stopping an id that already
// went is harmless.
#include <cstdint>
#include <functional>
#include <map>
#include "platform/PlatformExport.h"

class PLATFORM_API SgTimerService {
public:
    using Tick = std::function<void()>;

    virtual ~SgTimerService() = default;
    // A periodic timer; 0 milliseconds fires as often as the loop allows.
    // Returns its id (never 0).
    virtual int StartTimer(int milliseconds, Tick tick) = 0;
    // Nothing for an unknown id.
    virtual void StopTimer(int id) = 0;
    virtual bool IsRunning(int id) const = 0;
};

// Fires due timers when RunDue is called: each due timer once per call,
// earliest first, then it is due again one period later on the clock in use
// (GetClock). A timer of 0 milliseconds is due at every call.
class PLATFORM_API SgHeadlessTimerService : public SgTimerService {
public:
    int StartTimer(int milliseconds, Tick tick) override;
    void StopTimer(int id) override;
    bool IsRunning(int id) const override { return m_timers.count(id) != 0; }
    int GetRunningCount() const { return static_cast<int>(m_timers.size()); }
    // Returns the number of ticks delivered.
    int RunDue();

private:
    struct Timer {
        int milliseconds = 0;
        int64_t due = 0;
        Tick tick;
    };
    std::map<int, Timer> m_timers;
};

// The service in use: a headless one until someone installs another.
PLATFORM_API SgTimerService &GetTimerService();
// Installs `service` (not owned; null goes back to the headless default) and
// returns the one it replaces.
PLATFORM_API SgTimerService *SetTimerService(SgTimerService *service);
// The process-wide headless default, for tests that drive it.
PLATFORM_API SgHeadlessTimerService &GetHeadlessTimerService();
