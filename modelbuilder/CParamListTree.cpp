#include "modelbuilder/CParamListTree.h"

#include <algorithm>
#include <strings.h>

namespace {

const std::string kNoText;
const CParamListTree::Data kNoData;
const std::vector<CParamListTree::Item> kNoChildren;

} // namespace

void CParamListTree::DeleteAllItems()
{
    m_items.clear();
    m_roots.clear();
    m_caret = 0;
    ++m_revision;
}

CParamListTree::Item CParamListTree::InsertItem(const std::string &label, const Data &data, Item parent)
{
    if (parent && !Exists(parent))
        return 0;
    const Item item = m_next++;
    m_items[item] = Node{label, data, parent, {}};
    (parent ? m_items[parent].children : m_roots).push_back(item);
    ++m_revision;
    return item;
}

void CParamListTree::DeleteItem(Item item)
{
    auto it = m_items.find(item);
    if (it == m_items.end())
        return;
    // Children first, from a copy: each deletion edits the list.
    const std::vector<Item> children = it->second.children;
    for (Item child : children)
        DeleteItem(child);
    const Item parent = m_items[item].parent;
    std::vector<Item> &siblings = parent ? m_items[parent].children : m_roots;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
    m_items.erase(item);
    if (m_caret == item)
        m_caret = 0;
    ++m_revision;
}

void CParamListTree::SetItemText(Item item, const std::string &label)
{
    auto it = m_items.find(item);
    if (it == m_items.end())
        return;
    it->second.label = label;
    ++m_revision;
}

const std::string &CParamListTree::GetItemText(Item item) const
{
    auto it = m_items.find(item);
    return it == m_items.end() ? kNoText : it->second.label;
}

const CParamListTree::Data &CParamListTree::GetItemData(Item item) const
{
    auto it = m_items.find(item);
    return it == m_items.end() ? kNoData : it->second.data;
}

CParamListTree::Item CParamListTree::GetParentItem(Item item) const
{
    auto it = m_items.find(item);
    return it == m_items.end() ? 0 : it->second.parent;
}

const std::vector<CParamListTree::Item> &CParamListTree::GetChildren(Item item) const
{
    if (!item)
        return m_roots;
    auto it = m_items.find(item);
    return it == m_items.end() ? kNoChildren : it->second.children;
}

CParamListTree::Item CParamListTree::GetChildItem(Item item) const
{
    const std::vector<Item> &children = GetChildren(item);
    return children.empty() ? 0 : children.front();
}

CParamListTree::Item CParamListTree::FindChild(Item parent, const std::string &label) const
{
    for (Item child : GetChildren(parent)) {
        if (strcasecmp(GetItemText(child).c_str(), label.c_str()) == 0)
            return child;
    }
    return 0;
}
