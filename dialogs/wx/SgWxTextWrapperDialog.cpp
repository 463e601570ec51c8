#include "dialogs/wx/SgWxTextWrapperDialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

SgWxTextWrapperDialog::SgWxTextWrapperDialog(wxWindow *parent, std::unique_ptr<CTextWrapperDlg> dialog)
    : SgWxCadDialog(parent, dialog.get(), "Text Along a Path"), m_wrapper(std::move(dialog)), m_timer(this)
{
    m_text = new wxTextCtrl(this, kIdText, wxString::FromUTF8(m_wrapper->GetText()));
    const char *names[4] = {"Scale", "Rotate", "Path", "Offset"};
    const int ids[4] = {kIdScale, kIdRotate, kIdPath, kIdOffset};
    auto *checks = new wxBoxSizer(wxHORIZONTAL);
    for (int i = 0; i < 4; ++i) {
        m_checks[i] = new wxCheckBox(this, ids[i], names[i]);
        checks->Add(m_checks[i], 0, wxRIGHT, 8);
    }
    // Four combo boxes the dialog shows but reads nothing from.
    auto *combos = new wxBoxSizer(wxHORIZONTAL);
    for (int id : {kIdCombo3, kIdCombo4, kIdCombo2, kIdCombo1})
        combos->Add(new wxChoice(this, id), 1, wxRIGHT | wxEXPAND, 4);
    m_phase = new wxTextCtrl(this, kIdPhase, "0");
    m_delta = new wxTextCtrl(this, kIdDelta, "0.3");
    m_play = new wxButton(this, kIdPlay, "Play");
    auto *grid = new wxFlexGridSizer(4, 4, 6);
    grid->Add(new wxStaticText(this, wxID_ANY, "Phase:"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_phase, 0, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "Delta:"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_delta, 0, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "Profile:"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxButton(this, kIdProfile, "Next"), 0, wxEXPAND);
    grid->AddSpacer(0);
    grid->Add(m_play, 0, wxEXPAND);
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_text, 0, wxALL | wxEXPAND, 10);
    top->Add(checks, 0, wxLEFT | wxRIGHT, 10);
    top->Add(combos, 0, wxALL | wxEXPAND, 10);
    top->Add(grid, 0, wxLEFT | wxRIGHT | wxEXPAND, 10);
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 10);
    SetSizerAndFit(top);

    // Bound on the dialog (not on the controls), so that the changes are
    // the dialog's own (SgWxCadDialog::ProcessEvent).
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) { m_wrapper->OnTextChanged(m_text->GetValue().utf8_string()); },
         m_text->GetId());
    auto changed = [this](wxCommandEvent &) {
        ReadControls();
        m_wrapper->OnChecksOrPhase();
    };
    Bind(wxEVT_TEXT, changed, m_phase->GetId());
    for (wxCheckBox *check : m_checks)
        Bind(wxEVT_CHECKBOX, changed, check->GetId());
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) { m_wrapper->SetDeltaText(m_delta->GetValue().ToStdString()); },
         m_delta->GetId());
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_wrapper->OnProfile(); }, kIdProfile);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) {
        m_wrapper->OnPlay();
        if (m_wrapper->IsPlaying())
            m_timer.Start(kPlayPeriodMs);
        else
            m_timer.Stop();
        m_play->SetLabel(m_wrapper->IsPlaying() ? "Stop" : "Play");
    }, kIdPlay);
    Bind(wxEVT_TIMER, [this](wxTimerEvent &) {
        if (!m_wrapper->IsPlaying()) {
            m_timer.Stop();
            return;
        }
        m_wrapper->OnTimer();
        WriteControls();
    });
    // Closing stops the playback (the dialog switches undo back on).
    Bind(wxEVT_SHOW, [this](wxShowEvent &event) {
        if (!event.IsShown()) {
            m_timer.Stop();
            m_play->SetLabel("Play");
        }
        event.Skip();
    });
}

SgWxTextWrapperDialog::~SgWxTextWrapperDialog()
{
    m_timer.Stop();
    Detach();
}

void SgWxTextWrapperDialog::ReadControls()
{
    for (int i = 0; i < 4; ++i)
        m_wrapper->SetCheck(CTextWrapperDlg::Check(i), m_checks[i]->GetValue());
    double phase = 0.0;
    if (m_phase->GetValue().ToDouble(&phase))
        m_wrapper->SetPhase(phase);
}

void SgWxTextWrapperDialog::WriteControls()
{
    m_phase->ChangeValue(wxString::Format("%g", m_wrapper->GetPhase()));
}

SgWxCadDialog *CreateTextWrapperDialog(wxWindow *parent, SgDocument *document)
{
    auto wrapper = std::make_unique<CTextWrapperDlg>(document, parent);
    {
        CCadDlg::Acting acting(*wrapper);
        wrapper->OnInitDialog();
    }
    return new SgWxTextWrapperDialog(parent, std::move(wrapper));
}
