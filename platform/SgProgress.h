#pragma once
// Progress of a long operation (a download), shown by the host: a dialog
// with a cancel button in a window host, percentage lines on standard error
// in a headless run. Without a handler nothing is shown and nothing is
// cancelled.
#include <cstdint>
#include <functional>
#include <string>
#include "platform/PlatformExport.h"

// `text` says what happens ("Downloaded 12 KB out of 40 KB  (30%)"),
// `fraction` is 0 to 1; a negative fraction says the operation has ended
// (a dialog closes). The handler returns false to cancel.
using SgProgressHandler = std::function<bool(const std::string &title, const std::string &text, double fraction)>;

// Installs the handler; returns the previous one.
PLATFORM_API SgProgressHandler SgSetProgressHandler(SgProgressHandler handler);
// Shows a step; false when the user cancelled.
PLATFORM_API bool SgReportProgress(const std::string &title, const std::string &text, double fraction);
// Says that the operation of that title has ended.
PLATFORM_API void SgEndProgress(const std::string &title);

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
