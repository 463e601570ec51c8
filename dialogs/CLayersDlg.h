#pragma once
// The layers dialog without the toolkit: the document's layers and the
// objects on each, shown in a tree list with the columns "Layer", "No.",
// "Select" and "Hide". Clicks choose the current layer, hide layers and
// objects and start renaming; the buttons add and delete layers, move the
// selection to the current layer and select the objects chosen in the list.
//
//   SgTreeListModel &model = treeListWindow->Model();  // or a model of its own
//   CLayersDlg dialog(document);
//   dialog.GetList().Attach(model);                  // the model's notifications reach it
//   dialog.OnInitDialog();                           // columns, styles, colours, rows
//   dialog.OnAddLayer();                             // "Add Layer"
//
// Each item knows what it shows through an entry of the list's own table
// (a layer index, or a counted reference to the object), dropped when the
// item goes: an item never names a record that has gone.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"
#include "platform/controls/SgTreeListModel.h"
#include "dialogs/PallicoExport.h"

class SgObject;

class PALLICO_API CLayersList : public SgTreeListModel::Listener {
public:
    using Item = SgTreeListModel::Item;

    // Images of the list's strip.
    enum Image { kImgLayer = 0, kImgOtherLayer = 1, kImgCurrentLayer = 2, kImgSelectedLayer = 3, kImgVisible = 5,
                 kImgHidden = 6, kImgObject = 7 };
    static constexpr int kImageCount = 8;
    enum Column { kColLayer = 0, kColNumber = 1, kColSelect = 2, kColHide = 3 };
    // Layer flags the list reads and writes.
    static constexpr int kLayerHidden = 1;
    static constexpr int kLayerExpanded = 4;

    // What an item stands for. A layer number that objects carry but the
    // document's table lacks is listed too, marked missing, so that its
    // objects can be found, hidden and moved to a layer that exists.
    static constexpr int kLayerEntry = 1;
    static constexpr int kObjectEntry = 2;
    static constexpr int kMissingLayerEntry = 3;
    // The text of a missing layer's item.
    static std::string MissingLayerText(int layer);
    struct Entry {
        int kind = 0; // kLayerEntry, kObjectEntry or kMissingLayerEntry
        int layer = -1;
        SgRef<SgObject> object;
    };

    CLayersList() = default;

    // The list shows itself in `model`; the model's notifications must reach
    // this list (the tree-list window forwards them, or SetListener), and
    // whoever routes them stops before the list goes.
    void Attach(SgTreeListModel &model) { m_pModel = &model; }
    void Detach() { m_pModel = nullptr; }
    SgTreeListModel *GetModel() const { return m_pModel; }
    // A scene replaced as a whole (a new or opened file, a cleared scene)
    // rebuilds the list, so no item stays on an object that went with it.
    void SetDocument(SgDocument *document);
    // How an in-place edit is started (the window opens its edit box); by
    // default the model's own.
    void SetEditStarter(std::function<bool(Item, int)> start) { m_editStarter = std::move(start); }

    // Styles, columns and the first full refresh.
    void Init();
    void Refresh();
    void UpdateItemDisplay(Item item);

    const Entry *GetEntry(Item item) const;
    Item GetLayerItem(int layer) const;
    Item GetCurrentLayerItem() const { return m_currentLayerItem; }
    // The objects' items the user has selected, caret first.
    std::vector<Item> SelectedItems() const;

    // SgTreeListModel::Listener
    bool SelChanging(Item oldItem, Item newItem, int column) override;
    void SelChanged(Item oldItem, Item newItem, int column) override;
    void ItemExpanded(Item item, unsigned action) override;
    void DeleteItem(Item item) override;
    bool BeginLabelEdit(Item, int) override { return true; }
    bool EndLabelEdit(Item item, int column, const std::optional<std::string> &text) override;

private:
    void RedrawViewers();

    SgDocument *m_pDocument = nullptr;
    SgTreeListModel *m_pModel = nullptr;
    int m_updating = 0;
    Item m_currentLayerItem = 0;
    int m_lastColumn = 0;
    // Whether the item clicked before was selected in the first column when
    // the click came: a second click on its name renames it.
    bool m_oldSelectedInFirst = false;
    std::map<Item, Entry> m_entries;
    std::vector<Item> m_layerItems;
    std::function<bool(Item, int)> m_editStarter;
    SgDocumentSubscription m_sceneChanged;
};

class PALLICO_API CLayersDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2046;

    explicit CLayersDlg(SgDocument *document, void *parent = nullptr);

    CLayersList &GetList() { return m_list; }

    // Sets the list up on the document: styles, columns, colours, rows.
    void OnInitDialog();
    void OnAddLayer();
    void OnDelLayer();
    void OnAddToLayer();
    void OnAddToSelect();
    void OnRefresh();

private:
    CLayersList m_list;
};
