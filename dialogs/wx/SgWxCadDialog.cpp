#include "dialogs/wx/SgWxCadDialog.h"

#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/textentry.h>

namespace {

// Whether a label is being edited in place: the keyboard is in a text entry
// that a control (a tree, a list) holds as its own child, not a field of the
// dialog's.
bool SgWxCadDialogEditsInPlace()
{
    wxWindow *focus = wxWindow::FindFocus();
    wxWindow *holder = focus ? focus->GetParent() : nullptr;
    if (!holder || !dynamic_cast<wxTextEntry *>(focus))
        return false;
    return !holder->IsTopLevel() && !wxDynamicCast(holder, wxPanel) && !wxDynamicCast(holder, wxStaticBox);
}

} // namespace

SgWxCadDialog::SgWxCadDialog(wxWindow *parent, CCadDlg *dialog, const wxString &title)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxSTAY_ON_TOP),
      m_pDialog(dialog)
{
    if (m_pDialog)
        m_pDialog->SetView(this);
    Bind(wxEVT_BUTTON, &SgWxCadDialog::OnButton, this, wxID_OK);
    Bind(wxEVT_BUTTON, &SgWxCadDialog::OnButton, this, wxID_CANCEL);
    Bind(wxEVT_CHAR_HOOK, &SgWxCadDialog::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent &event) {
        if (m_pDialog)
            m_pDialog->OnClose();
        else
            event.Skip();
    });
}

SgWxCadDialog::~SgWxCadDialog()
{
    Detach();
}

void SgWxCadDialog::Detach()
{
    if (m_pDialog && m_pDialog->GetView() == this)
        m_pDialog->SetView(nullptr);
    m_pDialog = nullptr;
}

void SgWxCadDialog::Open()
{
    if (m_pDialog)
        m_pDialog->Opened();
    Show();
    Raise();
}

bool SgWxCadDialog::ProcessEvent(wxEvent &event)
{
    if (!m_pDialog)
        return wxDialog::ProcessEvent(event);
    CCadDlg::Acting acting(*m_pDialog);
    return wxDialog::ProcessEvent(event);
}

void SgWxCadDialog::EndDialog(int code)
{
    SetReturnCode(code == CCadDlg::kIdOK ? wxID_OK : wxID_CANCEL);
    Hide();
}

void SgWxCadDialog::OnButton(wxCommandEvent &event)
{
    if (!m_pDialog) {
        event.Skip();
        return;
    }
    if (event.GetId() == wxID_OK)
        m_pDialog->OnOK();
    else
        m_pDialog->OnCancel();
}

void SgWxCadDialog::OnCharHook(wxKeyEvent &event)
{
    const int key = event.GetKeyCode();
    const bool enterOrEscape = key == WXK_RETURN || key == WXK_NUMPAD_ENTER || key == WXK_ESCAPE;
    // While a label is edited in place the key ends the edit; otherwise
    // Escape closes the dialog as everywhere else.
    if (m_pDialog && m_pDialog->GetProcessEnter() && enterOrEscape &&
        (key != WXK_ESCAPE || SgWxCadDialogEditsInPlace())) {
        event.DoAllowNextEvent();
        return;
    }
    if (m_pDialog && key == WXK_ESCAPE) {
        m_pDialog->OnCancel();
        return;
    }
    event.Skip();
}
