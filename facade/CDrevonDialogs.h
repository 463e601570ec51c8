#pragma once
// How the facade reaches its editing dialogs without the toolkit. The host
// installs a DialogFactory (DialogTable::SetFactory); for a dialog command
// the facade asks it for a DialogInstance of that kind, which holds the
// dialog's logic (a CCadDlg) and its window. The facade keeps the instance in
// its table of open dialogs until the dialog closed and the next opening
// reaps it, and it destroys every instance before its document goes.
//
//   class MyFactory : public drevon::DialogFactory {
//       bool CanMake(int button) const override { return button == drevon::kColorDialog; }
//       std::unique_ptr<drevon::DialogInstance> Make(drevon::CDrevon &facade,
//                                                   const drevon::DialogRequest &request) override;
//   };
//   facade.GetDialogs().SetFactory(&factory);   // before the first dialog command
//   facade.GetDialogs().Open(drevon::kColorDialog);   // modeless
#include <memory>
#include "facade/DrevonExport.h"

class CCadDlg;

namespace drevon {

class CDrevon;

// One dialog the facade opened: its logic and its window.
class DREVON_API DialogInstance {
public:
    virtual ~DialogInstance() = default;
    // The dialog's logic; its id is its identity in the table, and it is what
    // the document's close-dialog callback hands back. Asked for after
    // Create (a window may bring its logic with it) and while the window
    // stands.
    virtual CCadDlg *GetDialog() = 0;
    // Makes the window (controls filled from the document); false when it
    // could not be made.
    virtual bool Create() = 0;
    // Shows the window modeless, on top of the host's window; its next
    // closing is reported.
    virtual void Show() = 0;
    // Brings a shown window to the front.
    virtual void Raise() = 0;
    // Destroys the window now; no closing operation of the dialog runs. The
    // instance may be deleted afterwards (its destructor does this too).
    virtual void DestroyWindow() = 0;
};

// What a dialog command asks for: the button that opened it, the dialog's
// id in the table, and the name a named dialog is opened with (the custom
// dialog's; null for the others).
struct DREVON_API DialogRequest {
    int button = 0;
    unsigned dialogId = 0;
    const char *name = nullptr;
};

class DREVON_API DialogFactory {
public:
    virtual ~DialogFactory() = default;
    // Whether this host has a dialog for the button (its command shows
    // disabled otherwise).
    virtual bool CanMake(int button) const = 0;
    // A new dialog for the facade's document, window not yet made; null when
    // it cannot be made.
    virtual std::unique_ptr<DialogInstance> Make(CDrevon &facade, const DialogRequest &request) = 0;
};

} // namespace drevon
