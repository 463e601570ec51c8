#include "dialogs/wx/SgWxCustomDialog.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "platform/wx/SgWxControls.h"

namespace {

wxFont PixelFont(int height)
{
    return wxFont(wxSize(0, height), wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL);
}

} // namespace

SgWxCustomDialog::SgWxCustomDialog(wxWindow *parent, std::unique_ptr<CustomDlg> dialog)
    : SgWxCadDialog(parent, dialog.get(), "Custom"), m_custom(std::move(dialog)), m_timer(this)
{
    auto makeMargin = [this](wxWindowID editId, wxWindowID spinId, CNumEdit *&edit, CNumSpinCtrl *&spin) {
        edit = new CNumEdit(this, editId);
        edit->SetFont(PixelFont(21));
        spin = new CNumSpinCtrl(this, spinId);
        spin->SetBuddy(edit);
        spin->SetDecimalPlaces(1);
        spin->SetRangeAndDelta(0.0, 100.0, 0.1);
        spin->Model().SetAfterChange([this](SgNumSpinModel *) { OnMargins(); });
    };
    makeMargin(kIdLeftEdit, kIdLeftSpin, m_leftEdit, m_leftSpin);
    makeMargin(kIdRightEdit, kIdRightSpin, m_rightEdit, m_rightSpin);
    m_length = new wxStaticText(this, kIdLength, "  0.0", wxDefaultPosition, wxDefaultSize, wxALIGN_RIGHT);
    m_length->SetFont(PixelFont(26));
    m_wire = new wxChoice(this, kIdWire);
    for (int i = 0; i < CustomDlg::kWireTypes; ++i)
        m_wire->Append(CustomDlg::WireName(i));

    auto *grid = new wxFlexGridSizer(3, 4, 6);
    grid->Add(new wxStaticText(this, wxID_ANY, "Left  Margin (%)"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_leftEdit, 0, wxEXPAND);
    grid->Add(m_leftSpin, 0, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "Right  Margin (%)"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_rightEdit, 0, wxEXPAND);
    grid->Add(m_rightSpin, 0, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "Arch Length (mm)"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_length, 0, wxEXPAND);
    grid->AddSpacer(0);
    grid->Add(new wxStaticText(this, wxID_ANY, "Wire Type"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_wire, 0, wxEXPAND);
    grid->AddSpacer(0);
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, kIdReset, "Reset"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, wxID_OK, "OK"), 0);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxALL | wxEXPAND, 10);
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 10);
    SetSizerAndFit(top);

    // As the dialog starts: the controls from the scene, then the timer.
    m_bWriting = true;
    m_leftSpin->SetPos(m_custom->GetLeftMargin());
    m_rightSpin->SetPos(m_custom->GetRightMargin());
    m_wire->SetSelection(m_custom->GetWireType() >= 0 && m_custom->GetWireType() < CustomDlg::kWireTypes
                             ? m_custom->GetWireType()
                             : wxNOT_FOUND);
    m_bWriting = false;
    {
        CCadDlg::Acting acting(*m_custom);
        m_custom->OnInitDialog();
    }
    SetTitle(m_custom->GetCaption());
    ShowLength();

    // Bound on the dialog, so that the changes are the dialog's own.
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) { OnMargins(); }, m_leftEdit->GetId());
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) { OnMargins(); }, m_rightEdit->GetId());
    Bind(wxEVT_CHOICE, [this](wxCommandEvent &) {
        m_custom->OnWireType(m_wire->GetSelection());
        ShowLength();
    }, m_wire->GetId());
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_custom->OnReset(); }, kIdReset);
    Bind(wxEVT_TIMER, [this](wxTimerEvent &) {
        if (!m_custom->IsTimerRunning()) {
            m_timer.Stop();
            return;
        }
        m_custom->OnTimer();
        ShowLength();
    });
    Bind(wxEVT_SHOW, [this](wxShowEvent &event) {
        if (event.IsShown() && m_custom->IsTimerRunning())
            m_timer.Start(CustomDlg::kTimerPeriodMs);
        else
            m_timer.Stop();
        event.Skip();
    });
}

SgWxCustomDialog::~SgWxCustomDialog()
{
    m_timer.Stop();
    Detach();
}

void SgWxCustomDialog::OnMargins()
{
    if (m_bWriting)
        return;
    double left = 0.0, right = 0.0;
    if (!m_leftEdit->GetValue().ToDouble(&left) || !m_rightEdit->GetValue().ToDouble(&right))
        return;
    m_custom->SetMargins(left, right);
    ShowLength();
}

void SgWxCustomDialog::ShowLength()
{
    const wxString text = m_custom->GetLengthText();
    if (m_length->GetLabel() != text)
        m_length->SetLabel(text);
}

SgWxCadDialog *CreateCustomDialog(wxWindow *parent, SgDocument *document, const char *name,
                                  CustomDlg::CustomEvent customEvent)
{
    auto custom = std::make_unique<CustomDlg>(document, name, parent);
    custom->SetCustomEventCallback(std::move(customEvent));
    return new SgWxCustomDialog(parent, std::move(custom));
}
