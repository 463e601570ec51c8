#pragma once
// What the wx probes share (the small programs the GUI tests run under a
// virtual X server of their own): letting the toolkit run until a condition
// holds, and real clicks through the toolkit's action simulator, which sends
// them with the XTEST extension.
#include <functional>

#include <wx/app.h>
#include <wx/gdicmn.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/window.h>

namespace wxprobe {

// Lets the toolkit run until `done` or the time is out; what `done` says last.
inline bool RunUntil(const std::function<bool()> &done, int milliseconds = 3000)
{
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    while (wxGetLocalTimeMillis() < end) {
        wxTheApp->Yield(true);
        if (done())
            return true;
        wxMilliSleep(10);
    }
    return done();
}

// The middle of the window, in screen coordinates.
inline wxPoint Centre(wxWindow *window)
{
    return window->GetScreenPosition() + wxPoint(window->GetSize().x / 2, window->GetSize().y / 2);
}

// Moves the pointer to `screen`, lets the toolkit see it there for `settle`
// milliseconds (so that the click lands on what is under it), and clicks.
inline void ClickAt(const wxPoint &screen, int settle = 200)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(screen);
    RunUntil([] { return false; }, settle);
    simulator.MouseClick();
}

} // namespace wxprobe
