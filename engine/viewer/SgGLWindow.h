#pragma once
// Binds a viewer to a window that its host made: it listens to the window's
// messages, keeps the Alt key state, decides on each paint whether to render
// or only to show the back buffer, runs the viewer's refinement timer and
// ends the viewer when the window is destroyed.
//
// The window handle a viewer is given (SgViewer::AttachWindow) is an
// SgPlatformWindow: the host's wx window or a headless one in tests.
#include <cstdint>

#include "platform/window/SgPlatformWindow.h"
#include "utilities/math/Vec2i.h"
#include "engine/core/NodaraExport.h"

class SgViewer;

// Any window a viewer can be bound to.
class NODARA_API SgWindow {
public:
    virtual ~SgWindow() = default;
};

class NODARA_API SgGLWindow : public SgWindow, public SgPlatformWindow::Listener {
public:
    explicit SgGLWindow(SgViewer *viewer);
    SgGLWindow(const SgGLWindow &) = delete;
    SgGLWindow &operator=(const SgGLWindow &) = delete;
    // Stops the timer and stops listening; the window itself stays its owner's.
    ~SgGLWindow() override;

    // Virtual operations in their slot order (the destructor first).
    // The back buffer no longer holds the final frame; the window is painted now.
    virtual void Invalidate();
    // Starts listening to the window and sizes the viewer to its client
    // area. 0 when there is no viewer or the window has no GL surface.
    virtual int InitWindow(SgPlatformWindow *window);
    virtual void SetCapture();
    virtual void ReleaseCapture();
    virtual void ClientToScreen(Vec2i &point);
    virtual void ScreenToClient(Vec2i &point);
    virtual void SwapBuffers();
    // This window is not the one rendered into last.
    virtual bool isNewWin();

    // The window procedure: every message of the window comes here.
    int OnWindowMessage(SgPlatformWindow *window, unsigned message, std::uintptr_t wParam,
                        std::intptr_t lParam) override;

    // The context of the window current on this thread; false without one.
    bool MakeCurrent();
    // The viewer's refinement timer; its id is the window handle's value.
    void SetTimer(int milliseconds);
    void KillTimer();

    SgPlatformWindow *GetHandle() const { return m_pWindow; }
    SgViewer *GetViewer() const { return m_pViewer; }
    // The back buffer holds the last final frame.
    bool HasBackBuffer() const { return m_bBackBuffer; }
    void SetBackBuffer(bool valid) { m_bBackBuffer = valid; }
    // Full renders done on paint, and swaps shown.
    int GetRenderCount() const { return m_nRenders; }
    int GetSwapCount() const { return m_nSwaps; }

    // Set while the Alt key is down, for every window of the process.
    static bool IsAltDown() { return s_bAlt; }
    // The window last rendered into.
    static void SetLastRendered(SgPlatformWindow *window) { s_pPrevWin = window; }

private:
    int HandlePaint();
    int HandleDestroy();
    // Messages the viewer turns into events: the Alt flag rides on the key bits.
    int HandleInput(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void ResizeViewer();

    SgViewer *m_pViewer = nullptr;
    SgPlatformWindow *m_pWindow = nullptr;
    bool m_bBackBuffer = false;
    int m_nRenders = 0;
    int m_nSwaps = 0;

    static SgPlatformWindow *s_pPrevWin;
    static bool s_bAlt;
};
