#include "dialogs/CDisplayDlg.h"

#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/object/SgObject.h"

void HideOp::operator()(SgNode *node)
{
    if (auto *object = dynamic_cast<SgObject *>(node))
        object->m_hide = m_value;
}

void UnhideOp::operator()(SgNode *node)
{
    auto *object = dynamic_cast<SgObject *>(node);
    if (object && object->m_hide.Get() == m_value)
        object->m_hide = 0;
}

CDisplayDlg::CDisplayDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent) {}

void CDisplayDlg::OnHideSelected()
{
    SgSelectionHandler *selection = GetDocument() ? GetDocument()->GetSelectionHandler() : nullptr;
    if (!selection)
        return;
    HideOp hide;
    selection->ApplyToSelection(&hide);
    RedrawViewers();
}

void CDisplayDlg::OnHideUnselected()
{
    SgSelectionHandler *selection = GetDocument() ? GetDocument()->GetSelectionHandler() : nullptr;
    if (!selection || !selection->GetFirstFather())
        return;
    HideOp hide;
    selection->ApplyToUnSelected(&hide);
    RedrawViewers();
}

void CDisplayDlg::OnUnhideAll()
{
    SgSelectionHandler *selection = GetDocument() ? GetDocument()->GetSelectionHandler() : nullptr;
    if (!selection || !selection->GetFirstFather())
        return;
    UnhideOp unhide;
    selection->ApplyToAll(&unhide);
    RedrawViewers();
}

void CDisplayDlg::OnHideByHit()
{
    SgSelectionHandler *selection = GetDocument() ? GetDocument()->GetSelectionHandler() : nullptr;
    if (!selection)
        return;
    selection->DeselectAll();
    if (m_deleteActiveTool)
        m_deleteActiveTool();
    m_hideByHit = selection->SubscribeClicks([this](SgPath &path, const char *) {
        // One object per arming.
        if (HideByHit(&path))
            m_hideByHit.Reset();
    });
    RedrawViewers();
}

bool CDisplayDlg::HideByHit(SgPath *path)
{
    if (!path || path->IsEmpty())
        return false;
    SgSeparator *object = path->GetObject(true);
    auto *hidden = dynamic_cast<SgObject *>(object);
    if (!hidden)
        return false;
    hidden->m_hide = 1;
    if (SgDocument *document = path->FindDocInPath())
        if (document->GetViewerCount() > 0)
            document->RedrawAllViewers();
    return true;
}

void CDisplayDlg::OnOK()
{
    m_hideByHit.Reset();
    CCadDlg::OnOK();
}

void CDisplayDlg::OnCancel()
{
    m_hideByHit.Reset();
    CCadDlg::OnCancel();
}

void CDisplayDlg::OnClose()
{
    m_hideByHit.Reset();
    CCadDlg::OnClose();
}
