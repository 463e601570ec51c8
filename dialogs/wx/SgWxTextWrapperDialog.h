#pragma once
// The text-along-a-path dialog's window: the text, the Scale, Rotate, Path
// and Offset check boxes, Phase and Delta, the profile and play buttons, OK
// and Cancel. It owns its CTextWrapperDlg; opening it puts the text object
// into the scene. While playing, a timer advances the phase.
//
//   SgWxCadDialog *window = CreateTextWrapperDialog(parent, document);
//   window->Open();
#include <memory>

#include <wx/timer.h>

#include "dialogs/CTextWrapperDlg.h"
#include "dialogs/wx/SgWxCadDialog.h"
#include "dialogs/wx/PallicoWxExport.h"

class wxButton;
class wxCheckBox;
class wxTextCtrl;

class PALLICOWX_API SgWxTextWrapperDialog : public SgWxCadDialog {
public:
    enum { kIdText = 1092, kIdScale = 1093, kIdRotate = 1094, kIdPath = 1095, kIdOffset = 1096, kIdCombo1 = 1097,
           kIdCombo2 = 1098, kIdCombo3 = 1099, kIdCombo4 = 1100, kIdPhase = 1101, kIdPlay = 1102, kIdDelta = 1103,
           kIdProfile = 1107 };
    // The shortest period the playback timer runs at.
    static constexpr int kPlayPeriodMs = 15;

    SgWxTextWrapperDialog(wxWindow *parent, std::unique_ptr<CTextWrapperDlg> dialog);
    ~SgWxTextWrapperDialog() override;

    CTextWrapperDlg &GetWrapper() { return *m_wrapper; }

private:
    void ReadControls();
    void WriteControls();

    std::unique_ptr<CTextWrapperDlg> m_wrapper;
    wxTextCtrl *m_text = nullptr;
    wxTextCtrl *m_phase = nullptr;
    wxTextCtrl *m_delta = nullptr;
    wxCheckBox *m_checks[4] = {};
    wxButton *m_play = nullptr;
    wxTimer m_timer;
};

// Makes the window on a new CTextWrapperDlg and places the text object; the
// window owns the dialog.
PALLICOWX_API SgWxCadDialog *CreateTextWrapperDialog(wxWindow *parent, SgDocument *document);
