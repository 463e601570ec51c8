#pragma once
// The platform window on the toolkit: a wxGLCanvas whose events become the
// engine's window messages, with a GL context shared by every canvas of the
// process, or by the canvases given the same context key (SgPlatformWindow::
// SetContextKey). The canvas's top-level parent tells it about activation.
//
//   auto *frame = new wxFrame(nullptr, wxID_ANY, "scene");
//   auto *canvas = SgWxGLWindow::Create(frame);   // null without a GL visual
//   viewer->AttachWindow(static_cast<SgPlatformWindow *>(canvas));
#include <map>
#include <memory>

#include <wx/glcanvas.h>
#include <wx/timer.h>

#include "platform/window/SgPlatformWindow.h"
#include "platform/wx/PlatformWxExport.h"

class PLATFORMWX_API SgWxGLWindow : public wxGLCanvas, public SgPlatformWindow {
public:
    // A canvas with double buffer, depth 24, stencil 8 and accumulation 16
    // when the display has such a visual, else the best double-buffered one
    // with depth; null when the display has no GL at all.
    static SgWxGLWindow *Create(wxWindow *parent);
    ~SgWxGLWindow() override;

    GLContext *GetGLContext() override;
    SgRect GetClientRect() const override;
    SgRect GetPaintClipBox() const override { return m_clipBox; }
    void InvalidateNow() override;
    // Known only where the display reports the back buffer's age.
    bool BackBufferKeptBySwap() const override;

    void SetTimer(std::uintptr_t id, int milliseconds) override;
    void KillTimer(std::uintptr_t id) override;

    void SetCapture() override;
    void ReleaseCapture() override;
    bool HasCapture() const override;

    void SetFocus() override { wxGLCanvas::SetFocus(); }
    bool HasFocus() const override { return wxGLCanvas::HasFocus(); }
    bool IsVisible() const override { return IsShownOnScreen(); }

    void ClientToScreen(int &x, int &y) const override;
    void ScreenToClient(int &x, int &y) const override;
    // Closes the top-level window that holds the canvas.
    void DestroyWindow() override;

    // Ends what the mouse is doing before the window goes: Escape to a
    // running tool when the canvas holds the mouse, a release for each
    // button held, and the capture given back.
    void EndInteraction();

    // Whether the canvas got an accumulation buffer.
    bool HasAccumulation() const { return m_bAccumulation; }

private:
    class Context;
    class Timer;

    SgWxGLWindow(wxWindow *parent, const wxGLAttributes &attributes, bool accumulation);

    void OnPaint(wxPaintEvent &event);
    void OnSize(wxSizeEvent &event);
    void OnMouse(wxMouseEvent &event);
    void OnKey(wxKeyEvent &event);
    void OnFocus(wxFocusEvent &event);
    void OnCaptureLost(wxMouseCaptureLostEvent &event);
    void OnActivate(wxActivateEvent &event);
    void OnWindowDestroy(wxWindowDestroyEvent &event);
    void OnTimerTick(std::uintptr_t id);
    void ReleaseHeldButtons(std::uintptr_t buttons = ~std::uintptr_t{0});

    std::unique_ptr<Context> m_context;
    std::map<std::uintptr_t, std::unique_ptr<Timer>> m_timers;
    wxWindow *m_pTopLevel = nullptr;
    SgRect m_clipBox;
    bool m_bAccumulation = false;
    bool m_bDestroyed = false;
    // The buttons down and the position in the last mouse message.
    std::uintptr_t m_heldButtons = 0;
    std::intptr_t m_lastPoint = 0;
};
