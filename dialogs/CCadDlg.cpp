#include "dialogs/CCadDlg.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/document/SgDocument.h"
#include "engine/viewer/BmpUtils.h"
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
    BeginStay();
}

void CCadDlg::BeginStay()
{
    m_bInStay = m_pDocument != nullptr;
    m_iOrigin = m_pDocument ? m_pDocument->NewUndoOrigin() : 0;
}

void CCadDlg::SetDocument(SgDocument *document)
{
    EndKeyPoint();
    m_pDocument = document;
    m_pViewer = document && document->GetViewerCount() > 0 ? document->GetViewer(0) : nullptr;
    BeginStay();
}

void CCadDlg::Opened()
{
    m_bOpen = true;
    if (!m_bInStay)
        BeginStay();
}

void CCadDlg::FinishStay(bool keep)
{
    EndKeyPoint();
    if (!m_bInStay || !m_pDocument)
        return;
    m_bInStay = false;
    if (keep)
        m_pDocument->JoinOrigin(m_iOrigin);
    else
        ReportKeptChanges(m_pDocument->TakeBackOrigin(m_iOrigin));
}

void CCadDlg::ReportKeptChanges(int kept) const
{
    if (kept > 0)
        SgDiagTellUser(SgDiagLevel::Warning, "Dialogs",
                       std::to_string(kept) + (kept == 1 ? " change" : " changes") +
                           " of the dialog stayed: the main window changed the same things afterwards, "
                           "and taking them back would undo that too. Undo takes them back in order.");
}

CCadDlg::Acting::Acting(const CCadDlg &dialog)
    : m_pDocument(dialog.m_pDocument), m_iPrevious(dialog.m_pDocument ? dialog.m_pDocument->GetUndoOrigin() : 0)
{
    if (m_pDocument && dialog.m_bInStay)
        m_pDocument->SetUndoOrigin(dialog.m_iOrigin);
}

CCadDlg::Acting::~Acting()
{
    if (m_pDocument)
        m_pDocument->SetUndoOrigin(m_iPrevious);
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
    Acting acting(*this);
    m_iKeyPoint = m_pDocument->StartKeyPoint();
    m_bKeyPointOpen = m_iKeyPoint >= 0;
    return m_bKeyPointOpen;
}

bool CCadDlg::EndKeyPoint()
{
    if (!m_bKeyPointOpen)
        return false;
    m_bKeyPointOpen = false;
    if (m_pDocument) {
        Acting acting(*this);
        m_pDocument->EndKeyPoint();
    }
    return true;
}

bool CCadDlg::RevertKeyPoint()
{
    if (!EndKeyPoint() || !m_pDocument)
        return false;
    ReportKeptChanges(m_pDocument->TakeBackOrigin(m_iOrigin, m_iKeyPoint));
    return true;
}

void CCadDlg::RedrawViewers() const
{
    if (m_pDocument)
        m_pDocument->RedrawAllViewers();
}

void CCadDlg::OnOK()
{
    FinishStay(true);
    ReportClosing();
    if (m_pView)
        m_pView->EndDialog(kIdOK);
}

void CCadDlg::OnCancel()
{
    FinishStay(false);
    RedrawViewers();
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

bool CCadDlg::RenderViewerRgb(SgViewer *viewer, int width, int height, std::vector<unsigned char> &rgb)
{
    if (!viewer || width <= 0 || height <= 0)
        return false;
    struct Target {
        std::vector<unsigned char> *rgb;
        int width;
        int height;
    } target{&rgb, width, height};
    return BmpUtils::DrawToBuffer(
        viewer, width, height,
        [](const BmpImage &bitmap, void *user) -> int {
            auto &out = *static_cast<Target *>(user);
            const int w = bitmap.header.width;
            const int h = bitmap.header.height < 0 ? -bitmap.header.height : bitmap.header.height;
            if (w != out.width || h != out.height || bitmap.header.bitCount != 24)
                return 0;
            const int stride = bitmap.BytesPerRow();
            if (bitmap.pixels.size() < size_t(stride) * h)
                return 0;
            out.rgb->assign(size_t(w) * h * 3, 0);
            for (int y = 0; y < h; ++y) {
                // Bottom-up rows of blue, green, red.
                const int row = bitmap.header.height < 0 ? y : h - 1 - y;
                const unsigned char *from = bitmap.pixels.data() + size_t(row) * stride;
                unsigned char *to = out.rgb->data() + size_t(y) * w * 3;
                for (int x = 0; x < w; ++x) {
                    to[3 * x] = from[3 * x + 2];
                    to[3 * x + 1] = from[3 * x + 1];
                    to[3 * x + 2] = from[3 * x];
                }
            }
            return 1;
        },
        &target);
}
