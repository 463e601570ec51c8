#pragma once
// What the scene-tree panel needs of a tree window, without the toolkit: the
// wx tree (treepanel/wx) implements it, and StMemoryTree keeps the same items
// in memory for the headless tests and the bench.
//
// Items are opaque non-zero handles; 0 names no item (as a parent: the top
// level; as a position: the end). Each item carries 64 bits of data, which
// the panel uses for a checked reference to its record.
#include <cstdint>
#include <string>
#include "treepanel/ArbeloExport.h"

using StItem = std::uint64_t;

class ARBELO_API StTreeView {
public:
    virtual ~StTreeView() = default;

    // Inserts under `parent` (0: top level) after `after` (0: last) and
    // returns the new item. `button` shows an expand button before the item
    // has children of its own.
    virtual StItem InsertItem(StItem parent, StItem after, const std::string &text, int image, bool button,
                              std::uint64_t data) = 0;
    virtual void DeleteItem(StItem item) = 0;
    virtual void DeleteChildren(StItem item) = 0;
    virtual void DeleteAllItems() = 0;

    virtual StItem GetParent(StItem item) const = 0;
    // The first child of `item` (0: the first item of the top level).
    virtual StItem GetFirstChild(StItem item) const = 0;
    virtual StItem GetNextSibling(StItem item) const = 0;
    virtual int GetItemCount() const = 0;

    virtual std::string GetText(StItem item) const = 0;
    virtual void SetText(StItem item, const std::string &text) = 0;
    virtual std::uint64_t GetData(StItem item) const = 0;
    // Child items or an expand button.
    virtual bool HasChildren(StItem item) const = 0;
    virtual void SetButton(StItem item, bool button) = 0;

    // Shows the item's children; the panel has built them before it asks.
    virtual void Expand(StItem item) = 0;
    virtual bool IsExpanded(StItem item) const = 0;
    virtual void EnsureVisible(StItem item) = 0;
    // The highlighted item (the view's selection); 0 for none.
    virtual void Highlight(StItem item) = 0;
    virtual StItem GetHighlighted() const = 0;
};
