// The facade's keyboard shortcuts: key presses in a viewer, with neither
// Ctrl nor Alt held, run view, selection, manipulator and playback commands.
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

constexpr int kKeyEscape = 27;
constexpr int kKeyB = 66;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyDelete = 46;
constexpr int kKeyA = 65;
constexpr int kKeyE = 69;
constexpr int kKeyF = 70;
constexpr int kKeyH = 72;
constexpr int kKeyQ = 81;
constexpr int kKeyR = 82;
constexpr int kKeyS = 83;
constexpr int kKeyW = 87;
constexpr int kKeyF2 = 113;
constexpr int kKeyF4 = 115;
constexpr int kKeyF5 = 116;
constexpr int kKeyF7 = 118;
constexpr int kKeyPlus = SgVK::kOemPlus;  // 187
constexpr int kKeyMinus = SgVK::kOemMinus;  // 189
constexpr int kKeyPlay = 250;

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

void CDrevon::ShowAllDocable(int how)
{
    if (m_fnShowDockable)
        m_fnShowDockable(how);
}

bool CDrevon::ShowDockable(int slot, int show)
{
    if (!m_fnShowDockableSlot)
        return false;
    m_fnShowDockableSlot(slot, show);
    return true;
}

bool CDrevon::RunShortcut(int key, SgHandleEventAction *action)
{
    if (key < kFirstKey || key > kLastKey)
        return false;
    if (std::find(m_menuKeys.begin(), m_menuKeys.end(), key) != m_menuKeys.end())
        return false;
    switch (key) {
    case kKeyEscape:
    case kKeyB:
        if (m_bFullScreen) {
            // The full-screen window closes as the key's handling ends.
            if (action)
                action->RequestClose(true);
            m_bFullScreen = false;
        } else {
            CreateWinViewer("FullScreen", 200, 500);
        }
        return true;
    case kKeyLeft:
    case kKeyDown:
        Navigate(2);
        return true;
    case kKeyUp:
    case kKeyRight:
        Navigate(3);
        return true;
    case kKeyDelete:
        OnDeleteSelection();
        return true;
    case kKeyA:
        Focus(false);
        return true;
    case kKeyE:
        AddSelectionManip(1);
        return true;
    case kKeyF:
        Focus(true);
        return true;
    case kKeyH:
        ShowAllDocable(-1);
        return true;
    case kKeyQ:
        OnSelect();
        return true;
    case kKeyR:
        AddSelectionManip(6);
        return true;
    case kKeyS:
        ShowAllDocable(1);
        return true;
    case kKeyW:
        AddSelectionManip(5);
        return true;
    case kKeyF2:
    case kKeyPlay:
        Play(0);
        return true;
    case kKeyF4:
        OnRotateScene(1);
        return true;
    case kKeyF5:
        AddSelectionManip(0);
        return true;
    case kKeyF7:
        Refresh(0);
        return true;
    case kKeyPlus:
        RescaleManipulator(110.0f);
        return true;
    case kKeyMinus:
        RescaleManipulator(90.0f);
        return true;
    default:
        // F1 among them: no help here, the key passes.
        return false;
    }
}

} // namespace drevon
