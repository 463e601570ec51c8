#pragma once
// What the wx probes share (the small programs the GUI tests run under a
// virtual X server of their own): letting the toolkit run until a condition
// holds, and real clicks through the toolkit's action simulator, which sends
// them with the XTEST extension.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

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

// With FENNIX_PROBE_SHOTS naming a folder, the screen is dumped there with
// xwd as NAME.xwd and the window's place on it written to NAME.rect
// ("x y width height"), for a person to look at the window.
inline void SaveShot(wxWindow *window, const std::string &name)
{
    const char *folder = std::getenv("FENNIX_PROBE_SHOTS");
    if (!folder || !*folder || !window)
        return;
    // On top of the other windows, which a server without a window manager
    // leaves wherever they were made.
    window->Raise();
    window->Refresh();
    window->Update();
    RunUntil([] { return false; }, 300);
    const std::string base = std::string(folder) + "/" + name;
    const wxRect rect = window->GetScreenRect();
    if (FILE *out = std::fopen((base + ".rect").c_str(), "w")) {
        std::fprintf(out, "%d %d %d %d\n", rect.x, rect.y, rect.width, rect.height);
        std::fclose(out);
    }
    const std::string command = "xwd -silent -root -out '" + base + ".xwd'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "no picture of %s\n", name.c_str());
}

} // namespace wxprobe
