#include "engine/viewer/SgGLWindow.h"

#include <GL/gl.h>

#include "engine/document/SgDocument.h"
#include "engine/viewer/SgViewer.h"
#include "platform/gl/GLContext.h"
#include "platform/window/SgWindowMessages.h"

SgGLWindow::SgGLWindow(SgViewer *viewer) : m_pViewer(viewer) {}

SgGLWindow::~SgGLWindow()
{
    if (!m_pWindow)
        return;
    KillTimer();
    if (m_pWindow->GetListener() == this)
        m_pWindow->SetListener(nullptr);
    if (s_pPrevWin == m_pWindow)
        s_pPrevWin = nullptr;
}

int SgGLWindow::InitWindow(SgPlatformWindow *window)
{
    if (!window || !m_pViewer || !window->GetGLContext())
        return 0;
    m_pWindow = window;
    ResizeViewer();
    window->SetListener(this);
    Invalidate();
    return 1;
}

void SgGLWindow::ResizeViewer()
{
    const SgRect client = m_pWindow->GetClientRect();
    m_pViewer->Resize(0, 0, client.Width(), client.Height());
}

void SgGLWindow::Invalidate()
{
    m_bBackBuffer = false;
    if (m_pWindow)
        m_pWindow->InvalidateNow();
}

void SgGLWindow::SetCapture()
{
    if (m_pWindow)
        m_pWindow->SetCapture();
}

void SgGLWindow::ReleaseCapture()
{
    if (m_pWindow)
        m_pWindow->ReleaseCapture();
}

void SgGLWindow::ClientToScreen(Vec2i &point)
{
    if (m_pWindow)
        m_pWindow->ClientToScreen(point.x, point.y);
}

void SgGLWindow::ScreenToClient(Vec2i &point)
{
    if (m_pWindow)
        m_pWindow->ScreenToClient(point.x, point.y);
}

void SgGLWindow::SwapBuffers()
{
    GLContext *context = m_pWindow ? m_pWindow->GetGLContext() : nullptr;
    if (!context)
        return;
    context->SwapBuffers();
    ++m_nSwaps;
    // A swap that leaves the back buffer undefined takes the final frame with it.
    if (!m_pWindow->BackBufferKeptBySwap())
        m_bBackBuffer = false;
}

bool SgGLWindow::isNewWin()
{
    return m_pWindow != s_pPrevWin;
}

bool SgGLWindow::MakeCurrent()
{
    GLContext *context = m_pWindow ? m_pWindow->GetGLContext() : nullptr;
    if (!context)
        return false;
    // The document may have changed its mind since the last paint: the
    // window binds the other context afresh.
    SgDocument *document = m_pViewer ? m_pViewer->GetDocument() : nullptr;
    const void *key = document ? document->GetContextKey() : nullptr;
    if (key != m_pWindow->GetContextKey()) {
        context->ReleaseCurrent();
        m_pWindow->SetContextKey(key);
    }
    return context->IsCurrent() || context->MakeCurrent();
}

void SgGLWindow::SetTimer(int milliseconds)
{
    if (m_pWindow)
        m_pWindow->SetTimer(reinterpret_cast<std::uintptr_t>(m_pWindow), milliseconds);
}

void SgGLWindow::KillTimer()
{
    if (m_pWindow)
        m_pWindow->KillTimer(reinterpret_cast<std::uintptr_t>(m_pWindow));
}

int SgGLWindow::OnWindowMessage(SgPlatformWindow *window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam)
{
    if (window != m_pWindow || !m_pViewer)
        return 0;
    switch (message) {
    case SgWM::kPaint:
        return HandlePaint();
    case SgWM::kTimer:
        if (MakeCurrent())
            m_pViewer->HandleMessage(message, wParam, lParam);
        return 0;
    case SgWM::kSize:
        ResizeViewer();
        Invalidate();
        return 0;
    case SgWM::kWindowPosChanged:
        if (m_pWindow->IsVisible())
            Invalidate();
        return 0;
    case SgWM::kSysKeyDown:
        if (static_cast<int>(wParam) == SgVK::kMenu)
            s_bAlt = true;
        return 1;
    case SgWM::kSysKeyUp:
        if (static_cast<int>(wParam) == SgVK::kMenu)
            s_bAlt = false;
        return 1;
    case SgWM::kKillFocus:
        s_bAlt = false;
        m_pViewer->HandleMessage(message, wParam, lParam);
        return 1;
    case SgWM::kActivate:
    case SgWM::kNcActivate:
        s_bAlt = false;
        MakeCurrent();
        m_pViewer->HandleMessage(message, wParam, lParam);
        return 0;
    case SgWM::kDestroy:
        return HandleDestroy();
    case SgWM::kKeyDown:
    case SgWM::kKeyUp:
    case SgWM::kClose:
        return HandleInput(message, wParam, lParam);
    default:
        if (message >= SgWM::kMouseMove && message <= SgWM::kMouseWheel)
            return HandleInput(message, wParam, lParam);
        return 0;
    }
}

int SgGLWindow::HandlePaint()
{
    if (!MakeCurrent())
        return 1;
    const SgRect clip = m_pWindow->GetPaintClipBox();
    if (!isNewWin() && m_bBackBuffer) {
        SwapBuffers();
        return 1;
    }
    m_bBackBuffer = false;
    if (clip.IsEmpty())
        return 1;
    // The paint threshold would let a small expose show the back buffer as
    // it is; but the flag is clear, so the back buffer does not hold the
    // final frame (never drawn, drawn for another size or scene, or holding
    // a refinement in progress) and swapping it would show stale or
    // undefined pixels. Every expose that finds no final frame renders.
    m_pViewer->HandleMessage(SgWM::kPaint, 0, 0);
    ++m_nRenders;
    m_bBackBuffer = true;
    s_pPrevWin = m_pWindow;
    SwapBuffers();
    return 1;
}

int SgGLWindow::HandleInput(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    MakeCurrent();
    // Only a mouse message's first parameter carries key bits; a key
    // message's is the key code and stays as it is.
    if (s_bAlt && message >= SgWM::kMouseMove && message <= SgWM::kMouseWheel)
        wParam |= SgWM::kAltBit;
    // The viewer may end with this call (a key that closes the window):
    // nothing of this object is touched after it.
    return m_pViewer->HandleMessage(message, wParam, lParam) != 0 ? 1 : 0;
}

int SgGLWindow::HandleDestroy()
{
    SgPlatformWindow *window = m_pWindow;
    KillTimer();
    window->SetListener(nullptr);
    SgViewer *viewer = m_pViewer;
    if (SgDocument *document = viewer->GetDocument()) {
        if (document->GetActiveViewer() == viewer && document->GetViewerCount() < 2)
            document->SetActiveViewer(nullptr);
    }
    if (GLContext *context = window->GetGLContext(); context && context->IsCurrent())
        context->ReleaseCurrent();
    if (s_pPrevWin == window)
        s_pPrevWin = nullptr;
    m_pWindow = nullptr;
    // Deletes this object too.
    delete viewer;
    return 1;
}

SgPlatformWindow *SgGLWindow::s_pPrevWin = nullptr;
bool SgGLWindow::s_bAlt = false;
