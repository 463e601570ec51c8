#pragma once
// Progress of long operations. A download is shown in a dialog with a cancel
// button in a window host and as percentage lines on standard error in a
// headless run; long work (a big scene read, a boolean of many operands, a
// movie recorded) is shown on a window's status line. Any number of
// listeners hear the reports, each until its subscription goes; without a
// listener nothing is shown and nothing is cancelled.
#include <cstdint>
#include <functional>
#include <string>
#include "platform/PlatformExport.h"

enum class SgProgressKind {
    Download, // may be cancelled by the person waiting
    Work,     // runs to its end; shown, not cancelled
};

// `text` says what happens ("Downloaded 12 KB out of 40 KB  (30%)",
// "Reading scene... 40 %"), `fraction` is 0 to 1; a negative fraction says
// the operation has ended (a dialog closes, a status line clears).
struct PLATFORM_API SgProgressReport {
    SgProgressKind kind = SgProgressKind::Download;
    std::string title;
    std::string text;
    double fraction = 0.0;

    bool Ended() const { return fraction < 0.0; }
};

// Returns false to cancel (heard for downloads only).
using SgProgressListener = std::function<bool(const SgProgressReport &report)>;

// A listener hears the reports while its subscription lives; a moved-from or
// reset subscription hears nothing.
class PLATFORM_API SgProgressSubscription {
public:
    SgProgressSubscription() = default;
    explicit SgProgressSubscription(uint64_t id) : m_id(id) {}
    SgProgressSubscription(SgProgressSubscription &&other) noexcept;
    SgProgressSubscription &operator=(SgProgressSubscription &&other) noexcept;
    SgProgressSubscription(const SgProgressSubscription &) = delete;
    SgProgressSubscription &operator=(const SgProgressSubscription &) = delete;
    ~SgProgressSubscription() { Reset(); }

    void Reset();
    bool IsActive() const { return m_id != 0; }

private:
    uint64_t m_id = 0;
};

[[nodiscard]] PLATFORM_API SgProgressSubscription SgSubscribeProgress(SgProgressListener listener);
// Tells every listener, in the order they subscribed; false when one of them
// cancelled.
PLATFORM_API bool SgReportProgress(const SgProgressReport &report);
// A step of a download; false when the user cancelled.
PLATFORM_API bool SgReportProgress(const std::string &title, const std::string &text, double fraction);
// Says that the download of that title has ended.
PLATFORM_API void SgEndProgress(const std::string &title);

// The report points of long work: `Step` is called as often as the work
// likes (per block read, per operand, per frame) and costs one comparison
// until the next whole percentage is reached, so at most 101 reports reach
// the listeners, each "Title... NN %". The end is reported when the meter
// goes, if anything was reported.
class PLATFORM_API SgWorkProgress {
public:
    // `total` is the work in the caller's units (bytes, operands, frames).
    SgWorkProgress(std::string title, uint64_t total);
    ~SgWorkProgress();
    SgWorkProgress(const SgWorkProgress &) = delete;
    SgWorkProgress &operator=(const SgWorkProgress &) = delete;

    // `done` units of the total are done.
    void Step(uint64_t done)
    {
        if (done >= m_nextReport)
            Report(done);
    }
    int GetReportCount() const { return m_reports; }

private:
    void Report(uint64_t done);

    std::string m_title;
    uint64_t m_total;
    uint64_t m_nextReport = 0;
    int m_percent = -1;
    int m_reports = 0;
};

// The status callback of a download: turns the byte counts into the text and
// bar position the progress display shows, and gives up on a download that
// the user cancelled or that received nothing for a while. The reports come
// about once a second while a server thinks, so the wait is timed on the
// clock, not counted in reports.

class PLATFORM_API DownloadProgress {
public:
    // A download that receives no byte for this long is aborted as timed out.
    static constexpr int64_t kMaxStallMilliseconds = 60000;
    // With no size known the bar fills once every this many bytes.
    static constexpr double kUnknownSizeBarBytes = 500000.0;
    // Sizes below this are shown in bytes: in kilobytes they would read 0.
    static constexpr uint64_t kBytesShownBelow = 10000;

    explicit DownloadProgress(std::string title) : m_title(std::move(title)) {}

    // `maximum` equal to `progress` means the size is not known. Returns
    // false to abort.
    bool OnProgress(uint64_t progress, uint64_t maximum);
    // The download is complete with `bytes`: the display shows it whole
    // (the last report may have come well before the end).
    void Finish(uint64_t bytes);

    // Why the last report returned false: the user's cancel, or the wait.
    bool Cancelled() const { return m_cancelled; }
    bool Stalled() const { return m_stalled; }

    const std::string &GetText() const { return m_text; }
    double GetFraction() const { return m_fraction; }
    int GetZeroProgressCount() const { return m_zeroProgress; }

private:
    std::string m_title;
    std::string m_text;
    double m_fraction = 0.0;
    int m_zeroProgress = 0;
    uint64_t m_lastProgress = 0;
    int64_t m_lastChange = -1; // clock milliseconds of the last byte received
    bool m_cancelled = false;
    bool m_stalled = false;
};
