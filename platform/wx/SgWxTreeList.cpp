#include "platform/wx/SgWxTreeList.h"

#include <algorithm>
#include <vector>

#include <wx/combobox.h>
#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/headerctrl.h>
#include <wx/imaglist.h>
#include <wx/popupwin.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

using Model = SgTreeListModel;
using Item = Model::Item;

namespace {

constexpr int kTipDelayMs = 1500;
// Where the tree lines and the button sit in an indent column.
constexpr int kLineOffset = 7;
constexpr int kButtonHalf = 4;

wxColour FromRef(Model::Colour c)
{
    return wxColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Model::Colour ToRef(const wxColour &c)
{
    return Model::Colour(c.Red()) | (Model::Colour(c.Green()) << 8) | (Model::Colour(c.Blue()) << 16);
}

void Fill(wxDC &dc, const wxColour &colour, int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(left, top, right - left, bottom - top);
}

// Every other pixel, so that neighbouring rows join into one dotted line.
void DottedV(wxDC &dc, const wxColour &colour, int x, int top, int bottom)
{
    dc.SetPen(wxPen(colour));
    for (int y = top | 1; y < bottom; y += 2)
        dc.DrawPoint(x, y);
}

void DottedH(wxDC &dc, const wxColour &colour, int left, int right, int y)
{
    dc.SetPen(wxPen(colour));
    for (int x = left; x < right; x += 2)
        dc.DrawPoint(x, y);
}

// The header reads its columns from the model, so that the two never differ.
class TreeListHeader : public wxHeaderCtrl {
public:
    TreeListHeader(wxWindow *parent, Model &model) : wxHeaderCtrl(parent, wxID_ANY), m_model(model) {}

    const wxHeaderColumn &GetColumn(unsigned int idx) const override
    {
        m_column = wxHeaderColumnSimple(wxString::FromUTF8(m_model.GetColumnText(int(idx))),
                                        m_model.GetColumnWidth(int(idx)));
        Model::Align align = m_model.GetColumnAlign(int(idx));
        m_column.SetAlignment(align == Model::kAlignCentre  ? wxALIGN_CENTRE
                              : align == Model::kAlignRight ? wxALIGN_RIGHT
                                                            : wxALIGN_LEFT);
        m_column.SetResizeable(true);
        m_column.SetMinWidth(0);
        return m_column;
    }

private:
    Model &m_model;
    mutable wxHeaderColumnSimple m_column{wxString()};
};

class TipWindow : public wxPopupWindow {
public:
    explicit TipWindow(wxWindow *parent) : wxPopupWindow(parent, wxBORDER_SIMPLE)
    {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, [this](wxPaintEvent &) {
            wxPaintDC dc(this);
            dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK)));
            dc.Clear();
            dc.SetFont(GetFont());
            dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
            dc.DrawText(m_text, 2, 1);
        });
    }
    wxString m_text;
};

} // namespace

CTreeListCtrl::CTreeListCtrl(wxWindow *parent, wxWindowID id, const wxPoint &pos, const wxSize &size, long style)
    : wxWindow(parent, id, pos, size, style | wxVSCROLL | wxHSCROLL | wxWANTS_CHARS, "TreeListWin")
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Model::SystemColours system;
    system.window = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    system.infoBackground = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
    system.buttonFace = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    system.windowText = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    system.buttonShadow = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    system.highlight = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
    system.highlightText = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
    system.menu = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_MENU));
    system.scrollBar = ToRef(wxSystemSettings::GetColour(wxSYS_COLOUR_SCROLLBAR));
    m_model.SetSystemColours(system);
    ApplyFont();
    m_model.SetListener(this);
    m_tipTimer = new wxTimer(this);

    Bind(wxEVT_PAINT, &CTreeListCtrl::OnPaint, this);
    Bind(wxEVT_SIZE, &CTreeListCtrl::OnSize, this);
    Bind(wxEVT_LEFT_DOWN, &CTreeListCtrl::OnMouse, this);
    Bind(wxEVT_LEFT_DCLICK, &CTreeListCtrl::OnMouse, this);
    Bind(wxEVT_MOTION, &CTreeListCtrl::OnMouse, this);
    Bind(wxEVT_LEAVE_WINDOW, &CTreeListCtrl::OnMouse, this);
    Bind(wxEVT_MOUSEWHEEL, &CTreeListCtrl::OnWheel, this);
    Bind(wxEVT_KEY_DOWN, &CTreeListCtrl::OnKey, this);
    Bind(wxEVT_SET_FOCUS, &CTreeListCtrl::OnFocus, this);
    Bind(wxEVT_KILL_FOCUS, &CTreeListCtrl::OnFocus, this);
    Bind(wxEVT_TIMER, &CTreeListCtrl::OnTipTimer, this);
    for (auto type : {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN,
                      wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK,
                      wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(type, &CTreeListCtrl::OnScroll, this);
    wxSize client = GetClientSize();
    m_model.SetClientSize(client.x, client.y);
}

CTreeListCtrl::~CTreeListCtrl()
{
    m_tipTimer->Stop();
    delete m_tipTimer;
    // The owner hears of no deletions while the window goes.
    m_owner = nullptr;
    m_model.SetListener(nullptr);
    if (m_tip)
        m_tip->Destroy();
}

void CTreeListCtrl::ApplyFont()
{
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    wxFontMetrics metrics = dc.GetFontMetrics();
    m_model.SetFontMetrics(metrics.height, metrics.ascent);
    wxFont normal = GetFont();
    wxFont bold = normal.Bold();
    m_model.SetMeasure([this, normal, bold](const std::string &text, bool isBold) {
        wxClientDC measure(this);
        measure.SetFont(isBold ? bold : normal);
        return measure.GetTextExtent(wxString::FromUTF8(text)).x;
    });
}

// ---- Columns and images -----------------------------------------------------

void CTreeListCtrl::ColumnsChanged()
{
    const int columns = m_model.GetColumnCount();
    if (columns == 0) {
        if (m_header)
            m_header->Destroy();
        m_header = nullptr;
        m_model.SetHeaderHeight(0);
        return;
    }
    if (!m_header) {
        m_header = new TreeListHeader(this, m_model);
        m_header->Bind(wxEVT_HEADER_RESIZING, &CTreeListCtrl::OnHeaderResize, this);
        m_header->Bind(wxEVT_HEADER_END_RESIZE, &CTreeListCtrl::OnHeaderResize, this);
    }
    if (m_header->GetColumnCount() != unsigned(columns))
        m_header->SetColumnCount(unsigned(columns));
    for (int c = 0; c < columns; ++c)
        m_header->UpdateColumn(unsigned(c));
    const int height = m_header->GetBestSize().y;
    if (height != m_model.GetHeaderHeight())
        m_model.SetHeaderHeight(height);
    PlaceHeader();
}

void CTreeListCtrl::OnHeaderResize(wxHeaderCtrlEvent &event)
{
    m_model.SetColumnWidth(event.GetColumn(), event.GetWidth());
    UpdateScrollBars();
}

void CTreeListCtrl::PlaceHeader()
{
    if (!m_header)
        return;
    int scroll = m_model.GetScrollX();
    m_header->SetSize(-scroll, 0, m_model.GetClientWidth() - 1 + scroll, m_model.GetHeaderHeight());
}

void CTreeListCtrl::SetImageList(wxImageList *images)
{
    m_images = images;
    int w = 0, h = 0;
    if (images)
        images->GetSize(0, w, h);
    int sw = 0, sh = 0;
    if (m_stateImages)
        m_stateImages->GetSize(0, sw, sh);
    m_model.SetImageSizes(sw, sh, w, h);
}

void CTreeListCtrl::SetStateImageList(wxImageList *images)
{
    m_stateImages = images;
    SetImageList(m_images);
}

void CTreeListCtrl::SetTreeStyle(unsigned style)
{
    if ((style & Model::kCheckBoxes) && !m_stateImages) {
        MakeCheckBoxImages();
        m_stateImages = m_checkImages.get();
    }
    m_model.SetStyle(style);
    SetImageList(m_images);
}

void CTreeListCtrl::MakeCheckBoxImages()
{
    // 0 nothing, 1 an unchecked box, 2 a checked one.
    const int size = Model::kStateImageSize;
    m_checkImages = std::make_unique<wxImageList>(size, size, true, 3);
    for (int k = 0; k < 3; ++k) {
        wxBitmap bitmap(size, size);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            if (k > 0)
                wxRendererNative::Get().DrawCheckBox(this, dc, wxRect(1, 1, size - 2, size - 2),
                                                     k == 2 ? int(wxCONTROL_CHECKED) : 0);
        }
        m_checkImages->Add(bitmap, *wxWHITE);
    }
}

// ---- Notifications ------------------------------------------------------------

bool CTreeListCtrl::ItemExpanding(Item item, unsigned action)
{
    return m_owner && m_owner->ItemExpanding(item, action);
}
void CTreeListCtrl::ItemExpanded(Item item, unsigned action)
{
    if (m_owner)
        m_owner->ItemExpanded(item, action);
}
bool CTreeListCtrl::SelChanging(Item oldItem, Item newItem, int column)
{
    return m_owner && m_owner->SelChanging(oldItem, newItem, column);
}
void CTreeListCtrl::SelChanged(Item oldItem, Item newItem, int column)
{
    if (m_owner)
        m_owner->SelChanged(oldItem, newItem, column);
}
void CTreeListCtrl::DeleteItem(Item item)
{
    if (m_editor && m_model.GetEditItem() == item)
        FinishEdit(false);
    if (m_owner)
        m_owner->DeleteItem(item);
}
bool CTreeListCtrl::BeginLabelEdit(Item item, int column)
{
    return !m_owner || m_owner->BeginLabelEdit(item, column);
}
bool CTreeListCtrl::EndLabelEdit(Item item, int column, const std::optional<std::string> &text)
{
    return !m_owner || m_owner->EndLabelEdit(item, column, text);
}

void CTreeListCtrl::Invalidate(const Model::Rect &rect)
{
    if (rect.IsEmpty())
        return;
    RefreshRect(wxRect(rect.left, rect.top, rect.Width(), rect.bottom - rect.top), false);
}

void CTreeListCtrl::ScrollChanged()
{
    // Many changes in a row (a list filled item by item) set the bars once.
    if (m_scrollPending)
        return;
    m_scrollPending = true;
    CallAfter([this] {
        m_scrollPending = false;
        UpdateScrollBars();
    });
}

void CTreeListCtrl::UpdateScrollBars()
{
    int rows = m_model.GetRowCount();
    int page = m_model.GetVisibleCount();
    // One empty row may show below the last, so the range is one longer.
    int range = page >= rows ? 0 : rows + 1;
    SetScrollbar(wxVERTICAL, m_model.GetFirstVisibleRow(), std::max(1, page), range);
    int width = m_model.GetClientWidth();
    int hrange = m_model.GetMaxScrollX() > 0 ? m_model.GetMaxScrollX() + width : 0;
    SetScrollbar(wxHORIZONTAL, m_model.GetScrollX(), std::max(1, width), hrange);
    PlaceHeader();
}

// ---- Events ------------------------------------------------------------------------

void CTreeListCtrl::OnSize(wxSizeEvent &event)
{
    wxSize client = GetClientSize();
    m_model.SetClientSize(client.x, client.y);
    UpdateScrollBars();
    Refresh(false);
    event.Skip();
}

void CTreeListCtrl::OnMouse(wxMouseEvent &event)
{
    wxPoint p = event.GetPosition();
    if (event.Moving() || event.Leaving()) {
        // The tip shows under the pointer: leaving the list for the tip is
        // no leaving, or the tip would hide and show again at once.
        if (event.Leaving() && m_tip && m_tip->IsShown() && m_tip->GetScreenRect().Contains(wxGetMousePosition()))
            return;
        if (!IsEnabled() || (m_model.GetStyle() & Model::kNoToolTips) || event.Leaving()) {
            m_model.UpdateToolTip(0, 0);
            HideTip();
            return;
        }
        unsigned flags = 0;
        Item item = m_model.HitTest(p.x, p.y, &flags);
        bool was = m_model.GetToolTip().shown;
        const Model::ToolTip &tip = m_model.UpdateToolTip(item, flags);
        if (tip.shown && (!was || !m_tip || !m_tip->IsShown()))
            ShowTip();
        else if (!tip.shown)
            HideTip();
        return;
    }
    if (m_editor)
        FinishEdit(true);
    SetFocus();
    m_model.LeftDown(p.x, p.y, event.ControlDown(), event.LeftDClick());
}

void CTreeListCtrl::OnWheel(wxMouseEvent &event)
{
    unsigned keys = 0;
    if (event.ShiftDown())
        keys |= 0x04;
    if (event.ControlDown())
        keys |= 0x08;
    // One notch of 120 scrolls as the model says, whatever the toolkit's delta.
    int delta = event.GetWheelRotation() * 120 / std::max(1, event.GetWheelDelta());
    if (!m_model.MouseWheel(delta, keys))
        event.Skip();
}

void CTreeListCtrl::OnKey(wxKeyEvent &event)
{
    Model::Key key;
    switch (event.GetKeyCode()) {
    case WXK_UP: key = Model::kKeyUp; break;
    case WXK_DOWN: key = Model::kKeyDown; break;
    case WXK_LEFT: key = Model::kKeyLeft; break;
    case WXK_RIGHT: key = Model::kKeyRight; break;
    case WXK_HOME: key = Model::kKeyHome; break;
    case WXK_END: key = Model::kKeyEnd; break;
    case WXK_PAGEUP: key = Model::kKeyPageUp; break;
    case WXK_PAGEDOWN: key = Model::kKeyPageDown; break;
    case WXK_BACK: key = Model::kKeyBack; break;
    case WXK_SPACE: key = Model::kKeySpace; break;
    default: event.Skip(); return;
    }
    m_model.KeyDown(key);
}

void CTreeListCtrl::OnScroll(wxScrollWinEvent &event)
{
    const wxEventType type = event.GetEventType();
    Model::ScrollCode code = Model::kThumb;
    if (type == wxEVT_SCROLLWIN_TOP)
        code = Model::kTop;
    else if (type == wxEVT_SCROLLWIN_BOTTOM)
        code = Model::kBottom;
    else if (type == wxEVT_SCROLLWIN_LINEUP)
        code = Model::kLineUp;
    else if (type == wxEVT_SCROLLWIN_LINEDOWN)
        code = Model::kLineDown;
    else if (type == wxEVT_SCROLLWIN_PAGEUP)
        code = Model::kPageUp;
    else if (type == wxEVT_SCROLLWIN_PAGEDOWN)
        code = Model::kPageDown;
    if (event.GetOrientation() == wxVERTICAL)
        m_model.VScroll(code, event.GetPosition());
    else
        m_model.HScroll(code, event.GetPosition());
}

void CTreeListCtrl::OnFocus(wxFocusEvent &event)
{
    Refresh(false);
    event.Skip();
}

// ---- In-place editing -------------------------------------------------------------

bool CTreeListCtrl::EditLabel(Item item, int column)
{
    return StartEditor(item, column, nullptr, true);
}

bool CTreeListCtrl::EditLabelCb(Item item, int column, const std::vector<std::string> &choices, bool editable)
{
    return StartEditor(item, column, &choices, editable);
}

bool CTreeListCtrl::StartEditor(Item item, int column, const std::vector<std::string> *choices, bool editable)
{
    if (m_editor)
        FinishEdit(false);
    m_model.EnsureVisible(item, column);
    if (!m_model.EditLabel(item, column))
        return false;
    Model::Rect r;
    if (!m_model.GetItemRect(item, column, true, r)) {
        m_model.EndEditLabel(std::nullopt);
        return false;
    }
    wxString text = wxString::FromUTF8(m_model.GetItemText(item, column));
    wxRect place(r.left, r.top, std::max(40, r.Width()), r.bottom - r.top);
    if (choices) {
        wxArrayString list;
        for (const std::string &choice : *choices)
            list.Add(wxString::FromUTF8(choice));
        auto *combo = new wxComboBox(this, 3, text, place.GetPosition(), wxSize(place.width, -1), list,
                                     (editable ? 0 : wxCB_READONLY) | wxTE_PROCESS_ENTER);
        m_editor = combo;
        combo->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent &) { FinishEdit(true); });
    } else {
        auto *edit = new wxTextCtrl(this, 3, text, place.GetPosition(), place.GetSize(), wxTE_PROCESS_ENTER);
        edit->SelectAll();
        m_editor = edit;
        edit->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent &) { FinishEdit(true); });
    }
    // Enter and Escape end the edit here, before a dialog around the list
    // can take them for its default button or its closing.
    m_editor->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent &event) {
        const int key = event.GetKeyCode();
        if (key == WXK_ESCAPE)
            FinishEdit(false);
        else if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER)
            FinishEdit(true);
        else
            event.Skip();
    });
    // Losing the focus ends the edit with the text typed.
    m_editor->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent &event) {
        event.Skip();
        CallAfter([this] {
            if (m_editor)
                FinishEdit(true);
        });
    });
    m_editor->SetFocus();
    return true;
}

void CTreeListCtrl::FinishEdit(bool take)
{
    if (!m_editor || m_ending)
        return;
    m_ending = true;
    wxWindow *editor = m_editor;
    m_editor = nullptr;
    std::optional<std::string> text;
    if (take) {
        if (auto *edit = dynamic_cast<wxTextCtrl *>(editor))
            text = edit->GetValue().utf8_string();
        else if (auto *combo = dynamic_cast<wxComboBox *>(editor))
            text = combo->GetValue().utf8_string();
    }
    editor->Hide();
    editor->Destroy();
    m_model.EndEditLabel(text);
    m_ending = false;
    SetFocus();
}

// ---- Tool tip ------------------------------------------------------------------------

wxWindow *CTreeListCtrl::GetToolTipWindow() const
{
    return m_tip && m_tip->IsShown() ? m_tip : nullptr;
}

void CTreeListCtrl::ShowTip()
{
    const Model::ToolTip &tip = m_model.GetToolTip();
    if (!tip.shown || tip.text.empty())
        return;
    if (!m_tip) {
        m_tip = new TipWindow(this);
        // The pointer moving over the tip moves over the list below it.
        m_tip->Bind(wxEVT_MOTION, [this](wxMouseEvent &event) {
            wxMouseEvent moved(event);
            moved.SetPosition(ScreenToClient(m_tip->ClientToScreen(event.GetPosition())));
            OnMouse(moved);
        });
        m_tip->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent &event) {
            HideTip();
            wxMouseEvent pressed(event);
            pressed.SetPosition(ScreenToClient(m_tip->ClientToScreen(event.GetPosition())));
            OnMouse(pressed);
        });
    }
    auto *window = static_cast<TipWindow *>(m_tip);
    bool bold = m_model.GetItemState(tip.item, tip.column) & Model::kBold;
    window->SetFont(bold ? GetFont().Bold() : GetFont());
    window->m_text = wxString::FromUTF8(tip.text);
    wxPoint corner = ClientToScreen(wxPoint(tip.rect.left + 1, tip.rect.top + 1));
    window->SetSize(corner.x, corner.y, tip.textWidth + 5 + 4, m_model.GetFontHeight() + 3);
    window->Show();
    window->Refresh();
    m_tipTimer->Start(kTipDelayMs);
}

void CTreeListCtrl::HideTip()
{
    m_tipTimer->Stop();
    if (m_tip && m_tip->IsShown())
        m_tip->Hide();
}

void CTreeListCtrl::OnTipTimer(wxTimerEvent &)
{
    wxPoint p = ScreenToClient(wxGetMousePosition());
    unsigned flags = 0;
    Item item = m_model.HitTest(p.x, p.y, &flags);
    if (!m_model.UpdateToolTip(item, flags).shown)
        HideTip();
}

// ---- Painting ----------------------------------------------------------------------

int CTreeListCtrl::WidestCell(int column)
{
    using Model = SgTreeListModel;
    const unsigned style = m_model.GetStyle();
    const int grid = (m_model.GetExtendedStyle() & Model::kExGridLines) ? 1 : 0;
    // The label's box reaches 2 pixels past the text on each side.
    constexpr int kLabelPadding = 6;
    int widest = 0;
    std::vector<Model::Item> open{m_model.GetNextItem(Model::kRoot, Model::kGetRoot)};
    while (!open.empty()) {
        const Model::Item item = open.back();
        open.pop_back();
        if (!item)
            continue;
        open.push_back(m_model.GetNextItem(item, Model::kGetNext));
        open.push_back(m_model.GetChildItem(item));
        int width = grid + kLabelPadding + m_model.GetTextWidth(item, column);
        if (column == 0) {
            const int level = m_model.GetLevel(item);
            const int shown = (style & Model::kLinesAtRoot) ? level : level - 1;
            if (shown >= 0)
                width += (shown + 1) * m_model.GetIndent() + ((style & Model::kHasLines) ? 1 : 0);
            if (m_stateImages && m_model.HasStateImages())
                width += m_model.GetStateImageWidth();
            if (m_images && m_model.GetItemImage(item) != Model::kNoImage)
                width += m_model.GetImageWidth();
        } else if (m_images && m_model.GetItemImage(item, column) >= Model::kCallbackImage) {
            width += m_model.GetImageWidth() + 1;
        }
        widest = std::max(widest, width);
    }
    return widest;
}

void CTreeListCtrl::OnPaint(wxPaintEvent &)
{
    wxAutoBufferedPaintDC dc(this);
    m_painting = true;
    const int header = m_model.GetHeaderHeight();
    const int itemHeight = m_model.GetItemHeight();
    const int first = m_model.GetFirstVisibleRow();
    const int last = std::min(first + m_model.GetRowsThatFit(), m_model.GetRowCount());
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    int y = header;
    for (int row = first; row < last; ++row, y += itemHeight)
        PaintRow(dc, row, y);
    wxColour background = IsEnabled() ? FromRef(Model::Colour(m_model.GetColor(Model::kColBackground)))
                                      : FromRef(m_model.GetSystemColours().scrollBar);
    dc.DestroyClippingRegion();
    Fill(dc, background, 0, y, m_model.GetClientWidth(), m_model.GetClientHeight());
    m_painting = false;
}

void CTreeListCtrl::PaintTreePart(wxDC &dc, Item item, int left, int y, wxColour fill)
{
    const unsigned style = m_model.GetStyle();
    const int indent = m_model.GetIndent();
    const int itemHeight = m_model.GetItemHeight();
    const int bottom = y + itemHeight;
    const int level = m_model.GetLevel(item);
    const int L = (style & Model::kLinesAtRoot) ? level : level - 1;
    const wxColour lineColour = FromRef(Model::Colour(m_model.GetColor(Model::kColLine)));
    if (L < 0)
        return;
    if (!(style & Model::kHasLines)) {
        Fill(dc, fill, left, y, left + L * indent, bottom);
        left += L * indent;
    } else {
        Fill(dc, fill, left, y, left + 1, bottom);
        left += 1;
        // Ancestors' columns, nearest (rightmost) first.
        Item up = m_model.GetParentItem(item);
        for (int k = L - 1; k >= 0 && up; --k, up = m_model.GetParentItem(up)) {
            int x0 = left + k * indent;
            Fill(dc, fill, x0, y, x0 + indent, bottom);
            if (m_model.GetNextSiblingItem(up))
                DottedV(dc, lineColour, x0 + kLineOffset, y, bottom);
        }
        left += L * indent;
    }
    Fill(dc, fill, left, y, left + indent, bottom);
    const int x = left + kLineOffset;
    const int m = y + itemHeight / 2;
    if (style & Model::kHasLines) {
        DottedV(dc, lineColour, x, y, m_model.GetNextSiblingItem(item) ? bottom : m + 1);
        DottedH(dc, lineColour, x + 1 + (m & 1), left + indent, m);
    }
    if ((style & Model::kHasButtons) && m_model.ItemHasChildren(item)) {
        Fill(dc, FromRef(Model::Colour(m_model.GetColor(Model::kColButtonFrame))), x - kButtonHalf, m - kButtonHalf,
             x + kButtonHalf + 1, m + kButtonHalf + 1);
        Fill(dc, fill, x - kButtonHalf + 1, m - kButtonHalf + 1, x + kButtonHalf, m + kButtonHalf);
        wxColour sign = FromRef(Model::Colour(m_model.GetColor(Model::kColLine)));
        Fill(dc, sign, x - 2, m, x + 3, m + 1);
        unsigned state = m_model.GetItemState(item);
        if (!(state & Model::kExpanded) || (state & Model::kExpandPartial))
            Fill(dc, sign, x, m - 2, x + 1, m + 3);
    }
}

void CTreeListCtrl::PaintRow(wxDC &dc, int row, int y)
{
    const Item item = m_model.GetItemOfRow(row);
    if (!item)
        return;
    const unsigned style = m_model.GetStyle();
    const unsigned ex = m_model.GetExtendedStyle();
    const int indent = m_model.GetIndent();
    const int itemHeight = m_model.GetItemHeight();
    const bool grid = ex & Model::kExGridLines;
    const int h = itemHeight - (grid ? 1 : 0);
    const int scroll = m_model.GetScrollX();
    const int n = m_model.GetColumnCount();
    const int clientWidth = m_model.GetClientWidth();
    const int textTop = y + (h - m_model.GetFontHeight()) / 2;
    const bool hasFocus = HasFocus();
    const wxColour rowColour = FromRef(m_model.RowColour(row));
    const wxColour background = IsEnabled() ? FromRef(Model::Colour(m_model.GetColor(Model::kColBackground)))
                                            : FromRef(m_model.GetSystemColours().scrollBar);
    const wxColour gridColour = FromRef(Model::Colour(m_model.GetColor(Model::kColGrid)));
    const bool fullRowSelected = (ex & Model::kExFullRowSelect) && (m_model.GetItemState(item) & Model::kSelected);
    const auto colour = [this](int index) { return FromRef(Model::Colour(m_model.GetColor(index))); };
    const wxFont normal = GetFont();
    const wxFont bold = normal.Bold();

    // Draws a label: plain, or in a box for a selected, drop-target or
    // focused one. `boxCase` is false for a plain label.
    auto drawLabel = [&](const std::string &text, int width, unsigned state, bool selectedHere, int left, int right,
                         const wxColour &fill, std::int64_t ownText, Model::Align align) {
        const wxString label = wxString::FromUTF8(text);
        const bool boxed = state & (Model::kFocused | Model::kSelected | Model::kDropHilited | Model::kFocusFrame);
        Fill(dc, fill, left, y, right, y + h);
        int tx = left + 2;
        if (align == Model::kAlignCentre)
            tx = (left + right) / 2 - width / 2;
        else if (align == Model::kAlignRight)
            tx = right - 2 - width;
        wxColour textColour = ownText >= 0 ? FromRef(Model::Colour(ownText)) : colour(Model::kColText);
        if (boxed && (selectedHere || (state & Model::kDropHilited))) {
            wxColour box = hasFocus || (state & Model::kDropHilited) ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)
                                                                    : FromRef(m_model.GetSystemColours().menu);
            textColour = hasFocus || (state & Model::kDropHilited)
                             ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)
                             : colour(Model::kColText);
            Fill(dc, box, tx - 2, textTop - 1, tx + width + 2, textTop + m_model.GetFontHeight() + 1);
            if (hasFocus && (state & Model::kFocused)) {
                dc.SetPen(wxPen(colour(Model::kColText), 1, wxPENSTYLE_DOT));
                dc.SetBrush(*wxTRANSPARENT_BRUSH);
                dc.DrawRectangle(tx - 2, textTop - 1, width + 4, m_model.GetFontHeight() + 2);
            }
        }
        dc.SetTextForeground(textColour);
        dc.DrawText(label, tx, textTop);
    };

    // Column 0.
    const int right0 = n ? m_model.Boundary(1) - scroll : clientWidth;
    dc.SetClippingRegion(wxRect(0, y, std::max(0, right0 + (n ? 1 : 0)), itemHeight));
    {
        unsigned state = m_model.GetItemState(item);
        if (m_model.GetFocusColumn() != 0 && m_model.GetFocusItem() == item)
            state &= ~(Model::kSelected | Model::kFocused);
        const wxColour treeFill = (ex & Model::kExRowColourInTree) ? rowColour : background;
        int left = -scroll;
        PaintTreePart(dc, item, left, y, treeFill);
        const int level = m_model.GetLevel(item);
        const int L = (style & Model::kLinesAtRoot) ? level : level - 1;
        if (L >= 0)
            left += L * indent + indent + ((style & Model::kHasLines) ? 1 : 0);
        int gap = 0;
        if (grid && !(ex & Model::kExRowColourInTree)) {
            Fill(dc, L >= 0 ? gridColour : background, left, y, left + 1, y + itemHeight);
            left += 1;
        }
        if (grid)
            gap = 1;
        std::int64_t ownBk = fullRowSelected ? -1 : m_model.GetItemBkColor(item, 0);
        const wxColour fill = ownBk >= 0 ? FromRef(Model::Colour(ownBk)) : rowColour;
        if (m_stateImages && m_model.HasStateImages()) {
            const int w = m_model.GetStateImageWidth();
            Fill(dc, fill, left, y, left + gap + w, y + h);
            int index = int((state >> 12) & 15);
            if (index > 0 && index < m_stateImages->GetImageCount())
                m_stateImages->Draw(index, dc, left + gap, y + (h - m_model.GetStateImageHeight()) / 2,
                                    wxIMAGELIST_DRAW_TRANSPARENT);
            left += gap + w;
            gap = 0;
        }
        int image = (state & Model::kSelected) ? m_model.GetItemSelectedImage(item) : m_model.GetItemImage(item);
        if (m_images && image != Model::kNoImage) {
            const int w = m_model.GetImageWidth();
            Fill(dc, fill, left, y, left + gap + w, y + h);
            if (image >= 0 && image < m_images->GetImageCount())
                m_images->Draw(image, dc, left + gap, y + (h - m_model.GetImageHeight()) / 2,
                               wxIMAGELIST_DRAW_TRANSPARENT);
            left += gap + w;
        }
        dc.SetFont((state & Model::kBold) ? bold : normal);
        int width = m_model.GetTextWidth(item, 0);
        drawLabel(m_model.GetItemText(item, 0), width, state,
                  (state & Model::kSelected) && m_model.GetFocusColumn() == 0, left,
                  std::max(left, right0 + 1), fill, m_model.GetItemTextColor(item, 0), Model::kAlignLeft);
        if (grid)
            Fill(dc, gridColour, -scroll, y + h, right0 + 1, y + h + 1);
    }
    dc.DestroyClippingRegion();

    // Further columns, and the strip right of the last.
    for (int c = 1; c <= n; ++c) {
        int left = m_model.Boundary(c) - scroll;
        int right = c == n ? clientWidth : m_model.Boundary(c + 1) - scroll;
        if (left >= clientWidth)
            break;
        if (right <= 0)
            continue;
        dc.SetClippingRegion(wxRect(left, y, std::max(0, right - left + (c == n ? 0 : 1)), itemHeight));
        if (grid) {
            Fill(dc, gridColour, left, y, left + 1, y + itemHeight);
            Fill(dc, gridColour, left + 1, y + h, right + 1, y + h + 1);
            left += 1;
        }
        if (c == n || !m_model.HasCell(item, c)) {
            Fill(dc, rowColour, left, y, right + 1, y + h);
            dc.DestroyClippingRegion();
            continue;
        }
        unsigned state = m_model.GetItemState(item, c);
        if (c != m_model.GetFocusColumn())
            state &= ~Model::kSelected;
        if (m_model.GetFocusItem() == item && c == m_model.GetFocusColumn())
            state |= Model::kFocused;
        std::int64_t ownBk = fullRowSelected ? -1 : m_model.GetItemBkColor(item, c);
        const wxColour fill = ownBk >= 0 ? FromRef(Model::Colour(ownBk)) : rowColour;
        int image = m_model.GetItemImage(item, c);
        if (m_images && image >= Model::kCallbackImage) {
            const int w = m_model.GetImageWidth();
            Fill(dc, fill, left, y, left + w + 2, y + h);
            if (image >= 0 && image < m_images->GetImageCount())
                m_images->Draw(image, dc, left + 1, y + (h - m_model.GetImageHeight()) / 2,
                               wxIMAGELIST_DRAW_TRANSPARENT);
            left += w + 1;
        }
        dc.SetFont((state & Model::kBold) ? bold : normal);
        drawLabel(m_model.GetItemText(item, c), m_model.GetTextWidth(item, c), state,
                  (state & Model::kSelected) != 0, left, right + 1, fill, m_model.GetItemTextColor(item, c),
                  m_model.GetColumnAlign(c));
        dc.DestroyClippingRegion();
    }
}
