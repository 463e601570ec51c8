#pragma once
// The 32-bit selection names of nodes. A selection pass (and a display list
// compiled for one) names each group and shape by its name in the handle
// table (engine/core/SgHandleTable.h); the pick action maps each name of a
// hit record back to a node through Lookup, which answers null for a name
// the table never gave out or whose node is gone. Addresses never become
// names: a forged name cannot turn into a pointer.
//
// A name stays the node's for as long as the node lives, so names compiled
// into a display list keep naming it. A name does not keep its node alive,
// and it carries no generation (GL names are 32 bits): the reader of a hit
// record still checks that each node it looks up is a child of the node
// before it (the first one a child of, or, the root it drew).
#include <cstdint>
#include "engine/core/NodaraExport.h"

class SgNode;

class NODARA_API SgGLNameTable {
public:
    // Names start above 0 and stay below the part marker 0xFFFFFFFF.
    static constexpr std::uint32_t kNoName = 0;

    // The node's name, given out on first use.
    static std::uint32_t GetName(SgNode *node);
    // The node named; null for an unknown name or one of a container that is
    // no node.
    static SgNode *Lookup(std::uint32_t name);
    // Live names (of nodes and of other containers the table names).
    static int GetCount();
};
