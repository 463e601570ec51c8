#pragma once
// The scene tree's window: a wxTreeCtrl that shows a CArbeloCtrl (the panel's
// logic in treepanel/) with the class pictures drawn for it (20 x 16), and
// the scene-tree dialog around one.
//
//   auto *tree = new arbelo::SgWxSceneTree(parentWindow);
//   tree->Attach(document);             // builds the tree, follows the document
//   ...
//   wxDialog *dialog = arbelo::CreateSceneTreeDialog(frame, document);
//   dialog->Show();
#include <wx/timer.h>
#include <wx/treectrl.h>

#include "treepanel/CArbeloCtrl.h"
#include "treepanel/wx/ArbeloWxExport.h"

class SgDocument;
class wxDialog;
class SgWxCadDialog;

namespace arbelo {

class ARBELOWX_API SgWxSceneTree : public wxTreeCtrl, public StTreeView {
public:
    static constexpr int kControlId = 22331;

    // `panel` is the logic to show; without one the window keeps its own.
    explicit SgWxSceneTree(wxWindow *parent, CArbeloCtrl *panel = nullptr, wxWindowID id = kControlId);
    ~SgWxSceneTree() override;

    CArbeloCtrl &Panel() { return *m_pPanel; }
    // Shows the document's scene and follows it; null empties the tree.
    void Attach(SgDocument *document);

    // StTreeView
    StItem InsertItem(StItem parent, StItem after, const std::string &text, int image, bool button,
                      std::uint64_t data) override;
    void DeleteItem(StItem item) override;
    void DeleteChildren(StItem item) override;
    void DeleteAllItems() override;
    StItem GetParent(StItem item) const override;
    StItem GetFirstChild(StItem item) const override;
    StItem GetNextSibling(StItem item) const override;
    int GetItemCount() const override;
    std::string GetText(StItem item) const override;
    void SetText(StItem item, const std::string &text) override;
    std::uint64_t GetData(StItem item) const override;
    bool HasChildren(StItem item) const override;
    void SetButton(StItem item, bool button) override;
    void Expand(StItem item) override;
    bool IsExpanded(StItem item) const override;
    void EnsureVisible(StItem item) override;
    void Highlight(StItem item) override;
    StItem GetHighlighted() const override;

    // The class pictures, in the order of arbelo::StImage.
    static wxImageList *CreateImageList();

private:
    wxTreeItemId IdOf(StItem item) const;
    StItem ItemOf(const wxTreeItemId &id) const;
    void OnExpanding(wxTreeEvent &event);
    void OnCollapsing(wxTreeEvent &event);
    void OnSelChanged(wxTreeEvent &event);
    void OnBeginEdit(wxTreeEvent &event);
    void OnEndEdit(wxTreeEvent &event);
    void OnActivated(wxTreeEvent &event);
    void OnMenu(wxTreeEvent &event);
    void OnTimer(wxTimerEvent &event);

    std::unique_ptr<CArbeloCtrl> m_own;
    CArbeloCtrl *m_pPanel;
    wxTreeItemId m_root;
    int m_updating = 0;
    bool m_editing = false;
    wxString m_labelBeforeEdit;
    wxTimer m_sync;
};

// The scene-tree dialog ("Arbelo View": the tree, OK, "Refresh", "Pointers",
// "Undo"), modeless; it closes like every editing dialog and frees itself
// when destroyed. The facade's dialog table opens it through this.
ARBELOWX_API wxDialog *CreateSceneTreeDialog(wxWindow *parent, SgDocument *document);
// The same window not yet shown, for a table that shows it itself.
ARBELOWX_API SgWxCadDialog *MakeSceneTreeDialog(wxWindow *parent, SgDocument *document);

} // namespace arbelo
