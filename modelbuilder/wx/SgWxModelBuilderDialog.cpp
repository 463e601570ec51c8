#include "modelbuilder/wx/SgWxModelBuilderDialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

namespace {

// The builder's item an entry of the wx tree shows.
class ItemData : public wxTreeItemData {
public:
    explicit ItemData(CParamListTree::Item item) : m_item(item) {}
    CParamListTree::Item m_item;
};

wxString FromUtf8(const std::string &text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

std::string ToUtf8(const wxString &text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

} // namespace

SgWxModelBuilderDialog::SgWxModelBuilderDialog(wxWindow *parent, MabrelDlg *builder)
    : SgWxCadDialog(parent, builder, "Create/Edit Parametric Model"), m_pBuilder(builder)
{
    Build();
}

SgWxModelBuilderDialog::SgWxModelBuilderDialog(wxWindow *parent, std::unique_ptr<MabrelDlg> builder)
    : SgWxCadDialog(parent, builder.get(), "Create/Edit Parametric Model"), m_owned(std::move(builder)),
      m_pBuilder(m_owned.get())
{
    Build();
}

SgWxModelBuilderDialog::~SgWxModelBuilderDialog()
{
    // The builder hears no more of a window that goes, and the base must not
    // reach an owned builder after it went.
    m_bMirroring = true;
    if (m_pBuilder)
        m_pBuilder->SetListener(nullptr);
    Detach();
}

void SgWxModelBuilderDialog::Build()
{
    auto *top = new wxBoxSizer(wxVERTICAL);

    // "Add Parameter": three labelled entries and the buttons that act on them.
    auto *group = new wxStaticBoxSizer(wxVERTICAL, this, "Add Parameter");
    wxStaticBox *box = group->GetStaticBox();
    auto *entries = new wxFlexGridSizer(2, 3, 4, 8);
    entries->AddGrowableCol(0, 2);
    entries->AddGrowableCol(2, 2);
    entries->Add(new wxStaticText(box, wxID_ANY, "Parameter Name"));
    entries->Add(new wxStaticText(box, wxID_ANY, "Parameter Type"));
    entries->Add(new wxStaticText(box, wxID_ANY, "Default Value"));
    m_pNameEdit = new wxTextCtrl(box, kIdNameEdit);
    m_pTypeCombo = new wxChoice(box, kIdType);
    m_pDefaultEdit = new wxTextCtrl(box, kIdDefaultEdit);
    entries->Add(m_pNameEdit, 1, wxEXPAND);
    entries->Add(m_pTypeCombo, 1, wxEXPAND);
    entries->Add(m_pDefaultEdit, 1, wxEXPAND);
    group->Add(entries, 0, wxEXPAND | wxALL, 4);
    auto *groupButtons = new wxBoxSizer(wxHORIZONTAL);
    m_pAddButton = new wxButton(box, kIdAdd, "Add ");
    m_pRemoveButton = new wxButton(box, kIdRemove, "Remove");
    m_pClearButton = new wxButton(box, kIdClear, "Cleare");
    m_pSetAsDefaultCheck = new wxCheckBox(box, kIdSetAsDefault, "SetAsDefault");
    for (wxWindow *w : std::initializer_list<wxWindow *>{m_pAddButton, m_pRemoveButton, m_pClearButton})
        groupButtons->Add(w, 0, wxRIGHT, 6);
    groupButtons->Add(m_pSetAsDefaultCheck, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 6);
    group->Add(groupButtons, 0, wxALL, 4);
    top->Add(group, 0, wxEXPAND | wxALL, 8);

    // The tree, and beside it the buttons that act on its items.
    auto *middle = new wxBoxSizer(wxHORIZONTAL);
    m_pTree = new wxTreeCtrl(this, kIdTree, wxDefaultPosition, wxSize(360, 180),
                             wxTR_HAS_BUTTONS | wxTR_EDIT_LABELS | wxTR_HIDE_ROOT | wxTR_SINGLE | wxBORDER_SUNKEN);
    m_pTree->AddRoot("");
    middle->Add(m_pTree, 1, wxEXPAND | wxRIGHT, 8);
    auto *side = new wxBoxSizer(wxVERTICAL);
    m_pConnectButton = new wxButton(this, kIdConnect, "Connect");
    m_pDisconnectButton = new wxButton(this, kIdDisconnect, "Disconnect");
    side->Add(m_pConnectButton, 0, wxEXPAND | wxBOTTOM, 4);
    side->Add(m_pDisconnectButton, 0, wxEXPAND | wxBOTTOM, 12);
    side->Add(new wxButton(this, kIdSetScript, "Set Script"), 0, wxEXPAND | wxBOTTOM, 4);
    side->Add(new wxButton(this, kIdGetScript, "Get Script"), 0, wxEXPAND);
    middle->Add(side, 0);
    top->Add(middle, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);

    // The model's own scripts and the script box.
    auto *scripts = new wxBoxSizer(wxHORIZONTAL);
    scripts->Add(new wxStaticText(this, wxID_ANY, "Control Points Script "), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    m_pModelScript = new wxChoice(this, kIdModelScript);
    for (const char *name : MabrelDlg::kModelScriptNames)
        m_pModelScript->Append(name);
    scripts->Add(m_pModelScript, 0, wxRIGHT, 4);
    scripts->Add(new wxButton(this, kIdSelect, "Select"), 0, wxRIGHT, 12);
    scripts->Add(new wxStaticText(this, wxID_ANY, "Current Script"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    // Kept as the template has it; nothing fills it.
    scripts->Add(new wxComboBox(this, kIdCurrentScript, "", wxDefaultPosition, wxSize(120, -1)), 1);
    top->Add(scripts, 0, wxEXPAND | wxALL, 8);
    m_pScriptEdit = new wxTextCtrl(this, kIdScriptEdit, "", wxDefaultPosition, wxSize(-1, 120),
                                   wxTE_MULTILINE | wxTE_PROCESS_ENTER | wxHSCROLL);
    top->Add(m_pScriptEdit, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

    auto *closing = new wxBoxSizer(wxHORIZONTAL);
    closing->AddStretchSpacer();
    closing->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 6);
    closing->Add(new wxButton(this, kIdApply, "Apply"), 0, wxRIGHT, 6); // no handler, as in the template
    closing->Add(new wxButton(this, wxID_CANCEL, "Cancel"));
    top->Add(closing, 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);

    for (int id : {kIdAdd, kIdClear, kIdRemove, kIdConnect, kIdDisconnect, kIdSetScript, kIdGetScript, kIdSelect})
        Bind(wxEVT_BUTTON, &SgWxModelBuilderDialog::OnButton, this, id);
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) {
        if (!m_bMirroring)
            m_pBuilder->SetNameText(ToUtf8(m_pNameEdit->GetValue()));
    }, m_pNameEdit->GetId());
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) {
        if (!m_bMirroring)
            m_pBuilder->SetDefaultText(ToUtf8(m_pDefaultEdit->GetValue()));
    }, m_pDefaultEdit->GetId());
    Bind(wxEVT_TEXT, [this](wxCommandEvent &) {
        if (!m_bMirroring)
            m_pBuilder->SetScriptText(ToUtf8(m_pScriptEdit->GetValue()));
    }, m_pScriptEdit->GetId());
    Bind(wxEVT_CHOICE, [this](wxCommandEvent &) {
        if (!m_bMirroring)
            m_pBuilder->SelectType(m_pTypeCombo->GetSelection());
    }, m_pTypeCombo->GetId());
    Bind(wxEVT_CHOICE, [this](wxCommandEvent &) {
        if (!m_bMirroring)
            m_pBuilder->SetModelScriptChoice(m_pModelScript->GetSelection());
    }, m_pModelScript->GetId());
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent &) {
        if (!m_bMirroring)
            m_pBuilder->SetSetAsDefault(m_pSetAsDefaultCheck->GetValue());
    }, m_pSetAsDefaultCheck->GetId());
    Bind(wxEVT_TREE_SEL_CHANGED, &SgWxModelBuilderDialog::OnSelChanged, this, m_pTree->GetId());
    m_pTree->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent &event) {
        event.Skip();
        const wxTreeItemId selected = m_pTree->GetSelection();
        // A focus event reaches only the tree, not the dialog: the choice
        // is the dialog's own all the same.
        CCadDlg::Acting acting(*m_pBuilder);
        if (!m_bMirroring && selected.IsOk())
            if (auto *data = dynamic_cast<ItemData *>(m_pTree->GetItemData(selected)))
                m_pBuilder->SelectItem(data->m_item);
    });
    Bind(wxEVT_TREE_BEGIN_LABEL_EDIT, [this](wxTreeEvent &event) {
        auto *data = dynamic_cast<ItemData *>(m_pTree->GetItemData(event.GetItem()));
        if (!data || !m_pBuilder->OnBeginlabeleditTreeParamlist(data->m_item))
            event.Veto();
    }, m_pTree->GetId());
    // A label is the model's: an edited one is never kept.
    Bind(wxEVT_TREE_END_LABEL_EDIT, [](wxTreeEvent &event) { event.Veto(); }, m_pTree->GetId());

    m_pBuilder->SetListener(this);
    {
        CCadDlg::Acting acting(*m_pBuilder);
        m_pBuilder->OnInitDialog();
    }
    // The type list is known once the builder has opened.
    m_bMirroring = true;
    m_pTypeCombo->Clear();
    for (const std::string &name : m_pBuilder->GetTypeNames())
        m_pTypeCombo->Append(FromUtf8(name));
    m_bMirroring = false;
    BuilderChanged();
    Layout();
    Fit();
}

wxTreeItemId SgWxModelBuilderDialog::FindItem(CParamListTree::Item item) const
{
    auto it = m_items.find(item);
    return it == m_items.end() ? wxTreeItemId() : wxTreeItemId(it->second);
}

void SgWxModelBuilderDialog::MirrorTree()
{
    const CParamListTree &tree = m_pBuilder->GetTree();
    if (tree.GetRevision() == m_treeRevision)
        return;
    m_treeRevision = tree.GetRevision();
    const wxTreeItemId root = m_pTree->GetRootItem();
    m_pTree->DeleteChildren(root);
    m_items.clear();
    struct Walk {
        SgWxModelBuilderDialog *self;
        const CParamListTree &tree;
        void operator()(CParamListTree::Item parent, const wxTreeItemId &into) const
        {
            for (CParamListTree::Item child : tree.GetChildren(parent)) {
                const wxTreeItemId id =
                    self->m_pTree->AppendItem(into, FromUtf8(tree.GetItemText(child)), -1, -1, new ItemData(child));
                self->m_items[child] = id.GetID();
                (*this)(child, id);
            }
        }
    };
    Walk{this, tree}(0, root);
    // The trees are small: everything shows.
    wxTreeItemIdValue cookie;
    for (wxTreeItemId top = m_pTree->GetFirstChild(root, cookie); top.IsOk(); top = m_pTree->GetNextChild(root, cookie))
        m_pTree->ExpandAllChildren(top);
}

void SgWxModelBuilderDialog::BuilderChanged()
{
    if (m_bMirroring || !m_pBuilder)
        return;
    m_bMirroring = true;
    const MabrelDlg &b = *m_pBuilder;
    auto mirrorText = [](wxTextCtrl *edit, const std::string &text) {
        const wxString value = FromUtf8(text);
        if (edit->GetValue() != value)
            edit->ChangeValue(value);
    };
    mirrorText(m_pNameEdit, b.GetNameText());
    mirrorText(m_pDefaultEdit, b.GetDefaultText());
    mirrorText(m_pScriptEdit, b.GetScriptText());
    if (m_pTypeCombo->GetSelection() != b.GetTypeSelection() && b.GetTypeSelection() < int(m_pTypeCombo->GetCount()))
        m_pTypeCombo->SetSelection(b.GetTypeSelection());
    if (m_pModelScript->GetSelection() != b.GetModelScriptChoice())
        m_pModelScript->SetSelection(b.GetModelScriptChoice());
    m_pSetAsDefaultCheck->SetValue(b.GetSetAsDefault());
    const MabrelDlg::Enabled &on = b.GetEnabled();
    m_pAddButton->Enable(on.add);
    m_pRemoveButton->Enable(on.remove);
    m_pClearButton->Enable(on.clear);
    m_pSetAsDefaultCheck->Enable(on.setAsDefault);
    m_pConnectButton->Enable(on.connect);
    m_pDisconnectButton->Enable(on.disconnect);
    MirrorTree();
    const wxTreeItemId caret = FindItem(b.GetTree().GetCaret());
    if (caret.IsOk() && m_pTree->GetSelection() != caret)
        m_pTree->SelectItem(caret);
    m_bMirroring = false;
}

void SgWxModelBuilderDialog::OnSelChanged(wxTreeEvent &event)
{
    if (m_bMirroring)
        return;
    if (auto *data = dynamic_cast<ItemData *>(m_pTree->GetItemData(event.GetItem())))
        m_pBuilder->SelectItem(data->m_item);
}

void SgWxModelBuilderDialog::OnButton(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case kIdAdd: m_pBuilder->OnButtonAddparam(); break;
    case kIdClear: m_pBuilder->OnButtonClear(); break;
    case kIdRemove: m_pBuilder->OnButtonDelparam(); break;
    case kIdConnect: m_pBuilder->OnButtonConnect(); break;
    case kIdDisconnect: m_pBuilder->OnButtonDisconnect(); break;
    case kIdSetScript: m_pBuilder->OnButtonSetScript(); break;
    case kIdGetScript: m_pBuilder->OnButtonGetScript(); break;
    case kIdSelect: m_pBuilder->OnButtonEmptySelectedField(); break;
    default: event.Skip(); break;
    }
}

namespace mabrel {

SgWxCadDialog *CreateModelBuilderDialog(wxWindow *parent, SgDocument *document)
{
    return new SgWxModelBuilderDialog(parent, std::make_unique<MabrelDlg>(document, parent));
}

} // namespace mabrel
