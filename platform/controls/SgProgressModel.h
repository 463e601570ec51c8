#pragma once
// What the download progress dialog knows, without the toolkit: the bar's
// position out of kRange, the message line and whether the user cancelled.
// The downloader polls IsAborted; the wx dialog (platform/wx/ProgressBarDlg)
// shows the rest.
#include <cmath>
#include <string>
#include "platform/PlatformExport.h"

class PLATFORM_API SgProgressModel {
public:
    static constexpr int kRange = 1000;

    // `fraction` 0 .. 1; outside it (or not a number) the bar stops at its ends.
    void SetProgress(double fraction)
    {
        if (!(fraction > 0.0))
            m_position = 0;
        else
            m_position = fraction >= 1.0 ? kRange : int(fraction * kRange);
    }
    int GetPosition() const { return m_position; }
    void SetMessage(const std::string &message) { m_message = message; }
    const std::string &GetMessage() const { return m_message; }
    void Abort() { m_aborted = true; }
    bool IsAborted() const { return m_aborted; }

private:
    int m_position = 0;
    std::string m_message;
    bool m_aborted = false;
};
