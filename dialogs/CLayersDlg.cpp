#include "dialogs/CLayersDlg.h"

#include <algorithm>
#include <string>

#include "engine/core/SgKeyPoint.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

using Model = SgTreeListModel;

namespace {

constexpr unsigned kListStyle = Model::kHasButtons | Model::kLinesAtRoot | Model::kEditLabels;
// Multi-selection, column selection, the row colour in the tree part.
constexpr unsigned kListExStyle = 0x340002;
constexpr int kUserDataSize = 8;

struct ColumnSpec {
    const char *text;
    int width;
    Model::Align align;
};
constexpr ColumnSpec kColumns[] = {{"Layer", 120, Model::kAlignLeft},
                                   {"No.", 35, Model::kAlignLeft},
                                   {"Select", 35, Model::kAlignCentre},
                                   {"Hide", 35, Model::kAlignCentre}};

struct ColourSpec {
    int index;
    Model::Colour colour;
};
constexpr ColourSpec kColours[] = {{0, 0xFFFFFF}, {1, 0xE0E0E0}, {2, 0xD8D8D8}, {3, 0x00FF00}};

// Calls `visit` for every object of the document's scene.
template <typename Visit>
void ForEachObject(SgDocument *document, Visit visit, bool selectedOnly)
{
    struct Op : SelectOp {
        Visit &visit;
        explicit Op(Visit &v) : visit(v) {}
        void operator()(SgNode *node) override
        {
            if (auto *object = dynamic_cast<SgObject *>(node))
                visit(object);
        }
    } op(visit);
    SgSelectionHandler *handler = document ? document->GetSelectionHandler() : nullptr;
    if (!handler)
        return;
    try {
        if (selectedOnly)
            handler->ApplyToSelection(&op);
        else
            handler->ApplyToAll(&op);
    } catch (const SgError &error) {
        SgDiagWarning("Layers", "objects not listed: %s", error.what());
    }
}

} // namespace

void CLayersList::SetDocument(SgDocument *document)
{
    m_pDocument = document;
    m_sceneChanged.Reset();
    if (!document)
        return;
    m_sceneChanged = document->Subscribe(SgDocumentEventKind::kSceneChanged, [this](const SgDocumentEvent &event) {
        // Field edits name their node and leave the items as they are.
        if (!event.node && !m_updating)
            Refresh();
    });
}

void CLayersList::Init()
{
    if (!m_pModel)
        return;
    Model &model = *m_pModel;
    model.SetStyle(kListStyle);
    model.SetExtendedStyle(kListExStyle);
    model.SetUserDataSize(kUserDataSize);
    for (int c = 0; c < int(std::size(kColumns)) && model.GetColumnCount() < int(std::size(kColumns)); ++c)
        model.InsertColumn(c, kColumns[c].text, kColumns[c].align, kColumns[c].width);
    m_currentLayerItem = 0;
    Refresh();
}

std::string CLayersList::MissingLayerText(int layer)
{
    return "Layer " + std::to_string(layer) + " (missing)";
}

const CLayersList::Entry *CLayersList::GetEntry(Item item) const
{
    auto found = m_entries.find(item);
    return found == m_entries.end() ? nullptr : &found->second;
}

CLayersList::Item CLayersList::GetLayerItem(int layer) const
{
    return layer >= 0 && layer < int(m_layerItems.size()) ? m_layerItems[layer] : 0;
}

void CLayersList::Refresh()
{
    if (!m_pModel)
        return;
    Model &model = *m_pModel;
    ++m_updating;
    model.DeleteAllItems();
    m_layerItems.clear();
    m_entries.clear();
    m_currentLayerItem = 0;
    const int layers = m_pDocument ? m_pDocument->GetLayerCount() : 0;
    for (int i = 0; i < layers; ++i) {
        Item item = model.InsertItem(m_pDocument->GetLayerName(i), Model::kRoot, Model::kLast, kImgLayer,
                                     kImgSelectedLayer);
        m_entries[item] = Entry{1, i, {}};
        m_layerItems.push_back(item);
        UpdateItemDisplay(item);
    }
    std::map<int, Item> missing;
    ForEachObject(
        m_pDocument,
        [&](SgObject *object) {
            const int number = object->m_layer.Get(false);
            Item layer = GetLayerItem(number);
            if (!layer) {
                Item &item = missing[number];
                if (!item) {
                    item = model.InsertItem(MissingLayerText(number), Model::kRoot, Model::kLast, kImgLayer,
                                            kImgSelectedLayer);
                    m_entries[item] = Entry{kMissingLayerEntry, number, {}};
                    UpdateItemDisplay(item);
                }
                layer = item;
            }
            const std::string &name = object->GetName();
            Item item = model.InsertItem(name.empty() ? "Object" : name, layer, Model::kLast, kImgObject, kImgObject);
            m_entries[item] = Entry{2, -1, SgRef<SgObject>(object)};
            UpdateItemDisplay(item);
        },
        false);
    // Sorted once per layer rather than placed one by one: a layer of many
    // objects fills in n log n.
    for (Item layer : m_layerItems)
        model.SortChildren(layer);
    for (const auto &[number, layer] : missing) {
        model.SortChildren(layer);
        model.Expand(layer, Model::kExpand);
    }
    for (int i = 0; i < int(m_layerItems.size()); ++i)
        model.Expand(m_layerItems[i], (m_pDocument->GetLayerFlags(i) & kLayerExpanded) ? Model::kExpand
                                                                                         : Model::kCollapse);
    --m_updating;
}

void CLayersList::UpdateItemDisplay(Item item)
{
    const Entry *entry = GetEntry(item);
    if (!entry || !m_pModel)
        return;
    Model &model = *m_pModel;
    bool hidden = false;
    if (entry->kind == kMissingLayerEntry) {
        model.SetItemText(item, kColNumber, std::to_string(entry->layer));
        model.SetItemImage(item, kColSelect, kImgOtherLayer);
    } else if (entry->kind == 1) {
        const int layer = entry->layer;
        if (!m_pDocument || layer >= m_pDocument->GetLayerCount())
            return;
        model.SetItemText(item, kColNumber, std::to_string(layer));
        const bool current = m_pDocument->GetCurrentLayer() == layer;
        if (current)
            m_currentLayerItem = item;
        model.SetItemImage(item, kColSelect, current ? kImgCurrentLayer : kImgOtherLayer);
        model.SetItemText(item, kColLayer, m_pDocument->GetLayerName(layer));
        hidden = m_pDocument->GetLayerFlags(layer) & kLayerHidden;
    } else {
        hidden = entry->object && entry->object->m_hide.Get(false) != 0;
    }
    model.SetItemImage(item, kColHide, hidden ? kImgHidden : kImgVisible);
}

bool CLayersList::SelChanging(Item oldItem, Item, int)
{
    m_oldSelectedInFirst = m_pModel && oldItem && (m_pModel->GetItemState(oldItem, 0) & Model::kSelected) &&
                           m_pModel->GetSelectionColumn() == 0;
    return false;
}

void CLayersList::SelChanged(Item oldItem, Item newItem, int column)
{
    if (m_updating || !m_pModel || !newItem)
        return;
    m_lastColumn = column;
    if (m_oldSelectedInFirst && column == 0 && newItem == oldItem) {
        if (m_editStarter)
            m_editStarter(newItem, 0);
        else
            m_pModel->EditLabel(newItem, 0);
        return;
    }
    const Entry *entry = GetEntry(newItem);
    if (!entry || !m_pDocument)
        return;
    ++m_updating;
    if (entry->kind == kMissingLayerEntry) {
        // It cannot be made current; its hide cell hides or shows its objects.
        if (column == kColHide) {
            bool anyShown = false;
            for (Item child = m_pModel->GetChildItem(newItem); child; child = m_pModel->GetNextSiblingItem(child))
                if (const Entry *object = GetEntry(child); object && object->object)
                    anyShown = anyShown || object->object->m_hide.Get(false) == 0;
            SgKeyPoint keyPoint(m_pDocument);
            for (Item child = m_pModel->GetChildItem(newItem); child; child = m_pModel->GetNextSiblingItem(child))
                if (const Entry *object = GetEntry(child); object && object->object) {
                    object->object->m_hide = anyShown ? 1 : 0;
                    UpdateItemDisplay(child);
                }
            RedrawViewers();
        }
    } else if (entry->kind == 2) {
        if (column == kColHide && entry->object) {
            SgKeyPoint keyPoint(m_pDocument);
            entry->object->m_hide = entry->object->m_hide.Get(false) ? 0 : 1;
            UpdateItemDisplay(newItem);
            RedrawViewers();
        }
    } else {
        const int layer = entry->layer;
        Item previous = m_currentLayerItem;
        bool redraw = false;
        if (column == kColHide) {
            SgKeyPoint keyPoint(m_pDocument);
            m_pDocument->SetLayerFlags(layer, m_pDocument->GetLayerFlags(layer) ^ kLayerHidden);
            redraw = true;
        } else {
            m_pDocument->SetCurrentLayer(layer);
        }
        for (Item item : {previous, oldItem, newItem})
            UpdateItemDisplay(item);
        if (redraw)
            RedrawViewers();
    }
    if (column >= 1 && m_pModel->Exists(newItem))
        m_pModel->SetItemState(newItem, column, 0, Model::kSelected);
    --m_updating;
}

void CLayersList::ItemExpanded(Item item, unsigned action)
{
    if (m_updating || !m_pDocument)
        return;
    const Entry *entry = GetEntry(item);
    if (!entry || entry->kind != 1)
        return;
    try {
        m_pDocument->SetLayerFlag(entry->layer, kLayerExpanded, action == Model::kExpand);
    } catch (const SgError &error) {
        SgDiagWarning("Layers", "layer %d not marked: %s", entry->layer, error.what());
    }
}

void CLayersList::DeleteItem(Item item)
{
    m_entries.erase(item);
    if (item == m_currentLayerItem)
        m_currentLayerItem = 0;
}

bool CLayersList::EndLabelEdit(Item item, int column, const std::optional<std::string> &text)
{
    // A cancelled edit, or one of another column, renames nothing.
    const Entry *entry = GetEntry(item);
    if (!text || column != 0 || !entry || !m_pDocument || entry->kind == kMissingLayerEntry)
        return false;
    SgKeyPoint keyPoint(m_pDocument);
    if (entry->kind == 1)
        m_pDocument->SetLayerName(entry->layer, text->c_str());
    else if (entry->object)
        entry->object->SetName(text->c_str());
    return true;
}

std::vector<CLayersList::Item> CLayersList::SelectedItems() const
{
    std::vector<Item> items;
    if (!m_pModel)
        return items;
    Item caret = m_pModel->GetSelectedItem();
    if (caret && (m_pModel->GetItemState(caret) & Model::kSelected))
        items.push_back(caret);
    for (Item item = m_pModel->GetNextItem(0, Model::kGetNextSelected); item;
         item = m_pModel->GetNextItem(item, Model::kGetNextSelected))
        if (item != caret)
            items.push_back(item);
    return items;
}

void CLayersList::RedrawViewers()
{
    if (m_pDocument)
        m_pDocument->RedrawAllViewers();
}

// ---- The dialog -----------------------------------------------------------------

CLayersDlg::CLayersDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    m_list.SetDocument(document);
}

void CLayersDlg::OnInitDialog()
{
    m_list.Init();
    if (SgTreeListModel *model = m_list.GetModel()) {
        model->SetExtendedStyle(Model::kExAlternateRows, Model::kExAlternateRows);
        for (const ColourSpec &c : kColours)
            model->SetColor(c.index, c.colour);
    }
}

void CLayersDlg::OnAddLayer()
{
    SgDocument *document = GetDocument();
    if (!document)
        return;
    CLayer layer;
    layer.name = "Layer" + std::to_string(document->GetLayerCount());
    const int index = document->AddLayer(layer);
    if (index >= 0)
        document->SetCurrentLayer(index);
    OnAddToLayer();
}

void CLayersDlg::OnAddToLayer()
{
    SgDocument *document = GetDocument();
    if (!document)
        return;
    const int current = document->GetCurrentLayer();
    {
        SgKeyPoint keyPoint(document);
        ForEachObject(document, [current](SgObject *object) { object->m_layer = current; }, true);
    }
    m_list.Refresh();
    document->RedrawAllViewers();
}

void CLayersDlg::OnDelLayer()
{
    SgDocument *document = GetDocument();
    if (!document)
        return;
    // The layers are gathered before any is deleted: each deletion rebuilds
    // the list, so its items cannot be walked across deletions, and the
    // indices go from the highest down so that each still names its layer.
    std::vector<int> layers;
    for (CLayersList::Item item : m_list.SelectedItems())
        if (const CLayersList::Entry *entry = m_list.GetEntry(item); entry && entry->kind == 1)
            layers.push_back(entry->layer);
    std::sort(layers.begin(), layers.end(), std::greater<int>());
    layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
    for (int layer : layers) {
        document->DeleteLayer(layer);
        m_list.Refresh();
    }
}

void CLayersDlg::OnAddToSelect()
{
    SgDocument *document = GetDocument();
    SgSelectionHandler *handler = document ? document->GetSelectionHandler() : nullptr;
    if (!handler)
        return;
    for (CLayersList::Item item : m_list.SelectedItems())
        if (const CLayersList::Entry *entry = m_list.GetEntry(item); entry && entry->kind == 2 && entry->object)
            handler->Select(entry->object.get(), 0);
    document->RedrawAllViewers();
}

void CLayersDlg::OnRefresh()
{
    m_list.Refresh();
}
