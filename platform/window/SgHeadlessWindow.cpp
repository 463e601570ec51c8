#include "platform/window/SgHeadlessWindow.h"

#include <algorithm>

#include "platform/SgClock.h"
#include "platform/window/SgWindowMessages.h"

namespace {
// A timer never fires more often than this, as on the system it mimics.
constexpr int kMinTimerInterval = 10;
} // namespace

SgHeadlessWindow::SgHeadlessWindow(int width, int height)
    : m_context(std::make_unique<OffscreenGLContext>(width, height)), m_width(width), m_height(height)
{
}

SgHeadlessWindow::~SgHeadlessWindow()
{
    DestroyWindow();
}

void SgHeadlessWindow::SetTimer(std::uintptr_t id, int milliseconds)
{
    const int interval = std::max(milliseconds, kMinTimerInterval);
    m_timers[id] = Timer{interval, GetClock().Milliseconds() + interval};
}

void SgHeadlessWindow::KillTimer(std::uintptr_t id)
{
    m_timers.erase(id);
}

bool SgHeadlessWindow::NextTimerDue(std::int64_t &due) const
{
    if (m_timers.empty())
        return false;
    due = m_timers.begin()->second.due;
    for (const auto &[id, timer] : m_timers)
        due = std::min(due, timer.due);
    return true;
}

int SgHeadlessWindow::RunTimers()
{
    const std::int64_t now = GetClock().Milliseconds();
    int sent = 0;
    // A listener may set or kill timers while it handles a tick: look the
    // next due one up again after each message.
    for (;;) {
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.due <= now && (next == m_timers.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == m_timers.end())
            break;
        const std::uintptr_t id = next->first;
        // Periodic, and a late tick does not pile up: the next one counts from now.
        next->second.due = now + next->second.interval;
        ++sent;
        Send(SgWM::kTimer, id, 0);
    }
    return sent;
}

void SgHeadlessWindow::SetFocus()
{
    if (m_bFocus)
        return;
    m_bFocus = true;
    Send(SgWM::kSetFocus, 0, 0);
}

void SgHeadlessWindow::KillFocus()
{
    if (!m_bFocus)
        return;
    m_bFocus = false;
    Send(SgWM::kKillFocus, 0, 0);
}

void SgHeadlessWindow::Expose(const SgRect &rect)
{
    if (m_bDestroyed)
        return;
    SgRect clip{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, m_width),
                std::min(rect.bottom, m_height)};
    if (clip.IsEmpty())
        clip = SgRect{};
    const SgRect previous = m_clipBox;
    m_clipBox = clip;
    Send(SgWM::kPaint, 0, 0);
    m_clipBox = previous;
}

void SgHeadlessWindow::Resize(int width, int height)
{
    if (m_bDestroyed || width < 0 || height < 0)
        return;
    // A surface needs at least one pixel; the client area may have none.
    m_context->Resize(std::max(width, 1), std::max(height, 1));
    m_width = width;
    m_height = height;
    Send(SgWM::kSize, 0, SgWM::MakePoint(width, height));
}

void SgHeadlessWindow::DestroyWindow()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_timers.clear();
    m_bCapture = false;
    Send(SgWM::kDestroy, 0, 0);
    SetListener(nullptr);
}
