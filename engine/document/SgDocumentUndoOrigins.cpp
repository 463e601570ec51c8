// Taking back or keeping what one origin (a modeless dialog's stay) recorded,
// while records of the main window may stand between its own.
#include <algorithm>
#include <memory>
#include <vector>

#include "engine/core/NodePtr.h"
#include "engine/core/SgField.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgNode.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgUndoInfo.h"

namespace {

// What a record changes: a field (and the node that holds it), or a group's
// child list (the group and the child). Compared as the objects' addresses.
struct UndoOriginTouch {
    const SgField *field = nullptr;
    const void *holder = nullptr;
    const void *group = nullptr;
    const void *child = nullptr;
    // The nodes a node-pointer field held before or after the change: the
    // field places them below its node as a child list does.
    std::vector<const void *> placed;
    // The nodes above the changed one: a child list that takes one of them
    // out takes the change out of the scene with it.
    std::vector<const void *> above;
};

const void *UndoOriginObjectAddress(const SgFieldMngr *object)
{
    return object ? dynamic_cast<const void *>(object) : nullptr;
}

// The fathers of `object`, theirs, and so on (a bounded number: shared nodes
// can have many ways up).
void UndoOriginCollectAbove(const SgFieldMngr *object, std::vector<const void *> &above)
{
    constexpr std::size_t kUndoOriginMaxAbove = 512;
    std::vector<const SgNode *> open;
    if (const auto *node = dynamic_cast<const SgNode *>(object))
        open.push_back(node);
    while (!open.empty() && above.size() < kUndoOriginMaxAbove) {
        const SgNode *node = open.back();
        open.pop_back();
        for (const SgNode *father : node->GetFatherList()) {
            const void *address = UndoOriginObjectAddress(father);
            if (!father || std::find(above.begin(), above.end(), address) != above.end())
                continue;
            above.push_back(address);
            open.push_back(father);
        }
    }
}

// The nodes a record of a node-pointer field names: both values when it
// holds them whole, or what the field holds now when it holds a change of
// part of it (what that change took out is no longer in the scene).
void UndoOriginCollectPlaced(const SgUndoInfo &record, std::vector<const void *> &placed)
{
    SgField *field = record.GetField();
    if (!field || field->GetTypeId() != SgFieldNodePtr)
        return;
    const auto add = [&placed](const NodePtr &node) {
        if (node)
            placed.push_back(UndoOriginObjectAddress(node.get()));
    };
    if (record.HoldsWholeValues() && !field->IsVector()) {
        for (const void *buffer : {record.GetBefore(), record.GetAfter()})
            if (buffer)
                add(*static_cast<const NodePtr *>(buffer));
        return;
    }
    if (record.HoldsWholeValues()) {
        for (const void *buffer : {record.GetBefore(), record.GetAfter()})
            if (buffer)
                for (const NodePtr &node : *static_cast<const std::vector<NodePtr> *>(buffer))
                    add(node);
        return;
    }
    for (int i = 0; i < field->GetCount(); ++i)
        if (const void *value = field->GetValuePtr(i, false))
            add(*static_cast<const NodePtr *>(value));
}

UndoOriginTouch UndoOriginTouchOf(const SgUndoInfo &record)
{
    UndoOriginTouch touch;
    const SgFieldMngr *changed = nullptr;
    if (record.GetType() == SgUndoInfo::kField) {
        touch.field = record.GetField();
        changed = touch.field ? touch.field->GetContainer() : nullptr;
        touch.holder = UndoOriginObjectAddress(changed);
        UndoOriginCollectPlaced(record, touch.placed);
    } else if (record.GetType() == SgUndoInfo::kAction) {
        changed = record.GetSubject();
        touch.holder = UndoOriginObjectAddress(changed);
    } else {
        changed = record.GetGroup();
        touch.group = UndoOriginObjectAddress(changed);
        touch.child = UndoOriginObjectAddress(record.GetChild());
    }
    UndoOriginCollectAbove(changed, touch.above);
    return touch;
}

// Whether `other` changes `node` itself or something below it.
bool UndoOriginReachesNode(const UndoOriginTouch &other, const void *node)
{
    for (const void *changed : {other.holder, other.group, other.child})
        if (changed && changed == node)
            return true;
    return std::find(other.above.begin(), other.above.end(), node) != other.above.end();
}

// Whether taking one of the two back alone could undo or hide the other:
// the same field; a child list and anything about its group or child or
// below that child; a node-pointer field and anything about a node it held
// or below one. Two different fields of one node are independent: each
// record restores its own field only.
bool UndoOriginTouchesClash(const UndoOriginTouch &a, const UndoOriginTouch &b)
{
    if (a.field && a.field == b.field)
        return true;
    const auto listClashes = [](const UndoOriginTouch &list, const UndoOriginTouch &other) {
        for (const void *changed : {other.holder, other.group, other.child})
            if (changed && changed == list.group)
                return true;
        if (list.child && UndoOriginReachesNode(other, list.child))
            return true;
        for (const void *node : list.placed)
            if (UndoOriginReachesNode(other, node))
                return true;
        return false;
    };
    return listClashes(a, b) || listClashes(b, a);
}

bool UndoOriginClashesWithAny(const UndoOriginTouch &touch, const std::vector<UndoOriginTouch> &others)
{
    for (const UndoOriginTouch &other : others)
        if (UndoOriginTouchesClash(touch, other))
            return true;
    return false;
}

} // namespace

int SgDocument::TakeBackOrigin(int origin, int keyPoint)
{
    const int count = static_cast<int>(m_undo.size());
    const auto isMine = [&](const SgUndoInfo &record) {
        return record.GetOrigin() == origin && (keyPoint == 0 || record.GetKeyPoint() == keyPoint);
    };
    // Newest first: what later records of others touch is not to be undone
    // under them, and a record that stays protects what it rests on.
    std::vector<char> drop(count, 0);
    std::vector<UndoOriginTouch> later;
    int kept = 0;
    for (int i = count - 1; i >= 0; --i) {
        SgUndoInfo &record = *m_undo[i];
        const UndoOriginTouch touch = UndoOriginTouchOf(record);
        if (!isMine(record)) {
            later.push_back(touch);
            continue;
        }
        if (i > m_iUndoCursor) {
            // Undone already (the redo part): forgetting it changes nothing.
            drop[i] = 1;
            continue;
        }
        if (UndoOriginClashesWithAny(touch, later)) {
            record.SetOrigin(kWindowOrigin);
            later.push_back(touch);
            ++kept;
            continue;
        }
        ApplyRecord(record, false);
        drop[i] = 1;
    }
    // Out of the list first, as DropRedo does, then freed with recording off.
    std::vector<std::unique_ptr<SgUndoInfo>> staying;
    std::vector<std::unique_ptr<SgUndoInfo>> dropped;
    int cursor = -1;
    for (int i = 0; i < count; ++i) {
        if (drop[i]) {
            dropped.push_back(std::move(m_undo[i]));
            continue;
        }
        staying.push_back(std::move(m_undo[i]));
        if (i <= m_iUndoCursor)
            cursor = static_cast<int>(staying.size()) - 1;
    }
    m_undo = std::move(staying);
    m_iUndoCursor = cursor;
    {
        SgUndoRecordingPause pause(this);
        dropped.clear();
    }
    TrimUndo();
    return kept;
}

bool SgDocument::JoinOrigin(int origin)
{
    const int applied = std::min(m_iUndoCursor + 1, static_cast<int>(m_undo.size()));
    int first = -1;
    for (int i = 0; i < applied && first < 0; ++i)
        if (m_undo[i]->GetOrigin() == origin)
            first = i;
    // Moving the origin's records after the others' is sound only when no
    // later record of another origin touches what one of them touches.
    bool commute = true;
    if (first >= 0) {
        std::vector<UndoOriginTouch> later;
        for (int i = applied - 1; i >= first && commute; --i) {
            const UndoOriginTouch touch = UndoOriginTouchOf(*m_undo[i]);
            if (m_undo[i]->GetOrigin() != origin)
                later.push_back(touch);
            else
                commute = !UndoOriginClashesWithAny(touch, later);
        }
        if (commute)
            std::stable_partition(m_undo.begin() + first, m_undo.begin() + applied,
                                  [origin](const std::unique_ptr<SgUndoInfo> &record) {
                                      return record->GetOrigin() != origin;
                                  });
    }
    const int keyPoint = ++m_iKeyPointCounter;
    for (const std::unique_ptr<SgUndoInfo> &record : m_undo)
        if (record->GetOrigin() == origin) {
            record->SetKeyPoint(keyPoint);
            record->SetOrigin(kWindowOrigin);
        }
    TrimUndo();
    return commute;
}
