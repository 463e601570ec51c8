#pragma once
// A window with a GL surface, as the engine sees it: messages come out of it
// with the engine's window-message numbers (SgWindowMessages.h), and it
// offers the few services the viewer needs from a window (painting, timers,
// capture, focus, coordinates). Behind it stand a toolkit window (wx) or a
// headless window drawing offscreen for tests.
//
// The window is owned by whoever made it (the host's frame, a test); the
// engine object listening to it only borrows it.
#include <cstdint>
#include "platform/PlatformExport.h"

class GLContext;

struct PLATFORM_API SgRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

class PLATFORM_API SgPlatformWindow {
public:
    // Receives every message of a window. A non-zero answer means handled;
    // zero lets the window carry on with its own handling.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual int OnWindowMessage(SgPlatformWindow *window, unsigned message, std::uintptr_t wParam,
                                    std::intptr_t lParam) = 0;
    };

    SgPlatformWindow() = default;
    SgPlatformWindow(const SgPlatformWindow &) = delete;
    SgPlatformWindow &operator=(const SgPlatformWindow &) = delete;
    virtual ~SgPlatformWindow() = default;

    void SetListener(Listener *listener) { m_pListener = listener; }
    Listener *GetListener() const { return m_pListener; }

    // The context that draws into this window; null when the window got no
    // GL surface.
    virtual GLContext *GetGLContext() = 0;
    // Which GL context draws into the window: null for the one context of
    // the process, any other key for a context that only the windows given
    // the same key share. Windows that keep one context each ignore it.
    void SetContextKey(const void *key) { m_pContextKey = key; }
    const void *GetContextKey() const { return m_pContextKey; }
    // The client area, origin 0, 0.
    virtual SgRect GetClientRect() const = 0;
    // The part of the window the paint in progress must cover; empty
    // outside a paint.
    virtual SgRect GetPaintClipBox() const = 0;
    // Marks the whole window for painting and paints it before returning.
    virtual void InvalidateNow() = 0;
    // After the last swap the back buffer still holds the picture that the
    // swap showed. Window systems that flip buffers (or cannot tell) leave
    // it undefined: a later paint must render rather than swap it again.
    virtual bool BackBufferKeptBySwap() const = 0;

    // Periodic timers: each tick is a timer message carrying the id.
    virtual void SetTimer(std::uintptr_t id, int milliseconds) = 0;
    virtual void KillTimer(std::uintptr_t id) = 0;

    // Mouse capture: moves and releases outside the window still come here.
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual bool HasCapture() const = 0;

    virtual void SetFocus() = 0;
    virtual bool HasFocus() const = 0;
    virtual bool IsVisible() const = 0;

    virtual void ClientToScreen(int &x, int &y) const = 0;
    virtual void ScreenToClient(int &x, int &y) const = 0;

    // Closes the window: the destroy message reaches the listener, now or
    // once the toolkit gets to it.
    virtual void DestroyWindow() = 0;

    // Hands a message to the listener as if the window system had sent it.
    int Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
    {
        return m_pListener ? m_pListener->OnWindowMessage(this, message, wParam, lParam) : 0;
    }

private:
    Listener *m_pListener = nullptr;
    const void *m_pContextKey = nullptr;
};
