#include "platform/SgProgress.h"

#include "platform/SgClock.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex &HandlerLock()
{
    static std::mutex lock;
    return lock;
}

SgProgressHandler &Handler()
{
    static SgProgressHandler handler;
    return handler;
}

} // namespace

SgProgressHandler SgSetProgressHandler(SgProgressHandler handler)
{
    std::lock_guard<std::mutex> hold(HandlerLock());
    return std::exchange(Handler(), std::move(handler));
}

bool SgReportProgress(const std::string &title, const std::string &text, double fraction)
{
    SgProgressHandler handler;
    {
        std::lock_guard<std::mutex> hold(HandlerLock());
        handler = Handler();
    }
    return handler ? handler(title, text, fraction) : true;
}

void SgEndProgress(const std::string &title)
{
    SgReportProgress(title, std::string(), -1.0);
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
