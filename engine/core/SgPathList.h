#pragma once
// An ordered list of paths: what a selection consists of. The list owns
// copies; positions are handles of its entries, null meaning none, and stay
// valid until their entry is removed.
#include "engine/core/SgPath.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPathList {
public:
    SgPathList() = default;
    SgPathList(const SgPathList &other);
    SgPathList &operator=(const SgPathList &other);
    virtual ~SgPathList();

    int GetCount() const { return m_nCount; }
    int IsEmpty() const { return m_nCount == 0; }
    POSITION GetFirst() const { return ToPosition(m_pHead); }
    POSITION GetLast() const { return ToPosition(m_pTail); }
    // Copy of the path at the position; then the position moves on (null past
    // the end). A null position throws SgInvalidArgument.
    SgPath GetNext(POSITION &position) const;
    SgPath GetPrev(POSITION &position) const;
    SgPath GetAt(POSITION position) const;

    POSITION Add(const SgPath &path);
    // 1 when an equal path is in the list, else 0.
    int IsExist(const SgPath &path) const;
    // Removes the first equal path, if any.
    void Remove(const SgPath &path);
    void RemoveAt(POSITION position);
    void RemoveAll();
    // Removes the first equal path and returns null, or appends a copy and
    // returns its position.
    POSITION Toggle(const SgPath &path);

    // Adds every path that leads from `stop` (from any root when null) down to
    // `node`, continued below it by `tail`: one path per branch.
    void PathsFromNode(SgNode *node, SgPath &tail, SgNode *stop);

private:
    struct Entry {
        SgPath path;
        Entry *prev;
        Entry *next;
    };

    static POSITION ToPosition(Entry *entry) { return reinterpret_cast<POSITION>(entry); }
    static Entry *FromPosition(POSITION position) { return reinterpret_cast<Entry *>(position); }
    static Entry &Checked(POSITION position);
    Entry *FindEntry(const SgPath &path) const;
    void Unlink(Entry *entry);
    void CollectFrom(SgNode *node, const SgPath &tail, SgNode *stop, int depth);

    Entry *m_pHead = nullptr;
    Entry *m_pTail = nullptr;
    int m_nCount = 0;
};
