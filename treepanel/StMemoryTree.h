#pragma once
// A tree window kept in memory: the items of StTreeView with their texts,
// images and data, for the headless tests and the bench.
#include <map>
#include <vector>

#include "treepanel/StTreeView.h"
#include "treepanel/ArbeloExport.h"

class ARBELO_API StMemoryTree : public StTreeView {
public:
    struct Node {
        StItem parent = 0;
        std::vector<StItem> children;
        std::string text;
        int image = -1;
        bool button = false;
        bool expanded = false;
        std::uint64_t data = 0;
    };

    StItem InsertItem(StItem parent, StItem after, const std::string &text, int image, bool button,
                      std::uint64_t data) override;
    void DeleteItem(StItem item) override;
    void DeleteChildren(StItem item) override;
    void DeleteAllItems() override;
    StItem GetParent(StItem item) const override;
    StItem GetFirstChild(StItem item) const override;
    StItem GetNextSibling(StItem item) const override;
    int GetItemCount() const override { return static_cast<int>(m_nodes.size()); }
    std::string GetText(StItem item) const override;
    void SetText(StItem item, const std::string &text) override;
    std::uint64_t GetData(StItem item) const override;
    bool HasChildren(StItem item) const override;
    void SetButton(StItem item, bool button) override;
    void Expand(StItem item) override;
    bool IsExpanded(StItem item) const override;
    void EnsureVisible(StItem) override {}
    void Highlight(StItem item) override { m_highlighted = item; }
    StItem GetHighlighted() const override { return m_highlighted; }

    const Node *Find(StItem item) const;
    // The children of `item` (0: the top level) in order.
    const std::vector<StItem> &Children(StItem item) const;
    int GetImage(StItem item) const;

private:
    std::map<StItem, Node> m_nodes;
    std::vector<StItem> m_top;
    StItem m_next = 1;
    StItem m_highlighted = 0;
};
