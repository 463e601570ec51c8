#pragma once
// One occurrence of a node in the scene graph: the chain of nodes from a root
// (or some ancestor) down to it. A node with several fathers sits in several
// places; the path says which one. Nodes are not reference-counted by the
// path: the groups and the document keep them alive, so a path must not
// outlive a node it names.
#include <cstdint>
#include <vector>

#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgSeparator;

// An opaque position handle. Paths hand out plain indices cast to it (the
// first node is position 0, so a null position is a valid one there); path
// lists hand out their list-node handles, null meaning none.
struct SgPositionTag;
using POSITION = SgPositionTag *;

class NODARA_API SgPath {
public:
    SgPath() = default;
    SgPath(const SgPath &other) = default;
    explicit SgPath(SgNode &node);
    virtual ~SgPath() = default;

    SgPath &operator=(const SgPath &other);
    bool operator==(const SgPath &other) const;
    bool operator!=(const SgPath &other) const { return !(*this == other); }

    // Access. Every index outside 0 .. count - 1 throws SgInvalidArgument.
    int GetCount() const { return static_cast<int>(m_Nodes.size()); }
    bool IsEmpty() const { return m_Nodes.empty(); }
    SgNode *operator[](int index) const;
    SgNode *&operator[](int index);
    SgNode *&GetAt(POSITION position);
    // Return the slot at the position and then move it; a position outside
    // the path throws after the caller's position has already moved.
    SgNode *&GetNext(POSITION &position);
    SgNode *&GetPrev(POSITION &position);
    POSITION GetFirst() const { return ToPosition(0); }
    POSITION GetLast() const { return ToPosition(GetCount() - 1); }
    SgNode *&GetFirstElement();
    SgNode *&GetLastElement();
    // The node n steps above the last one, the first node when n reaches past it.
    SgNode *&GetLastParent(int n);
    // Index of the first occurrence, -1 when absent.
    POSITION Find(SgNode *node) const { return ToPosition(GetPosition(node)); }
    int GetPosition(SgNode *node) const;

    // Editing.
    void Append(SgNode *node) { m_Nodes.push_back(node); }
    void Append(const SgPath &other);
    // An index beyond the end grows the path with null entries.
    void Insert(int index, SgNode *node);
    void InsertFirst(SgNode *node) { Insert(0, node); }
    void Delete(int index);
    void DeleteLast();
    void ReplaceLast(SgNode *node);
    void Clear() { m_Nodes.clear(); }
    // Drops nodes from the end until `count` remain (count below the size only).
    void Truncate(int count);

    // Building and cutting. Paths run only through fathers that hold the
    // next node as a child or as their held group (a procedural shape and its
    // internal separator), never through a node that merely references it
    // through a node-pointer field.
    void CreateFromNode(SgNode *node);
    // The first of the node's fathers that holds it in the graph; null when none.
    static SgNode *FirstHoldingFather(const SgNode *node);
    void CutToRoot(int unused = 0);
    void CutToFirstNode();
    void CutToObject(int offset, bool fromEnd, bool stopAtLinked);
    void LeaveToObject();
    bool ExtendToShape();
    SgPath GetFromTo(SgNode *to, SgNode *from) const;

    // Queries about the modelling layer: objects are separators whose object
    // flag is set (IsObject).
    SgSeparator *GetObject(bool fromEnd) const;
    int GetObjectPos() const;
    int TopGroupPos() const { return GetObjectPos(); }
    // The first object from the start whose selected flag is set; null when none.
    SgSeparator *FindSelected() const;
    // Whether both paths designate the same selected object (or both none).
    bool SelectCompare(const SgPath &other) const { return FindSelected() == other.FindSelected(); }
    bool IsGroup() const;
    bool IsSnapable() const;
    void *FindInPath(void *(*fn)(SgNode *)) const;
    SgDocument *FindDocInPath() const;
    static void *hasDoc(SgNode *node);
    void print() const {}

    const std::vector<SgNode *> &GetNodes() const { return m_Nodes; }

    static POSITION ToPosition(int index)
    {
        return reinterpret_cast<POSITION>(static_cast<intptr_t>(index));
    }
    static int FromPosition(POSITION position)
    {
        return static_cast<int>(reinterpret_cast<intptr_t>(position));
    }

private:
    void CheckIndex(int index) const;

    std::vector<SgNode *> m_Nodes;
};
