#include "treepanel/CArbeloCtrl.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <sstream>

#include "engine/core/SgFieldChange.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgUndoInfo.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "treepanel/StBuildTreeAction.h"
#include "treepanel/StClassImages.h"

namespace arbelo {

namespace {

constexpr const char *kPackage = "SceneTree";

// The item's data: the serial of its record.
std::uint64_t DataOf(const StTreeView *view, StItem item)
{
    return view && item ? view->GetData(item) : 0;
}

std::string Trim(const std::string &text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// The whole value of a field as its text form, which reads back.
std::string WholeText(SgField *field)
{
    std::ostringstream out;
    try {
        field->WriteToStream(out);
    } catch (const SgError &) {
        return std::string();
    }
    return out.str();
}

// A value edit undone and redone through the field's text form: the edit
// may replace, insert and remove several values at once.
class TextChange : public SgFieldChange {
public:
    TextChange(std::string before, std::string after) : m_before(std::move(before)), m_after(std::move(after)) {}
    void Apply(SgField &field, bool forward) override
    {
        std::istringstream in(forward ? m_after : m_before);
        try {
            field.ReadFromStream(in, false);
        } catch (const SgError &error) {
            SgDiagWarning(kPackage, "a value edit could not be taken back: %s", error.what());
        }
    }
    std::size_t HeldBytes() const override { return m_before.size() + m_after.size(); }

private:
    std::string m_before;
    std::string m_after;
};

// A rename, recorded on the node's first field (the undo list records field
// and child-list changes).
class NameChange : public SgFieldChange {
public:
    NameChange(SgNode *node, std::string before, std::string after)
        : m_node(node), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void Apply(SgField &, bool forward) override { m_node->SetName((forward ? m_after : m_before).c_str()); }
    std::size_t HeldBytes() const override { return m_before.size() + m_after.size(); }

private:
    SgNode *m_node; // the undo record keeps the node alive
    std::string m_before;
    std::string m_after;
};

// Reads "[n]" at the start of a value item's label; -1 when there is none.
int ValueIndexOf(const std::string &label)
{
    int index = -1;
    char close = 0;
    if (std::sscanf(label.c_str(), "[%d%c", &index, &close) == 2 && close == ']' && index >= 0)
        return index;
    return -1;
}

std::string ValueLabel(int index, const std::string &text)
{
    return "[" + std::to_string(index) + "] - " + text;
}

// The group that holds `node` in the graph below `parent`: the parent
// itself, or the body separator of the parent object.
SgGroup *HoldingGroup(SgNode *node, SgNode *parent)
{
    if (!node || !parent)
        return nullptr;
    for (SgNode *father : node->GetFatherList()) {
        if (!father->IsGroup() || !SgNode::HoldsInGraph(father, node))
            continue;
        if (father == parent)
            return static_cast<SgGroup *>(father);
        const auto &up = father->GetFatherList();
        if (father->IsSeparator() && up.size() == 1 && up.front() == parent)
            return static_cast<SgGroup *>(father);
    }
    return nullptr;
}

struct MenuClass {
    const char *name;
};
constexpr const char *kAddBefore[] = {"Material", "ShapeHints", "Environment", "DrawStyle",
                                      "Billboard", "LightModel", "TextureEnable", "Transform"};
constexpr const char *kAddAfter[] = {"Material",          "ShapeHints",          "Environment",
                                     "DrawStyle",         "Billboard",           "LightModel",
                                     "Transform",         "TextureEnable",       "TextureUnit",
                                     "Texture2D",         "TextureFunction",     "Texture2Transform",
                                     "SimplifyModifier",  "TriangulateModifier", "SmoothMeshModifier",
                                     "Format",            "Grid",                "Layers"};

// An entry's id: the class id times 16 plus the mode; a class that is not
// registered leaves the mode alone (the entry then acts like the attribute
// entries).
int MenuId(const char *name, int mode)
{
    const std::string className = std::string("Sg") + name;
    const int id = SgFieldMngr::GetClassIDFromName(className.c_str());
    return id > 0 ? id * 16 + mode : mode;
}

} // namespace

CArbeloCtrl::CArbeloCtrl()
{
    int count = 0;
    const StClassImage *table = GetClassImages(count);
    m_classImages.assign(SgFieldMngr::GetClassCount(), -1);
    std::vector<bool> named(m_classImages.size(), false);
    for (int i = 0; i < count; ++i) {
        const int id = SgFieldMngr::GetClassIDFromName(table[i].className);
        const int offset = id - SgFieldMngr::GetBase();
        if (id <= 0 || offset < 0 || offset >= static_cast<int>(m_classImages.size()))
            continue;
        m_classImages[offset] = table[i].image;
        named[offset] = true;
    }
    // A class without a picture takes its nearest named ancestor's.
    for (int offset = 0; offset < static_cast<int>(m_classImages.size()); ++offset) {
        int at = offset;
        for (int guard = 0; guard < 64 && !named[at]; ++guard) {
            int parent = -1;
            try {
                parent = SgFieldMngr::GetParent(at);
            } catch (const SgError &) {
                break; // an offset no class holds
            }
            if (parent < 0 || parent == at || parent >= static_cast<int>(named.size()))
                break;
            at = parent;
        }
        if (named[at])
            m_classImages[offset] = m_classImages[at];
    }
}

CArbeloCtrl::~CArbeloCtrl()
{
    m_selectionChanged.Reset();
    m_sceneChanged.Reset();
}

void CArbeloCtrl::SetDocument(SgDocument *document)
{
    m_selectionChanged.Reset();
    m_sceneChanged.Reset();
    if (document != m_pDocument) {
        // Nothing of the old document's scene is held past this point: it
        // may go right after (a control closing takes its document down).
        CleanAllItems();
        m_root = SgRef<SgNode>();
    }
    m_pDocument = document;
    if (!document)
        return;
    m_selectionChanged = document->Subscribe(SgDocumentEventKind::kSelectionChanged,
                                             [this](const SgDocumentEvent &) { OnSelectionChanged(); });
    m_sceneChanged = document->Subscribe(SgDocumentEventKind::kSceneChanged, [this](const SgDocumentEvent &event) {
        // A new scene (a file read, a cleared scene): every item goes. A
        // change of one node shows at the next SyncShown.
        if (!event.node && !m_updating && m_pView)
            RefreshTree();
    });
}

SgNode *CArbeloCtrl::GetTreeRoot() const
{
    if (!m_pDocument)
        return nullptr;
    if (SgViewer *viewer = m_pDocument->GetActiveViewer())
        if (viewer->GetViewportCount() > 0)
            if (SgViewport *viewport = viewer->GetViewport(0); viewport && viewport->GetNodara())
                return viewport->GetNodara();
    return m_pDocument->GetRoot();
}

int CArbeloCtrl::ImageOf(SgNode *node) const
{
    if (!node)
        return kImgNone;
    const int offset = node->GetClassID() - SgFieldMngr::GetBase();
    if (offset < 0 || offset >= static_cast<int>(m_classImages.size()))
        return kImgNone;
    return m_classImages[offset];
}

std::string CArbeloCtrl::NodeLabel(SgNode *node, const std::string &prefix) const
{
    std::string label = prefix + node->GetName();
    if (label.empty())
        label = node->GetClassName() ? node->GetClassName() : "";
    if (label.compare(0, 2, "Sg") == 0)
        label.erase(0, 2);
    if (node->IsOveride())
        label = "!! " + label;
    if (m_bShowPointers) {
        const auto &fathers = node->GetFatherList();
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "%d ", static_cast<int>(fathers.size()));
        label += buffer;
        for (SgNode *father : fathers) {
            std::snprintf(buffer, sizeof buffer, " [%p,  NFathers = %d, Doc = %p] ", static_cast<void *>(father),
                          static_cast<int>(father->GetFatherList().size()),
                          static_cast<void *>(father->GetDocument()));
            label += buffer;
        }
        label += " }";
    }
    return label;
}

std::string CArbeloCtrl::ValueText(SgField *field, int index, bool forLabel)
{
    if (!field || field->GetCount() <= 0)
        return std::string();
    std::ostringstream out;
    try {
        const int element = index < 0 ? 0 : index;
        if (element >= field->GetCount())
            return std::string();
        field->WriteToStream(out, element, element);
    } catch (const SgError &) {
        return std::string();
    }
    std::string text = Trim(out.str());
    // One element of a longer array is written with the separator after it.
    if (field->IsVector() && !text.empty() && text.back() == ',')
        text = Trim(text.substr(0, text.size() - 1));
    if (forLabel && text.size() > kMaxLabelValue) {
        const std::size_t rest = text.size() - kMaxLabelValue;
        text.resize(kMaxLabelValue);
        text += " ... (" + std::to_string(rest) + " more characters)";
    }
    return text;
}

std::uint64_t CArbeloCtrl::AddRecord(CItemData record)
{
    const std::uint64_t serial = m_nextSerial++;
    m_records.emplace(serial, std::move(record));
    return serial;
}

const CArbeloCtrl::CItemData *CArbeloCtrl::GetRecord(StItem item) const
{
    if (!m_pView || !item)
        return nullptr;
    auto found = m_records.find(DataOf(m_pView, item));
    if (found == m_records.end())
        return nullptr;
    const CItemData &record = found->second;
    // The record's own item, or a value item under its field's item.
    if (record.hItem == item)
        return &record;
    if (!record.bNode && m_pView->GetParent(item) == record.hItem)
        return &record;
    return nullptr;
}

void CArbeloCtrl::SetRecordItem(std::uint64_t serial, StItem item)
{
    m_records[serial].hItem = item;
    if (item)
        m_byItem[item] = serial;
}

void CArbeloCtrl::DropRecordsBelow(StItem item)
{
    for (StItem child = m_pView->GetFirstChild(item); child; child = m_pView->GetNextSibling(child)) {
        DropRecordsBelow(child);
        if (auto found = m_byItem.find(child); found != m_byItem.end()) {
            m_records.erase(found->second);
            m_byItem.erase(found);
        }
    }
}

void CArbeloCtrl::DeleteChildItems(StItem item)
{
    DropRecordsBelow(item);
    m_pView->DeleteChildren(item);
}

CArbeloCtrl::CItemData *CArbeloCtrl::Record(StItem item)
{
    return const_cast<CItemData *>(GetRecord(item));
}

bool CArbeloCtrl::IsValueItem(StItem item) const
{
    const CItemData *record = GetRecord(item);
    return record && !record->bNode && record->hItem != item;
}

StItem CArbeloCtrl::AddNodeItem(StItem parent, SgNode *node, const std::string &prefix)
{
    if (!m_pView || !node)
        return 0;
    ItemEntry entry;
    entry.node = node;
    entry.prefix = prefix;
    if (m_collecting) {
        m_collecting->push_back(std::move(entry));
        return 0;
    }
    return InsertEntry(parent, 0, entry);
}

void CArbeloCtrl::AddFieldItems(StItem parent, SgNode *node)
{
    if (!m_pView || !node)
        return;
    const int count = node->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *field = node->GetFieldAddress(i);
        if (!field || field->IsIgnored())
            continue;
        const char *fieldName = node->GetFieldName(i);
        const std::string name = fieldName ? fieldName : "";
        if (field->GetClassID() == SgFNodePtr::ClassID()) {
            const NodePtr &pointed = *static_cast<SgFNodePtr *>(field);
            if (pointed)
                AddNodeItem(parent, pointed.get(), name + " ");
            continue;
        }
        ItemEntry entry;
        entry.owner = node;
        entry.field = field;
        entry.prefix = name;
        if (m_collecting)
            m_collecting->push_back(std::move(entry));
        else
            InsertEntry(parent, 0, entry);
    }
}

StItem CArbeloCtrl::InsertEntry(StItem parent, StItem after, const ItemEntry &entry)
{
    CItemData record;
    if (entry.node) {
        SgNode *node = entry.node;
        record.node = node;
        record.keep = SgRef<SgFieldMngr>(node);
        record.bNode = true;
        record.bExpandable = node->GetFieldsCount() > 0 || node->GetNumChildren() > 0 || node->GetHeldGroup();
        record.prefix = entry.prefix;
        const bool expandable = record.bExpandable;
        const std::uint64_t serial = AddRecord(std::move(record));
        const StItem item =
            m_pView->InsertItem(parent, after, NodeLabel(node, entry.prefix), ImageOf(node), expandable, serial);
        SetRecordItem(serial, item);
        return item;
    }
    SgField *field = entry.field;
    const int values = field->GetCount();
    std::string label = entry.prefix + " - " + ValueText(field, 0, true);
    if (values > 1)
        label += "...";
    record.field = field;
    record.keep = SgRef<SgFieldMngr>(entry.owner);
    record.bExpandable = true;
    const std::uint64_t serial = AddRecord(std::move(record));
    const StItem item = m_pView->InsertItem(parent, after, label, kImgField, values > 1, serial);
    SetRecordItem(serial, item);
    return item;
}

bool CArbeloCtrl::ShowsEntry(StItem item, const ItemEntry &entry) const
{
    const CItemData *record = GetRecord(item);
    if (!record || record->hItem != item)
        return false;
    if (entry.node)
        return record->bNode && record->node == entry.node && record->prefix == entry.prefix;
    return !record->bNode && record->field == entry.field;
}

void CArbeloCtrl::DeleteItemAndRecords(StItem item)
{
    DropRecordsBelow(item);
    if (auto found = m_byItem.find(item); found != m_byItem.end()) {
        m_records.erase(found->second);
        m_byItem.erase(found);
    }
    m_pView->DeleteItem(item);
}

void CArbeloCtrl::CleanAllItems()
{
    if (m_pView)
        m_pView->DeleteAllItems();
    m_records.clear();
    m_byItem.clear();
}

void CArbeloCtrl::InitTree()
{
    RefreshTree();
}

void CArbeloCtrl::RefreshTree()
{
    m_rebuildPending = false;
    if (!m_pView)
        return;
    ++m_updating;
    CleanAllItems();
    m_root = SgRef<SgNode>(GetTreeRoot());
    if (m_root) {
        StBuildTreeAction action(this, m_bShowPointers);
        action.SetParentItem(0);
        try {
            action.Apply(m_root.get());
        } catch (const SgError &error) {
            SgDiagWarning(kPackage, "the scene tree was not built whole: %s", error.what());
        }
        // The top level shows open.
        for (StItem top = m_pView->GetFirstChild(0); top; top = m_pView->GetNextSibling(top))
            if (OnItemExpanding(top, true))
                m_pView->Expand(top);
    }
    --m_updating;
    ExpandToSelectedObject();
}

std::vector<SgNode *> CArbeloCtrl::ContentsOf(SgNode *node) const
{
    std::vector<SgNode *> contents;
    if (!node)
        return contents;
    const int fields = node->GetFieldsCount();
    for (int i = 0; i < fields; ++i) {
        SgField *field = node->GetFieldAddress(i);
        if (field && !field->IsIgnored() && field->GetClassID() == SgFNodePtr::ClassID())
            contents.push_back(static_cast<const NodePtr &>(*static_cast<SgFNodePtr *>(field)).get());
    }
    SgGroup *group = node->IsGroup() ? static_cast<SgGroup *>(node) : node->GetHeldGroup();
    if (!group)
        return contents;
    for (int i = 0; i < group->GetNumChildren(); ++i) {
        SgNode *child = group->GetChild(i);
        contents.push_back(child);
        // An object's body shows its children in the object's place.
        const auto &fathers = child ? child->GetFatherList() : std::vector<SgNode *>();
        if (child && child->IsSeparator() && fathers.size() == 1 && fathers.front()->IsObject() && !m_bShowPointers)
            for (SgNode *inner : ContentsOf(child))
                contents.push_back(inner);
    }
    return contents;
}

void CArbeloCtrl::Rebuild()
{
    if (!m_scheduleRebuild) {
        RefreshTree();
        return;
    }
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    m_scheduleRebuild();
}

void CArbeloCtrl::RunPendingRebuild()
{
    if (!m_rebuildPending)
        return;
    m_rebuildPending = false;
    RefreshTree();
}

std::vector<CArbeloCtrl::ItemEntry> CArbeloCtrl::CollectEntries(SgNode *node)
{
    std::vector<ItemEntry> entries;
    std::vector<ItemEntry> *outer = m_collecting;
    m_collecting = &entries;
    StBuildTreeAction action(this, m_bShowPointers);
    try {
        action.BuildContents(node, 0);
    } catch (const SgError &error) {
        SgDiagWarning(kPackage, "the items of a node were not built whole: %s", error.what());
    }
    m_collecting = outer;
    return entries;
}

void CArbeloCtrl::FillNode(StItem item, CItemData &record)
{
    if (m_pView->GetFirstChild(item))
        DeleteChildItems(item);
    record.bFilled = true;
    record.contents = ContentsOf(record.node);
    for (const ItemEntry &entry : CollectEntries(record.node))
        InsertEntry(item, 0, entry);
    if (!m_pView->GetFirstChild(item))
        m_pView->SetButton(item, false);
}

bool CArbeloCtrl::UpdateChildItems(StItem item, SgNode *node)
{
    const std::vector<ItemEntry> entries = CollectEntries(node);
    std::vector<StItem> shown;
    for (StItem child = m_pView->GetFirstChild(item); child; child = m_pView->GetNextSibling(child))
        shown.push_back(child);
    // The items that still show an entry stay (with what is open below them,
    // the highlight and an edit box); those of entries that went are
    // deleted, and new entries get items in their place. An entry that has
    // to come before the first item kept cannot be placed so: false, and
    // nothing changed.
    std::size_t next = 0;
    std::vector<std::pair<std::size_t, StItem>> plan; // entry index, kept item (0: a new one)
    for (std::size_t e = 0; e < entries.size(); ++e) {
        std::size_t found = next;
        while (found < shown.size() && !ShowsEntry(shown[found], entries[e]))
            ++found;
        if (found < shown.size()) {
            plan.emplace_back(e, shown[found]);
            next = found + 1;
        } else {
            plan.emplace_back(e, 0);
        }
    }
    std::vector<StItem> kept;
    for (const auto &step : plan)
        if (step.second)
            kept.push_back(step.second);
    if (!plan.empty() && !plan.front().second && !kept.empty())
        return false;
    for (StItem child : shown)
        if (std::find(kept.begin(), kept.end(), child) == kept.end())
            DeleteItemAndRecords(child);
    StItem after = 0;
    bool first = true;
    for (const auto &[e, keep] : plan) {
        if (keep) {
            after = keep;
        } else {
            // After the last item placed; the first new ones when nothing
            // is kept go at the end of the (then empty) list.
            after = InsertEntry(item, first ? 0 : after, entries[e]);
        }
        first = false;
    }
    return true;
}

void CArbeloCtrl::CollectOpen(StItem item, std::vector<SgNode *> &open) const
{
    for (StItem child = m_pView->GetFirstChild(item); child; child = m_pView->GetNextSibling(child)) {
        const CItemData *record = IsShownItem(child) ? GetRecord(child) : nullptr;
        if (!record || !record->bNode || !record->bFilled || !m_pView->IsExpanded(child))
            continue;
        open.push_back(record->node);
        CollectOpen(child, open);
    }
}

void CArbeloCtrl::Reopen(StItem item, const std::vector<SgNode *> &open)
{
    for (StItem child = m_pView->GetFirstChild(item); child; child = m_pView->GetNextSibling(child)) {
        const CItemData *record = IsShownItem(child) ? GetRecord(child) : nullptr;
        if (!record || !record->bNode || std::find(open.begin(), open.end(), record->node) == open.end())
            continue;
        if (OnItemExpanding(child, true)) {
            m_pView->Expand(child);
            Reopen(child, open);
        }
    }
}

void CArbeloCtrl::RefillNode(StItem item, CItemData &record)
{
    // Only what changed below the item is made again: a manipulator added to
    // a selected object adds its item and leaves the object's field items,
    // and the row the user is on, alone.
    SgNode *node = record.node;
    if (record.bFilled && UpdateChildItems(item, node)) {
        if (CItemData *updated = Record(item)) {
            updated->contents = ContentsOf(node);
            m_pView->SetButton(item, m_pView->GetFirstChild(item) != 0);
        }
        return;
    }
    std::vector<SgNode *> open;
    CollectOpen(item, open);
    const bool expanded = m_pView->IsExpanded(item);
    FillNode(item, record);
    m_pView->SetButton(item, m_pView->GetFirstChild(item) != 0);
    if (expanded)
        m_pView->Expand(item);
    Reopen(item, open);
}

StItem CArbeloCtrl::InsertValueItem(StItem parent, StItem after, int index, const std::string &text,
                                    std::uint64_t serial)
{
    return m_pView->InsertItem(parent, after, ValueLabel(index, text), kImgValue, false, serial);
}

bool CArbeloCtrl::FillValues(StItem item, SgField *field)
{
    const int count = field->GetCount();
    if (count < 2)
        return false;
    const std::uint64_t serial = DataOf(m_pView, item);
    const int shown = std::min(count, kMaxValueItems);
    for (int i = 0; i < shown; ++i)
        InsertValueItem(item, 0, i, ValueText(field, i, true), serial);
    return true;
}

bool CArbeloCtrl::OnItemExpanding(StItem item, bool expand)
{
    CItemData *record = Record(item);
    if (!record || record->hItem != item || !record->bExpandable)
        return true;
    if (!expand) {
        record->bFilled = false;
        return true;
    }
    if (record->bFilled)
        return true;
    if (!RecordAlive(*record)) {
        Rebuild();
        return false;
    }
    if (record->bNode) {
        FillNode(item, *record);
        return true;
    }
    if (m_pView->GetFirstChild(item))
        DeleteChildItems(item);
    if (!FillValues(item, record->field))
        return false;
    record->bFilled = true;
    return true;
}

bool CArbeloCtrl::IsInScene(SgNode *node) const
{
    if (!node || !m_root)
        return false;
    SgDocument *document = m_root->GetDocument();
    if (document)
        return node->GetDocument() == document;
    // A scene outside any document: the node must still hang from the root.
    SgNode *at = node;
    for (int guard = 0; at && guard < 100000; ++guard) {
        if (at == m_root.get())
            return true;
        SgNode *father = SgPath::FirstHoldingFather(at);
        at = father ? father : at->GetFirstFather();
    }
    return false;
}

bool CArbeloCtrl::RecordAlive(const CItemData &record) const
{
    if (record.bNode)
        return IsInScene(record.node);
    SgNode *owner = record.field ? dynamic_cast<SgNode *>(record.field->GetContainer()) : nullptr;
    return owner && IsInScene(owner);
}

StItem CArbeloCtrl::FindItem(SgNode *node) const
{
    if (!node || !m_pView)
        return 0;
    for (const auto &[serial, record] : m_records)
        if (record.bNode && record.node == node && IsShownItem(record.hItem))
            return record.hItem;
    return 0;
}

StItem CArbeloCtrl::FindItemForPath(const SgPath &path)
{
    if (!m_pView || path.IsEmpty())
        return 0;
    const std::vector<SgNode *> &nodes = path.GetNodes();
    // The path may start below the tree's root (a selection path starts at
    // the scene, the tree at the view): start at the deepest node shown.
    int start = -1;
    StItem current = 0;
    for (int i = static_cast<int>(nodes.size()) - 1; i >= 0 && !current; --i)
        if ((current = FindItem(nodes[i])) != 0)
            start = i;
    StItem found = current;
    for (int i = start + 1; i < static_cast<int>(nodes.size()); ++i) {
        if (current && OnItemExpanding(current, true))
            m_pView->Expand(current);
        StItem match = 0;
        for (StItem child = m_pView->GetFirstChild(current); child; child = m_pView->GetNextSibling(child)) {
            const CItemData *record = GetRecord(child);
            if (record && record->bNode && record->hItem == child && record->node == nodes[i]) {
                match = child;
                break;
            }
        }
        // A node without an item of its own (an object's body) leaves the
        // search where it is.
        if (!match)
            continue;
        found = match;
        current = match;
    }
    const CItemData *last = GetRecord(found);
    return last && last->node == nodes.back() ? found : 0;
}

void CArbeloCtrl::LocateSelection(const SgPath &path)
{
    if (!m_pView || path.IsEmpty())
        return;
    const StItem item = FindItemForPath(path);
    if (!item)
        return;
    // The user is already at the object or inside it (a field row reached
    // with the keys): the selection told again leaves the highlight there.
    for (StItem at = m_pView->GetHighlighted(); at; at = m_pView->GetParent(at))
        if (at == item)
            return;
    ++m_updating;
    if (OnItemExpanding(item, true))
        m_pView->Expand(item);
    m_pView->EnsureVisible(item);
    m_pView->Highlight(item);
    --m_updating;
}

void CArbeloCtrl::ExpandToSelectedObject()
{
    SgSelectionHandler *handler = m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
    if (!handler || handler->GetSelCount() <= 0)
        return;
    SgPathList &list = handler->GetPathList();
    LocateSelection(list.GetAt(list.GetLast()));
}

void CArbeloCtrl::OnSelectionChanged()
{
    if (m_updating || !m_pView)
        return;
    SgSelectionHandler *handler = m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
    if (handler && handler->GetSelCount() <= 0) {
        // Nothing selected: no item stands for the selection any more.
        ++m_updating;
        m_pView->Highlight(0);
        --m_updating;
        return;
    }
    ExpandToSelectedObject();
}

void CArbeloCtrl::RedrawViewers()
{
    if (!m_pDocument)
        return;
    if (SgViewer *viewer = m_pDocument->GetActiveViewer())
        viewer->Redraw(true);
    else
        m_pDocument->RedrawAllViewers(nullptr);
}

bool CArbeloCtrl::OnSelectItem(StItem item)
{
    const CItemData *record = GetRecord(item);
    if (!record || !record->bNode || record->hItem != item || !record->node->IsObject() || !m_pDocument)
        return false;
    if (!RecordAlive(*record)) {
        Rebuild();
        return false;
    }
    SgSelectionHandler *handler = m_pDocument->GetSelectionHandler();
    if (!handler)
        return false;
    SgPath path;
    path.CreateFromNode(record->node);
    if (path.IsEmpty())
        return false;
    // The tree names the object itself, not the top-most one above it.
    auto fixup = handler->GetPathFixup();
    handler->SetPathFixup([](SgPath &p) { SgSelectionHandler::LowestObject(p, nullptr); });
    ++m_updating;
    try {
        handler->Select(path, 1);
    } catch (const SgError &error) {
        SgDiagWarning(kPackage, "the object was not selected: %s", error.what());
    }
    --m_updating;
    handler->SetPathFixup(std::move(fixup));
    m_pView->Highlight(item);
    RedrawViewers();
    return true;
}

std::optional<std::string> CArbeloCtrl::OnBeginLabelEdit(StItem item)
{
    const CItemData *record = GetRecord(item);
    if (!record)
        return std::nullopt;
    if (record->bNode)
        return m_pView->GetText(item);
    const bool valueItem = record->hItem != item;
    // A multi-valued field's own item is edited value by value.
    if (!valueItem && record->field->GetCount() > 1)
        return std::nullopt;
    // The whole value, also when the label shows it cut.
    return ValueText(record->field, valueItem ? ValueIndexOf(m_pView->GetText(item)) : 0, false);
}

void CArbeloCtrl::RenameNode(StItem item, CItemData &record, const std::string &name)
{
    SgNode *node = record.node;
    const std::string before = node->GetName();
    if (before == name)
        return;
    node->SetName(name.c_str());
    if (m_pDocument && m_bUndo && m_pDocument->IsUndoRecording()) {
        SgField *anchor = node->GetFieldsCount() > 0 ? node->GetFieldAddress(0) : nullptr;
        if (anchor) {
            SgKeyPoint keyPoint(m_pDocument);
            m_pDocument->AddUndoInfo(new SgUndoInfo(anchor, std::make_unique<NameChange>(node, before, name)));
        } else {
            SgDiagInfo(kPackage, "a node without fields is renamed without an undo step");
        }
    }
    m_pView->SetText(item, NodeLabel(node, record.prefix));
}

bool CArbeloCtrl::EditField(StItem item, CItemData &record, const std::string &text)
{
    SgField *field = record.field;
    const bool record_undo = m_pDocument && m_bUndo && m_pDocument->IsUndoRecording();
    const std::string before = record_undo ? WholeText(field) : std::string();
    const StItem parent = m_pView->GetParent(item);
    const int index = record.hItem != item ? ValueIndexOf(m_pView->GetText(item)) : -1;
    std::string valueText;
    int added = 0;
    {
        SgUndoRecordingPause pause(record_undo ? m_pDocument : nullptr);
        std::istringstream in(text);
        try {
            if (!field->IsVector()) {
                field->ReadFromStream(in, false);
                valueText = ValueText(field, 0, true);
            } else if (index >= 0) {
                field->ReadElementFromStream(in, index, false, false);
                valueText = ValueText(field, index, true);
                StItem previous = item;
                for (int k = 1;; ++k) {
                    in >> std::ws;
                    if (in.peek() == ',')
                        in.get();
                    in >> std::ws;
                    if (!in || in.peek() == std::char_traits<char>::eof())
                        break;
                    const auto start = in.tellg();
                    const int before_count = field->GetCount();
                    field->ReadElementFromStream(in, index + k, false, true);
                    if (field->GetCount() == before_count || in.tellg() == start)
                        break; // nothing more that reads as a value
                    ++added;
                    previous = InsertValueItem(parent, previous, index + k, ValueText(field, index + k, true),
                                               DataOf(m_pView, item));
                }
            } else if (Trim(text).compare(0, 1, "[") == 0) {
                field->ReadFromStream(in, false);
                valueText = ValueText(field, 0, true);
            } else {
                field->ReadElementFromStream(in, 0, false, false);
                valueText = ValueText(field, 0, true);
            }
        } catch (const SgError &error) {
            SgDiagWarning(kPackage, "the value was not taken: %s", error.what());
            valueText = index >= 0 ? ValueText(field, index, true) : ValueText(field, 0, true);
        }
    }
    if (record_undo) {
        const std::string after = WholeText(field);
        if (after != before) {
            SgKeyPoint keyPoint(m_pDocument);
            m_pDocument->AddUndoInfo(new SgUndoInfo(field, std::make_unique<TextChange>(before, after)));
        }
    }
    if (added > 0)
        RenumberValues(parent, index);
    const std::string old = m_pView->GetText(item);
    const std::size_t dash = old.find(" - ");
    m_pView->SetText(item, Trim(old.substr(0, dash) + " - " + valueText));
    RedrawViewers();
    return true;
}

void CArbeloCtrl::RenumberValues(StItem fieldItem, int from)
{
    const CItemData *record = GetRecord(fieldItem);
    const int count = record && record->field ? record->field->GetCount() : 0;
    int position = 0;
    for (StItem child = m_pView->GetFirstChild(fieldItem); child && position < count;
         child = m_pView->GetNextSibling(child), ++position) {
        if (position < from)
            continue;
        const std::string label = m_pView->GetText(child);
        const std::size_t open = label.find('[');
        const std::size_t close = label.find(']');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        m_pView->SetText(child, label.substr(0, open + 1) + std::to_string(position) + label.substr(close));
    }
}

void CArbeloCtrl::RemoveValue(StItem item, CItemData &record)
{
    SgField *field = record.field;
    if (!field->IsVector())
        return; // a single value stays
    const bool valueItem = record.hItem != item;
    const int index = valueItem ? std::max(ValueIndexOf(m_pView->GetText(item)), 0) : 0;
    if (index >= field->GetCount())
        return;
    const bool record_undo = m_pDocument && m_bUndo && m_pDocument->IsUndoRecording();
    const std::string before = record_undo ? WholeText(field) : std::string();
    {
        SgUndoRecordingPause pause(record_undo ? m_pDocument : nullptr);
        try {
            field->DeleteValues(index, 1);
        } catch (const SgError &error) {
            SgDiagWarning(kPackage, "the value was not removed: %s", error.what());
            return;
        }
    }
    if (record_undo) {
        SgKeyPoint keyPoint(m_pDocument);
        m_pDocument->AddUndoInfo(new SgUndoInfo(field, std::make_unique<TextChange>(before, WholeText(field))));
    }
    if (valueItem) {
        const StItem parent = m_pView->GetParent(item);
        m_pView->DeleteItem(item);
        RenumberValues(parent, index);
    } else {
        // The field's own item shows its first value again.
        const std::string old = m_pView->GetText(item);
        m_pView->SetText(item, old.substr(0, old.find(" - ")) + " - " + ValueText(field, 0, true));
    }
    RedrawViewers();
}

bool CArbeloCtrl::OnEndLabelEdit(StItem item, const std::optional<std::string> &text)
{
    // A cancelled edit changes nothing: no value removed, no node renamed.
    if (!text)
        return false;
    CItemData *record = Record(item);
    if (!record)
        return false;
    if (!RecordAlive(*record)) {
        Rebuild();
        return false;
    }
    ++m_updating;
    if (record->bNode) {
        RenameNode(item, *record, *text);
    } else if (record->hItem == item && m_pView->GetFirstChild(item)) {
        // A field with value items is edited value by value.
    } else if (!Trim(*text).empty()) {
        EditField(item, *record, *text);
    } else {
        RemoveValue(item, *record);
    }
    --m_updating;
    return true;
}

bool CArbeloCtrl::OnDoubleClick(StItem item)
{
    const CItemData *record = GetRecord(item);
    if (!record || !m_pDocument)
        return true;
    if (record->bNode)
        return !m_pView->HasChildren(item);
    if (!RecordAlive(*record)) {
        Rebuild();
        return false;
    }
    SgField *field = record->field;
    const bool valueItem = record->hItem != item;
    if (!valueItem && m_pView->HasChildren(item)) {
        SgDiagInfo(kPackage, " The Vecfield has been selected!");
        if (!field->IsVector())
            return false;
        m_pDocument->AddToSelectedFieldsList(field, -1);
        return true;
    }
    SgDiagInfo(kPackage, " The field has been selected!");
    const int index = valueItem ? ValueIndexOf(m_pView->GetText(item)) : -1;
    m_pDocument->AddToSelectedFieldsList(field, index >= 0 ? index : (field->IsVector() ? -1 : 0));
    return true;
}

SgNode *CArbeloCtrl::ParentNodeOf(StItem item) const
{
    for (StItem up = m_pView->GetParent(item); up; up = m_pView->GetParent(up)) {
        const CItemData *record = GetRecord(up);
        if (!record)
            return nullptr;
        if (record->bNode)
            return record->node;
    }
    return nullptr;
}

CArbeloCtrl::ContextMenu CArbeloCtrl::BuildContextMenu(StItem item) const
{
    ContextMenu menu;
    const CItemData *record = GetRecord(item);
    if (!record || !record->bNode || record->hItem != item || !record->node || m_pView->GetText(item) == "ROOT")
        return menu;
    menu.show = true;
    for (const char *name : kAddBefore)
        menu.addBefore.push_back({name, MenuId(name, kModeBefore)});
    for (const char *name : kAddAfter)
        menu.addAfter.push_back({name, MenuId(name, kModeAfter)});
    menu.attribute = {{"Set/Modify Attribute", kCmdSetAttribute}, {"Remove Attribute", kCmdRemoveAttribute}};
    menu.tail = {{"Delete Node\tCtrl+D", kCmdDelete}, {"Add Gizmo", kCmdAddGizmo}};
    return menu;
}

bool CArbeloCtrl::RunMenuCommand(StItem item, int command)
{
    const CItemData *record = GetRecord(item);
    if (!record || !record->bNode || record->hItem != item || !m_pDocument)
        return false;
    if (!RecordAlive(*record)) {
        Rebuild();
        return false;
    }
    SgRef<SgNode> node(record->node);
    SgRef<SgNode> parent(ParentNodeOf(item));
    bool done = false;
    ++m_updating;
    try {
        SgKeyPoint keyPoint(m_bUndo ? m_pDocument : nullptr);
        if (command == kCmdDelete) {
            if (parent) {
                SgNode *gone = node.get();
                SgNode *from = parent.get();
                if (node->IsShape()) {
                    // A shape goes with the object that carries it.
                    StItem up = m_pView->GetParent(item);
                    const CItemData *twoUp = up ? GetRecord(m_pView->GetParent(up)) : nullptr;
                    if (twoUp && twoUp->bNode) {
                        gone = twoUp->node;
                        from = ParentNodeOf(twoUp->hItem);
                    } else {
                        gone = nullptr;
                    }
                }
                SgGroup *holder = HoldingGroup(gone, from);
                if (holder && gone) {
                    if (gone->IsPropertyNode() && holder->IsSeparator())
                        done = static_cast<SgSeparator *>(holder)->DeletePropertyNode(gone) != 0;
                    else
                        done = holder->DeleteChild(gone) != 0;
                }
                if (!done)
                    SgDiagWarning(kPackage, "the node is not a child of a group shown above it; nothing deleted");
                done = true;
            }
        } else if (command == kCmdAddGizmo) {
            if (parent) {
                if (node->IsModifier())
                    static_cast<SgModifier *>(node.get())->AddGizmo(parent.get());
                done = true;
            }
        } else if (command > kCmdAddGizmo) {
            const int classId = command / 16;
            const int mode = command % 16;
            SgRef<SgNode> created(SgNode::Create(classId));
            if (!created) {
                SgDiagWarning(kPackage, "no node of class %d could be made", classId);
            } else {
                SgPath path;
                for (StItem at = item; at; at = m_pView->GetParent(at))
                    if (const CItemData *r = GetRecord(at); r && r->bNode && r->hItem == at)
                        path.InsertFirst(r->node);
                SgPath cut(path);
                cut.CutToObject(0, true, false);
                SgObject *object = cut.IsEmpty() ? nullptr : dynamic_cast<SgObject *>(cut.GetLastElement());
                SgGroup *holder = HoldingGroup(node.get(), parent.get());
                bool placed = false;
                if (object && object != node.get() && mode == kModeAfter)
                    placed = object->AddPropertyNodeAfter(created.get(), node.get(), false);
                if (!placed && holder)
                    placed = mode == kModeAfter ? holder->AddChildAfter(created.get(), node.get())
                                                : holder->AddChildBefore(created.get(), node.get());
                if (!placed)
                    SgDiagWarning(kPackage, "there is no group to put the new %s node in",
                                  created->GetClassName());
            }
            done = true;
        } else {
            done = true; // the attribute entries only redraw and rebuild
        }
    } catch (const SgError &error) {
        SgDiagWarning(kPackage, "the command was not carried out: %s", error.what());
        done = true;
    }
    --m_updating;
    if (!done)
        return false;
    RedrawViewers();
    Rebuild();
    return true;
}

bool CArbeloCtrl::SyncShown()
{
    if (!m_pView)
        return false;
    if (GetTreeRoot() != m_root.get()) {
        RefreshTree();
        return true;
    }
    bool changed = false;
    std::vector<StItem> refill;
    for (auto &[serial, record] : m_records) {
        if (!IsShownItem(record.hItem))
            continue;
        if (!RecordAlive(record)) {
            // Gone from the scene: the nearest shown node still in it
            // shows its contents anew; without one the whole tree does.
            StItem up = m_pView->GetParent(record.hItem);
            const CItemData *above = nullptr;
            for (; up; up = m_pView->GetParent(up)) {
                above = GetRecord(up);
                if (above && above->bNode && above->hItem == up && RecordAlive(*above))
                    break;
            }
            if (!up) {
                RefreshTree();
                return true;
            }
            refill.push_back(up);
            continue;
        }
        if (record.bNode && record.bFilled && ContentsOf(record.node) != record.contents)
            refill.push_back(record.hItem);
    }
    // Nodes added or removed below a shown item (an undo, a script): its
    // items are made again. An item refilled takes the items below it along.
    std::sort(refill.begin(), refill.end());
    refill.erase(std::unique(refill.begin(), refill.end()), refill.end());
    for (StItem item : refill) {
        if (!IsShownItem(item))
            continue; // went with an item refilled before it
        CItemData *record = Record(item);
        if (!record)
            continue;
        ++m_updating;
        RefillNode(item, *record);
        --m_updating;
        changed = true;
    }
    if (!refill.empty()) {
        // The selection's item is a new one now.
        SgSelectionHandler *handler = m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
        if (handler && handler->GetSelCount() > 0)
            ExpandToSelectedObject();
        else
            m_pView->Highlight(0);
    }
    for (auto &[serial, record] : m_records) {
        if (!IsShownItem(record.hItem))
            continue;
        const std::string old = m_pView->GetText(record.hItem);
        if (record.bNode) {
            const std::string label = NodeLabel(record.node, record.prefix);
            if (label != old) {
                m_pView->SetText(record.hItem, label);
                changed = true;
            }
            continue;
        }
        const int values = record.field->GetCount();
        std::string label = old.substr(0, old.find(" - ")) + " - " + ValueText(record.field, 0, true);
        if (values > 1)
            label += "...";
        if (label != old) {
            m_pView->SetText(record.hItem, label);
            changed = true;
        }
        if (!record.bFilled)
            continue;
        int shown = 0;
        for (StItem child = m_pView->GetFirstChild(record.hItem); child; child = m_pView->GetNextSibling(child))
            ++shown;
        if (shown != std::min(values, kMaxValueItems)) {
            DeleteChildItems(record.hItem);
            record.bFilled = FillValues(record.hItem, record.field);
            m_pView->SetButton(record.hItem, values > 1);
            changed = true;
            continue;
        }
        int i = 0;
        for (StItem child = m_pView->GetFirstChild(record.hItem); child; child = m_pView->GetNextSibling(child), ++i) {
            const std::string valueLabel = ValueLabel(i, ValueText(record.field, i, true));
            if (m_pView->GetText(child) != valueLabel) {
                m_pView->SetText(child, valueLabel);
                changed = true;
            }
        }
    }
    return changed;
}

} // namespace arbelo
