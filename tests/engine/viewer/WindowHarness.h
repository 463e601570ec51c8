#pragma once
// Drives a viewer in a headless window the way a person drives a real one:
// button presses, moves, releases and double clicks with their window
// messages, the wheel, keys and the Alt key, on a virtual clock whose timers
// fire as time is advanced. Reads back what the window shows and what the
// viewer did (renders, swaps, the back-buffer flag, the capture, the
// tool-active flag).
//
//   WindowHarness h(640, 480);         // document, viewer, window; first paint done
//   h.Drag(Button::Left, {320, 240}, {330, 240});
//   h.Advance(200);                     // the first refinement pass runs
//   EXPECT_TRUE(IsRed(h.At(320, 240)));
#include <array>
#include <cstdint>
#include <memory>
#include <ostream>

#include "engine/viewer/SgGLWindow.h"
#include "platform/SgClock.h"
#include "platform/window/SgHeadlessWindow.h"
#include "utilities/math/Color.h"
#include "utilities/math/Vec2i.h"
#include "utilities/math/Vec3.h"

class SgDocument;
class SgNode;
class SgObject;
class SgViewer;
class SgViewport;

namespace windowtest {

struct Pixel : std::array<int, 3> {};
std::ostream &operator<<(std::ostream &out, const Pixel &p);
bool IsRed(const Pixel &p);

enum class Button { Left, Right, Middle };

class WindowHarness {
public:
    // A document with a viewer bound to a headless window of that size; the
    // window's first paint has run.
    WindowHarness(int width, int height);
    // Closes the window (which ends the viewer) and destroys the document.
    ~WindowHarness();
    WindowHarness(const WindowHarness &) = delete;
    WindowHarness &operator=(const WindowHarness &) = delete;

    SgDocument *Document() const { return m_document; }
    // Null once the window was destroyed.
    SgViewer *Viewer() const;
    SgGLWindow *GLWindow() const;
    SgViewport *Viewport() const;
    SgHeadlessWindow &Window() { return *m_window; }
    SgVirtualClock &Clock() { return m_clock; }

    // An unlit object with a cube of that colour and size in the document.
    SgObject *AddCube(const Color &colour, double size = 1.0, double depth = -1.0);
    // Puts a handler or tool first in the view scene, before the document's
    // scene, so that it sees the events first.
    void AddViewHandler(SgNode *handler);

    // Input. Each returns what the window's listener answered.
    int Down(Button button, Vec2i at, unsigned keys = 0);
    int Move(Vec2i at, unsigned keys = 0);
    int Up(Button button, Vec2i at, unsigned keys = 0);
    // Down, up, double click, up: the order the window system sends.
    void DoubleClick(Button button, Vec2i at);
    // Down at `from`, moves in `steps` equal steps, up at `to`.
    void Drag(Button button, Vec2i from, Vec2i to, int steps = 1, unsigned keys = 0);
    int Wheel(int notches, Vec2i at);
    int KeyDown(int virtualKey);
    int KeyUp(int virtualKey);
    // The Alt key goes through the system-key messages; the left Alt key's
    // state follows.
    int SysKeyDown(int virtualKey);
    int SysKeyUp(int virtualKey);

    // Moves the virtual clock forward, firing each timer when it falls due.
    void Advance(int milliseconds);
    // The engine's invalidation: the back buffer is no longer final and the
    // whole window is painted at once.
    void Paint();
    // The window system uncovers a part of the window.
    void Expose(int left, int top, int right, int bottom);

    // A pixel the window shows, x from the left and y from the top.
    Pixel At(int x, int y);
    // Where a point of the view scene's frame lands in the window (y from the top).
    Vec2i Project(const Vec3 &point);

    bool ToolActive() const;
    bool HasCapture() const { return m_window->HasCapture(); }
    int RenderCount() const;
    int SwapCount() const;
    bool BackBuffer() const;

private:
    int Mouse(unsigned message, Vec2i at, unsigned keys);

    SgVirtualClock m_clock{1700000000, 1000};
    SgClock *m_previousClock = nullptr;
    SgDocument *m_document = nullptr;
    std::unique_ptr<SgHeadlessWindow> m_window;
    SgViewer *m_viewer = nullptr;
    unsigned m_buttons = 0;
};

} // namespace windowtest
