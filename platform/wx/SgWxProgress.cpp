#include "platform/wx/SgWxProgress.h"

#include <memory>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>


ProgressBarDlg::ProgressBarDlg(wxWindow *parent)
    : wxDialog(parent, wxID_ANY, "Downloading, Please Wait.", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSTAY_ON_TOP)
{
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    m_pMessage = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(390, -1),
                                  wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    m_pBar = new wxGauge(this, wxID_ANY, SgProgressModel::kRange, wxDefaultPosition, wxSize(390, -1),
                         wxGA_HORIZONTAL | wxGA_SMOOTH);
    auto *cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    sizer->Add(m_pMessage, 0, wxALL | wxEXPAND, 10);
    sizer->Add(m_pBar, 0, wxLEFT | wxRIGHT | wxEXPAND, 10);
    sizer->Add(cancel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 10);
    SetSizerAndFit(sizer);
    Bind(wxEVT_BUTTON, &ProgressBarDlg::OnCancel, this, wxID_CANCEL);
    // The close box cancels too.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent &) { m_model.Abort(); });
}

void ProgressBarDlg::SetProgress(double fraction)
{
    m_model.SetProgress(fraction);
    m_pBar->SetValue(m_model.GetPosition());
}

void ProgressBarDlg::SetMessage(const char *message)
{
    m_model.SetMessage(message ? message : "");
    m_pMessage->SetLabel(wxString::FromUTF8(m_model.GetMessage()));
}

void ProgressBarDlg::OnCancel(wxCommandEvent &)
{
    // The downloader sees it at its next step and stops; the dialog closes
    // when the operation ends.
    m_model.Abort();
}

SgProgressSubscription SgSubscribeWxDownloadDialog()
{
    auto dialog = std::make_shared<ProgressBarDlg *>(nullptr);
    return SgSubscribeProgress([dialog](const SgProgressReport &report) {
        // Other long work is the status line's.
        if (report.kind != SgProgressKind::Download)
            return true;
        if (report.Ended()) {
            if (*dialog) {
                (*dialog)->Destroy();
                *dialog = nullptr;
            }
            return true;
        }
        if (!*dialog) {
            *dialog = new ProgressBarDlg(wxTheApp ? wxTheApp->GetTopWindow() : nullptr);
            (*dialog)->Show();
        }
        ProgressBarDlg *shown = *dialog;
        shown->SetMessage((report.title.empty() ? report.text : report.title + ": " + report.text).c_str());
        shown->SetProgress(report.fraction);
        // Paints the dialog and lets its Cancel button be pressed; the other
        // windows take no input meanwhile.
        wxSafeYield(shown, true);
        return !shown->IsAborted();
    });
}
