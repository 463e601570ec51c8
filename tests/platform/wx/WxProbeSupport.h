#pragma once
// What the wx probes share (the small programs the GUI tests run under a
// virtual X server of their own): letting the toolkit run until a condition
// holds, and real clicks through the toolkit's action simulator, which sends
// them with the XTEST extension. Nothing here waits for a fixed time: every
// wait ends when what it stands for has happened, and its deadline only
// stops a probe that would hang (it then says what never came).
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/event.h>
#include <wx/gdicmn.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/weakref.h>
#include <wx/window.h>

namespace wxprobe {

// How long a wait may last before the probe counts it as never coming: long
// enough for a machine loaded by other work, short of the tests' own limits.
constexpr int kHangGuardMs = 30000;

// Lets the toolkit run until `done` or the time is out; what `done` says last.
inline bool RunUntil(const std::function<bool()> &done, int milliseconds = kHangGuardMs)
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

// A wait that ran out, told among the probe's lines, which a failing test
// shows whole.
inline bool Expect(bool held, const char *what)
{
    if (!held)
        std::printf("never-came=%s\n", what);
    return held;
}

// A question the X server answers only after it has carried out everything
// sent before it: the toolkit's drawing is on the screen, and the events
// our own input made are in the toolkit's queue.
inline void RoundTrip()
{
    (void)wxGetMousePosition();
}

// Lets the toolkit handle what is waiting (the events already made, the
// events the windows posted to themselves, the idle work) until nothing is.
inline bool HandlePending()
{
    RoundTrip();
    return Expect(RunUntil([] { return !wxTheApp->Pending() && !wxTheApp->HasPendingEvents(); }),
                  "an empty event queue");
}

// Moves the pointer to `screen` and waits until the server has it there and
// the toolkit has handled the crossing and motion that the move made, so
// that what follows (a click, a key, a rest) lands on what is under it.
inline bool MovePointer(const wxPoint &screen)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(screen);
    const bool there = Expect(RunUntil([&screen] { return wxGetMousePosition() == screen; }), "the pointer's move");
    return HandlePending() && there;
}

// Moves the pointer to `screen`, waits for the toolkit to see it there, and
// clicks.
inline void ClickAt(const wxPoint &screen)
{
    MovePointer(screen);
    wxUIActionSimulator simulator;
    simulator.MouseClick();
}

// Waits until `window` has painted itself again (its children with it) and
// the server has drawn what it painted.
inline bool Repaint(wxWindow *window)
{
    int paints = 0;
    auto count = [&paints](wxPaintEvent &event) {
        ++paints;
        event.Skip();
    };
    window->Bind(wxEVT_PAINT, count);
    window->Refresh();
    window->Update();
    const bool painted = Expect(RunUntil([&paints] { return paints > 0; }), "a paint");
    window->Unbind(wxEVT_PAINT, count);
    return HandlePending() && painted;
}

// Destroys `window` and waits until it is gone (a frame or dialog goes when
// the toolkit is idle, not at once).
inline bool DestroyAndWait(wxWindow *window)
{
    wxWeakRef<wxWindow> alive(window);
    window->Destroy();
    return Expect(RunUntil([&alive] { return !alive; }), "the window's end");
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
    Repaint(window);
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
