// The control's property page: its persistent properties, one labelled
// field each; OK puts every changed field back through the dispatch table
// and names the first one refused (the others are kept).
#include <vector>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "control/FennixPropertyPage.h"
#include "control/wx/FennixCtrl.h"
#include "platform/Notifier.h"

namespace {

class FennixPropertyPage : public wxDialog {
public:
    FennixPropertyPage(wxWindow *parent, fennix::FennixControl &control)
        : wxDialog(parent, wxID_ANY, "Fennix Control Properties", wxDefaultPosition, wxDefaultSize,
                   wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
          m_control(control), m_rows(fennix::PropertyRows(control))
    {
        SetName("FennixPropertyPage");
        auto *grid = new wxFlexGridSizer(2, 4, 8);
        grid->AddGrowableCol(1, 1);
        for (const fennix::PropertyRow &row : m_rows) {
            grid->Add(new wxStaticText(this, wxID_ANY, row.name), 0, wxALIGN_CENTER_VERTICAL);
            auto *field = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(row.text), wxDefaultPosition,
                                         wxSize(row.number ? 120 : 320, -1));
            field->SetName(row.name);
            m_fields.push_back(field);
            grid->Add(field, 0, row.number ? 0 : wxEXPAND);
        }
        auto *top = new wxBoxSizer(wxVERTICAL);
        top->Add(grid, 1, wxEXPAND | wxALL, 10);
        top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
        SetSizerAndFit(top);
        Bind(wxEVT_BUTTON, &FennixPropertyPage::OnOk, this, wxID_OK);
    }

private:
    void OnOk(wxCommandEvent &)
    {
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            const std::string text = m_fields[i]->GetValue().utf8_string();
            if (text == m_rows[i].text)
                continue;
            const fennix::DispResult result = fennix::SetPropertyText(m_control, m_rows[i], text);
            if (!result.ok) {
                GetNotifier().Message(result.message, "Fennix Control Properties", Notifier::Buttons::Ok,
                                      Notifier::Icon::Error);
                m_fields[i]->SetFocus();
                return;
            }
            m_rows[i].text = text;
        }
        EndModal(wxID_OK);
    }

    fennix::FennixControl &m_control;
    std::vector<fennix::PropertyRow> m_rows;
    std::vector<wxTextCtrl *> m_fields;
};

} // namespace

void FennixCtrl::ShowPropertyPage()
{
    // A host that serves its own facade keeps its own properties.
    if (!m_owning)
        return;
    FennixPropertyPage page(this, m_control);
    page.ShowModal();
}
