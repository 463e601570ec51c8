#pragma once
// A node that holds an ordered list of children and so makes the scene a graph.
// Every change to the list keeps the child's reference (one per entry), its
// fathers list (one entry per list entry), the change notices above and beside
// the child, and the document's undo records consistent.
#include <cstdint>
#include <vector>

#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

// Keeps a node alive while a traversal works on it, so that a visitor may
// delete it from the graph meanwhile; the node goes when the hold ends. A node
// nobody owns (never referenced) is not held: releasing the hold would
// delete what its maker still uses.
class NODARA_API SgTraversalHold {
public:
    explicit SgTraversalHold(SgNode *node) : m_node(node && node->GetRefCount() > 0 ? node : nullptr)
    {
        if (m_node)
            m_node->AddRef();
    }
    ~SgTraversalHold()
    {
        if (m_node)
            SgFieldMngr::Release(m_node);
    }
    SgTraversalHold(const SgTraversalHold &) = delete;
    SgTraversalHold &operator=(const SgTraversalHold &) = delete;

private:
    SgNode *m_node;
};

class NODARA_API SgGroup : public SgNode {
    SG_CLASS_HEADER(SgGroup, SgFieldMngr)

    // A place in one group's child list: none (false), or an entry of the
    // group whose list operations handed it out. It is no number to count
    // with: it moves only through that group's GetNext and GetPrev, and
    // another group's operations find nothing at it. It names its entry
    // whatever else the list goes through (insertions, deletions, moves of
    // other entries) until that entry leaves the list; from then on it names
    // nothing.
    class Position {
    public:
        Position() = default;
        explicit operator bool() const { return m_group != nullptr; }
        bool operator==(const Position &other) const { return m_group == other.m_group && m_entry == other.m_entry; }

    private:
        friend class SgGroup;
        Position(const SgGroup *group, std::uint64_t entry, int index) : m_group(group), m_entry(entry), m_index(index)
        {
        }
        const SgGroup *m_group = nullptr;
        std::uint64_t m_entry = 0;
        // Where the entry was last seen: checked first, searched past when stale.
        int m_index = -1;
    };

    SgGroup() = default;

    void NotifyFathers(SgNode *from) override;
    void NotifySons(SgNode *from) override;
    void Refresh(int code) override;
    // Visits the children in order, restricted to the action's target path.
    // A visitor may delete nodes meanwhile: a deleted child that was not
    // visited yet is not visited, none is skipped or visited twice, and a
    // group that a visitor takes out of the node before it on the action's
    // path stops visiting its children.
    void DoAction(SgAction *action) override;
    bool IsGroup() const override { return true; }
    // A group that holds only a view's placements of its scene (the
    // viewport's scene turn and direction) moves the picture when it
    // changes; anything else in it may give later nodes their state.
    bool ChangeReachesLaterSiblings() const override;
    void SetDocument(SgDocument *document) override;
    void ReleaseDocument() override;

    // The own list, which GetChild indexes and traversals walk.
    int GetNumChildren() const override { return static_cast<int>(m_children.size()); }
    SgNode *GetChild(int index) const override;

    // 1 when the child was unlinked and released, 0 when it is not a child.
    virtual int DeleteChild(SgNode *child);
    // Unlinks the first entry of the child without releasing it; the caches
    // of this group and those above it are dropped. 1, or 0 when it is not a
    // child.
    int RemoveChild(SgNode *child) override;

    // The adders refuse (false, with a diagnostic) a null child and a child
    // that would hold this group below itself.
    virtual bool AddChild(SgNode *child);
    // Before the sibling's first entry; at the front when the sibling is null
    // or not a child.
    virtual bool AddChildBefore(SgNode *child, SgNode *sibling);
    // After the sibling's first entry; at the end when the sibling is null or
    // not a child.
    virtual bool AddChildAfter(SgNode *child, SgNode *sibling);
    // After the first transform child, or at the front when there is none.
    virtual bool AddChildAfterTransform(SgNode *child);
    // Puts the new child where the old one was and deletes the old one.
    bool ReplaceChild(SgNode *oldChild, SgNode *newChild);
    // Deletes every child, last to first (so that no child that leaves has
    // later siblings to tell).
    void Clear();

    virtual void ClearAllCaches() {}

    // The count of the child view (what GetChildFirst and GetChildNext walk),
    // whatever the pointer it is asked through: a group's own list, an
    // object's content (SgObject).
    virtual int GetChildsCount() const { return static_cast<int>(m_children.size()); }
    // The own list's length, whatever the view: what GetChild(index) indexes.
    int GetOwnChildCount() const { return static_cast<int>(m_children.size()); }
    const std::vector<SgNode *> &GetChildList() const { return m_children; }
    // Index of the child's first entry, -1 when it is not a child.
    int IndexOf(const SgNode *child) const;

    // The list itself, through positions. First and last are none for an
    // empty list. GetNext and GetPrev give the child at the position and move
    // it on (to none past either end); GetAt gives the child there. A
    // position that is none, stale or of another group gives null (and
    // becomes none).
    Position GetPosition(const SgNode *child) const;
    Position GetFirst() const;
    Position GetLast() const;
    SgNode *GetNext(Position &position) const;
    SgNode *GetPrev(Position &position) const;
    SgNode *GetAt(Position position) const;

    // From `start` on (the first child when it is none), the first child of
    // the class (or of a derived class when `derived`) whose name, when one
    // is given, matches ignoring ASCII case.
    SgNode *FindFirstNode(int classId, Position start, const char *name, bool derived) const;
    SgNode *FindFirstNodeCond(bool (*predicate)(SgNode *)) const;

    // The child view: what code walking a group's content should use. A
    // group's content is its list; an object's is what its inner group holds
    // (the object overrides these), not its own transform and properties.
    virtual Position GetChildPosition(SgNode *child) const { return GetPosition(child); }
    virtual Position GetChildFirst() const { return GetFirst(); }
    virtual Position GetChildLast() const { return GetLast(); }
    virtual SgNode *GetChildNext(Position &position) const { return GetNext(position); }
    virtual SgNode *GetChildPrev(Position &position) const { return GetPrev(position); }
    virtual SgNode *GetChildAt(Position position) const { return GetAt(position); }
    // Exactly that class, never a derived one.
    virtual SgNode *FindFirstChildNode(int classId, Position start, const char *name) const
    {
        return FindFirstNode(classId, start, name, false);
    }

    // Whether the node before this group on the action's current path (when
    // the path ends at the group) still holds it; true when there is none.
    bool StillOnPath(SgAction *action) const;

    // True when holding `child` would put this group below itself.
    bool WouldMakeCycle(const SgNode *child) const;

protected:
    void AppendDocumentMembers(std::vector<SgNode *> &members) override;
    ~SgGroup() override;
    // The group a position belongs to (null for none), so that a group that
    // shows another's list can hand the position on to its owner.
    static const SgGroup *OwnerOf(const Position &position) { return position.m_group; }

private:
    // Where a traversal goes on after visiting `child` at `index`, which the
    // visit may have moved or deleted together with other entries; `next` is
    // the entry that followed it before the visit.
    size_t ResumeAfter(size_t index, const SgNode *child, const SgNode *next) const;
    bool CanAdopt(SgNode *child, const char *operation) const;
    // The index a position names in this list, -1 when it names none here.
    int IndexAt(const Position &position) const;
    Position PositionOf(int index) const { return Position(this, m_entries[static_cast<size_t>(index)], index); }
    // Keep m_entries beside m_children: every insertion and erasure goes
    // through these.
    void InsertEntry(size_t at, SgNode *child);
    void EraseEntry(size_t at);
    // Links a child whose entry is already in the list and records its undo;
    // the record names `sibling` as the node before it.
    void Adopt(SgNode *child, SgNode *sibling, bool recordForGroup);
    // A notice goes down through a work list, not the C++ stack (SgGroup.cpp).
    struct SonsNotice;
    static std::vector<SonsNotice> &SonsNotices();

    // The one place that counts by hand instead of holding SgRef: each entry
    // owns one reference, taken in Adopt and given back in DeleteChild. The
    // count is one step of a sequence that must keep its order (the father
    // link, the notices and the undo record come between linking and
    // releasing, and the record takes its reference before the group lets
    // go); RemoveChild unlinks an entry whose reference goes on with the child
    // to the caller; and GetChildList hands out this very vector of plain
    // pointers to every traversal. A vector of handles would count behind that
    // sequence's back and turn the list into a copy for its readers.
    std::vector<SgNode *> m_children;
    // One number per entry of m_children, never reused within the group:
    // what a Position holds.
    std::vector<std::uint64_t> m_entries;
    std::uint64_t m_nextEntry = 1;
};
