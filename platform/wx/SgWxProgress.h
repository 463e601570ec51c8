#pragma once
// The window host's download progress: a dialog "Downloading, Please Wait."
// with a message line, a bar of SgProgressModel::kRange steps and a Cancel
// button, shown without blocking the window while the download runs. It is
// opened at the first step of an operation and closed at its end.
#include <wx/dialog.h>

#include "platform/SgProgress.h"
#include "platform/controls/SgProgressModel.h"
#include "platform/wx/PlatformWxExport.h"

class wxGauge;
class wxStaticText;

class PLATFORMWX_API ProgressBarDlg : public wxDialog {
public:
    explicit ProgressBarDlg(wxWindow *parent);

    void SetProgress(double fraction);
    void SetMessage(const char *message);
    bool IsAborted() const { return m_model.IsAborted(); }
    const SgProgressModel &Model() const { return m_model; }

private:
    void OnCancel(wxCommandEvent &event);

    SgProgressModel m_model;
    wxStaticText *m_pMessage = nullptr;
    wxGauge *m_pBar = nullptr;
};

// Shows downloads in the dialog while the subscription lives.
[[nodiscard]] PLATFORMWX_API SgProgressSubscription SgSubscribeWxDownloadDialog();
