#include "treepanel/StMemoryTree.h"

#include <algorithm>

StItem StMemoryTree::InsertItem(StItem parent, StItem after, const std::string &text, int image, bool button,
                                std::uint64_t data)
{
    if (parent && !m_nodes.count(parent))
        return 0;
    std::vector<StItem> &siblings = parent ? m_nodes[parent].children : m_top;
    const StItem item = m_next++;
    Node node;
    node.parent = parent;
    node.text = text;
    node.image = image;
    node.button = button;
    node.data = data;
    m_nodes.emplace(item, std::move(node));
    auto at = after ? std::find(siblings.begin(), siblings.end(), after) : siblings.end();
    if (at != siblings.end())
        ++at;
    siblings.insert(at, item);
    return item;
}

void StMemoryTree::DeleteChildren(StItem item)
{
    std::vector<StItem> &children = item ? m_nodes[item].children : m_top;
    const std::vector<StItem> gone = std::move(children);
    children.clear();
    for (StItem child : gone) {
        DeleteChildren(child);
        if (m_highlighted == child)
            m_highlighted = 0;
        m_nodes.erase(child);
    }
}

void StMemoryTree::DeleteItem(StItem item)
{
    auto found = m_nodes.find(item);
    if (found == m_nodes.end())
        return;
    DeleteChildren(item);
    std::vector<StItem> &siblings = found->second.parent ? m_nodes[found->second.parent].children : m_top;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
    if (m_highlighted == item)
        m_highlighted = 0;
    m_nodes.erase(item);
}

void StMemoryTree::DeleteAllItems()
{
    m_nodes.clear();
    m_top.clear();
    m_highlighted = 0;
}

const StMemoryTree::Node *StMemoryTree::Find(StItem item) const
{
    auto found = m_nodes.find(item);
    return found == m_nodes.end() ? nullptr : &found->second;
}

const std::vector<StItem> &StMemoryTree::Children(StItem item) const
{
    static const std::vector<StItem> kNone;
    if (!item)
        return m_top;
    const Node *node = Find(item);
    return node ? node->children : kNone;
}

StItem StMemoryTree::GetParent(StItem item) const
{
    const Node *node = Find(item);
    return node ? node->parent : 0;
}

StItem StMemoryTree::GetFirstChild(StItem item) const
{
    const std::vector<StItem> &children = Children(item);
    return children.empty() ? 0 : children.front();
}

StItem StMemoryTree::GetNextSibling(StItem item) const
{
    const Node *node = Find(item);
    if (!node)
        return 0;
    const std::vector<StItem> &siblings = Children(node->parent);
    auto at = std::find(siblings.begin(), siblings.end(), item);
    return at == siblings.end() || at + 1 == siblings.end() ? 0 : *(at + 1);
}

std::string StMemoryTree::GetText(StItem item) const
{
    const Node *node = Find(item);
    return node ? node->text : std::string();
}

void StMemoryTree::SetText(StItem item, const std::string &text)
{
    if (auto found = m_nodes.find(item); found != m_nodes.end())
        found->second.text = text;
}

std::uint64_t StMemoryTree::GetData(StItem item) const
{
    const Node *node = Find(item);
    return node ? node->data : 0;
}

bool StMemoryTree::HasChildren(StItem item) const
{
    const Node *node = Find(item);
    return node && (node->button || !node->children.empty());
}

void StMemoryTree::SetButton(StItem item, bool button)
{
    if (auto found = m_nodes.find(item); found != m_nodes.end())
        found->second.button = button;
}

void StMemoryTree::Expand(StItem item)
{
    if (auto found = m_nodes.find(item); found != m_nodes.end())
        found->second.expanded = true;
}

bool StMemoryTree::IsExpanded(StItem item) const
{
    const Node *node = Find(item);
    return node && node->expanded;
}

int StMemoryTree::GetImage(StItem item) const
{
    const Node *node = Find(item);
    return node ? node->image : -1;
}
