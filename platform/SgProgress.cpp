#include "platform/SgProgress.h"

#include "platform/SgClock.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A listener and the threads running it now. A report runs it outside the
// list's lock, so that it may unsubscribe; a subscription that goes on
// another thread waits until those runs end, so that what the listener
// captured may go once Reset returns.
struct SgProgressSlot {
    explicit SgProgressSlot(SgProgressListener heard) : listener(std::move(heard)) {}
    SgProgressListener listener;
    std::mutex lock;
    std::condition_variable runEnded;
    std::vector<std::thread::id> running;
    bool gone = false;
};

struct SgProgressListenerEntry {
    uint64_t id;
    std::shared_ptr<SgProgressSlot> slot;
};

// Runs the slot's listener unless its subscription went; true when it was not
// run or did not cancel.
bool RunListener(SgProgressSlot &slot, const SgProgressReport &report)
{
    const std::thread::id self = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> hold(slot.lock);
        if (slot.gone)
            return true;
        slot.running.push_back(self);
    }
    struct RunEnd {
        SgProgressSlot &slot;
        std::thread::id self;
        ~RunEnd()
        {
            {
                std::lock_guard<std::mutex> hold(slot.lock);
                slot.running.erase(std::find(slot.running.begin(), slot.running.end(), self));
            }
            slot.runEnded.notify_all();
        }
    } end{slot, self};
    return slot.listener(report);
}

struct SgProgressListenerList {
    std::mutex lock;
    uint64_t lastId = 0;
    std::vector<SgProgressListenerEntry> entries;
};

SgProgressListenerList &ProgressListeners()
{
    // Never freed: a subscription held by a static of another library may go
    // after this library's statics at exit.
    static auto *list = new SgProgressListenerList;
    return *list;
}

} // namespace

SgProgressSubscription::SgProgressSubscription(SgProgressSubscription &&other) noexcept
    : m_id(std::exchange(other.m_id, 0))
{
}

SgProgressSubscription &SgProgressSubscription::operator=(SgProgressSubscription &&other) noexcept
{
    if (this != &other) {
        Reset();
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void SgProgressSubscription::Reset()
{
    if (m_id == 0)
        return;
    std::shared_ptr<SgProgressSlot> slot;
    {
        SgProgressListenerList &list = ProgressListeners();
        std::lock_guard<std::mutex> hold(list.lock);
        for (auto entry = list.entries.begin(); entry != list.entries.end(); ++entry)
            if (entry->id == m_id) {
                slot = entry->slot;
                list.entries.erase(entry);
                break;
            }
    }
    m_id = 0;
    if (!slot)
        return;
    // A listener that lets itself go from inside a report does not wait for
    // its own run.
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> hold(slot->lock);
    slot->gone = true;
    slot->runEnded.wait(hold, [&] {
        return std::all_of(slot->running.begin(), slot->running.end(),
                           [self](std::thread::id runner) { return runner == self; });
    });
}

SgProgressSubscription SgSubscribeProgress(SgProgressListener listener)
{
    if (!listener)
        return SgProgressSubscription();
    SgProgressListenerList &list = ProgressListeners();
    std::lock_guard<std::mutex> hold(list.lock);
    const uint64_t id = ++list.lastId;
    list.entries.push_back({id, std::make_shared<SgProgressSlot>(std::move(listener))});
    return SgProgressSubscription(id);
}

bool SgReportProgress(const SgProgressReport &report)
{
    std::vector<std::shared_ptr<SgProgressSlot>> slots;
    {
        SgProgressListenerList &list = ProgressListeners();
        std::lock_guard<std::mutex> hold(list.lock);
        for (const SgProgressListenerEntry &entry : list.entries)
            slots.push_back(entry.slot);
    }
    bool goOn = true;
    for (const std::shared_ptr<SgProgressSlot> &slot : slots)
        goOn = RunListener(*slot, report) && goOn;
    return goOn;
}

bool SgReportProgress(const std::string &title, const std::string &text, double fraction)
{
    return SgReportProgress(SgProgressReport{SgProgressKind::Download, title, text, fraction});
}

void SgEndProgress(const std::string &title)
{
    SgReportProgress(title, std::string(), -1.0);
}

SgWorkProgress::SgWorkProgress(std::string title, uint64_t total)
    : m_title(std::move(title)), m_total(total),
      m_nextReport(total == 0 ? std::numeric_limits<uint64_t>::max() : 0)
{
}

SgWorkProgress::~SgWorkProgress()
{
    if (m_reports > 0)
        SgReportProgress(SgProgressReport{SgProgressKind::Work, m_title, std::string(), -1.0});
}

void SgWorkProgress::Report(uint64_t done)
{
    const int percent = done >= m_total ? 100 : int(double(done) * 100.0 / double(m_total));
    // The first unit of the next whole percentage; past the total once the
    // work is whole, so that nothing more is said.
    m_nextReport = percent >= 100 ? std::numeric_limits<uint64_t>::max()
                                  : uint64_t(std::ceil(double(m_total) * (percent + 1) / 100.0));
    if (percent <= m_percent)
        return;
    m_percent = percent;
    ++m_reports;
    SgReportProgress(SgProgressReport{SgProgressKind::Work, m_title,
                                      m_title + "... " + std::to_string(percent) + " %", percent / 100.0});
}

bool DownloadProgress::OnProgress(uint64_t progress, uint64_t maximum)
{
    char text[160];
    if (maximum != 0) {
        if (progress != maximum) {
            const double share = double(progress) / double(maximum);
            if (maximum < kBytesShownBelow)
                std::snprintf(text, sizeof text, "Downloaded %llu bytes out of %llu bytes  (%d%%)",
                              static_cast<unsigned long long>(progress), static_cast<unsigned long long>(maximum),
                              int(share * 100.0));
            else
                std::snprintf(text, sizeof text, "Downloaded %llu KB out of %llu KB  (%d%%)",
                              static_cast<unsigned long long>(progress / 1000),
                              static_cast<unsigned long long>(maximum / 1000), int(share * 100.0));
            m_fraction = share;
        } else {
            std::snprintf(text, sizeof text, "Downloaded %llu KB.  (Unknown  size)",
                          static_cast<unsigned long long>(progress / 1000));
            double whole = 0.0;
            m_fraction = std::modf(double(progress) / kUnknownSizeBarBytes, &whole);
        }
        m_text = text;
    }
    if (progress == 0)
        ++m_zeroProgress;
    const int64_t now = GetClock().Milliseconds();
    if (m_lastChange < 0 || progress != m_lastProgress) {
        m_lastProgress = progress;
        m_lastChange = now;
    }
    m_stalled = now - m_lastChange > kMaxStallMilliseconds;
    m_cancelled = !SgReportProgress(m_title, m_text, m_fraction);
    return !m_cancelled && !m_stalled;
}

void DownloadProgress::Finish(uint64_t bytes)
{
    char text[160];
    if (bytes < kBytesShownBelow)
        std::snprintf(text, sizeof text, "Downloaded %llu bytes  (100%%)", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(text, sizeof text, "Downloaded %llu KB  (100%%)", static_cast<unsigned long long>(bytes / 1000));
    m_text = text;
    m_fraction = 1.0;
    SgReportProgress(m_title, m_text, m_fraction);
}
