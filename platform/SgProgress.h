#pragma once
// Progress of a long operation (a download), shown by the host: a dialog
// with a cancel button in a window host, percentage lines on standard error
// in a headless run. Without a handler nothing is shown and nothing is
// cancelled.
#include <cstdint>
#include <functional>
#include <string>

// `text` says what happens ("Downloaded 12 KB out of 40 KB  (30%)"),
// `fraction` is 0 to 1; a negative fraction says the operation has ended
// (a dialog closes). The handler returns false to cancel.
using SgProgressHandler = std::function<bool(const std::string &title, const std::string &text, double fraction)>;

// Installs the handler; returns the previous one.
SgProgressHandler SgSetProgressHandler(SgProgressHandler handler);
// Shows a step; false when the user cancelled.
bool SgReportProgress(const std::string &title, const std::string &text, double fraction);
// Says that the operation of that title has ended.
void SgEndProgress(const std::string &title);

// The status callback of a download: turns the byte counts into the text and
// bar position the progress display shows, and gives up on a download that
// keeps reporting no progress or that the user cancelled.
class DownloadProgress {
public:
    // A download that reports no progress more often than this is aborted.
    static constexpr int kMaxZeroProgress = 20;
    // With no size known the bar fills once every this many bytes.
    static constexpr double kUnknownSizeBarBytes = 500000.0;

    explicit DownloadProgress(std::string title) : m_title(std::move(title)) {}

    // `maximum` equal to `progress` means the size is not known. Returns
    // false to abort.
    bool OnProgress(uint64_t progress, uint64_t maximum);

    const std::string &GetText() const { return m_text; }
    double GetFraction() const { return m_fraction; }
    int GetZeroProgressCount() const { return m_zeroProgress; }

private:
    std::string m_title;
    std::string m_text;
    double m_fraction = 0.0;
    int m_zeroProgress = 0;
};
