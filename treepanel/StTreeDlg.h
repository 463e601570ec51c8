#pragma once
// The scene-tree dialog without the toolkit: a scene tree over the document
// with "Refresh", "Pointers" (show parents and every separator) and "Undo"
// (record edits made in the tree). Enter and Escape reach the tree's label
// edit box instead of closing the dialog. Its window is
// treepanel/wx/SgWxSceneTree (arbelo::CreateSceneTreeDialog).
#include "dialogs/CCadDlg.h"
#include "treepanel/CArbeloCtrl.h"
#include "treepanel/ArbeloExport.h"

class SgSeparator;

namespace arbelo {

class ARBELO_API StTreeDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 3000;

    explicit StTreeDlg(SgDocument *document, void *parent = nullptr);

    CArbeloCtrl &GetTree() { return m_tree; }
    // Kept for the owner; the tree always shows the viewer's graph.
    void SetRoot(SgSeparator *root) { m_pRoot = root; }
    SgSeparator *GetRoot() const { return m_pRoot; }

    void OnInitDialog();
    void OnRefresh();
    void OnPointers(bool show);
    void OnUndo(bool undo);
    bool GetPointers() const { return m_bPointers; }
    bool GetUndo() const { return m_bUndo; }

private:
    CArbeloCtrl m_tree;
    SgSeparator *m_pRoot = nullptr;
    bool m_bPointers = false;
    bool m_bUndo = true;
};

} // namespace arbelo
