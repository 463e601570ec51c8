#include "treepanel/wx/SgWxSceneTree.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dcmemory.h>
#include <wx/imaglist.h>
#include <wx/menu.h>
#include <wx/sizer.h>

#include "dialogs/wx/SgWxCadDialog.h"
#include "treepanel/Arbelo.h"
#include "treepanel/StClassImages.h"
#include "treepanel/StTreeDlg.h"

namespace arbelo {

namespace {

constexpr int kSyncMilliseconds = 700;

class ItemData : public wxTreeItemData {
public:
    explicit ItemData(std::uint64_t data) : m_data(data) {}
    std::uint64_t m_data;
};

// How each picture is drawn: a shape, its fill and a letter or two.
enum class Shape { Box, Ball, Can, Cone, Ring, Sheet, Lines, Flat, Bulb, Eye, Dot };
struct Look {
    Shape shape;
    unsigned char r, g, b;
    const char *letters;
};

// In the order of StImage.
constexpr Look kLooks[kImageCount] = {
    {Shape::Sheet, 200, 200, 230, "S"}, // separator
    {Shape::Sheet, 210, 230, 200, "G"}, // group
    {Shape::Ball, 230, 120, 120, ""},   // material
    {Shape::Lines, 120, 160, 230, "T"}, // transform
    {Shape::Box, 150, 180, 230, ""},    // shape, cube
    {Shape::Can, 150, 200, 170, ""},    // cylinder
    {Shape::Ring, 200, 170, 120, ""},   // torus
    {Shape::Cone, 230, 190, 120, ""},   // cone
    {Shape::Ball, 150, 180, 230, ""},   // sphere
    {Shape::Flat, 200, 200, 200, "DS"}, // draw style
    {Shape::Flat, 250, 240, 170, "LM"}, // light model
    {Shape::Lines, 90, 90, 90, ""},     // polyline
    {Shape::Cone, 170, 210, 170, ""},   // polygon
    {Shape::Ring, 120, 120, 200, ""},   // circle
    {Shape::Flat, 255, 255, 255, "Ab"}, // text, font
    {Shape::Flat, 230, 200, 230, "MB"}, // material binding
    {Shape::Sheet, 240, 200, 150, "Tx"},// texture
    {Shape::Flat, 240, 200, 150, "TE"}, // texture enable
    {Shape::Eye, 170, 170, 170, ""},    // camera
    {Shape::Bulb, 250, 230, 90, ""},    // light
    {Shape::Lines, 230, 90, 90, "M"},   // manipulator
    {Shape::Flat, 200, 220, 250, "EH"}, // event handler
    {Shape::Box, 230, 150, 150, "B"},   // boolean
    {Shape::Flat, 180, 220, 220, "FS"}, // face set
    {Shape::Box, 250, 210, 120, ""},    // object
    {Shape::Flat, 220, 220, 180, "SH"}, // shape hints
    {Shape::Flat, 180, 230, 230, "En"}, // environment
    {Shape::Can, 210, 180, 230, "E"},   // extrude
    {Shape::Dot, 90, 130, 200, ""},     // coordinates
    {Shape::Dot, 200, 130, 90, ""},     // texture coordinates
    {Shape::Lines, 90, 180, 90, "N"},   // normals
    {Shape::Sheet, 220, 220, 220, "W"}, // wrapper
    {Shape::Flat, 240, 210, 170, "TF"}, // texture function
    {Shape::Sheet, 150, 190, 240, ""},  // background
    {Shape::Sheet, 200, 230, 250, "L"}, // layers
    {Shape::Flat, 250, 250, 220, "i"},  // info
    {Shape::Flat, 235, 235, 235, "f"},  // field item
    {Shape::Dot, 120, 120, 120, ""},    // value item
};

wxBitmap DrawImage(const Look &look)
{
    const int w = kImageWidth;
    const int h = kImageHeight;
    wxBitmap bitmap(w, h, 24);
    wxMemoryDC dc(bitmap);
    const wxColour clear(255, 0, 255);
    dc.SetBackground(wxBrush(clear));
    dc.Clear();
    const wxColour fill(look.r, look.g, look.b);
    const wxColour ink(50, 60, 90);
    dc.SetPen(wxPen(ink, 1));
    dc.SetBrush(wxBrush(fill));
    switch (look.shape) {
    case Shape::Box:
        dc.DrawRectangle(4, 5, 10, 10);
        dc.DrawLine(4, 5, 7, 2);
        dc.DrawLine(14, 5, 17, 2);
        dc.DrawLine(7, 2, 17, 2);
        dc.DrawLine(17, 2, 17, 12);
        dc.DrawLine(17, 12, 14, 15);
        break;
    case Shape::Ball:
        dc.DrawCircle(10, 8, 7);
        dc.SetPen(wxPen(*wxWHITE, 2));
        dc.DrawPoint(7, 5);
        break;
    case Shape::Can:
        dc.DrawRectangle(5, 4, 10, 10);
        dc.DrawEllipse(5, 1, 10, 5);
        break;
    case Shape::Cone: {
        const wxPoint points[] = {{10, 1}, {3, 14}, {17, 14}};
        dc.DrawPolygon(3, points);
        break;
    }
    case Shape::Ring:
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetPen(wxPen(fill, 3));
        dc.DrawEllipse(2, 3, 16, 10);
        break;
    case Shape::Sheet:
        dc.DrawRectangle(3, 1, 14, 14);
        break;
    case Shape::Lines:
        dc.SetPen(wxPen(fill, 2));
        dc.DrawLine(2, 14, 8, 3);
        dc.DrawLine(8, 3, 13, 12);
        dc.DrawLine(13, 12, 18, 2);
        break;
    case Shape::Flat:
        dc.DrawRoundedRectangle(1, 2, 18, 12, 3);
        break;
    case Shape::Bulb:
        dc.DrawCircle(10, 7, 6);
        dc.SetBrush(wxBrush(ink));
        dc.DrawRectangle(8, 12, 4, 3);
        break;
    case Shape::Eye:
        dc.DrawRectangle(2, 4, 12, 9);
        dc.DrawRectangle(14, 6, 4, 5);
        break;
    case Shape::Dot:
        dc.SetBrush(wxBrush(fill));
        dc.DrawCircle(6, 8, 3);
        dc.DrawCircle(14, 8, 3);
        break;
    }
    if (look.letters && *look.letters) {
        dc.SetFont(wxFont(wxFontInfo(6).Bold()));
        dc.SetTextForeground(ink);
        const wxString text = wxString::FromUTF8(look.letters);
        const wxSize extent = dc.GetTextExtent(text);
        dc.DrawText(text, (w - extent.x) / 2, (h - extent.y) / 2);
    }
    dc.SelectObject(wxNullBitmap);
    bitmap.SetMask(new wxMask(bitmap, clear));
    return bitmap;
}

} // namespace

wxImageList *SgWxSceneTree::CreateImageList()
{
    auto *images = new wxImageList(kImageWidth, kImageHeight, true, kImageCount);
    for (const Look &look : kLooks)
        images->Add(DrawImage(look));
    return images;
}

SgWxSceneTree::SgWxSceneTree(wxWindow *parent, CArbeloCtrl *panel, wxWindowID id)
    : wxTreeCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_EDIT_LABELS | wxTR_HIDE_ROOT | wxTR_SINGLE |
                     wxBORDER_SUNKEN),
      m_pPanel(panel), m_sync(this)
{
    Arbelo::Init();
    if (!m_pPanel) {
        m_own = std::make_unique<CArbeloCtrl>();
        m_pPanel = m_own.get();
    }
    AssignImageList(CreateImageList());
    SetIndent(19);
    SetBackgroundColour(wxColour(0xDC, 0xDC, 0xDC));
    m_root = AddRoot("ROOT");
    m_pPanel->SetView(this);
    // A rebuild asked for inside an event of the tree runs once the event is
    // over: the tree may still use the item it reported.
    m_pPanel->SetRebuildScheduler([this] { CallAfter([this] { m_pPanel->RunPendingRebuild(); }); });
    Bind(wxEVT_TREE_ITEM_EXPANDING, &SgWxSceneTree::OnExpanding, this);
    Bind(wxEVT_TREE_ITEM_COLLAPSING, &SgWxSceneTree::OnCollapsing, this);
    Bind(wxEVT_TREE_SEL_CHANGED, &SgWxSceneTree::OnSelChanged, this);
    Bind(wxEVT_TREE_BEGIN_LABEL_EDIT, &SgWxSceneTree::OnBeginEdit, this);
    Bind(wxEVT_TREE_END_LABEL_EDIT, &SgWxSceneTree::OnEndEdit, this);
    Bind(wxEVT_TREE_ITEM_ACTIVATED, &SgWxSceneTree::OnActivated, this);
    Bind(wxEVT_TREE_ITEM_MENU, &SgWxSceneTree::OnMenu, this);
    Bind(wxEVT_TIMER, &SgWxSceneTree::OnTimer, this);
    // F2 renames the selected node or edits the selected value, as a second
    // click on it does.
    Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent &event) {
        if (event.GetKeyCode() == WXK_F2 && !m_editing && GetSelection().IsOk()) {
            EditLabel(GetSelection());
            return;
        }
        event.Skip();
    });
}

SgWxSceneTree::~SgWxSceneTree()
{
    m_sync.Stop();
    // The panel stops listening before its window goes.
    m_pPanel->SetDocument(nullptr);
    m_pPanel->SetRebuildScheduler(nullptr);
    m_pPanel->SetView(nullptr);
}

void SgWxSceneTree::Attach(SgDocument *document)
{
    m_pPanel->SetDocument(document);
    if (document) {
        m_pPanel->InitTree();
        m_sync.Start(kSyncMilliseconds);
    } else {
        m_sync.Stop();
        m_pPanel->CleanAllItems();
    }
}

wxTreeItemId SgWxSceneTree::IdOf(StItem item) const
{
    return item ? wxTreeItemId(reinterpret_cast<void *>(static_cast<std::uintptr_t>(item))) : m_root;
}

StItem SgWxSceneTree::ItemOf(const wxTreeItemId &id) const
{
    if (!id.IsOk() || id == m_root)
        return 0;
    return static_cast<StItem>(reinterpret_cast<std::uintptr_t>(id.GetID()));
}

StItem SgWxSceneTree::InsertItem(StItem parent, StItem after, const std::string &text, int image, bool button,
                                 std::uint64_t data)
{
    const wxString label = wxString::FromUTF8(text);
    wxTreeItemId id = after ? wxTreeCtrl::InsertItem(IdOf(parent), IdOf(after), label, image, image, new ItemData(data))
                            : AppendItem(IdOf(parent), label, image, image, new ItemData(data));
    if (button)
        SetItemHasChildren(id, true);
    return ItemOf(id);
}

// Deleting the highlighted item moves the toolkit's selection, which must
// not reach the panel as a click on another item.
void SgWxSceneTree::DeleteItem(StItem item)
{
    if (!item)
        return;
    ++m_updating;
    Delete(IdOf(item));
    --m_updating;
}

void SgWxSceneTree::DeleteChildren(StItem item)
{
    ++m_updating;
    wxTreeCtrl::DeleteChildren(IdOf(item));
    --m_updating;
}

void SgWxSceneTree::DeleteAllItems()
{
    ++m_updating;
    wxTreeCtrl::DeleteChildren(m_root);
    --m_updating;
}

StItem SgWxSceneTree::GetParent(StItem item) const
{
    return item ? ItemOf(GetItemParent(IdOf(item))) : 0;
}

StItem SgWxSceneTree::GetFirstChild(StItem item) const
{
    wxTreeItemIdValue cookie;
    return ItemOf(wxTreeCtrl::GetFirstChild(IdOf(item), cookie));
}

StItem SgWxSceneTree::GetNextSibling(StItem item) const
{
    return item ? ItemOf(wxTreeCtrl::GetNextSibling(IdOf(item))) : 0;
}

int SgWxSceneTree::GetItemCount() const
{
    return static_cast<int>(wxTreeCtrl::GetCount());
}

std::string SgWxSceneTree::GetText(StItem item) const
{
    return item ? GetItemText(IdOf(item)).utf8_string() : std::string();
}

void SgWxSceneTree::SetText(StItem item, const std::string &text)
{
    if (item)
        SetItemText(IdOf(item), wxString::FromUTF8(text));
}

std::uint64_t SgWxSceneTree::GetData(StItem item) const
{
    auto *data = item ? static_cast<ItemData *>(GetItemData(IdOf(item))) : nullptr;
    return data ? data->m_data : 0;
}

bool SgWxSceneTree::HasChildren(StItem item) const
{
    return item && ItemHasChildren(IdOf(item));
}

void SgWxSceneTree::SetButton(StItem item, bool button)
{
    if (item)
        SetItemHasChildren(IdOf(item), button);
}

void SgWxSceneTree::Expand(StItem item)
{
    if (!item)
        return;
    ++m_updating;
    wxTreeCtrl::Expand(IdOf(item));
    --m_updating;
}

bool SgWxSceneTree::IsExpanded(StItem item) const
{
    return item && wxTreeCtrl::IsExpanded(IdOf(item));
}

void SgWxSceneTree::EnsureVisible(StItem item)
{
    if (item)
        wxTreeCtrl::EnsureVisible(IdOf(item));
}

void SgWxSceneTree::Highlight(StItem item)
{
    ++m_updating;
    if (item)
        SelectItem(IdOf(item));
    else
        UnselectAll();
    --m_updating;
}

StItem SgWxSceneTree::GetHighlighted() const
{
    return ItemOf(GetSelection());
}

void SgWxSceneTree::OnExpanding(wxTreeEvent &event)
{
    if (!m_pPanel->OnItemExpanding(ItemOf(event.GetItem()), true))
        event.Veto();
}

void SgWxSceneTree::OnCollapsing(wxTreeEvent &event)
{
    if (!m_pPanel->OnItemExpanding(ItemOf(event.GetItem()), false))
        event.Veto();
}

void SgWxSceneTree::OnSelChanged(wxTreeEvent &event)
{
    if (m_updating || m_editing)
        return;
    ++m_updating;
    m_pPanel->OnSelectItem(ItemOf(event.GetItem()));
    --m_updating;
}

void SgWxSceneTree::OnBeginEdit(wxTreeEvent &event)
{
    const StItem item = ItemOf(event.GetItem());
    const std::optional<std::string> text = m_pPanel->OnBeginLabelEdit(item);
    if (!text) {
        event.Veto();
        return;
    }
    // The edit box starts with the item's text: the value part (whole, also
    // when the label shows it cut) stands there while the box is open.
    m_editing = true;
    m_labelBeforeEdit = GetItemText(event.GetItem());
    SetItemText(event.GetItem(), wxString::FromUTF8(*text));
}

void SgWxSceneTree::OnEndEdit(wxTreeEvent &event)
{
    const wxTreeItemId id = event.GetItem();
    m_editing = false;
    SetItemText(id, m_labelBeforeEdit);
    // The panel sets the label itself.
    event.Veto();
    // A cancelled edit changes nothing.
    if (event.IsEditCancelled())
        return;
    // The edit may remove this item or add others; the tree's edit box
    // still refers to the item until this handler returns, so the panel
    // takes the text afterwards, if the item is still there.
    const StItem item = ItemOf(id);
    const StItem parent = GetParent(item);
    const std::string text = event.GetLabel().utf8_string();
    CallAfter([this, item, parent, text] {
        bool shown = m_pPanel->IsShown(item);
        if (!shown && m_pPanel->IsShown(parent))
            for (StItem child = GetFirstChild(parent); child && !shown; child = GetNextSibling(child))
                shown = child == item;
        if (shown)
            m_pPanel->OnEndLabelEdit(item, text);
    });
}

void SgWxSceneTree::OnActivated(wxTreeEvent &event)
{
    if (m_pPanel->OnDoubleClick(ItemOf(event.GetItem())))
        event.Skip();
}

void SgWxSceneTree::OnMenu(wxTreeEvent &event)
{
    const StItem item = ItemOf(event.GetItem());
    const CArbeloCtrl::ContextMenu entries = m_pPanel->BuildContextMenu(item);
    if (!entries.show) {
        event.Skip();
        return;
    }
    wxMenu menu;
    auto fill = [](const std::vector<CArbeloCtrl::MenuEntry> &list) {
        auto *sub = new wxMenu;
        for (const auto &entry : list)
            sub->Append(entry.id, wxString::FromUTF8(entry.label));
        return sub;
    };
    menu.AppendSubMenu(fill(entries.addBefore), "Add &Before");
    menu.AppendSubMenu(fill(entries.addAfter), "Add A&fter");
    menu.AppendSubMenu(fill(entries.attribute), "Attribute");
    menu.AppendSeparator();
    for (const auto &entry : entries.tail)
        menu.Append(entry.id, wxString::FromUTF8(entry.label));
    const int chosen = GetPopupMenuSelectionFromUser(menu, event.GetPoint());
    if (chosen != wxID_NONE)
        m_pPanel->RunMenuCommand(item, chosen);
}

void SgWxSceneTree::OnTimer(wxTimerEvent &)
{
    if (m_editing || !IsShownOnScreen())
        return;
    m_pPanel->SyncShown();
}

namespace {

// The dialog's logic, made before the window base that is given it.
struct SceneTreeLogic {
    SceneTreeLogic(SgDocument *document, wxWindow *parent) : m_logic(document, parent) {}
    StTreeDlg m_logic;
};

// The dialog's window: the tree, OK, "Refresh" and the two check boxes.
class SceneTreeDialog : private SceneTreeLogic, public SgWxCadDialog {
public:
    SceneTreeDialog(wxWindow *parent, SgDocument *document)
        : SceneTreeLogic(document, parent), SgWxCadDialog(parent, &m_logic, "Arbelo View")
    {
        m_logic.SetView(this);
        auto *sizer = new wxBoxSizer(wxVERTICAL);
        m_tree = new SgWxSceneTree(this, &m_logic.GetTree(), StTreeDlg::kDialogId);
        m_tree->SetMinSize(wxSize(380, 340));
        sizer->Add(m_tree, 1, wxEXPAND | wxALL, 6);
        auto *row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 8);
        auto *refresh = new wxButton(this, 3001, "Refresh");
        row->Add(refresh, 0, wxRIGHT, 8);
        auto *pointers = new wxCheckBox(this, 3002, "Pointers");
        row->Add(pointers, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        auto *undo = new wxCheckBox(this, 3004, "Undo");
        undo->SetValue(true);
        row->Add(undo, 0, wxALIGN_CENTER_VERTICAL);
        sizer->Add(row, 0, wxALL, 6);
        SetSizerAndFit(sizer);
        refresh->Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_logic.OnRefresh(); });
        pointers->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent &e) { m_logic.OnPointers(e.IsChecked()); });
        undo->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent &e) { m_logic.OnUndo(e.IsChecked()); });
        m_tree->Attach(document);
        // Hidden by OK or the close box, the window goes: nothing acts on it later.
        Bind(wxEVT_SHOW, [this](wxShowEvent &event) {
            event.Skip();
            if (!event.IsShown())
                CallAfter([this] { Destroy(); });
        });
    }
    ~SceneTreeDialog() override
    {
        Detach();
        m_logic.SetView(nullptr);
        // The tree shows the logic's panel: it goes before the logic does
        // (the base would destroy it only after the members).
        delete m_tree;
        m_tree = nullptr;
    }

private:
    SgWxSceneTree *m_tree = nullptr;
};

} // namespace

SgWxCadDialog *MakeSceneTreeDialog(wxWindow *parent, SgDocument *document)
{
    return new SceneTreeDialog(parent, document);
}

wxDialog *CreateSceneTreeDialog(wxWindow *parent, SgDocument *document)
{
    SgWxCadDialog *dialog = MakeSceneTreeDialog(parent, document);
    dialog->Open();
    return dialog;
}

} // namespace arbelo
