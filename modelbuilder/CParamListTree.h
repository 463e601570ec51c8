#pragma once
// The builder's tree of parameters, connections and scripted fields, without
// the toolkit: items with a label, a parent, children in order and what the
// item stands for. The window mirrors it (modelbuilder/wx) and hands the
// user's choice of item back by its id.
//
// An item names what it shows by value (a parameter's name, a field and an
// element index), never by a pointer into the model's lists: the builder
// looks the record up again whenever it acts on an item, so an item whose
// record has gone (removed by a script, by another window) is a no-op, not
// a dangling pointer.
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "modelbuilder/MabrelExport.h"

class SgField;

class MABREL_API CParamListTree {
public:
    using Item = std::uint64_t; // 0: none

    enum class Kind {
        None,        // a label only (the type and a default added by hand)
        Model,       // "PARAMS: " / "PM: " and "FIELDS: "
        Parameter,   // "ParameterName: "
        Default,     // "Default Value:  " of a filled tree
        Connections, // "Connections "
        Connection,  // one connection point
        Field,       // one scripted field
    };

    struct Data {
        Kind kind = Kind::None;
        std::string param;       // the parameter's name (Parameter, Default, Connections, Connection)
        SgField *field = nullptr; // compared only, never followed without a lookup
        int index = 0;           // the connection point's element index
    };

    // Every change bumps the revision, so that a view knows when to mirror.
    std::uint64_t GetRevision() const { return m_revision; }

    void DeleteAllItems();
    // Appends a child to `parent` (0: a root item).
    Item InsertItem(const std::string &label, const Data &data, Item parent = 0);
    // Deletes the item and everything below it; the caret moves to none
    // when it was among them.
    void DeleteItem(Item item);

    void SetItemText(Item item, const std::string &label);
    bool Exists(Item item) const { return m_items.count(item) != 0; }
    const std::string &GetItemText(Item item) const;
    const Data &GetItemData(Item item) const;
    Item GetParentItem(Item item) const;
    const std::vector<Item> &GetChildren(Item item) const; // 0: the root items
    Item GetChildItem(Item item) const;
    Item GetRootItem() const { return GetChildItem(0); }
    bool ItemHasChildren(Item item) const { return !GetChildren(item).empty(); }
    // The first child of `parent` whose label equals `label` ignoring letter case.
    Item FindChild(Item parent, const std::string &label) const;

    Item GetCaret() const { return m_caret; }
    void SetCaret(Item item) { m_caret = Exists(item) ? item : 0; }

private:
    struct Node {
        std::string label;
        Data data;
        Item parent = 0;
        std::vector<Item> children;
    };

    std::map<Item, Node> m_items;
    std::vector<Item> m_roots;
    Item m_next = 1;
    Item m_caret = 0;
    std::uint64_t m_revision = 0;
};
