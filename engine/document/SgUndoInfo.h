#pragma once
// One undo record: either a field change (the value before and after, owned
// here) or a child-list change of a group. Records of one key point are undone
// and redone together by the document that owns them.
//
// A record never outlives what it names: it holds a reference on the node
// that owns a recorded field, on the group, on the child and on the sibling
// before it, so an undo after the node has left the scene writes into a live
// (detached) node, never into freed memory. A node whose lifetime nobody
// counts yet (reference count 0: one still being made, not yet adopted)
// cannot be kept alive this way; the record then names it without a
// reference, as before.
#include <cstddef>
#include <functional>
#include <memory>

#include "engine/core/SgRef.h"
#include "engine/core/NodaraExport.h"

class SgField;
class SgFieldChange;
class SgFieldMngr;
class SgNode;

class NODARA_API SgUndoInfo {
public:
    enum Type { kField = 0, kChildList = 1, kAction = 2 };
    enum ChildOperation { kChildAdded = 1, kChildDeleted = 2 };

    using ReleaseFn = std::function<void(void *)>;

    // Field record: takes ownership of both buffers (one value of the field's
    // type each, or a whole array copy); `release` frees a buffer.
    SgUndoInfo(Type type, SgField *field, void *before, void *after, ReleaseFn release);
    // Field record of a change of part of the value (some elements of an
    // array), which the change itself takes back and makes again.
    SgUndoInfo(SgField *field, std::unique_ptr<SgFieldChange> change);
    // Child-list record: operation, group, child, the sibling before the child
    // (null at the front). Adds one reference to the child.
    SgUndoInfo(int operation, SgNode *group, SgNode *child, SgNode *previousSibling);
    // Action record: a change of `subject` that is neither a field nor a
    // child list (a node's flag); `apply(false)` takes it back and
    // `apply(true)` makes it again. The subject is kept alive.
    using ApplyFn = std::function<void(bool forward)>;
    SgUndoInfo(SgFieldMngr *subject, ApplyFn apply);
    // The node an action record changes (null for the other kinds).
    SgFieldMngr *GetSubject() const { return m_keepSubject.get(); }
    SgUndoInfo(const SgUndoInfo &) = delete;
    SgUndoInfo &operator=(const SgUndoInfo &) = delete;
    virtual ~SgUndoInfo();

    Type GetType() const { return m_type; }
    SgField *GetField() const { return m_pField; }
    const void *GetBefore() const { return m_pBefore; }
    const void *GetAfter() const { return m_pAfter; }
    // Whether the record holds the field's whole value before and after
    // (false for a change of part of it, and for child-list records).
    bool HoldsWholeValues() const { return m_type == kField && !m_pChange; }
    // Takes the other record's after-buffer (the merge of two changes of one
    // field inside a key point); the other record no longer frees it. Only
    // records that both hold whole values merge; others are left as they are.
    void TakeAfter(SgUndoInfo &other);
    // The memory held for recorded values (not counting the nodes the record
    // keeps alive); 0 for a field that cannot tell.
    std::size_t GetHeldBytes() const;

    int GetOperation() const { return m_iOperation; }
    SgNode *GetGroup() const { return m_pGroup; }
    SgNode *GetChild() const { return m_pChild; }
    SgNode *GetPreviousSibling() const { return m_pPrevious; }

    int GetKeyPoint() const { return m_iKeyPoint; }
    void SetKeyPoint(int keyPoint) { m_iKeyPoint = keyPoint; }
    // Who made the change (SgDocument::GetUndoOrigin then).
    int GetOrigin() const { return m_iOrigin; }
    void SetOrigin(int origin) { m_iOrigin = origin; }

    // Field records set the field from the before (undo) or after (redo)
    // value; child-list records take the child out of its group or put it back
    // after the sibling that preceded it. Replay records nothing.
    void Undo();
    void Redo();

private:
    void RelinkChild();
    void UnlinkChild();
    void Free(void *&buffer);

    Type m_type;
    SgField *m_pField = nullptr;
    void *m_pBefore = nullptr;
    void *m_pAfter = nullptr;
    ReleaseFn m_release;
    std::unique_ptr<SgFieldChange> m_pChange;
    // Keep what is named here alive (left empty for uncounted objects).
    SgRef<SgFieldMngr> m_keepContainer;

    int m_iOperation = 0;
    SgNode *m_pGroup = nullptr;
    SgRef<SgNode> m_pChild; // held even when nothing else counted it
    SgNode *m_pPrevious = nullptr;
    // The child's index when the change was made: where it goes back when the
    // sibling before it has left the group since (a creation tool that stood
    // last while the object was added).
    int m_iIndex = -1;
    SgRef<SgNode> m_keepGroup;
    SgRef<SgNode> m_keepPrevious;

    SgRef<SgFieldMngr> m_keepSubject;
    ApplyFn m_apply;

    int m_iKeyPoint = 0;
    int m_iOrigin = 0;
};
