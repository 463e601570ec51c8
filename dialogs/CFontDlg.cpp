#include "dialogs/CFontDlg.h"

#include <algorithm>
#include <cstring>

#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgFont.h"

namespace {

// The first selected object, or null.
SgObject *FirstSelected(SgDocument *document)
{
    SgSelectionHandler *selection = document ? document->GetSelectionHandler() : nullptr;
    if (!selection || selection->GetSelCount() == 0)
        return nullptr;
    POSITION at = selection->GetPathList().GetFirst();
    const SgPath path = selection->GetPathList().GetNext(at);
    return path.IsEmpty() ? nullptr : dynamic_cast<SgObject *>(path.GetObject(true));
}

} // namespace

CFontDlg::CFontDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent) {}

CFontDlg::~CFontDlg() = default;

void CFontDlg::OnInitDialog()
{
    SgFont *font = nullptr;
    if (SgObject *object = FirstSelected(GetDocument()))
        font = static_cast<SgFont *>(object->FindFirstNode(SgFont::ClassID(), {}, nullptr, false));
    if (!font && GetDocument())
        font = GetDocument()->GetDefaultFont();
    m_font = font;
    if (!font)
        return;
    LOGFONTA record;
    font->StoreSystemFont(&record);
    m_face.assign(record.lfFaceName, strnlen(record.lfFaceName, LF_FACESIZE));
    m_points = std::clamp(record.lfHeight < 0 ? -record.lfHeight : record.lfHeight, 1, 1000);
    m_bold = record.lfWeight > SgFont::kNormalWeight;
    m_italic = record.lfItalic != 0;
}

void CFontDlg::SetFace(const std::string &face)
{
    m_face = face.substr(0, LF_FACESIZE - 1);
}

void CFontDlg::SetPointSize(int points)
{
    m_points = std::clamp(points, 1, 1000);
}

void CFontDlg::Store(SgFont &font) const
{
    LOGFONTA record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.lfFaceName, m_face.data(), std::min(m_face.size(), size_t(LF_FACESIZE - 1)));
    record.lfHeight = m_points;
    record.lfWeight = m_bold ? SgFont::kBoldWeight : SgFont::kNormalWeight;
    record.lfItalic = m_italic ? 1 : 0;
    font.LoadSystemFont(&record);
}

void CFontDlg::OnApply()
{
    SgObject *object = FirstSelected(GetDocument());
    if (!object)
        return;
    SgRef<SgFont> font(new SgFont);
    Store(*font);
    object->AddPropertyNode(font.get(), true);
    RedrawViewers();
}

void CFontDlg::OnOK()
{
    if (m_font)
        Store(*m_font);
    RedrawViewers();
    CCadDlg::OnOK();
}
