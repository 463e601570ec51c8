#include "dialogs/CustomDlg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "engine/core/SgField.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"

namespace {

double Read(SgField *field, double fallback)
{
    double value = fallback;
    if (field && SgField::CastNumericFieldToDouble(field, &value))
        return value;
    return fallback;
}

// Writes through the field's text form, which every numeric field reads.
void Write(SgField *field, double value)
{
    if (!field)
        return;
    std::ostringstream text;
    text.precision(17);
    text << value;
    std::istringstream in(text.str());
    field->ReadFromStream(in, true);
}

} // namespace

CustomDlg::CustomDlg(SgDocument *document, const char *name, void *parent)
    : CCadDlg(document, kDialogId, parent), m_name(name ? name : "")
{
    if (m_name.size() > kMaxName)
        m_name.resize(kMaxName);
    if (document && document->GetRoot()) {
        const std::string params = "SplineParams" + m_name;
        const std::string length = "SplineLen" + m_name;
        m_pAv = document->FindField(document->GetRoot(), params.c_str(), "av");
        m_pBv = document->FindField(document->GetRoot(), params.c_str(), "bv");
        m_pC = document->FindField(document->GetRoot(), params.c_str(), "c");
        m_pA = document->FindField(document->GetRoot(), length.c_str(), "a");
    }
    m_dLeftMargin = Read(m_pAv, 0.0) * 100.0;
    m_dRightMargin = (1.0 - Read(m_pBv, 1.0)) * 100.0;
    m_iWireType = int(Read(m_pC, 0.0));
}

const char *CustomDlg::WireName(int index)
{
    static const char *const names[kWireTypes] = {"Wire01", "Wire02", "Wire03", "Wire04", "Wire05"};
    return index >= 0 && index < kWireTypes ? names[index] : "";
}

std::string CustomDlg::GetCaption() const
{
    return !m_name.empty() && (m_name[0] == 'l' || m_name[0] == 'L') ? "Lower Arch" : "Upper Arch";
}

std::string CustomDlg::GetLengthText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%5.1f", m_dLength * 20.0);
    return text;
}

void CustomDlg::OnInitDialog()
{
    m_bSuppress = false;
    UpdateSceneAndLen();
    m_bTimer = true;
}

void CustomDlg::UpdateSceneAndLen()
{
    if (m_bSuppress)
        return;
    const double av = m_dLeftMargin * 0.01;
    const double bv = (100.0 - m_dRightMargin) * 0.01;
    if (m_pAv && m_pBv) {
        Write(m_pAv, av);
        Write(m_pBv, bv);
    }
    m_dLength = m_pA ? std::fabs(av - bv) * Read(m_pA, 0.0) : 0.0;
}

void CustomDlg::SetMargins(double left, double right)
{
    if (m_bSuppress)
        return;
    m_dLeftMargin = std::clamp(std::isfinite(left) ? left : 0.0, 0.0, 100.0);
    m_dRightMargin = std::clamp(std::isfinite(right) ? right : 0.0, 0.0, 100.0);
    UpdateSceneAndLen();
    RedrawViewers();
}

void CustomDlg::OnWireType(int index)
{
    if (m_bSuppress || index < 0 || index >= kWireTypes || index == m_iWireType)
        return;
    m_iWireType = index;
    SgDocument *document = GetDocument();
    const std::string params = "SplineParams" + m_name;
    if (SgNode *node = document ? document->FindNode(params.c_str(), document->GetRoot()) : nullptr) {
        // "c" and the field after it, whose name the scene's node gives.
        const int count = node->GetFieldsCount();
        for (int i = 0; i < count; ++i) {
            if (node->GetFieldAddress(i) != m_pC)
                continue;
            Write(m_pC, double(index));
            if (i + 1 < count)
                Write(node->GetFieldAddress(i + 1), 1.0);
            break;
        }
    }
    Announce(m_name);
    SetMargins(m_dLeftMargin, m_dRightMargin);
}

void CustomDlg::OnReset()
{
    Announce("r" + m_name);
    RedrawViewers();
}

void CustomDlg::Announce(const std::string &text)
{
    if (m_customEvent)
        m_customEvent(text, 0);
    // The host hears it through the document, whoever opened the dialog.
    if (SgDocument *document = GetDocument())
        document->NotifyCustomEvent(text, 0);
}

void CustomDlg::Stop()
{
    m_bSuppress = true;
    m_bTimer = false;
}

void CustomDlg::OnOK()
{
    CCadDlg::OnOK();
    Stop();
}

void CustomDlg::OnClose()
{
    CCadDlg::OnClose();
    Stop();
}

void CustomDlg::OnCancel()
{
    CCadDlg::OnCancel();
    Stop();
}
