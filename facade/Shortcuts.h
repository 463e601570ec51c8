#pragma once
// The facade's keyboard shortcuts: key presses in a viewer, with neither
// Ctrl nor Alt held, run the commands whose records name the key
// (facade/CommandRecord.cpp), unless a running tool holds the mouse or the
// host's menus run the key themselves. It owns those menu keys and the
// event action of the key being handled.
#include <vector>
#include "facade/DrevonExport.h"

class SgHandleEventAction;

namespace drevon {

class CDrevon;

class DREVON_API Shortcuts {
public:
    explicit Shortcuts(CDrevon &facade);
    Shortcuts(const Shortcuts &) = delete;
    Shortcuts &operator=(const Shortcuts &) = delete;

    // The document's key handler (`shortcuts` is this object). Always 0: the
    // event goes on to the other handlers.
    static int KeyEvent(SgHandleEventAction *action, void *shortcuts);
    // A key pressed in a viewer: false when it is left to a running tool or
    // nobody used it.
    bool OnKeyDown(int virtualKey, bool windowCaptured);
    // Runs the shortcut of a key; false when the key has none. The action
    // (may be null) is the one that brought the key.
    bool RunShortcut(int virtualKey, SgHandleEventAction *action);
    // Keys whose presses the host's menus run themselves (Delete in the
    // modeller): the shortcut leaves them, so that they run once.
    void SetMenuKeys(std::vector<int> keys) { m_menuKeys = std::move(keys); }
    // The event action of the key being handled, while it is (else null).
    SgHandleEventAction *GetKeyAction() const { return m_pKeyAction; }

private:
    CDrevon &m_facade;
    std::vector<int> m_menuKeys;
    SgHandleEventAction *m_pKeyAction = nullptr;
};

} // namespace drevon
