#pragma once
// The dialog commands of the facade: its table of open dialogs. A dialog
// opens through the host's dialog factory (facade/CDrevonDialogs.h), one
// instance per dialog; its slot is freed when the dialog reports its
// closing, and every dialog goes before the document it edits. It owns the
// slots and the factory's address.
#include <array>
#include <memory>

#include "facade/CDrevonDialogs.h"
#include "facade/DrevonExport.h"

namespace drevon {

class CDrevon;

class DREVON_API DialogTable {
public:
    // At most this many dialogs are open at once.
    static constexpr int kSlots = 16;

    explicit DialogTable(CDrevon &facade);
    ~DialogTable();
    DialogTable(const DialogTable &) = delete;
    DialogTable &operator=(const DialogTable &) = delete;

    // The host's maker of dialog windows; none: every dialog command shows
    // disabled. The factory must stay until the facade goes or another is set.
    void SetFactory(DialogFactory *factory) { m_factory = factory; }
    DialogFactory *GetFactory() const { return m_factory; }
    // Opens the dialog of a dialog button (drevon::DialogButton; the custom
    // dialog with its name) modeless. 1 when it opened, and when too few
    // objects are selected (nothing opens then); 0 when it was refused (open
    // already: brought to the front with a message; all slots taken; no
    // dialog of that kind; its window could not be made).
    int Open(int button, const char *name = nullptr);
    // A dialog button's command: opens its dialog (the operation of its record).
    void OnDialogButton(int button) { Open(button); }
    // Whether the button's dialog can open now.
    bool CanOpen(int button) const;
    // A dialog reported its closing: frees its slot and turns its button
    // off; the object stays until the next opening.
    void Closed(const CCadDlg *dialog);
    // Frees every slot, turns the buttons off and destroys the windows.
    void CloseAll();
    // Deletes the objects of freed slots (`all`: closes and deletes every one).
    void Reap(bool all);
    // Whether a dialog opened by this button is open.
    bool IsOpen(int button) const;
    int GetOpenCount() const;
    // The open dialog the button opened, or null.
    DialogInstance *FindOpen(int button) const;

private:
    struct Slot {
        unsigned id = 0;  // 0: free
        int button = 0;
        std::unique_ptr<DialogInstance> instance;  // kept after closing until reaped
    };

    CDrevon &m_facade;
    std::array<Slot, kSlots> m_slots;
    DialogFactory *m_factory = nullptr;
};

} // namespace drevon
