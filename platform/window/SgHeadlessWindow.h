#pragma once
// A window without a screen: an offscreen GL surface, timers that run on the
// clock in use (a virtual one in tests) and capture and focus kept as plain
// state. Tests deliver input with Send and drive time with RunTimers; what
// the window shows is the offscreen context's front image.
//
//   SgVirtualClock clock;  SetClock(&clock);
//   SgHeadlessWindow window(640, 480);
//   window.SetListener(listener);
//   window.Expose({0, 0, 640, 480});            // a paint of the whole window
//   clock.Advance(200);  window.RunTimers();     // timer messages that fell due
#include <map>
#include <memory>

#include "platform/gl/OffscreenGLContext.h"
#include "platform/window/SgPlatformWindow.h"
#include "platform/PlatformExport.h"

class PLATFORM_API SgHeadlessWindow : public SgPlatformWindow {
public:
    // Throws SgError when the offscreen surface cannot be made.
    SgHeadlessWindow(int width, int height);
    // Delivers the destroy message when the window was not destroyed yet.
    ~SgHeadlessWindow() override;

    GLContext *GetGLContext() override { return m_context.get(); }
    OffscreenGLContext &GetOffscreenContext() { return *m_context; }
    SgRect GetClientRect() const override { return {0, 0, m_width, m_height}; }
    SgRect GetPaintClipBox() const override { return m_clipBox; }
    void InvalidateNow() override { Expose(GetClientRect()); }
    // The offscreen swap copies; a test can make it behave like a flip.
    bool BackBufferKeptBySwap() const override { return m_bBackKept; }
    void SetBackBufferKeptBySwap(bool kept) { m_bBackKept = kept; }

    void SetTimer(std::uintptr_t id, int milliseconds) override;
    void KillTimer(std::uintptr_t id) override;
    bool HasTimer(std::uintptr_t id) const { return m_timers.count(id) != 0; }
    // The clock time of the next tick; false without timers.
    bool NextTimerDue(std::int64_t &due) const;
    // Sends one timer message for every timer due at the clock's present
    // time, earliest first. Returns how many were sent.
    int RunTimers();

    void SetCapture() override { m_bCapture = true; }
    void ReleaseCapture() override { m_bCapture = false; }
    bool HasCapture() const override { return m_bCapture; }

    // Focus moves here; a window that had it hears so.
    void SetFocus() override;
    bool HasFocus() const override { return m_bFocus; }
    // Focus leaves: the kill-focus message.
    void KillFocus();
    bool IsVisible() const override { return !m_bDestroyed; }

    // The window sits at the origin of the screen.
    void ClientToScreen(int &, int &) const override {}
    void ScreenToClient(int &, int &) const override {}

    // A paint message with the rectangle (clipped to the window) as its clip box.
    void Expose(const SgRect &rect);
    // A new client size: the surface follows, then the size message.
    void Resize(int width, int height);
    // The destroy message, once, before returning.
    void DestroyWindow() override;
    bool IsDestroyed() const { return m_bDestroyed; }

private:
    struct Timer {
        int interval = 0;
        std::int64_t due = 0;
    };

    std::unique_ptr<OffscreenGLContext> m_context;
    int m_width = 0;
    int m_height = 0;
    SgRect m_clipBox;
    std::map<std::uintptr_t, Timer> m_timers;
    bool m_bCapture = false;
    bool m_bFocus = false;
    bool m_bDestroyed = false;
    bool m_bBackKept = true;
};
