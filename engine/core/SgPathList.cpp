#include "engine/core/SgPathList.h"

#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

namespace {
// Father links run up through groups and node-pointer fields; a chain longer
// than this can only be a cycle through such fields, which would otherwise
// recurse without end.
constexpr int kMaxPathDepth = 4096;
} // namespace

SgPathList::SgPathList(const SgPathList &other)
{
    for (Entry *entry = other.m_pHead; entry; entry = entry->next)
        Add(entry->path);
}

SgPathList &SgPathList::operator=(const SgPathList &other)
{
    if (&other == this)
        return *this;
    RemoveAll();
    for (Entry *entry = other.m_pHead; entry; entry = entry->next)
        Add(entry->path);
    return *this;
}

SgPathList::~SgPathList()
{
    RemoveAll();
}

SgPathList::Entry &SgPathList::Checked(POSITION position)
{
    if (!position)
        throw SgInvalidArgument("SgPathList: no path at a null position");
    return *FromPosition(position);
}

SgPath SgPathList::GetNext(POSITION &position) const
{
    Entry &entry = Checked(position);
    position = ToPosition(entry.next);
    return entry.path;
}

SgPath SgPathList::GetPrev(POSITION &position) const
{
    Entry &entry = Checked(position);
    position = ToPosition(entry.prev);
    return entry.path;
}

SgPath SgPathList::GetAt(POSITION position) const
{
    return Checked(position).path;
}

POSITION SgPathList::Add(const SgPath &path)
{
    Entry *entry = new Entry{path, m_pTail, nullptr};
    if (m_pTail)
        m_pTail->next = entry;
    else
        m_pHead = entry;
    m_pTail = entry;
    ++m_nCount;
    return ToPosition(entry);
}

SgPathList::Entry *SgPathList::FindEntry(const SgPath &path) const
{
    for (Entry *entry = m_pHead; entry; entry = entry->next) {
        if (entry->path == path)
            return entry;
    }
    return nullptr;
}

int SgPathList::IsExist(const SgPath &path) const
{
    return FindEntry(path) ? 1 : 0;
}

void SgPathList::Unlink(Entry *entry)
{
    (entry->prev ? entry->prev->next : m_pHead) = entry->next;
    (entry->next ? entry->next->prev : m_pTail) = entry->prev;
    --m_nCount;
    delete entry;
}

void SgPathList::Remove(const SgPath &path)
{
    if (Entry *entry = FindEntry(path))
        Unlink(entry);
}

void SgPathList::RemoveAt(POSITION position)
{
    Unlink(&Checked(position));
}

void SgPathList::RemoveAll()
{
    while (m_pHead)
        Unlink(m_pHead);
}

POSITION SgPathList::Toggle(const SgPath &path)
{
    if (Entry *entry = FindEntry(path)) {
        Unlink(entry);
        return nullptr;
    }
    return Add(path);
}

void SgPathList::PathsFromNode(SgNode *node, SgPath &tail, SgNode *stop)
{
    CollectFrom(node, tail, stop, 0);
}

void SgPathList::CollectFrom(SgNode *node, const SgPath &tail, SgNode *stop, int depth)
{
    if (depth > kMaxPathDepth) {
        SgDiagError("SceneGraph", "SgPathList::PathsFromNode: the fathers of a node form a cycle");
        return;
    }
    SgPath path(tail);
    path.InsertFirst(node);
    if (node == stop) {
        Add(path);
        return;
    }
    if (!node)
        return;
    // The father list may change while a caller reacts to the paths; walk a copy.
    const std::vector<SgNode *> fathers = node->GetFatherList();
    if (fathers.empty()) {
        if (!stop)
            Add(path);
        return;
    }
    for (SgNode *father : fathers)
        CollectFrom(father, path, stop, depth + 1);
}
