#include "platform/wx/SgWxGLWindow.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <GL/glxext.h>

#include <cstring>

#include <wx/dcclient.h>
#include <wx/toplevel.h>

#include "platform/gl/GLContext.h"
#include "platform/window/SgKeyState.h"
#include "platform/window/SgWindowMessages.h"

namespace {

// One context for every canvas of the process, made with the first canvas
// that draws and deleted with the last canvas.
wxGLContext *s_sharedContext = nullptr;
int s_canvasCount = 0;

// The contexts of the other keys (a document that keeps one of its own):
// each is made with the first canvas of its key that draws and deleted when
// no canvas draws with that key any more.
struct SgWxKeyedContext {
    wxGLContext *context = nullptr;
    int canvases = 0;
};
std::map<const void *, SgWxKeyedContext> s_keyedContexts;

void SgWxLeaveKeyedContext(const void *key)
{
    auto found = s_keyedContexts.find(key);
    if (found == s_keyedContexts.end() || --found->second.canvases > 0)
        return;
    delete found->second.context;
    s_keyedContexts.erase(found);
}

// The engine's virtual-key code of a toolkit key; 0 for keys it has none for.
int VirtualKey(int code)
{
    if (code >= 'a' && code <= 'z')
        return code - 'a' + 'A';
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return code;
    if (code >= WXK_F1 && code <= WXK_F24)
        return SgVK::kF1 + (code - WXK_F1);
    switch (code) {
    case WXK_BACK: return SgVK::kBack;
    case WXK_TAB: return SgVK::kTab;
    case WXK_RETURN: return SgVK::kReturn;
    case WXK_NUMPAD_ENTER: return SgVK::kReturn;
    case WXK_ESCAPE: return SgVK::kEscape;
    case WXK_SPACE: return SgVK::kSpace;
    case WXK_DELETE: return SgVK::kDelete;
    case WXK_INSERT: return SgVK::kInsert;
    case WXK_SHIFT: return SgVK::kShift;
    case WXK_CONTROL: return SgVK::kControl;
    case WXK_ALT: return SgVK::kMenu;
    case WXK_PAGEUP: return SgVK::kPrior;
    case WXK_PAGEDOWN: return SgVK::kNext;
    case WXK_END: return SgVK::kEnd;
    case WXK_HOME: return SgVK::kHome;
    case WXK_LEFT: return SgVK::kLeft;
    case WXK_UP: return SgVK::kUp;
    case WXK_RIGHT: return SgVK::kRight;
    case WXK_DOWN: return SgVK::kDown;
    // The trackball turns by steps on these two.
    case ',': return SgVK::kOemComma;
    case '.': return SgVK::kOemPeriod;
    // The manipulators grow and shrink on these.
    case '=': return SgVK::kOemPlus;
    case '+': return SgVK::kOemPlus;
    case '-': return SgVK::kOemMinus;
    default: return 0;
    }
}

// The key bits of a mouse message from the toolkit's mouse state.
std::uintptr_t KeyBits(const wxMouseEvent &event)
{
    std::uintptr_t bits = 0;
    if (event.LeftIsDown())
        bits |= SgWM::kLeftButtonBit;
    if (event.RightIsDown())
        bits |= SgWM::kRightButtonBit;
    if (event.MiddleIsDown())
        bits |= SgWM::kMiddleButtonBit;
    if (event.ShiftDown())
        bits |= SgWM::kShiftBit;
    if (event.ControlDown())
        bits |= SgWM::kControlBit;
    return bits;
}

unsigned MouseMessage(const wxMouseEvent &event)
{
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_MOTION) return SgWM::kMouseMove;
    if (type == wxEVT_LEFT_DOWN) return SgWM::kLButtonDown;
    if (type == wxEVT_LEFT_UP) return SgWM::kLButtonUp;
    if (type == wxEVT_LEFT_DCLICK) return SgWM::kLButtonDblClk;
    if (type == wxEVT_RIGHT_DOWN) return SgWM::kRButtonDown;
    if (type == wxEVT_RIGHT_UP) return SgWM::kRButtonUp;
    if (type == wxEVT_RIGHT_DCLICK) return SgWM::kRButtonDblClk;
    if (type == wxEVT_MIDDLE_DOWN) return SgWM::kMButtonDown;
    if (type == wxEVT_MIDDLE_UP) return SgWM::kMButtonUp;
    if (type == wxEVT_MIDDLE_DCLICK) return SgWM::kMButtonDblClk;
    if (type == wxEVT_MOUSEWHEEL) return SgWM::kMouseWheel;
    return 0;
}

} // namespace

// The GL context as the engine sees it: the shared toolkit context bound to
// this canvas.
class SgWxGLWindow::Context : public GLContext {
public:
    explicit Context(SgWxGLWindow &canvas) : m_canvas(canvas) {}
    ~Context() override
    {
        ReleaseCurrent();
        if (m_bKeyed)
            SgWxLeaveKeyedContext(m_key);
    }

    bool MakeCurrent() override
    {
        // A canvas that is not on screen has no drawable to bind yet.
        if (!m_canvas.IsShownOnScreen())
            return false;
        ReleaseOtherCurrent();
        wxGLContext *context = ContextOfKey(m_canvas.GetContextKey());
        if (!context->IsOK() || !context->SetCurrent(m_canvas))
            return false;
        SetCurrent(this);
        return true;
    }
    void ReleaseCurrent() override
    {
        if (!IsCurrent())
            return;
        glFinish();
        if (Display *display = glXGetCurrentDisplay())
            glXMakeCurrent(display, None, nullptr);
        SetCurrent(nullptr);
    }
    int GetWidth() const override { return m_canvas.GetClientSize().x; }
    int GetHeight() const override { return m_canvas.GetClientSize().y; }
    // The surface follows the window.
    bool Resize(int, int) override { return true; }
    GLPixelFormat GetPixelFormat() const override { return m_format; }
    bool ChoosePixelFormat(const GLPixelFormat &request, GLPixelFormat &chosen) const override
    {
        chosen = m_format;
        return m_format.Satisfies(request);
    }
    // The visual of a toolkit window is fixed when the window is made.
    bool SetPixelFormat(const GLPixelFormat &format) override { return format == m_format; }
    void SetDrawBuffer(Buffer buffer) override
    {
        MakeCurrent();
        m_drawBuffer = buffer;
        glDrawBuffer(buffer == Buffer::Front ? GL_FRONT : GL_BACK);
    }
    Buffer GetDrawBuffer() const override { return m_drawBuffer; }
    void SwapBuffers() override
    {
        m_canvas.SwapBuffers();
        m_backKept = BackBufferAge() == 1;
    }
    bool IsBackKept() const { return m_backKept; }
    Proc GetProcAddress(const char *name) const override
    {
        return glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name));
    }

    GLPixelFormat m_format;

private:
    // How many swaps ago the back buffer's contents were drawn: 1 when a swap
    // copies (the back buffer still holds what is shown), 0 when unknown.
    static unsigned BackBufferAge()
    {
        Display *display = glXGetCurrentDisplay();
        const GLXDrawable drawable = glXGetCurrentDrawable();
        if (!display || !drawable)
            return 0;
        const char *extensions = glXQueryExtensionsString(display, DefaultScreen(display));
        if (!extensions || !std::strstr(extensions, "GLX_EXT_buffer_age"))
            return 0;
        unsigned age = 0;
        glXQueryDrawable(display, drawable, GLX_BACK_BUFFER_AGE_EXT, &age);
        return age;
    }

    // The toolkit context for the key, made on first use; the canvas counts
    // among the users of a keyed one until it draws with another key.
    wxGLContext *ContextOfKey(const void *key)
    {
        if (m_bKeyed && m_key != key) {
            SgWxLeaveKeyedContext(m_key);
            m_bKeyed = false;
        }
        if (!key) {
            if (!s_sharedContext)
                s_sharedContext = new wxGLContext(&m_canvas);
            return s_sharedContext;
        }
        SgWxKeyedContext &entry = s_keyedContexts[key];
        if (!entry.context)
            entry.context = new wxGLContext(&m_canvas);
        if (!m_bKeyed) {
            ++entry.canvases;
            m_bKeyed = true;
            m_key = key;
        }
        return entry.context;
    }

    SgWxGLWindow &m_canvas;
    Buffer m_drawBuffer = Buffer::Back;
    bool m_backKept = false;
    // The key of the keyed context this canvas counts among the users of.
    const void *m_key = nullptr;
    bool m_bKeyed = false;
};

class SgWxGLWindow::Timer : public wxTimer {
public:
    Timer(SgWxGLWindow &window, std::uintptr_t id) : m_window(window), m_id(id) {}
    void Notify() override { m_window.OnTimerTick(m_id); }

private:
    SgWxGLWindow &m_window;
    std::uintptr_t m_id;
};

SgWxGLWindow *SgWxGLWindow::Create(wxWindow *parent)
{
    wxGLAttributes full;
    full.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).Stencil(8).MinAcumRGBA(16, 16, 16, 16).EndList();
    if (wxGLCanvas::IsDisplaySupported(full))
        return new SgWxGLWindow(parent, full, true);
    wxGLAttributes plain;
    plain.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
    if (wxGLCanvas::IsDisplaySupported(plain))
        return new SgWxGLWindow(parent, plain, false);
    return nullptr;
}

SgWxGLWindow::SgWxGLWindow(wxWindow *parent, const wxGLAttributes &attributes, bool accumulation)
    : wxGLCanvas(parent, attributes, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS),
      m_context(std::make_unique<Context>(*this)), m_bAccumulation(accumulation)
{
    ++s_canvasCount;
    m_context->m_format.stencilBits = accumulation ? 8 : 0;
    m_context->m_format.accumBits = accumulation ? 16 : 0;
    // Painting is ours alone: the toolkit must not clear the window first.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &SgWxGLWindow::OnPaint, this);
    Bind(wxEVT_SIZE, &SgWxGLWindow::OnSize, this);
    Bind(wxEVT_MOTION, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_LEFT_DOWN, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_LEFT_DCLICK, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_RIGHT_DOWN, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_RIGHT_UP, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_RIGHT_DCLICK, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_MIDDLE_DOWN, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_MIDDLE_UP, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_MIDDLE_DCLICK, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_MOUSEWHEEL, &SgWxGLWindow::OnMouse, this);
    Bind(wxEVT_KEY_DOWN, &SgWxGLWindow::OnKey, this);
    Bind(wxEVT_KEY_UP, &SgWxGLWindow::OnKey, this);
    Bind(wxEVT_SET_FOCUS, &SgWxGLWindow::OnFocus, this);
    Bind(wxEVT_KILL_FOCUS, &SgWxGLWindow::OnFocus, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &SgWxGLWindow::OnCaptureLost, this);
    Bind(wxEVT_DESTROY, &SgWxGLWindow::OnWindowDestroy, this);
    m_pTopLevel = wxGetTopLevelParent(parent);
    if (m_pTopLevel)
        m_pTopLevel->Bind(wxEVT_ACTIVATE, &SgWxGLWindow::OnActivate, this);
}

SgWxGLWindow::~SgWxGLWindow()
{
    // The toolkit must not see a window go that still holds the mouse.
    if (wxGLCanvas::HasCapture())
        ReleaseMouse();
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        Send(SgWM::kDestroy, 0, 0);
    }
    m_timers.clear();
    m_context.reset();
    if (--s_canvasCount == 0) {
        delete s_sharedContext;
        s_sharedContext = nullptr;
    }
}

GLContext *SgWxGLWindow::GetGLContext()
{
    return m_context.get();
}

SgRect SgWxGLWindow::GetClientRect() const
{
    const wxSize size = GetClientSize();
    return {0, 0, size.x, size.y};
}

void SgWxGLWindow::InvalidateNow()
{
    if (m_bDestroyed)
        return;
    Refresh(false);
    Update();
}

bool SgWxGLWindow::BackBufferKeptBySwap() const
{
    return m_context && m_context->IsBackKept();
}

void SgWxGLWindow::SetTimer(std::uintptr_t id, int milliseconds)
{
    auto &timer = m_timers[id];
    if (!timer)
        timer = std::make_unique<Timer>(*this, id);
    timer->Start(milliseconds > 0 ? milliseconds : 1);
}

void SgWxGLWindow::KillTimer(std::uintptr_t id)
{
    auto it = m_timers.find(id);
    if (it != m_timers.end())
        it->second->Stop();
}

void SgWxGLWindow::OnTimerTick(std::uintptr_t id)
{
    Send(SgWM::kTimer, id, 0);
}

void SgWxGLWindow::SetCapture()
{
    // The toolkit refuses a second capture by the same window.
    if (!wxGLCanvas::HasCapture())
        CaptureMouse();
}

void SgWxGLWindow::ReleaseCapture()
{
    if (wxGLCanvas::HasCapture())
        ReleaseMouse();
}

bool SgWxGLWindow::HasCapture() const
{
    return wxGLCanvas::HasCapture();
}

void SgWxGLWindow::ClientToScreen(int &x, int &y) const
{
    wxGLCanvas::ClientToScreen(&x, &y);
}

void SgWxGLWindow::ScreenToClient(int &x, int &y) const
{
    wxGLCanvas::ScreenToClient(&x, &y);
}

void SgWxGLWindow::DestroyWindow()
{
    if (m_pTopLevel)
        m_pTopLevel->Close();
    else
        wxGLCanvas::Destroy();
}

void SgWxGLWindow::OnPaint(wxPaintEvent &)
{
    wxPaintDC dc(this);
    const wxRect box = GetUpdateRegion().GetBox();
    m_clipBox = {box.x, box.y, box.x + box.width, box.y + box.height};
    Send(SgWM::kPaint, 0, 0);
    m_clipBox = SgRect{};
}

void SgWxGLWindow::OnSize(wxSizeEvent &event)
{
    const wxSize size = GetClientSize();
    Send(SgWM::kSize, 0, SgWM::MakePoint(size.x, size.y));
    event.Skip();
}

void SgWxGLWindow::OnMouse(wxMouseEvent &event)
{
    const unsigned message = MouseMessage(event);
    if (message == 0) {
        event.Skip();
        return;
    }
    // A modifier released while a menu held the keyboard (Alt after a menu
    // key) never reached this window; the mouse event knows it is up.
    const struct {
        bool down;
        int key, left;
    } modifiers[] = {{event.AltDown(), SgVK::kMenu, SgVK::kLMenu},
                     {event.ControlDown(), SgVK::kControl, SgVK::kLControl},
                     {event.ShiftDown(), SgVK::kShift, SgVK::kLShift}};
    for (const auto &modifier : modifiers) {
        if (!modifier.down && SgKeyState::IsDown(modifier.key)) {
            SgKeyState::SetDown(modifier.key, false);
            SgKeyState::SetDown(modifier.left, false);
        }
    }
    std::uintptr_t wParam = KeyBits(event);
    const std::intptr_t point = SgWM::MakePoint(event.GetX(), event.GetY());
    const bool release = message == SgWM::kLButtonUp || message == SgWM::kRButtonUp || message == SgWM::kMButtonUp;
    if (release && m_heldButtons != 0 && point != m_lastPoint && !m_bDestroyed) {
        // The toolkit merges the moves of a quick drag and may drop the last
        // ones before the release: the drag is first taken to where the
        // button was let go, with the button still down.
        Send(SgWM::kMouseMove, (wParam & ~(SgWM::kLeftButtonBit | SgWM::kRightButtonBit | SgWM::kMiddleButtonBit)) |
                                   m_heldButtons,
             point);
    }
    const std::uintptr_t held = wParam & (SgWM::kLeftButtonBit | SgWM::kRightButtonBit | SgWM::kMiddleButtonBit);
    if (message == SgWM::kMouseMove && (m_heldButtons & ~held) != 0) {
        // A button went up where this window could not see it (hidden
        // between press and release, with no capture-lost notice): the drag
        // it began ends here, where it was last seen, as its release would.
        ReleaseHeldButtons(m_heldButtons & ~held);
        if (m_bDestroyed)
            return;
    }
    m_heldButtons = held;
    m_lastPoint = point;
    if (message == SgWM::kMouseWheel) {
        // Whole notches of 120, whatever the device reports per notch.
        const int perNotch = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : SgWM::kWheelDelta;
        int delta = event.GetWheelRotation() * SgWM::kWheelDelta / perNotch;
        if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL)
            delta = 0;
        wParam = SgWM::MakeWheelParam(delta, static_cast<unsigned>(wParam));
    }
    if (message == SgWM::kLButtonDown || message == SgWM::kRButtonDown || message == SgWM::kMButtonDown)
        wxGLCanvas::SetFocus();
    if (Send(message, wParam, SgWM::MakePoint(event.GetX(), event.GetY())) == 0)
        event.Skip();
}

void SgWxGLWindow::OnKey(wxKeyEvent &event)
{
    const bool down = event.GetEventType() == wxEVT_KEY_DOWN;
    const int key = VirtualKey(event.GetKeyCode());
    if (key == 0) {
        event.Skip();
        return;
    }
    SgKeyState::SetDown(key, down);
    if (key == SgVK::kMenu) {
        // The toolkit does not tell left from right Alt: the left one is assumed.
        SgKeyState::SetDown(SgVK::kLMenu, down);
        Send(down ? SgWM::kSysKeyDown : SgWM::kSysKeyUp, static_cast<std::uintptr_t>(key), 0);
        return;
    }
    if (Send(down ? SgWM::kKeyDown : SgWM::kKeyUp, static_cast<std::uintptr_t>(key), 0) == 0)
        event.Skip();
}

void SgWxGLWindow::OnFocus(wxFocusEvent &event)
{
    if (event.GetEventType() == wxEVT_KILL_FOCUS) {
        // Releases that happen elsewhere never reach this window.
        SgKeyState::ReleaseAll();
        Send(SgWM::kKillFocus, 0, 0);
    } else {
        Send(SgWM::kSetFocus, 0, 0);
    }
    event.Skip();
}

void SgWxGLWindow::ReleaseHeldButtons(std::uintptr_t buttons)
{
    // A release for each of `buttons` the last mouse message had down, where the
    // mouse was last seen: whatever that press began ends as if the user had
    // let go.
    static constexpr struct {
        std::uintptr_t bit;
        unsigned message;
    } kReleases[] = {{SgWM::kLeftButtonBit, SgWM::kLButtonUp},
                     {SgWM::kMiddleButtonBit, SgWM::kMButtonUp},
                     {SgWM::kRightButtonBit, SgWM::kRButtonUp}};
    for (const auto &release : kReleases) {
        if (m_bDestroyed || !(m_heldButtons & buttons & release.bit))
            continue;
        m_heldButtons &= ~release.bit;
        Send(release.message, m_heldButtons, m_lastPoint);
    }
}

void SgWxGLWindow::EndInteraction()
{
    if (m_bDestroyed)
        return;
    if (wxGLCanvas::HasCapture()) {
        // Escape first: a creation between its clicks or a rubber band is
        // dropped rather than finished.
        SgKeyState::SetDown(SgVK::kEscape, true);
        Send(SgWM::kKeyDown, SgVK::kEscape, 0);
        SgKeyState::SetDown(SgVK::kEscape, false);
        Send(SgWM::kKeyUp, SgVK::kEscape, 0);
    }
    ReleaseHeldButtons();
    if (!m_bDestroyed)
        ReleaseCapture();
}

void SgWxGLWindow::OnCaptureLost(wxMouseCaptureLostEvent &)
{
    // The capture is gone (another grab, the window hidden): the releases
    // will never come here, so the drag ends now as a release would end it.
    ReleaseHeldButtons();
}

void SgWxGLWindow::OnActivate(wxActivateEvent &event)
{
    Send(SgWM::kActivate, event.GetActive() ? 1u : 0u, 0);
    event.Skip();
}

void SgWxGLWindow::OnWindowDestroy(wxWindowDestroyEvent &event)
{
    if (event.GetEventObject() == this && !m_bDestroyed) {
        if (wxGLCanvas::HasCapture())
            ReleaseMouse();
        m_bDestroyed = true;
        for (auto &[id, timer] : m_timers)
            timer->Stop();
        if (m_pTopLevel) {
            m_pTopLevel->Unbind(wxEVT_ACTIVATE, &SgWxGLWindow::OnActivate, this);
            m_pTopLevel = nullptr;
        }
        Send(SgWM::kDestroy, 0, 0);
    }
    event.Skip();
}
