#include "treepanel/StTreeDlg.h"

#include "treepanel/Arbelo.h"

namespace arbelo {

StTreeDlg::StTreeDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    Arbelo::Init();
    SetProcessEnter(true);
    m_tree.SetDocument(document);
    m_tree.EnableUndo(true);
    m_tree.ShowPointers(false);
}

void StTreeDlg::OnInitDialog()
{
    m_tree.InitTree();
}

void StTreeDlg::OnRefresh()
{
    m_tree.RefreshTree();
}

void StTreeDlg::OnPointers(bool show)
{
    m_bPointers = show;
    m_tree.ShowPointers(show);
    m_tree.RefreshTree();
}

void StTreeDlg::OnUndo(bool undo)
{
    m_bUndo = undo;
    m_tree.EnableUndo(undo);
}

} // namespace arbelo
