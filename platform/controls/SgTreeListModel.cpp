#include "platform/controls/SgTreeListModel.h"

#include <algorithm>
#include <cctype>

namespace {

// Item numbers stop here so that they never reach the insertion places.
constexpr SgTreeListModel::Item kMaxItem = 0xFFFF0000u;
constexpr int kMaxItemHeight = 256;
constexpr int kMinAutoHeight = 10;
// Where the expand button's centre lies in an indent column, and how far a
// press may miss it.
constexpr int kButtonCentre = 7;
constexpr int kButtonLeftReach = 6;
constexpr int kButtonRightReach = 7;
constexpr int kButtonVerticalReach = 6;
constexpr int kHScrollLine = 16;

bool LessNoCase(const std::string &a, const std::string &b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

SgTreeListModel::Colour Blend(SgTreeListModel::Colour c, SgTreeListModel::Colour highlight)
{
    SgTreeListModel::Colour out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        unsigned a = (c >> shift) & 0xFF, h = (highlight >> shift) & 0xFF;
        out |= (((a >> 3) * 7 + (h >> 3)) & 0xFF) << shift;
    }
    return out;
}

} // namespace

struct SgTreeListModel::Cell {
    std::string text;
    int image = kNoImage;
    unsigned state = 0;
    std::int64_t textColour = -1, bkColour = -1;
    int textWidth = -1; // -1: not measured yet
};

struct SgTreeListModel::Record {
    unsigned state = 0;
    Item parent = 0, firstChild = 0, nextSibling = 0, lastChild = 0;
    int level = -1;
    std::string text;
    int image = kNoImage, selectedImage = kNoImage;
    std::intptr_t param = 0;
    int row = 0; // counted from 1; 0 no row
    std::int64_t textColour = -1, bkColour = -1;
    int textWidth = -1;
    std::vector<unsigned char> userData;
    std::vector<std::unique_ptr<Cell>> cells; // index = column
};

SgTreeListModel::SgTreeListModel()
{
    auto root = std::make_unique<Record>();
    root->state = kExpanded;
    m_items.push_back(std::move(root));
    std::fill(std::begin(m_colours), std::end(m_colours), std::int64_t(-1));
    AutoItemHeight();
}

SgTreeListModel::~SgTreeListModel() = default;

void SgTreeListModel::SetMeasure(Measure measure)
{
    m_measure = std::move(measure);
    for (auto &rec : m_items)
        if (rec) {
            rec->textWidth = -1;
            for (auto &cell : rec->cells)
                if (cell)
                    cell->textWidth = -1;
        }
    InvalidateAll();
}

void SgTreeListModel::SetFontMetrics(int height, int ascent)
{
    m_fontHeight = std::max(1, height);
    m_fontAscent = ascent;
    AutoItemHeight();
}

// ---- Styles -----------------------------------------------------------------

void SgTreeListModel::SetStyle(unsigned style)
{
    m_style = style;
    // Check boxes bring their own 16 x 16 state images when none were given.
    if ((style & kCheckBoxes) && m_stateImageWidth == 0) {
        m_stateImageWidth = m_stateImageHeight = kStateImageSize;
        AutoItemHeight();
    }
    m_rowsDirty = true;
    InvalidateAll();
}

unsigned SgTreeListModel::SetExtendedStyle(unsigned style, unsigned mask)
{
    unsigned old = m_exStyle;
    if (mask == 0)
        mask = ~0u;
    m_exStyle = (style & mask) | (old & ~mask);
    if ((old ^ m_exStyle) & kExGridLines)
        AutoItemHeight();
    InvalidateAll();
    return old;
}

// ---- Sizes ------------------------------------------------------------------

void SgTreeListModel::SetClientSize(int width, int height)
{
    m_clientWidth = std::max(0, width);
    m_clientHeight = std::max(0, height);
    Recount();
    InvalidateAll();
}

void SgTreeListModel::SetHeaderHeight(int height)
{
    m_headerHeight = std::max(0, height);
    Recount();
    InvalidateAll();
}

int SgTreeListModel::SetIndent(int indent)
{
    m_indent = std::clamp(indent, kMinIndent, kMaxIndent);
    InvalidateAll();
    return m_indent;
}

int SgTreeListModel::SetItemHeight(int height)
{
    int previous = m_itemHeight;
    if (height == -1) {
        m_autoHeight = true;
        AutoItemHeight();
        return previous;
    }
    height = std::clamp(height, 1, kMaxItemHeight);
    if ((height & 1) && !(m_exStyle & kExOddHeight) && height > 1)
        --height;
    m_autoHeight = false;
    m_itemHeight = height;
    Recount();
    InvalidateAll();
    return previous;
}

void SgTreeListModel::SetImageSizes(int stateWidth, int stateHeight, int width, int height)
{
    m_stateImageWidth = std::max(0, stateWidth);
    m_stateImageHeight = std::max(0, stateHeight);
    if ((m_style & kCheckBoxes) && m_stateImageWidth == 0)
        m_stateImageWidth = m_stateImageHeight = kStateImageSize;
    m_imageWidth = std::max(0, width);
    m_imageHeight = std::max(0, height);
    AutoItemHeight();
}

void SgTreeListModel::AutoItemHeight()
{
    if (m_autoHeight) {
        int h = std::max({kMinAutoHeight, m_stateImageHeight + 2, m_imageHeight + 2, m_fontHeight + 2});
        if (m_exStyle & kExGridLines)
            ++h;
        if ((m_style & kEvenHeight) && (h & 1))
            ++h;
        m_itemHeight = h;
    }
    Recount();
    InvalidateAll();
}

void SgTreeListModel::Recount()
{
    int available = std::max(0, m_clientHeight - GetHeaderHeight());
    m_rowsThatFit = (available + m_itemHeight - 1) / m_itemHeight;
    m_fullyVisible = available / m_itemHeight;
    int limited = LimitFirstRow(m_firstRow);
    if (limited != m_firstRow)
        m_firstRow = limited;
    if (m_listener)
        m_listener->ScrollChanged();
}

// ---- Colours ----------------------------------------------------------------

SgTreeListModel::Colour SgTreeListModel::DefaultColour(int index) const
{
    switch (index) {
    case kColBackground:
    case kColEvenRow:
        return m_system.window;
    case kColOddRow:
    case kColInsertMark:
        return m_system.infoBackground;
    case kColGrid:
        return m_system.buttonFace;
    case kColText:
    case kColLine:
        return m_system.windowText;
    case kColButtonFrame:
        return m_system.buttonShadow;
    case kColDropText:
        return m_system.windowText ^ 0xFF0000u;
    case kColSelectedRow:
        return Blend(Colour(GetColor(kColOddRow)), m_system.highlight);
    case kColSelectedEvenRow:
        return Blend(Colour(GetColor(kColEvenRow)), m_system.highlight);
    default:
        return 0;
    }
}

std::int64_t SgTreeListModel::GetColor(int index) const
{
    if (index < 0 || index >= kColourCount)
        return -1;
    return m_colours[index] >= 0 ? m_colours[index] : std::int64_t(DefaultColour(index));
}

std::int64_t SgTreeListModel::SetColor(int index, std::int64_t colour)
{
    if (index < 0 || index >= kColourCount)
        return -1;
    std::int64_t previous = GetColor(index);
    m_colours[index] = colour < 0 ? -1 : (colour & 0xFFFFFF);
    InvalidateAll();
    return previous;
}

void SgTreeListModel::SetSystemColours(const SystemColours &colours)
{
    m_system = colours;
    InvalidateAll();
}

SgTreeListModel::Colour SgTreeListModel::RowColour(int row) const
{
    if (!m_enabled)
        return (row & 1) && (m_exStyle & kExAlternateRows) ? [this] {
            // Half the grid blend and half the scroll-bar colour, per channel.
            Colour out = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                unsigned w = (m_system.window >> shift) & 0xFF, s = (m_system.scrollBar >> shift) & 0xFF;
                unsigned grid = (w + 2 * s) / 3;
                out |= ((grid >> 1) + (s >> 1)) << shift;
            }
            return out;
        }()
                                                           : m_system.scrollBar;
    Item item = GetItemOfRow(row);
    const Record *rec = item ? Find(item) : nullptr;
    if ((m_exStyle & kExFullRowSelect) && rec && (rec->state & kSelected))
        return Colour(GetColor((m_exStyle & kExAlternateRows) && !(row & 1) ? kColSelectedEvenRow : kColSelectedRow));
    if (m_exStyle & kExAlternateRows)
        return Colour(GetColor((row & 1) ? kColOddRow : kColEvenRow));
    return Colour(GetColor(kColBackground));
}

void SgTreeListModel::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        HideToolTip();
    InvalidateAll();
}

// ---- Columns ----------------------------------------------------------------

int SgTreeListModel::InsertColumn(int position, const std::string &text, Align align, int width)
{
    if (int(m_columns.size()) >= kMaxColumns)
        return -1;
    position = std::clamp(position, 0, int(m_columns.size()));
    m_columns.insert(m_columns.begin() + position, Column{text, align, std::max(0, width)});
    // Cells follow their column.
    if (position > 0)
        for (auto &rec : m_items)
            if (rec && int(rec->cells.size()) > position)
                rec->cells.insert(rec->cells.begin() + position, nullptr);
    if (m_listener)
        m_listener->ColumnsChanged();
    Recount();
    InvalidateAll();
    return position;
}

bool SgTreeListModel::DeleteColumn(int column)
{
    if (column < 0 || column >= int(m_columns.size()))
        return false;
    m_columns.erase(m_columns.begin() + column);
    for (auto &rec : m_items)
        if (rec && int(rec->cells.size()) > column && column > 0)
            rec->cells.erase(rec->cells.begin() + column);
    if (m_tip.shown && m_tip.column >= column)
        HideToolTip();
    if (m_listener)
        m_listener->ColumnsChanged();
    Recount();
    InvalidateAll();
    return true;
}

int SgTreeListModel::GetColumnWidth(int column) const
{
    return column >= 0 && column < int(m_columns.size()) ? m_columns[column].width : 0;
}

bool SgTreeListModel::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= int(m_columns.size()))
        return false;
    m_columns[column].width = std::max(0, width);
    if (m_listener)
        m_listener->ColumnsChanged();
    InvalidateAll();
    return true;
}

const std::string &SgTreeListModel::GetColumnText(int column) const
{
    static const std::string none;
    return column >= 0 && column < int(m_columns.size()) ? m_columns[column].text : none;
}

SgTreeListModel::Align SgTreeListModel::GetColumnAlign(int column) const
{
    return column >= 0 && column < int(m_columns.size()) ? m_columns[column].align : kAlignLeft;
}

int SgTreeListModel::Boundary(int c) const
{
    int n = int(m_columns.size());
    if (c <= 0)
        return 0;
    if (c > n)
        return m_clientWidth;
    int right = 0;
    for (int k = 0; k < c; ++k)
        right += m_columns[k].width;
    return right - 1;
}

// ---- Items ------------------------------------------------------------------

SgTreeListModel::Record *SgTreeListModel::Find(Item item) const
{
    return item < m_items.size() ? m_items[item].get() : nullptr;
}

bool SgTreeListModel::Exists(Item item) const
{
    return item != kRoot && Find(item) != nullptr;
}

SgTreeListModel::Cell *SgTreeListModel::FindCell(Item item, int column) const
{
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec || column <= 0 || column >= int(rec->cells.size()))
        return nullptr;
    return rec->cells[column].get();
}

SgTreeListModel::Cell *SgTreeListModel::MakeCell(Item item, int column)
{
    Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec || column <= 0 || column >= int(m_columns.size()))
        return nullptr;
    if (int(rec->cells.size()) <= column)
        rec->cells.resize(column + 1);
    if (!rec->cells[column]) {
        rec->cells[column] = std::make_unique<Cell>();
        rec->cells[column]->state = rec->state & kFocused;
    }
    return rec->cells[column].get();
}

SgTreeListModel::Item SgTreeListModel::Link(Record &rec, Item parent, Item after)
{
    Record *p = Find(parent);
    Item item = Item(m_items.size());
    Item prev = 0;
    if (after == kSort) {
        for (Item c = p->firstChild; c && !LessNoCase(rec.text, Find(c)->text); c = Find(c)->nextSibling)
            prev = c;
    } else if (after == kLast) {
        prev = p->lastChild;
    } else if (after != kFirst) {
        // A sibling of another parent, or one that went, counts as "last".
        const Record *a = Exists(after) ? Find(after) : nullptr;
        prev = a && a->parent == parent ? after : p->lastChild;
    }
    rec.parent = parent;
    rec.level = parent == kRoot ? 0 : p->level + 1;
    if (prev) {
        rec.nextSibling = Find(prev)->nextSibling;
        Find(prev)->nextSibling = item;
    } else {
        rec.nextSibling = p->firstChild;
        p->firstChild = item;
    }
    if (!rec.nextSibling)
        p->lastChild = item;
    return item;
}

SgTreeListModel::Item SgTreeListModel::InsertItem(const std::string &text, Item parent, Item after, int image,
                                                  int selectedImage, std::intptr_t param)
{
    if (m_sorting || m_items.size() >= kMaxItem)
        return 0;
    if (parent != kRoot && !Exists(parent))
        return 0;
    auto rec = std::make_unique<Record>();
    rec->text = text;
    rec->image = image;
    rec->selectedImage = selectedImage;
    rec->param = param;
    rec->userData.assign(std::size_t(m_userDataSize), 0);
    if (m_style & kCheckBoxes)
        rec->state |= 0x1000; // an unchecked box
    Item item = Link(*rec, parent, after);
    m_items.push_back(std::move(rec));
    ++m_count;
    RowsChanged();
    return item;
}

void SgTreeListModel::Unlink(Item item)
{
    Record *rec = Find(item);
    Record *p = Find(rec->parent);
    if (!p)
        return;
    Item prev = 0;
    if (p->firstChild == item) {
        p->firstChild = rec->nextSibling;
    } else {
        for (Item c = p->firstChild; c; c = Find(c)->nextSibling)
            if (Find(c)->nextSibling == item) {
                Find(c)->nextSibling = rec->nextSibling;
                prev = c;
                break;
            }
    }
    if (p->lastChild == item)
        p->lastChild = prev;
    rec->parent = 0;
    rec->nextSibling = 0;
}

void SgTreeListModel::DeleteTree(Item item)
{
    // Children first, depth first; each child is unlinked before the next is
    // looked up, so the walk never reads a record that has gone.
    while (Record *rec = Find(item)) {
        Item child = rec->firstChild;
        if (!child)
            break;
        DeleteTree(child);
        if (Find(item) && Find(item)->firstChild == child)
            break; // the owner re-linked it from its notification; stop rather than loop
    }
    if (!Find(item))
        return;
    if (m_listener)
        m_listener->DeleteItem(item);
    if (!Find(item))
        return;
    Unlink(item);
    if (m_insertMark == item)
        m_insertMark = 0;
    if (m_caret == item)
        m_caret = 0, m_selColumn = 0;
    if (m_focus == item)
        m_focus = 0, m_focusColumn = 0;
    if (m_drop == item)
        m_drop = 0;
    if (m_editItem == item)
        m_editItem = 0;
    if (m_tip.item == item)
        HideToolTip();
    m_items[item].reset();
    --m_count;
}

bool SgTreeListModel::DeleteItem(Item item)
{
    if (m_sorting)
        return false;
    if (item == kRoot) {
        while (Item child = Find(kRoot)->firstChild) {
            DeleteTree(child);
            if (Find(kRoot)->firstChild == child)
                return false;
        }
        m_firstRow = 0;
        RowsChanged();
        return true;
    }
    if (!Exists(item))
        return false;
    DeleteTree(item);
    RowsChanged();
    return true;
}

SgTreeListModel::Item SgTreeListModel::GetNextItem(Item item, NextCode code) const
{
    const Record *rec = item == kRoot ? Find(kRoot) : (Exists(item) ? Find(item) : nullptr);
    switch (code) {
    case kGetRoot:
        return Find(kRoot)->firstChild;
    case kGetNext:
        return rec && item != kRoot ? rec->nextSibling : 0;
    case kGetPrevious: {
        if (!rec || item == kRoot)
            return 0;
        Item prev = 0;
        for (Item c = Find(rec->parent)->firstChild; c && c != item; c = Find(c)->nextSibling)
            prev = c;
        return prev;
    }
    case kGetParent:
        return rec && item != kRoot ? rec->parent : 0;
    case kGetChild:
        return rec ? rec->firstChild : 0;
    case kGetFirstVisible:
        return GetItemOfRow(m_firstRow);
    case kGetNextVisible: {
        int row = GetRowOfItem(item);
        return row >= 0 ? GetItemOfRow(row + 1) : 0;
    }
    case kGetPreviousVisible: {
        int row = GetRowOfItem(item);
        return row > 0 ? GetItemOfRow(row - 1) : 0;
    }
    case kGetDropHilite:
        return m_drop;
    case kGetCaret:
        return m_caret;
    case kGetLastVisible:
        return GetRowCount() ? GetItemOfRow(GetRowCount() - 1) : 0;
    case kGetNextSelected:
        for (Item i = item + 1; i < m_items.size(); ++i)
            if (m_items[i] && (m_items[i]->state & kSelected))
                return i;
        return 0;
    case kGetDropColumn:
        return Item(m_dropColumn);
    case kGetSelectionColumn:
        return Item(m_selColumn);
    case kGetFocus:
        return m_focus;
    case kGetFocusColumn:
        return Item(m_focusColumn);
    case kGetNextSelectedChild: {
        // Display order below `item`, regardless of expansion.
        if (!rec)
            return 0;
        std::vector<Item> stack;
        for (Item c = rec->firstChild; c; c = Find(c)->nextSibling)
            stack.push_back(c);
        std::reverse(stack.begin(), stack.end());
        while (!stack.empty()) {
            Item c = stack.back();
            stack.pop_back();
            if (Find(c)->state & kSelected)
                return c;
            std::vector<Item> kids;
            for (Item k = Find(c)->firstChild; k; k = Find(k)->nextSibling)
                kids.push_back(k);
            stack.insert(stack.end(), kids.rbegin(), kids.rend());
        }
        return 0;
    }
    }
    return 0;
}

bool SgTreeListModel::ItemHasChildren(Item item) const
{
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    return rec && rec->firstChild != 0;
}

int SgTreeListModel::GetLevel(Item item) const
{
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    return rec ? rec->level : -1;
}

bool SgTreeListModel::SetItemText(Item item, int column, const std::string &text)
{
    if (column == 0) {
        Record *rec = Exists(item) ? Find(item) : nullptr;
        if (!rec)
            return false;
        rec->text = text;
        rec->textWidth = -1;
    } else {
        Cell *cell = MakeCell(item, column);
        if (!cell)
            return false;
        cell->text = text;
        cell->textWidth = -1;
    }
    if (m_tip.item == item && m_tip.column == column)
        HideToolTip();
    InvalidateRow(item);
    return true;
}

std::string SgTreeListModel::GetItemText(Item item, int column) const
{
    if (column == 0) {
        const Record *rec = Exists(item) ? Find(item) : nullptr;
        return rec ? rec->text : std::string();
    }
    const Cell *cell = FindCell(item, column);
    return cell ? cell->text : std::string();
}

bool SgTreeListModel::SetItemImage(Item item, int column, int image, int selectedImage)
{
    if (column == 0) {
        Record *rec = Exists(item) ? Find(item) : nullptr;
        if (!rec)
            return false;
        rec->image = image;
        rec->selectedImage = selectedImage == kNoImage ? image : selectedImage;
    } else {
        Cell *cell = MakeCell(item, column);
        if (!cell)
            return false;
        cell->image = image;
    }
    InvalidateRow(item);
    return true;
}

int SgTreeListModel::GetItemImage(Item item, int column) const
{
    if (column == 0) {
        const Record *rec = Exists(item) ? Find(item) : nullptr;
        return rec ? rec->image : kNoImage;
    }
    const Cell *cell = FindCell(item, column);
    return cell ? cell->image : kNoImage;
}

int SgTreeListModel::GetItemSelectedImage(Item item) const
{
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    return rec ? rec->selectedImage : kNoImage;
}

unsigned SgTreeListModel::GetItemState(Item item, int column) const
{
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec)
        return 0;
    if (column == 0)
        return rec->state;
    const Cell *cell = FindCell(item, column);
    unsigned state = cell ? cell->state : 0;
    // A cell is selected while its item is, in the selection's column.
    if ((rec->state & kSelected) && column == m_selColumn)
        state |= kSelected;
    return state;
}

void SgTreeListModel::SetSelectedBit(Item item, int column, bool on)
{
    Record *rec = Find(item);
    if (on) {
        rec->state |= kSelected;
    } else if (column == 0 || column == m_selColumn) {
        rec->state &= ~kSelected;
    }
    InvalidateRow(item);
}

bool SgTreeListModel::SetItemState(Item item, int column, unsigned state, unsigned mask)
{
    Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec || column < 0 || (column > 0 && column >= int(m_columns.size())))
        return false;
    if (mask & kSelected) {
        bool on = (state & kSelected) != 0;
        if (on != ((GetItemState(item, column) & kSelected) != 0)) {
            if (on)
                SelectItem(item, column, false);
            else
                SetSelectedBit(item, column, false);
        }
    }
    if (mask & kExpanded) {
        bool on = (state & kExpanded) != 0;
        if (on != ((rec->state & kExpanded) != 0))
            Expand(item, on ? kExpand : kCollapse);
        rec = Find(item);
        if (!rec)
            return false;
    }
    unsigned rest = mask & ~(kSelected | kExpanded);
    if (column == 0) {
        rec->state = (rec->state & ~rest) | (state & rest);
        rec->textWidth = (rest & kBold) ? -1 : rec->textWidth;
    } else if (rest) {
        Cell *cell = MakeCell(item, column);
        cell->state = (cell->state & ~rest) | (state & rest);
        if (rest & kBold)
            cell->textWidth = -1;
    }
    InvalidateRow(item);
    return true;
}

bool SgTreeListModel::SetItemData(Item item, std::intptr_t param)
{
    Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec)
        return false;
    rec->param = param;
    return true;
}

std::intptr_t SgTreeListModel::GetItemData(Item item) const
{
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    return rec ? rec->param : 0;
}

bool SgTreeListModel::HasCell(Item item, int column) const
{
    return FindCell(item, column) != nullptr;
}

std::int64_t *SgTreeListModel::ColourSlot(Item item, int column, bool text, bool make) const
{
    if (column == 0) {
        Record *rec = Exists(item) ? Find(item) : nullptr;
        return rec ? (text ? &rec->textColour : &rec->bkColour) : nullptr;
    }
    Cell *cell = make ? const_cast<SgTreeListModel *>(this)->MakeCell(item, column) : FindCell(item, column);
    return cell ? (text ? &cell->textColour : &cell->bkColour) : nullptr;
}

std::int64_t SgTreeListModel::SetOwnColour(Item item, int column, bool text, std::int64_t colour)
{
    std::int64_t *slot = ColourSlot(item, column, text, true);
    if (!slot)
        return -1;
    std::int64_t previous = *slot;
    *slot = colour < 0 ? -1 : (colour & 0xFFFFFF);
    InvalidateRow(item);
    return previous;
}

std::int64_t SgTreeListModel::SetItemTextColor(Item item, int column, std::int64_t colour)
{
    return SetOwnColour(item, column, true, colour);
}

std::int64_t SgTreeListModel::GetItemTextColor(Item item, int column) const
{
    const std::int64_t *slot = ColourSlot(item, column, true, false);
    return slot ? *slot : -1;
}

std::int64_t SgTreeListModel::SetItemBkColor(Item item, int column, std::int64_t colour)
{
    return SetOwnColour(item, column, false, colour);
}

std::int64_t SgTreeListModel::GetItemBkColor(Item item, int column) const
{
    const std::int64_t *slot = ColourSlot(item, column, false, false);
    return slot ? *slot : -1;
}

int SgTreeListModel::SetUserDataSize(int size)
{
    if (size < 0 || size > kMaxUserDataSize)
        return -1;
    if (m_count == 0)
        m_userDataSize = size;
    return m_userDataSize;
}

void *SgTreeListModel::GetUserData(Item item)
{
    Record *rec = Exists(item) ? Find(item) : nullptr;
    return rec && !rec->userData.empty() ? rec->userData.data() : nullptr;
}

int SgTreeListModel::GetTextWidth(Item item, int column)
{
    Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec)
        return 0;
    int *width = &rec->textWidth;
    const std::string *text = &rec->text;
    bool bold = rec->state & kBold;
    if (column > 0) {
        Cell *cell = FindCell(item, column);
        if (!cell)
            return 0;
        width = &cell->textWidth;
        text = &cell->text;
        bold = cell->state & kBold;
    }
    if (*width < 0)
        *width = text->empty() || !m_measure ? 0 : m_measure(*text, bold);
    return *width;
}

// ---- Expanding, selecting, sorting --------------------------------------

bool SgTreeListModel::Expand(Item item, unsigned action)
{
    Record *rec = Exists(item) ? Find(item) : nullptr;
    if (!rec)
        return false;
    unsigned code = action & 0x0F;
    bool expanded = rec->state & kExpanded;
    if (code == kToggle)
        code = expanded ? kCollapse : kExpand;
    if (code == kExpand && expanded) {
        if (action & kExpandPartialFlag)
            rec->state |= kExpandPartial;
        else
            rec->state &= ~kExpandPartial;
        InvalidateRow(item);
        return true;
    }
    if ((code == kCollapse && !expanded) || (code != kCollapse && code != kExpand))
        return false;
    if (m_listener && m_listener->ItemExpanding(item, code))
        return false;
    rec = Find(item);
    if (!rec)
        return false;
    if (code == kCollapse) {
        rec->state &= ~(kExpanded | kExpandPartial);
        if (action & kCollapseReset) {
            while (Item child = Find(item) ? Find(item)->firstChild : 0) {
                DeleteTree(child);
                if (Find(item) && Find(item)->firstChild == child)
                    break;
            }
            if (Find(item))
                Find(item)->state &= ~kExpandedOnce;
        }
    } else {
        rec->state = (rec->state | kExpanded | kExpandedOnce) & ~kExpandPartial;
    }
    RowsChanged();
    if (m_listener)
        m_listener->ItemExpanded(item, code);
    // A selection that a collapse hid moves to its nearest shown ancestor.
    if (code == kCollapse && m_caret && GetRowOfItem(m_caret) < 0) {
        Item up = m_caret;
        while (up && GetRowOfItem(up) < 0)
            up = GetParentItem(up);
        if (up)
            SelectItem(up, m_selColumn);
    }
    return true;
}

bool SgTreeListModel::SelectItem(Item item, int column, bool clearOthers)
{
    if (item != 0 && !Exists(item))
        return false;
    if (column < 0 || column >= std::max(1, int(m_columns.size())) || !(m_exStyle & kExColumnSelect))
        column = 0;
    if ((m_exStyle & kExMultiSelect) && clearOthers)
        for (Item i = 1; i < m_items.size(); ++i)
            if (i != item && m_items[i] && (m_items[i]->state & kSelected)) {
                m_items[i]->state &= ~kSelected;
                InvalidateRow(i);
            }
    Item old = m_caret;
    if (m_listener && m_listener->SelChanging(old, item, column))
        return false;
    if (item != 0 && !Exists(item))
        return false; // the owner deleted it while being asked
    if (old && Exists(old) && old != item && !(m_exStyle & kExMultiSelect && !clearOthers))
        SetSelectedBit(old, 0, false);
    if (old && Exists(old))
        Find(old)->state &= ~kFocused;
    m_caret = item;
    m_selColumn = column;
    m_focus = item;
    m_focusColumn = column;
    if (item) {
        Find(item)->state |= kSelected | kFocused;
        InvalidateRow(item);
        EnsureVisible(item, column);
    }
    if (m_listener)
        m_listener->SelChanged(old, item, column);
    return true;
}

bool SgTreeListModel::ToggleSelect(Item item, int column)
{
    if (!Exists(item))
        return false;
    if (!(m_exStyle & kExMultiSelect))
        return SelectItem(item, column);
    if (Find(item)->state & kSelected) {
        Find(item)->state &= ~kSelected;
        InvalidateRow(item);
        return true;
    }
    return SelectItem(item, column, false);
}

bool SgTreeListModel::SelectDropTarget(Item item, int column)
{
    if (item && !Exists(item))
        return false;
    if (m_drop && Exists(m_drop)) {
        Find(m_drop)->state &= ~kDropHilited;
        InvalidateRow(m_drop);
    }
    if (!(m_exStyle & kExColumnSelect))
        column = 0;
    if (column < 0 || column >= std::max(1, int(m_columns.size())))
        item = 0;
    m_drop = item;
    m_dropColumn = item ? column : 0;
    if (item) {
        Find(item)->state |= kDropHilited;
        InvalidateRow(item);
    }
    return true;
}

void SgTreeListModel::SortList(Item parent, bool recurse)
{
    Record *p = Find(parent);
    std::vector<Item> children;
    for (Item c = p->firstChild; c; c = Find(c)->nextSibling)
        children.push_back(c);
    if (recurse)
        for (Item c : children)
            SortList(c, true);
    if (children.size() < 2)
        return;
    std::stable_sort(children.begin(), children.end(),
                     [this](Item a, Item b) { return LessNoCase(Find(a)->text, Find(b)->text); });
    p->firstChild = children.front();
    p->lastChild = children.back();
    for (std::size_t k = 0; k < children.size(); ++k)
        Find(children[k])->nextSibling = k + 1 < children.size() ? children[k + 1] : 0;
}

bool SgTreeListModel::SortChildren(Item item, bool recurse)
{
    if (item != kRoot && !Exists(item))
        return false;
    m_sorting = true;
    SortList(item, recurse);
    m_sorting = false;
    RowsChanged();
    return true;
}

// ---- Rows and scrolling -----------------------------------------------------

void SgTreeListModel::RowsChanged()
{
    m_rowsDirty = true;
    // The rows are counted again only when asked for; a list at its top
    // needs no limit, so a run of insertions stays linear.
    if (m_firstRow > 0)
        m_firstRow = LimitFirstRow(m_firstRow);
    InvalidateAll();
    if (m_listener)
        m_listener->ScrollChanged();
}

void SgTreeListModel::RebuildRows() const
{
    if (!m_rowsDirty)
        return;
    for (Item i : m_rows)
        if (i < m_items.size() && m_items[i])
            m_items[i]->row = 0;
    m_rows.clear();
    // Display order: a child when expanded, else the next sibling, else the
    // next sibling of the nearest ancestor that has one.
    Item cur = Find(kRoot)->firstChild;
    while (cur) {
        Record *rec = Find(cur);
        m_rows.push_back(cur);
        rec->row = int(m_rows.size());
        if (rec->firstChild && (rec->state & kExpanded)) {
            cur = rec->firstChild;
            continue;
        }
        while (cur && !Find(cur)->nextSibling)
            cur = Find(cur)->parent;
        cur = cur ? Find(cur)->nextSibling : 0;
    }
    m_rowsDirty = false;
}

int SgTreeListModel::GetRowCount() const
{
    RebuildRows();
    return int(m_rows.size());
}

int SgTreeListModel::GetRowOfItem(Item item) const
{
    RebuildRows();
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    return rec && rec->row > 0 ? rec->row - 1 : -1;
}

SgTreeListModel::Item SgTreeListModel::GetItemOfRow(int row) const
{
    RebuildRows();
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row] : 0;
}

int SgTreeListModel::GetMaxFirstRow() const
{
    int rows = GetRowCount();
    // Scrolled to the end, one empty row shows below the last.
    return m_fullyVisible >= rows ? 0 : rows - m_fullyVisible + 1;
}

int SgTreeListModel::LimitFirstRow(int row) const
{
    return std::clamp(row, 0, GetMaxFirstRow());
}

int SgTreeListModel::GetMaxScrollX() const
{
    int half = m_clientWidth / 2;
    int limit = m_columns.empty() ? m_contentWidth - half : Boundary(int(m_columns.size())) - half - half;
    if ((m_style & kNoScroll) || (m_exStyle & kExNoHScroll))
        limit = 0;
    return std::max(0, limit);
}

int SgTreeListModel::LimitScrollX(int x) const
{
    return std::clamp(x, 0, GetMaxScrollX());
}

bool SgTreeListModel::SetFirstVisibleRow(int row)
{
    row = LimitFirstRow(row);
    if (row == m_firstRow)
        return false;
    m_firstRow = row;
    Scrolled();
    return true;
}

bool SgTreeListModel::SetScrollX(int x)
{
    x = LimitScrollX(x);
    if (x == m_scrollX)
        return false;
    m_scrollX = x;
    Scrolled();
    return true;
}

void SgTreeListModel::Scrolled()
{
    // What was under the pointer has moved away from the tip.
    HideToolTip();
    InvalidateAll();
    if (m_listener)
        m_listener->ScrollChanged();
}

void SgTreeListModel::VScroll(ScrollCode code, int position)
{
    int page = std::max(1, m_fullyVisible - 1);
    switch (code) {
    case kLineUp: SetFirstVisibleRow(m_firstRow - 1); break;
    case kLineDown: SetFirstVisibleRow(m_firstRow + 1); break;
    case kPageUp: SetFirstVisibleRow(m_firstRow - page); break;
    case kPageDown: SetFirstVisibleRow(m_firstRow + page); break;
    case kThumb: SetFirstVisibleRow(position); break;
    case kTop: SetFirstVisibleRow(0); break;
    case kBottom: SetFirstVisibleRow(GetMaxFirstRow()); break;
    }
}

void SgTreeListModel::HScroll(ScrollCode code, int position)
{
    switch (code) {
    case kLineUp: SetScrollX(m_scrollX - kHScrollLine); break;
    case kLineDown: SetScrollX(m_scrollX + kHScrollLine); break;
    case kPageUp: SetScrollX(m_scrollX - m_clientWidth); break;
    case kPageDown: SetScrollX(m_scrollX + m_clientWidth); break;
    case kThumb: SetScrollX(position); break;
    case kTop: SetScrollX(0); break;
    case kBottom: SetScrollX(GetMaxScrollX()); break;
    }
}

int SgTreeListModel::MouseWheel(int delta, unsigned keys)
{
    if (keys & 0x1F)
        return 0;
    // Two rows a notch of 120; a positive turn goes toward the top.
    SetFirstVisibleRow(m_firstRow - delta / 60);
    return 1;
}

int SgTreeListModel::EnsureVisible(Item item, int column)
{
    if (!Exists(item))
        return -1;
    int answer = 1;
    if (GetRowOfItem(item) < 0) {
        answer = 0;
        std::vector<Item> collapsed;
        for (Item up = GetParentItem(item); up; up = GetParentItem(up))
            if (!(Find(up)->state & kExpanded))
                collapsed.push_back(up);
        for (Item up : collapsed) {
            if (!Exists(up) || !Expand(up, kExpand))
                return 0;
        }
        if (!Exists(item) || GetRowOfItem(item) < 0)
            return 0;
    }
    int k = GetRowOfItem(item);
    int first = m_firstRow;
    bool vertical = true;
    if (k < first)
        first = k;
    else if (column == -2) {
        first = k;
        vertical = false;
    } else if (k >= first + m_fullyVisible)
        first = std::max(0, k - m_fullyVisible + 1);
    // A row made first may stand beyond the last full page: the view then
    // shows empty rows below it rather than refusing.
    if (first != m_firstRow) {
        m_firstRow = std::max(0, first);
        Scrolled();
    }
    if (!vertical || column < 0 || column >= int(m_columns.size()))
        return answer;
    int n = int(m_columns.size());
    int L = Boundary(column), R = Boundary(column + 1), W = m_clientWidth, S = m_scrollX;
    int start = L > S + W ? L : S;
    if (!(start < R))
        start = L;
    if (R > start + W)
        start = R - W;
    start = std::min(start, L);
    start = std::min(start, Boundary(n) - W / 2);
    start = std::max(start, 0);
    if (start != m_scrollX) {
        m_scrollX = start;
        InvalidateAll();
        if (m_listener)
            m_listener->ScrollChanged();
    }
    return answer;
}

bool SgTreeListModel::GetItemRect(Item item, int column, bool textOnly, Rect &rect) const
{
    rect = Rect{};
    const Record *rec = Exists(item) ? Find(item) : nullptr;
    int k = rec ? GetRowOfItem(item) : -1;
    if (k < 0 || k < m_firstRow || k >= m_firstRow + m_rowsThatFit)
        return false;
    Rect r;
    r.top = GetHeaderHeight() + (k - m_firstRow) * m_itemHeight;
    r.bottom = r.top + m_itemHeight;
    if (column < 0 || column >= int(m_columns.size()))
        column = 0;
    if (m_columns.empty()) {
        r.left = -m_scrollX;
        r.right = m_clientWidth;
    } else {
        r.left = Boundary(column) - m_scrollX;
        r.right = Boundary(column + 1) - m_scrollX;
    }
    if (textOnly) {
        if (column > 0) {
            const Cell *cell = FindCell(item, column);
            if (cell && HasImages() && cell->image >= kCallbackImage)
                r.left += m_imageWidth + 1;
        } else {
            bool imageDrawn = HasImages() && rec->image != kNoImage;
            if (m_style & kLinesAtRoot)
                r.left += m_indent;
            r.left += m_indent * rec->level;
            if (HasStateImages())
                r.left += m_stateImageWidth;
            if (m_exStyle & kExGridLines)
                r.left += imageDrawn ? 2 : 1;
            if (imageDrawn)
                r.left += m_imageWidth;
        }
        r.left = std::min(r.left, r.right);
    }
    rect = r;
    return true;
}

SgTreeListModel::Item SgTreeListModel::SetInsertMark(Item item, bool before)
{
    Item removed = 0;
    if (m_insertMark) {
        Item mark = m_insertMark;
        m_insertMark = 0;
        removed = DeleteItem(mark) ? mark : 0;
    }
    if (item == 0)
        return removed;
    if (!Exists(item))
        return 0;
    Item parent = GetParentItem(item);
    Item after = item;
    if (before) {
        Item prev = GetNextItem(item, kGetPrevious);
        after = prev ? prev : kFirst;
    }
    Item mark = InsertItem(std::string(), parent, after, kNoImage, kNoImage);
    if (!mark)
        return 0;
    std::int64_t colour = GetColor(kColInsertMark);
    SetItemBkColor(mark, 0, colour);
    for (int c = 1; c < int(m_columns.size()); ++c) {
        SetItemImage(mark, c, kNoImage);
        SetItemBkColor(mark, c, colour);
    }
    m_insertMark = mark;
    return mark;
}

// ---- Hit testing and the tool tip ---------------------------------------

SgTreeListModel::Item SgTreeListModel::HitTest(int x, int y, unsigned *flagsOut) const
{
    unsigned flags = 0;
    if (x >= m_clientWidth)
        flags |= kHtToRight;
    else if (x < 0)
        flags |= kHtToLeft;
    if (y < GetHeaderHeight())
        flags |= kHtAbove;
    else if (y >= m_clientHeight)
        flags |= kHtBelow;
    if (flags) {
        if (flagsOut)
            *flagsOut = flags;
        return 0;
    }
    int row = (y - GetHeaderHeight()) / m_itemHeight + m_firstRow;
    Item item = GetItemOfRow(row);
    if (!item) {
        if (flagsOut)
            *flagsOut = kHtNowhere;
        return 0;
    }
    const Record *rec = Find(item);
    int sx = x + m_scrollX;
    int n = int(m_columns.size());
    if (n == 0 || sx < Boundary(1)) {
        int xi = sx + ((m_style & kLinesAtRoot) ? 0 : m_indent) - m_indent * rec->level;
        if (xi < m_indent) {
            flags = kHtOnItemIndent;
            int centre = kButtonCentre + ((m_style & kHasLines) ? 1 : 0);
            int middle = (row - m_firstRow) * m_itemHeight + GetHeaderHeight() + m_itemHeight / 2;
            if ((m_style & kHasButtons) && rec->firstChild && xi >= centre - kButtonLeftReach &&
                xi <= centre + kButtonRightReach && std::abs(y - middle) <= kButtonVerticalReach)
                flags = kHtOnItemButton;
        } else {
            int rest = xi - m_indent;
            if (m_exStyle & kExGridLines)
                rest -= 1;
            if (HasStateImages() && rest < m_stateImageWidth)
                flags = kHtOnItemStateIcon;
            else {
                if (HasStateImages())
                    rest -= m_stateImageWidth;
                bool image = HasImages() && rec->image != kNoImage;
                if (image && rest < m_imageWidth)
                    flags = kHtOnItemIcon;
                else {
                    if (image)
                        rest -= m_imageWidth;
                    int width = rec->textWidth > 0 ? rec->textWidth : 0;
                    flags = rest < width + 5 ? kHtOnItemLabel : kHtOnItemRight;
                }
            }
        }
    } else {
        int c = 1;
        while (c < n && sx >= Boundary(c + 1))
            ++c;
        if (c >= n) {
            c = n;
            flags = kHtPastColumns;
        }
        if (c < n) {
            int left = Boundary(c) + ((m_exStyle & kExGridLines) ? 1 : 0);
            int right = Boundary(c + 1);
            const Cell *cell = FindCell(item, c);
            flags = kHtCellOutside;
            if (cell) {
                if (HasImages() && cell->image >= kCallbackImage) {
                    if (sx < left + m_imageWidth + 1)
                        flags = kHtCellIcon;
                    left += m_imageWidth + 1;
                }
                if (flags != kHtCellIcon) {
                    int w = cell->textWidth > 0 ? cell->textWidth : 0;
                    int textLeft = left + 2;
                    if (m_columns[c].align == kAlignCentre)
                        textLeft = (left + right) / 2 - w / 2;
                    else if (m_columns[c].align == kAlignRight)
                        textLeft = right - 2 - w;
                    if (w > 0 && sx >= textLeft && sx < textLeft + w)
                        flags = kHtCellLabel;
                }
            }
        }
        flags |= unsigned(std::min(c, 255)) << 24;
    }
    if (flagsOut)
        *flagsOut = flags;
    return item;
}

void SgTreeListModel::HideToolTip()
{
    if (!m_tip.shown && m_tip.item == 0)
        return;
    Rect former = m_tip.rect;
    m_tip = ToolTip{};
    if (m_listener && !former.IsEmpty())
        m_listener->Invalidate(former);
}

const SgTreeListModel::ToolTip &SgTreeListModel::UpdateToolTip(Item item, unsigned flags)
{
    unsigned kind = flags & 0x00FFFFFF;
    bool onItem = kind & (kHtOnItemIcon | kHtOnItemLabel | kHtOnItemStateIcon);
    bool onCell = kind & (kHtCellIcon | kHtCellLabel);
    if (!item || !Exists(item) || (!onItem && !onCell) || !m_enabled || (m_style & kNoToolTips)) {
        HideToolTip();
        return m_tip;
    }
    int column = onCell ? int(flags >> 24) : 0;
    if (m_tip.shown && m_tip.item == item && m_tip.column == column)
        return m_tip;
    if (column > 0 && !FindCell(item, column)) {
        HideToolTip();
        return m_tip;
    }
    Rect rect;
    GetItemRect(item, column, true, rect);
    int width = GetTextWidth(item, column);
    std::string text = GetItemText(item, column);
    // A text that leaves more than 4 pixels of its area free shows whole.
    if (width + 4 < rect.Width() || text.empty()) {
        HideToolTip();
        return m_tip;
    }
    HideToolTip();
    m_tip.shown = true;
    m_tip.item = item;
    m_tip.column = column;
    m_tip.text = text;
    m_tip.textWidth = width;
    m_tip.rect = rect;
    return m_tip;
}

// ---- Mouse, keys and in-place editing ----------------------------------

SgTreeListModel::Item SgTreeListModel::LeftDown(int x, int y, bool ctrl, bool doubleClick)
{
    unsigned flags = 0;
    Item item = HitTest(x, y, &flags);
    if (!item)
        return 0;
    unsigned kind = flags & 0x00FFFFFF;
    int column = int(flags >> 24);
    if (kind & kHtOnItemButton) {
        Expand(item, kToggle);
        return item;
    }
    if ((kind & kHtOnItemStateIcon) && (m_style & kCheckBoxes)) {
        unsigned state = GetItemState(item) & kStateImageMask;
        SetItemState(item, 0, state == 0x2000 ? 0x1000 : 0x2000, kStateImageMask);
        return item;
    }
    bool onRow = kind & (kHtOnItemIcon | kHtOnItemLabel | kHtOnItemStateIcon | kHtCellIcon | kHtCellLabel |
                         kHtCellOutside);
    if ((m_exStyle & kExFullRowSelect) && (kind & (kHtOnItemIndent | kHtOnItemRight)))
        onRow = true;
    if (!onRow)
        return item;
    if (doubleClick) {
        Expand(item, kToggle);
        return item;
    }
    if (ctrl && (m_exStyle & kExMultiSelect))
        ToggleSelect(item, column);
    else
        SelectItem(item, column);
    return item;
}

void SgTreeListModel::KeyDown(Key key)
{
    Item cur = m_caret;
    int row = GetRowOfItem(cur);
    int n = GetRowCount();
    int page = std::max(1, m_fullyVisible - 1);
    Item target = 0;
    switch (key) {
    case kKeyUp: target = row > 0 ? GetItemOfRow(row - 1) : 0; break;
    case kKeyDown: target = row >= 0 ? GetItemOfRow(row + 1) : GetItemOfRow(0); break;
    case kKeyHome: target = GetItemOfRow(0); break;
    case kKeyEnd: target = GetItemOfRow(n - 1); break;
    case kKeyPageUp: target = GetItemOfRow(std::max(0, row - page)); break;
    case kKeyPageDown: target = GetItemOfRow(std::min(n - 1, row + page)); break;
    case kKeyBack: target = GetParentItem(cur); break;
    case kKeySpace:
        if ((m_style & kCheckBoxes) && cur) {
            unsigned state = GetItemState(cur) & kStateImageMask;
            SetItemState(cur, 0, state == 0x2000 ? 0x1000 : 0x2000, kStateImageMask);
        }
        return;
    case kKeyLeft:
    case kKeyRight:
        if (m_columns.size() > 1 && (m_exStyle & kExColumnSelect)) {
            int c = m_selColumn + (key == kKeyLeft ? -1 : 1);
            if (cur && c >= 0 && c < int(m_columns.size()))
                SelectItem(cur, c);
            return;
        }
        if (!cur)
            return;
        if (key == kKeyLeft) {
            if (ItemHasChildren(cur) && (GetItemState(cur) & kExpanded))
                Expand(cur, kCollapse);
            else
                target = GetParentItem(cur);
        } else {
            if (ItemHasChildren(cur) && !(GetItemState(cur) & kExpanded))
                Expand(cur, kExpand);
            else
                target = GetChildItem(cur);
        }
        break;
    }
    if (target)
        SelectItem(target, m_selColumn);
}

bool SgTreeListModel::EditLabel(Item item, int column)
{
    if (!Exists(item) || column < 0 || (column > 0 && column >= int(m_columns.size())))
        return false;
    if (m_editItem)
        EndEditLabel(std::nullopt);
    if (m_listener && !m_listener->BeginLabelEdit(item, column))
        return false;
    if (!Exists(item))
        return false;
    m_editItem = item;
    m_editColumn = column;
    return true;
}

void SgTreeListModel::EndEditLabel(const std::optional<std::string> &text)
{
    Item item = m_editItem;
    int column = m_editColumn;
    m_editItem = 0;
    m_editColumn = 0;
    if (!item || !Exists(item))
        return;
    bool take = m_listener ? m_listener->EndLabelEdit(item, column, text) : true;
    // A cancelled edit changes nothing, whatever the owner answered.
    if (text && take && Exists(item))
        SetItemText(item, column, *text);
}

// ---- Repaint requests -----------------------------------------------------

void SgTreeListModel::InvalidateAll()
{
    if (m_listener)
        m_listener->Invalidate(Rect{0, GetHeaderHeight(), m_clientWidth, m_clientHeight});
}

void SgTreeListModel::InvalidateRow(Item item)
{
    if (!m_listener)
        return;
    int k = GetRowOfItem(item);
    if (k < m_firstRow || k >= m_firstRow + m_rowsThatFit)
        return;
    int top = GetHeaderHeight() + (k - m_firstRow) * m_itemHeight;
    m_listener->Invalidate(Rect{0, top, m_clientWidth, top + m_itemHeight});
}
