#pragma once
// The scene-tree panel without the toolkit: the document's scene graph as a
// tree of node items, field items and (on demand) value items, kept in a
// tree window through StTreeView. It keeps the tree and the view's selection
// in step, renames nodes, edits field values in place (both undoable), adds
// fields to the document's selected fields on double click, and runs the
// context menu's commands (insert property nodes, delete nodes, add
// modifier gizmos).
//
//   StMemoryTree tree;                  // or the wx tree (treepanel/wx)
//   CArbeloCtrl panel;
//   panel.SetView(&tree);
//   panel.SetDocument(document);        // follows selection and scene changes
//   panel.InitTree();
//   panel.OnItemExpanding(item, true);  // what the window reports
//
// Items are built lazily: a node's fields and children are made when its item
// is first expanded, so a large scene opens at once.
//
// Each item carries a checked reference to its record: the item's data is the
// record's serial, and the record names the item it belongs to, so an item
// can never reach another node's record. Records hold a counted reference on
// their node (or on the node owning their field): a node deleted from the
// scene while its item is shown (by undo, a script, another panel) is never
// freed under the tree; acting on such an item rebuilds the tree instead.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"
#include "treepanel/StTreeView.h"
#include "treepanel/ArbeloExport.h"

class SgDocument;
class SgField;
class SgFieldMngr;
class SgNode;
class SgPath;
class SgSeparator;

namespace arbelo {

class ARBELO_API CArbeloCtrl {
public:
    // The record of a node item or a field item. Value items have none of
    // their own: they carry their field's record.
    struct CItemData {
        SgNode *node = nullptr;   // node items
        SgField *field = nullptr; // field items
        SgRef<SgFieldMngr> keep;  // the node, or the node owning the field
        std::string prefix;       // node items: what stands before the name
        std::vector<SgNode *> contents; // filled node items: the nodes shown below
        bool bNode = false;
        bool bFilled = false;
        bool bExpandable = false;
        StItem hItem = 0;
    };

    // The popup menu of a node item: command ids as RunMenuCommand takes them.
    enum Command : int { kCmdSetAttribute = 1, kCmdRemoveAttribute = 2, kCmdDelete = 3, kCmdAddGizmo = 4 };
    static constexpr int kModeBefore = 1;
    static constexpr int kModeAfter = 2;
    struct MenuEntry {
        std::string label;
        int id = 0;
    };
    struct ContextMenu {
        bool show = false;
        std::vector<MenuEntry> addBefore;
        std::vector<MenuEntry> addAfter;
        std::vector<MenuEntry> attribute;
        std::vector<MenuEntry> tail; // after a separator
    };

    // Value items shown at most per field.
    static constexpr int kMaxValueItems = 100;
    // Value texts longer than this are cut in labels, visibly; the edit box
    // still gets the whole value.
    static constexpr std::size_t kMaxLabelValue = 4000;

    CArbeloCtrl();
    ~CArbeloCtrl();
    CArbeloCtrl(const CArbeloCtrl &) = delete;
    CArbeloCtrl &operator=(const CArbeloCtrl &) = delete;

    void SetView(StTreeView *view) { m_pView = view; }
    StTreeView *GetView() const { return m_pView; }
    // Listens to the document's selection and scene changes while set.
    void SetDocument(SgDocument *document);
    SgDocument *GetDocument() const { return m_pDocument; }
    void ShowPointers(bool show) { m_bShowPointers = show; }
    bool IsShowingPointers() const { return m_bShowPointers; }
    void EnableUndo(bool undo) { m_bUndo = undo; }
    bool IsUndoEnabled() const { return m_bUndo; }

    // Builds the tree from the root (the first viewport's graph of the active
    // viewer, else the document's root), then shows the selection.
    void InitTree();
    void RefreshTree();
    // How a rebuild asked for while the window reports an event (a click on
    // an item whose node has gone, a menu command) is run: the window may
    // still use the item after its handler returns, so a window can have it
    // run later (RunPendingRebuild); without a scheduler it runs at once.
    void SetRebuildScheduler(std::function<void()> schedule) { m_scheduleRebuild = std::move(schedule); }
    void RunPendingRebuild();
    // Whether the item is one of the panel's (a node or field item shown now).
    bool IsShown(StItem item) const { return IsShownItem(item); }
    void ExpandToSelectedObject();
    // Expands the tree down to the path's last node and highlights its item.
    void LocateSelection(const SgPath &path);
    // The item of the node among the items built so far; 0 when none.
    StItem FindItem(SgNode *node) const;
    // The item of the path's last node, building items on the way down.
    StItem FindItemForPath(const SgPath &path);
    void CleanAllItems();

    // The item's record (for a value item, its field's), checked against the
    // item; null when the item has none or the record is not the item's.
    const CItemData *GetRecord(StItem item) const;
    bool IsValueItem(StItem item) const;
    int GetDataArraySize() const { return static_cast<int>(m_records.size()); }

    // ---- What the window reports ------------------------------------------------------
    // Answer: whether the expansion (or collapse) may go on.
    bool OnItemExpanding(StItem item, bool expand);
    // A click on an item: an object's item selects the object in the view.
    // True when it did.
    bool OnSelectItem(StItem item);
    // The text the edit box starts with; none refuses the edit.
    std::optional<std::string> OnBeginLabelEdit(StItem item);
    // `text` is none when the edit was cancelled: nothing changes then.
    // True when the item keeps the label the panel set.
    bool OnEndLabelEdit(StItem item, const std::optional<std::string> &text);
    // Double click: a field or value item goes to the document's selected
    // fields. True when the window should go on with its own handling
    // (expand or collapse).
    bool OnDoubleClick(StItem item);
    ContextMenu BuildContextMenu(StItem item) const;
    // Runs a command of the item's context menu; false when nothing was done.
    bool RunMenuCommand(StItem item, int command);
    // Checks the shown items against the scene: a node that left the scene
    // rebuilds the tree; changed names and values are shown anew (after an
    // undo, a script). False when nothing had to change.
    bool SyncShown();

    // ---- Used by StBuildTreeAction -------------------------------------------------------
    StItem AddNodeItem(StItem parent, SgNode *node, const std::string &prefix);
    void AddFieldItems(StItem parent, SgNode *node);
    std::string NodeLabel(SgNode *node, const std::string &prefix) const;
    int ImageOf(SgNode *node) const;
    SgNode *GetTreeRoot() const;

    // The value text of a field for a label (element `index`, or the first
    // one for -1), cut visibly when it is too long.
    static std::string ValueText(SgField *field, int index, bool forLabel);

private:
    // What one item below a node shows: a node (its label starting with the
    // prefix) or a field of `owner` (the prefix is the field's name).
    struct ItemEntry {
        SgNode *node = nullptr;
        SgNode *owner = nullptr;
        SgField *field = nullptr;
        std::string prefix;
    };

    std::uint64_t AddRecord(CItemData record);
    void SetRecordItem(std::uint64_t serial, StItem item);
    void DropRecordsBelow(StItem item);
    void DeleteChildItems(StItem item);
    bool IsShownItem(StItem item) const { return item && m_byItem.count(item); }
    CItemData *Record(StItem item);
    // The entries a node's item shows below it, in order.
    std::vector<ItemEntry> CollectEntries(SgNode *node);
    StItem InsertEntry(StItem parent, StItem after, const ItemEntry &entry);
    bool ShowsEntry(StItem item, const ItemEntry &entry) const;
    void DeleteItemAndRecords(StItem item);
    // Brings the items below a filled node's item in line with its entries,
    // keeping those that still show one; false when it cannot (nothing done).
    bool UpdateChildItems(StItem item, SgNode *node);
    void FillNode(StItem item, CItemData &record);
    // FillNode that opens again the items below that were open.
    void RefillNode(StItem item, CItemData &record);
    void CollectOpen(StItem item, std::vector<SgNode *> &open) const;
    void Reopen(StItem item, const std::vector<SgNode *> &open);
    bool FillValues(StItem item, SgField *field);
    StItem InsertValueItem(StItem parent, StItem after, int index, const std::string &text, std::uint64_t serial);
    void RenumberValues(StItem fieldItem, int from);
    bool IsInScene(SgNode *node) const;
    std::vector<SgNode *> ContentsOf(SgNode *node) const;
    bool RecordAlive(const CItemData &record) const;
    void RenameNode(StItem item, CItemData &record, const std::string &name);
    bool EditField(StItem item, CItemData &record, const std::string &text);
    void RemoveValue(StItem item, CItemData &record);
    SgNode *ParentNodeOf(StItem item) const;
    void RedrawViewers();
    void Rebuild();
    void OnSelectionChanged();

    SgDocument *m_pDocument = nullptr;
    StTreeView *m_pView = nullptr;
    bool m_bUndo = true;
    bool m_bShowPointers = false;
    int m_updating = 0;
    std::uint64_t m_nextSerial = 1;
    std::unordered_map<std::uint64_t, CItemData> m_records;
    // The record of each item that has one: items are only ever deleted
    // through DeleteChildItems or CleanAllItems, which drop their records,
    // so no record names an item that has gone.
    std::unordered_map<StItem, std::uint64_t> m_byItem;
    SgRef<SgNode> m_root;
    std::vector<int> m_classImages; // by class offset, -1 none
    std::function<void()> m_scheduleRebuild;
    bool m_rebuildPending = false;
    // While set, AddNodeItem and AddFieldItems list entries here instead of
    // inserting items.
    std::vector<ItemEntry> *m_collecting = nullptr;
    SgDocumentSubscription m_selectionChanged;
    SgDocumentSubscription m_sceneChanged;
};

} // namespace arbelo
