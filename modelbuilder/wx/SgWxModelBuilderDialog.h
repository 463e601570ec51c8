#pragma once
// The parametric-model builder's window, "Create/Edit Parametric Model": the
// "Add Parameter" group (name, type, default value, "Add ", "Remove",
// "Cleare", "SetAsDefault"), the tree of parameters, connections and scripted
// fields, "Connect", "Disconnect", "Set Script", "Get Script", the model
// script list with "Select", the script box, OK, Apply and Cancel. Every
// control forwards to the MabrelDlg it shows; the window mirrors the
// builder's state whenever the builder says it changed.
//
//   wxDialog *window = mabrel::CreateModelBuilderDialog(parent, document);
//   window->Show();             // or static_cast<SgWxCadDialog *>(window)->Open()
//
// OK and Cancel hide the window; whoever made it destroys it with
// wxWindow::Destroy (also from the document's close-dialog callback, which
// runs while the click is still being answered: never `delete`), and that
// also destroys the builder the creation function made.
#include <cstdint>
#include <map>
#include <memory>

#include "dialogs/wx/SgWxCadDialog.h"
#include "modelbuilder/MabrelDlg.h"
#include "modelbuilder/wx/MabrelWxExport.h"

class SgDocument;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxTextCtrl;
class wxTreeCtrl;
class wxTreeEvent;
class wxTreeItemId;

class MABRELWX_API SgWxModelBuilderDialog : public SgWxCadDialog, public MabrelDlg::Listener {
public:
    // The control ids of the builder's template.
    enum {
        kIdNameEdit = 1002, kIdDefaultEdit = 1005, kIdApply = 1012, kIdDisconnect = 1014, kIdAdd = 1017,
        kIdClear = 1018, kIdTree = 1019, kIdType = 1020, kIdModelScript = 1021, kIdConnect = 1022,
        kIdRemove = 1024, kIdSetAsDefault = 1026, kIdScriptEdit = 1027, kIdSetScript = 1028,
        kIdGetScript = 1029, kIdSelect = 1030, kIdCurrentScript = 1031
    };

    // Shows `builder` (not owned; it must outlive the window) and runs its
    // OnInitDialog.
    SgWxModelBuilderDialog(wxWindow *parent, MabrelDlg *builder);
    // The same, owning the builder: it goes with the window.
    SgWxModelBuilderDialog(wxWindow *parent, std::unique_ptr<MabrelDlg> builder);
    ~SgWxModelBuilderDialog() override;

    MabrelDlg *GetBuilder() const { return m_pBuilder; }
    wxTreeCtrl *GetTree() const { return m_pTree; }
    // The tree's item that shows the builder's item, or an invalid id.
    wxTreeItemId FindItem(CParamListTree::Item item) const;

    // MabrelDlg::Listener
    void BuilderChanged() override;

private:
    void Build();
    void MirrorTree();
    void OnButton(wxCommandEvent &event);
    void OnSelChanged(wxTreeEvent &event);

    std::unique_ptr<MabrelDlg> m_owned;
    MabrelDlg *m_pBuilder = nullptr;
    bool m_bMirroring = false;
    std::uint64_t m_treeRevision = ~std::uint64_t(0);

    wxTextCtrl *m_pNameEdit = nullptr;
    wxTextCtrl *m_pDefaultEdit = nullptr;
    wxChoice *m_pTypeCombo = nullptr;
    wxButton *m_pAddButton = nullptr;
    wxButton *m_pRemoveButton = nullptr;
    wxButton *m_pClearButton = nullptr;
    wxCheckBox *m_pSetAsDefaultCheck = nullptr;
    wxTreeCtrl *m_pTree = nullptr;
    wxButton *m_pConnectButton = nullptr;
    wxButton *m_pDisconnectButton = nullptr;
    wxChoice *m_pModelScript = nullptr;
    wxTextCtrl *m_pScriptEdit = nullptr;
    std::map<CParamListTree::Item, void *> m_items; // builder item -> wx item id
};

namespace mabrel {

// A new builder window on the document's selection, not shown yet; the
// window owns its builder. The dialog table opens it with Open() (or Show()).
MABRELWX_API SgWxCadDialog *CreateModelBuilderDialog(wxWindow *parent, SgDocument *document);

} // namespace mabrel
