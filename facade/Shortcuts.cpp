// The facade's keyboard shortcuts. The handler never keeps an event: the
// active tool and the other handlers still see every key.
#include "facade/Shortcuts.h"

#include <algorithm>

#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/window/SgKeyState.h"
#include "platform/window/SgPlatformWindow.h"
#include "platform/window/SgWindowMessages.h"

namespace drevon {

namespace {

// The keys the handler looks at; all others pass at once.
constexpr int kFirstKey = 27;
constexpr int kLastKey = 250;

} // namespace

Shortcuts::Shortcuts(CDrevon &facade) : m_facade(facade) {}

int Shortcuts::KeyEvent(SgHandleEventAction *action, void *data)
{
    auto *shortcuts = static_cast<Shortcuts *>(data);
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!shortcuts || !event || event->m_nKind != SgEvent::kKey ||
        event->m_nMessage != static_cast<int>(SgWM::kKeyDown))
        return 0;
    const int key = event->m_nKey;
    if (key < kFirstKey || key > kLastKey)
        return 0;
    // Ctrl and Alt combinations are the menus' (Ctrl+A, Ctrl+S, ...).
    if (SgKeyState::IsDown(SgVK::kControl) || SgKeyState::IsDown(SgVK::kMenu))
        return 0;
    SgViewer *viewer = action->GetViewer();
    auto *window = viewer ? static_cast<SgPlatformWindow *>(viewer->GetWindow()) : nullptr;
    const bool captured = window && window->HasCapture();
    // The action goes with the key, so that Esc can close the full-screen
    // window it came from.
    SgHandleEventAction *previous = shortcuts->m_pKeyAction;
    shortcuts->m_pKeyAction = action;
    shortcuts->OnKeyDown(key, captured);
    shortcuts->m_pKeyAction = previous;
    return 0;
}

bool Shortcuts::OnKeyDown(int virtualKey, bool windowCaptured)
{
    // A creation between its clicks, a drag or a rubber band (they hold the
    // mouse) has the key first: Esc ends it there.
    auto *creation = dynamic_cast<SgCreateCylinderTool *>(m_facade.GetCreation().GetActiveTool());
    if (windowCaptured || SgTool::IsToolActive() || (creation && creation->GetStage() > 0))
        return false;
    if (m_facade.GetHostEvents().NotifyKey(virtualKey))
        return true;
    return RunShortcut(virtualKey, m_pKeyAction);
}

bool Shortcuts::RunShortcut(int key, SgHandleEventAction *action)
{
    if (key < kFirstKey || key > kLastKey)
        return false;
    if (std::find(m_menuKeys.begin(), m_menuKeys.end(), key) != m_menuKeys.end())
        return false;
    // The action goes with the key, so that Esc can close the full-screen
    // window it came from.
    SgHandleEventAction *previous = m_pKeyAction;
    m_pKeyAction = action;
    const bool ran = RunKeyCommand(key, m_facade);
    m_pKeyAction = previous;
    return ran;
}

} // namespace drevon
