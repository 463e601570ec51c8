#pragma once
// What the wx probes share (the small programs the GUI tests run under a
// virtual X server of their own): letting the toolkit run until a condition
// holds, and real clicks through the toolkit's action simulator, which sends
// them with the XTEST extension.
#include <cstdlib>
#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
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

// With FENNIX_PROBE_SHOTS naming a folder, the window as it shows on the
// screen is saved there as NAME.png, for a person to look at.
inline void SaveShot(wxWindow *window, const std::string &name)
{
    const char *folder = std::getenv("FENNIX_PROBE_SHOTS");
    if (!folder || !*folder || !window)
        return;
    RunUntil([] { return false; }, 100);
    const wxRect rect = window->GetScreenRect();
    wxBitmap shot(rect.width, rect.height);
    {
        wxScreenDC screen;
        wxMemoryDC memory(shot);
        memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    }
    wxInitAllImageHandlers();
    shot.SaveFile(wxString::FromUTF8(std::string(folder) + "/" + name + ".png"), wxBITMAP_TYPE_PNG);
}

} // namespace wxprobe
