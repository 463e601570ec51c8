#pragma once
// The custom spline dialog's window: left and right margin edits with their
// spins, the arch length display, the wire type combo, "Reset" and "OK".
// It owns its CustomDlg; a 100 ms timer keeps the length up to date.
//
//   SgWxCadDialog *window = CreateCustomDialog(parent, document, "L1", hostEvent);
//   window->Open();
#include <memory>

#include <wx/timer.h>

#include "dialogs/CustomDlg.h"
#include "dialogs/wx/SgWxCadDialog.h"
#include "dialogs/wx/PallicoWxExport.h"

class CNumEdit;
class CNumSpinCtrl;
class wxChoice;
class wxStaticText;

class PALLICOWX_API SgWxCustomDialog : public SgWxCadDialog {
public:
    enum { kIdRightEdit = 2116, kIdRightSpin = 2119, kIdLeftEdit = 2118, kIdLeftSpin = 1066, kIdLength = 2115,
           kIdWire = 2122, kIdReset = 2123 };

    SgWxCustomDialog(wxWindow *parent, std::unique_ptr<CustomDlg> dialog);
    ~SgWxCustomDialog() override;

    CustomDlg &GetCustom() { return *m_custom; }

private:
    void OnMargins();
    void ShowLength();

    std::unique_ptr<CustomDlg> m_custom;
    CNumEdit *m_leftEdit = nullptr;
    CNumEdit *m_rightEdit = nullptr;
    CNumSpinCtrl *m_leftSpin = nullptr;
    CNumSpinCtrl *m_rightSpin = nullptr;
    wxStaticText *m_length = nullptr;
    wxChoice *m_wire = nullptr;
    wxTimer m_timer;
    bool m_bWriting = false;
};

// Makes the window on a new CustomDlg bound to the scene's nodes of `name`;
// the window owns it. `customEvent` hears wire changes and resets.
PALLICOWX_API SgWxCadDialog *CreateCustomDialog(wxWindow *parent, SgDocument *document, const char *name,
                                  CustomDlg::CustomEvent customEvent);
