// The facade's keyboard shortcuts: key presses in a viewer, with neither
// Ctrl nor Alt held, run the commands whose records name the key
// (facade/CommandRecord.cpp).
// The handler never keeps an event: the active tool and the other handlers
// still see every key.
#include <algorithm>

#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
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

int CDrevon::KeyEvent(SgHandleEventAction *action, void *data)
{
    auto *facade = static_cast<CDrevon *>(data);
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!facade || !event || event->m_nKind != SgEvent::kKey ||
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
    SgHandleEventAction *previous = facade->m_pKeyAction;
    facade->m_pKeyAction = action;
    facade->OnKeyDown(key, captured);
    facade->m_pKeyAction = previous;
    return 0;
}

bool CDrevon::RunShortcut(int key, SgHandleEventAction *action)
{
    if (key < kFirstKey || key > kLastKey)
        return false;
    if (std::find(m_menuKeys.begin(), m_menuKeys.end(), key) != m_menuKeys.end())
        return false;
    // The action goes with the key, so that Esc can close the full-screen
    // window it came from.
    SgHandleEventAction *previous = m_pKeyAction;
    m_pKeyAction = action;
    const bool ran = RunKeyCommand(key, *this);
    m_pKeyAction = previous;
    return ran;
}

void CDrevon::ToggleFullScreen()
{
    if (m_bFullScreen) {
        // The full-screen window closes as the key's handling ends.
        if (m_pKeyAction)
            m_pKeyAction->RequestClose(true);
        m_bFullScreen = false;
    } else {
        CreateWinViewer("FullScreen", 200, 500);
    }
}

} // namespace drevon
