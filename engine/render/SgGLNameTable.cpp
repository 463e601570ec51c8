#include "engine/render/SgGLNameTable.h"

#include <unordered_map>

namespace {

// The last handle below the part marker of the selection name stack.
constexpr std::uint32_t kLastHandle = 0xFFFFFFFEu;

struct Table {
    std::unordered_map<SgNode *, std::uint32_t> byNode;
    std::unordered_map<std::uint32_t, SgNode *> byName;
    std::uint32_t next = 1;
};

Table &TheTable()
{
    static Table table;
    return table;
}

} // namespace

std::uint32_t SgGLNameTable::GetName(SgNode *node)
{
    if (!node)
        return kNoName;
    Table &t = TheTable();
    if (auto it = t.byNode.find(node); it != t.byNode.end())
        return it->second;
    // Handles are not reused while a node holds them; after the last one
    // the count starts over and skips those still taken.
    while (t.byName.count(t.next) || t.next == kNoName || t.next > kLastHandle)
        t.next = t.next >= kLastHandle ? 1 : t.next + 1;
    const std::uint32_t name = t.next++;
    t.byNode.emplace(node, name);
    t.byName.emplace(name, node);
    return name;
}

SgNode *SgGLNameTable::Lookup(std::uint32_t name)
{
    Table &t = TheTable();
    auto it = t.byName.find(name);
    return it == t.byName.end() ? nullptr : it->second;
}

void SgGLNameTable::Forget(SgNode *node)
{
    Table &t = TheTable();
    auto it = t.byNode.find(node);
    if (it == t.byNode.end())
        return;
    t.byName.erase(it->second);
    t.byNode.erase(it);
}

int SgGLNameTable::GetCount()
{
    return static_cast<int>(TheTable().byNode.size());
}
