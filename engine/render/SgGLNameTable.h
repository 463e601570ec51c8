#pragma once
// The 32-bit selection names of nodes. A selection pass (and a display list
// compiled for one) names each group and shape by a handle from this table;
// the pick action maps each name of a hit record back to a node through
// Lookup, which answers null for a handle the table never gave out or has
// forgotten. Addresses never become names: a stale or forged name cannot
// turn into a pointer.
//
// A handle stays the node's for as long as the table knows the node, so
// names compiled into a display list keep naming it. A table entry does not
// keep its node alive: the reader of a hit record still checks that each
// node it looks up is a child of the node before it (the first one a child
// of, or, the root it drew), which holds only for live nodes of the graph.
#include <cstdint>

class SgNode;

class SgGLNameTable {
public:
    // Handles start above 0 and stay below the part marker 0xFFFFFFFF.
    static constexpr std::uint32_t kNoName = 0;

    // The node's handle, given out on first use.
    static std::uint32_t GetName(SgNode *node);
    // The node named by the handle; null for an unknown handle.
    static SgNode *Lookup(std::uint32_t name);
    // Drops the node's handle (a node being destroyed).
    static void Forget(SgNode *node);
    static int GetCount();
};
