#include "dialogs/wx/SgWxCadDialog.h"

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
    if (m_pDialog && m_pDialog->GetProcessEnter() && enterOrEscape) {
        // The focused control gets the key (a tree's label edit ends).
        event.DoAllowNextEvent();
        return;
    }
    if (m_pDialog && key == WXK_ESCAPE) {
        m_pDialog->OnCancel();
        return;
    }
    event.Skip();
}
