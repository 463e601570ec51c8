#pragma once
// What a multi-column tree list knows, without the toolkit: a tree of items
// with further text columns beside the first, per-item and per-cell colours
// and images, selection by item and column, the rows that are shown, the
// scroll positions, the insert mark, hit testing, item rectangles and when a
// cut text deserves a tool tip. The operations keep the names of the
// tree-view messages they stand for (InsertItem, Expand, EnsureVisible,
// HitTest, SetInsertMark, ...); the wx view (platform/wx/SgWxTreeList) paints
// what this model says and hands it clicks, keys, wheel turns and sizes.
//
//   SgTreeListModel list;
//   list.InsertColumn(0, "Layer", SgTreeListModel::kAlignLeft, 120);
//   auto layer = list.InsertItem("Layer0", SgTreeListModel::kRoot, SgTreeListModel::kLast);
//   list.SetItemText(layer, 1, "0");     // a cell of column 1
//   list.SetClientSize(200, 100);
//   int flags = 0;
//   auto hit = list.HitTest(30, list.GetHeaderHeight() + 3, &flags);
//
// Items are numbers that are never given twice, so a number kept after its
// item went away answers "no such item" instead of naming another one.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "platform/PlatformExport.h"

class PLATFORM_API SgTreeListModel {
public:
    using Item = std::uint32_t;
    using Colour = std::uint32_t; // 0x00BBGGRR

    static constexpr Item kRoot = 0;
    // Insertion places (the "after" argument of InsertItem).
    static constexpr Item kFirst = 0xFFFF0001u;
    static constexpr Item kLast = 0xFFFF0002u;
    static constexpr Item kSort = 0xFFFF0003u;

    static constexpr int kMaxColumns = 32;
    static constexpr int kColourCount = 11;
    static constexpr int kMinIndent = 5;
    static constexpr int kMaxIndent = 64;
    static constexpr int kDefaultIndent = 19;
    static constexpr int kMaxUserDataSize = 0x1000000;
    static constexpr int kNoImage = -2;
    static constexpr int kCallbackImage = -1;
    static constexpr int kStateImageSize = 16;

    // Item and cell state bits.
    enum : unsigned {
        kFocused = 0x0001,
        kSelected = 0x0002,
        kCut = 0x0004,
        kDropHilited = 0x0008,
        kBold = 0x0010,
        kExpanded = 0x0020,
        kExpandedOnce = 0x0040,
        kExpandPartial = 0x0080,
        kOverlayMask = 0x0F00,
        kStateImageMask = 0xF000,
        kFocusFrame = 0x400000,
    };
    // Window style bits.
    enum : unsigned {
        kHasButtons = 0x0001,
        kHasLines = 0x0002,
        kLinesAtRoot = 0x0004,
        kEditLabels = 0x0008,
        kNoToolTips = 0x0080,
        kCheckBoxes = 0x0100,
        kSingleExpand = 0x0400,
        kEvenHeight = 0x4000,
        kNoScroll = 0x2000,
    };
    // Extended style bits.
    enum : unsigned {
        kExMultiSelect = 0x02,
        kExNoHScroll = 0x20,
        kExOddHeight = 0x4000,
        kExGridLines = 0x10000,
        kExAlternateRows = 0x20000,
        kExColumnSelect = 0x40000,
        kExFullRowSelect = 0x80000,
        kExRowColourInTree = 0x100000,
    };
    // Hit-test flags; a further column travels in bits 24 to 31.
    enum : unsigned {
        kHtNowhere = 0x0001,
        kHtOnItemIcon = 0x0002,
        kHtOnItemLabel = 0x0004,
        kHtOnItemIndent = 0x0008,
        kHtOnItemButton = 0x0010,
        kHtOnItemRight = 0x0020,
        kHtOnItemStateIcon = 0x0040,
        kHtAbove = 0x0100,
        kHtBelow = 0x0200,
        kHtToRight = 0x0400,
        kHtToLeft = 0x0800,
        kHtCellOutside = 0x100000,
        kHtCellIcon = 0x200000,
        kHtCellLabel = 0x400000,
        kHtPastColumns = 0x800000,
    };
    // Expand actions.
    enum : unsigned { kCollapse = 1, kExpand = 2, kToggle = 3, kCollapseReset = 0x8000, kExpandPartialFlag = 0x4000 };
    // GetNextItem codes.
    enum NextCode {
        kGetRoot = 0,
        kGetNext = 1,
        kGetPrevious = 2,
        kGetParent = 3,
        kGetChild = 4,
        kGetFirstVisible = 5,
        kGetNextVisible = 6,
        kGetPreviousVisible = 7,
        kGetDropHilite = 8,
        kGetCaret = 9,
        kGetLastVisible = 10,
        kGetNextSelected = 11,
        kGetDropColumn = 12,
        kGetSelectionColumn = 13,
        kGetFocus = 15,
        kGetFocusColumn = 16,
        kGetNextSelectedChild = 17,
    };
    enum Align { kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2 };
    // Colour indices.
    enum { kColBackground = 0, kColOddRow = 1, kColEvenRow = 2, kColGrid = 3, kColText = 4, kColLine = 5,
           kColButtonFrame = 6, kColDropText = 7, kColSelectedRow = 8, kColSelectedEvenRow = 9, kColInsertMark = 10 };

    struct Rect {
        int left = 0, top = 0, right = 0, bottom = 0;
        int Width() const { return right - left; }
        bool IsEmpty() const { return right <= left || bottom <= top; }
        bool operator==(const Rect &) const = default;
    };

    // What the list tells its owner; every answer that may veto has a default
    // that lets the change happen.
    class Listener {
    public:
        virtual ~Listener() = default;
        // True vetoes.
        virtual bool ItemExpanding(Item, unsigned /*action*/) { return false; }
        virtual void ItemExpanded(Item, unsigned /*action*/) {}
        virtual bool SelChanging(Item /*oldItem*/, Item /*newItem*/, int /*column*/) { return false; }
        virtual void SelChanged(Item /*oldItem*/, Item /*newItem*/, int /*column*/) {}
        virtual void DeleteItem(Item) {}
        // False refuses the edit.
        virtual bool BeginLabelEdit(Item, int /*column*/) { return true; }
        // `text` is empty when the edit was cancelled (and nothing changes);
        // with a text, true takes it as the cell's new text.
        virtual bool EndLabelEdit(Item, int /*column*/, const std::optional<std::string> & /*text*/) { return true; }
        // The part of the client area that must be painted again.
        virtual void Invalidate(const Rect &) {}
        // Scroll ranges or positions changed.
        virtual void ScrollChanged() {}
        // A column was inserted, deleted or resized (the header follows).
        virtual void ColumnsChanged() {}
    };

    // Width of a text in pixels, in the bold or the normal font.
    using Measure = std::function<int(const std::string &text, bool bold)>;

    SgTreeListModel();
    ~SgTreeListModel();
    SgTreeListModel(const SgTreeListModel &) = delete;
    SgTreeListModel &operator=(const SgTreeListModel &) = delete;

    void SetListener(Listener *listener) { m_listener = listener; }
    void SetMeasure(Measure measure);
    void SetFontMetrics(int height, int ascent);
    int GetFontHeight() const { return m_fontHeight; }
    int GetFontAscent() const { return m_fontAscent; }

    // ---- Styles -------------------------------------------------------------
    void SetStyle(unsigned style);
    unsigned GetStyle() const { return m_style; }
    // The new style is (style & mask) | (old & ~mask); a mask of 0 means all bits.
    unsigned SetExtendedStyle(unsigned style, unsigned mask = 0);
    unsigned GetExtendedStyle() const { return m_exStyle; }

    // ---- Sizes --------------------------------------------------------------
    void SetClientSize(int width, int height);
    int GetClientWidth() const { return m_clientWidth; }
    int GetClientHeight() const { return m_clientHeight; }
    void SetHeaderHeight(int height);
    int GetHeaderHeight() const { return m_columns.empty() ? 0 : m_headerHeight; }
    // Limited to kMinIndent .. kMaxIndent; answers the indent now in force.
    int SetIndent(int indent);
    int GetIndent() const { return m_indent; }
    // 1 .. 256, or -1 for the automatic height; answers the previous height.
    int SetItemHeight(int height);
    int GetItemHeight() const { return m_itemHeight; }
    void SetImageSizes(int stateWidth, int stateHeight, int width, int height);
    bool HasStateImages() const { return m_stateImageWidth > 0; }
    bool HasImages() const { return m_imageWidth > 0; }
    int GetStateImageWidth() const { return m_stateImageWidth; }
    int GetStateImageHeight() const { return m_stateImageHeight; }
    int GetImageWidth() const { return m_imageWidth; }
    int GetImageHeight() const { return m_imageHeight; }
    int GetRowsThatFit() const { return m_rowsThatFit; }
    int GetVisibleCount() const { return m_fullyVisible; }

    // ---- Colours ------------------------------------------------------------
    // -1 for an index outside 0 .. 10; a colour of -1 returns the index to
    // its system default. Answers the previous colour.
    std::int64_t SetColor(int index, std::int64_t colour);
    std::int64_t GetColor(int index) const;
    // The system colours unset indices follow: window, info background,
    // button face, window text, button shadow, highlight.
    struct SystemColours {
        Colour window = 0xFFFFFF, infoBackground = 0xE1FFFF, buttonFace = 0xF0F0F0, windowText = 0x000000,
               buttonShadow = 0xA0A0A0, highlight = 0xD77800, highlightText = 0xFFFFFF, menu = 0xF0F0F0,
               scrollBar = 0xC8C8C8;
    };
    void SetSystemColours(const SystemColours &colours);
    const SystemColours &GetSystemColours() const { return m_system; }

    // ---- Columns ------------------------------------------------------------
    // Answers the new column's index, or -1 at kMaxColumns columns.
    int InsertColumn(int position, const std::string &text, Align align = kAlignLeft, int width = 80);
    bool DeleteColumn(int column);
    int GetColumnCount() const { return int(m_columns.size()); }
    int GetColumnWidth(int column) const;
    bool SetColumnWidth(int column, int width);
    const std::string &GetColumnText(int column) const;
    Align GetColumnAlign(int column) const;
    // Left edge of column c, right edge of column c - 1; boundary n + 1 is the
    // client width.
    int Boundary(int c) const;

    // ---- Items --------------------------------------------------------------
    // 0 when the parent does not exist, while sorting, or at the item limit.
    Item InsertItem(const std::string &text, Item parent = kRoot, Item after = kLast, int image = kNoImage,
                    int selectedImage = kNoImage, std::intptr_t param = 0);
    // kRoot deletes every item.
    bool DeleteItem(Item item);
    bool DeleteAllItems() { return DeleteItem(kRoot); }
    bool Exists(Item item) const;
    int GetCount() const { return m_count; }
    Item GetNextItem(Item item, NextCode code) const;
    Item GetParentItem(Item item) const { return GetNextItem(item, kGetParent); }
    Item GetChildItem(Item item) const { return GetNextItem(item, kGetChild); }
    Item GetNextSiblingItem(Item item) const { return GetNextItem(item, kGetNext); }
    bool ItemHasChildren(Item item) const;
    int GetLevel(Item item) const;

    // Column 0 is the item itself; a further column is its cell, made on
    // first use. Text, image and state of a column that does not exist fail.
    bool SetItemText(Item item, int column, const std::string &text);
    std::string GetItemText(Item item, int column = 0) const;
    bool SetItemImage(Item item, int column, int image, int selectedImage = kNoImage);
    int GetItemImage(Item item, int column = 0) const;
    int GetItemSelectedImage(Item item) const;
    // Sets `state` under `mask`. The selected bit selects (or clears the
    // selection of) the item in that column; the expanded bit expands.
    bool SetItemState(Item item, int column, unsigned state, unsigned mask);
    unsigned GetItemState(Item item, int column = 0) const;
    bool SetItemData(Item item, std::intptr_t param);
    std::intptr_t GetItemData(Item item) const;
    bool HasCell(Item item, int column) const;

    // Own colours: -1 none. Answers the previous colour, or -1.
    std::int64_t SetItemTextColor(Item item, int column, std::int64_t colour);
    std::int64_t GetItemTextColor(Item item, int column) const;
    std::int64_t SetItemBkColor(Item item, int column, std::int64_t colour);
    std::int64_t GetItemBkColor(Item item, int column) const;

    // A block of this many bytes follows every item; refused (-1) above
    // kMaxUserDataSize, unchanged once items exist. Answers the size in force.
    int SetUserDataSize(int size);
    int GetUserDataSize() const { return m_userDataSize; }
    void *GetUserData(Item item);

    // Text width in pixels, measured once per text.
    int GetTextWidth(Item item, int column = 0);

    // ---- Expanding, selecting, sorting ------------------------------------
    bool Expand(Item item, unsigned action);
    // Selects `item` in `column` (0 clears); a plain selection clears the
    // others under multi-selection.
    bool SelectItem(Item item, int column = 0, bool clearOthers = true);
    // Toggles the item's selection under multi-selection (a Ctrl-click).
    bool ToggleSelect(Item item, int column);
    Item GetSelectedItem() const { return m_caret; }
    int GetSelectionColumn() const { return m_selColumn; }
    Item GetFocusItem() const { return m_focus; }
    int GetFocusColumn() const { return m_focusColumn; }
    bool SelectDropTarget(Item item, int column = 0);
    bool SortChildren(Item item, bool recurse = false);

    // ---- Rows and scrolling -------------------------------------------------
    int GetRowCount() const;
    // Row index of the item counted from 0, or -1.
    int GetRowOfItem(Item item) const;
    // 0 beyond the rows.
    Item GetItemOfRow(int row) const;
    int GetFirstVisibleRow() const { return m_firstRow; }
    int GetScrollX() const { return m_scrollX; }
    int GetMaxFirstRow() const;
    int GetMaxScrollX() const;
    bool SetFirstVisibleRow(int row);
    bool SetScrollX(int x);
    // Without columns the horizontal range follows the widest label painted.
    void SetContentWidth(int width) { m_contentWidth = width; }
    // Line and page steps; the codes of a scroll bar.
    enum ScrollCode { kLineUp, kLineDown, kPageUp, kPageDown, kThumb, kTop, kBottom };
    void VScroll(ScrollCode code, int position = 0);
    void HScroll(ScrollCode code, int position = 0);
    // 0 when a button or modifier key is held (any of `keys` & 0x1F), else 1.
    int MouseWheel(int delta, unsigned keys);
    // 1 the item had a row, 0 ancestors had to be expanded (or one refused),
    // -1 no such item. Column -2 makes the row the first shown; -1 scrolls
    // only vertically.
    int EnsureVisible(Item item, int column = -1);
    // False and an empty rectangle for an item without a row among those that fit.
    bool GetItemRect(Item item, int column, bool textOnly, Rect &rect) const;

    // The insert mark: an empty row in colour 10 before (`before`) or after
    // `item`; item 0 removes it. Answers the mark's item, or 0.
    Item SetInsertMark(Item item, bool before);
    Item GetInsertMark() const { return m_insertMark; }

    // ---- Hit testing and the tool tip -------------------------------------
    // Client coordinates (the header included). The item, or 0.
    Item HitTest(int x, int y, unsigned *flags) const;

    struct ToolTip {
        bool shown = false;
        Item item = 0;
        int column = 0;
        std::string text;
        int textWidth = 0;
        Rect rect; // the text part it covers, client coordinates
    };
    // Decides the tip for a point's hit: shows, keeps or hides it.
    const ToolTip &UpdateToolTip(Item item, unsigned flags);
    const ToolTip &GetToolTip() const { return m_tip; }

    // ---- Mouse, keys and in-place editing --------------------------------
    // A left press (or double click) at a client point: buttons expand,
    // check boxes toggle, labels select. Answers the hit item.
    Item LeftDown(int x, int y, bool ctrl, bool doubleClick = false);
    // Key codes of the arrows and friends as the view maps them.
    enum Key { kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyHome, kKeyEnd, kKeyPageUp, kKeyPageDown, kKeyBack, kKeySpace };
    void KeyDown(Key key);

    // Starts editing the label of a cell; false when the owner refused.
    bool EditLabel(Item item, int column);
    bool IsEditing() const { return m_editItem != 0; }
    Item GetEditItem() const { return m_editItem; }
    int GetEditColumn() const { return m_editColumn; }
    // Ends the edit; no text means cancelled.
    void EndEditLabel(const std::optional<std::string> &text);

    // ---- Painting helpers --------------------------------------------------
    // The colour a row is filled with (row counted from 0 at the list's top).
    Colour RowColour(int row) const;
    // Colours of this paint for the enabled state.
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }

private:
    struct Cell;
    struct Record;
    Record *Find(Item item) const;
    Cell *FindCell(Item item, int column) const;
    Cell *MakeCell(Item item, int column);
    // The own text or background colour of an item or cell; null when the
    // item (or, unless made, the cell) does not exist.
    std::int64_t *ColourSlot(Item item, int column, bool text, bool make) const;
    std::int64_t SetOwnColour(Item item, int column, bool text, std::int64_t colour);
    Item Link(Record &rec, Item parent, Item after);
    void Unlink(Item item);
    void DeleteTree(Item item);
    void RebuildRows() const;
    void RowsChanged();
    void Recount();
    void AutoItemHeight();
    void InvalidateAll();
    void InvalidateRow(Item item);
    int LimitFirstRow(int row) const;
    int LimitScrollX(int x) const;
    void SortList(Item parent, bool recurse);
    Colour DefaultColour(int index) const;
    void HideToolTip();
    // After a scroll position changed: the tip goes, the rows repaint.
    void Scrolled();
    void SetSelectedBit(Item item, int column, bool on);

    Listener *m_listener = nullptr;
    Measure m_measure;
    std::vector<std::unique_ptr<Record>> m_items; // index = item number; 0 is the root
    mutable std::vector<Item> m_rows;
    int m_count = 0;
    unsigned m_style = 0;
    unsigned m_exStyle = 0;
    int m_clientWidth = 0, m_clientHeight = 0, m_headerHeight = 0;
    int m_indent = kDefaultIndent;
    int m_itemHeight = 16;
    bool m_autoHeight = true;
    int m_fontHeight = 13, m_fontAscent = 11;
    int m_stateImageWidth = 0, m_stateImageHeight = 0, m_imageWidth = 0, m_imageHeight = 0;
    int m_rowsThatFit = 0, m_fullyVisible = 0;
    int m_firstRow = 0, m_scrollX = 0, m_contentWidth = 0;
    mutable bool m_rowsDirty = false;
    struct Column {
        std::string text;
        Align align = kAlignLeft;
        int width = 0;
    };
    std::vector<Column> m_columns;
    std::int64_t m_colours[kColourCount];
    SystemColours m_system;
    int m_userDataSize = 0;
    Item m_caret = 0, m_focus = 0, m_drop = 0, m_insertMark = 0, m_editItem = 0;
    int m_selColumn = 0, m_focusColumn = 0, m_dropColumn = 0, m_editColumn = 0;
    bool m_sorting = false;
    bool m_enabled = true;
    ToolTip m_tip;
};
