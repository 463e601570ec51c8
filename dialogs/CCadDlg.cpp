#include "dialogs/CCadDlg.h"

#include <algorithm>
#include <cmath>

#include "engine/document/SgDocument.h"
#include "platform/SgDiagnostics.h"

namespace {

// A bound as a 16-bit spin range holds it: truncated toward zero and kept
// within 16 bits.
int SpinBound(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(value, -32768.0, 32767.0)));
}

} // namespace

CCadDlg::CCadDlg(SgDocument *document, unsigned id, void *parent)
    : m_pDocument(document), m_pParent(parent), m_id(id)
{
    if (m_pDocument && m_pDocument->GetViewerCount() > 0)
        m_pViewer = m_pDocument->GetViewer(0);
}

CCadDlg::~CCadDlg() = default;

SgViewer *CCadDlg::GetViewer() const
{
    if (!m_pDocument || m_pDocument->GetViewerCount() == 0) {
        SgDiagError("Dialogs", "dialog %u: the document has no viewer", m_id);
        return nullptr;
    }
    return m_pDocument->GetViewer(0);
}

void CCadDlg::ReportClosing()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    if (!m_pDocument)
        return;
    if (SgDocument::CloseDialogFn report = m_pDocument->GetCloseDialogCallback())
        report(m_pDocument->GetCloseDialogOwner(), this);
}

bool CCadDlg::StartKeyPoint()
{
    if (!m_pDocument || !m_pDocument->IsUndoRecording())
        return m_bKeyPointOpen;
    EndKeyPoint();
    m_iKeyPoint = m_pDocument->StartKeyPoint();
    m_bKeyPointOpen = m_iKeyPoint >= 0;
    return m_bKeyPointOpen;
}

bool CCadDlg::EndKeyPoint()
{
    if (!m_bKeyPointOpen)
        return false;
    m_bKeyPointOpen = false;
    if (m_pDocument)
        m_pDocument->EndKeyPoint();
    return true;
}

bool CCadDlg::RevertKeyPoint()
{
    if (!EndKeyPoint() || !m_pDocument)
        return false;
    m_pDocument->RevertToLastKeyPoint(m_iKeyPoint);
    return true;
}

void CCadDlg::RedrawViewers() const
{
    if (m_pDocument)
        m_pDocument->RedrawAllViewers();
}

void CCadDlg::OnOK()
{
    ReportClosing();
    if (m_pView)
        m_pView->EndDialog(kIdOK);
}

void CCadDlg::OnCancel()
{
    ReportClosing();
    if (m_pView)
        m_pView->EndDialog(kIdCancel);
}

void CCadDlg::OnClose()
{
    // A dialog's close box cancels.
    OnCancel();
}

void CCadDlg::InitSpinCtrl(SpinSetup &spin, unsigned buddyId, double low, double high, bool show)
{
    spin.buddyId = buddyId;
    spin.low = SpinBound(low);
    spin.high = SpinBound(high);
    spin.position = 0;
    spin.shown = show;
}
