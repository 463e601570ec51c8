#pragma once
// The toolkit's side of the dialog base: a modeless wx dialog that shows a
// CCadDlg. OK, Cancel, Escape and the close box reach the CCadDlg's OnOK,
// OnCancel and OnClose; the CCadDlg hides the window through EndDialog.
//
//   CMyDlg logic(document, kMyDialogId);        // derived from CCadDlg
//   auto *window = new SgWxCadDialog(parent, &logic, "Material");
//   ... controls, sizer ...
//   window->Open();                              // shown, modeless
#include <wx/dialog.h>

#include "dialogs/CCadDlg.h"
#include "dialogs/wx/PallicoWxExport.h"

class PALLICOWX_API SgWxCadDialog : public wxDialog, public CCadDlg::View {
public:
    // `dialog` must outlive the window or be detached with Detach().
    SgWxCadDialog(wxWindow *parent, CCadDlg *dialog, const wxString &title);
    ~SgWxCadDialog() override;

    // Shows the dialog modeless; its next closing is reported.
    void Open();
    void Detach();
    // The logic the window shows (null once detached).
    CCadDlg *GetDialog() const { return m_pDialog; }
    void EndDialog(int code) override;
    // Every event the window handles (its controls' events reach it here)
    // is the dialog acting: what it records is the dialog's own.
    bool ProcessEvent(wxEvent &event) override;

private:
    void OnButton(wxCommandEvent &event);
    void OnCharHook(wxKeyEvent &event);

    CCadDlg *m_pDialog = nullptr;
};
