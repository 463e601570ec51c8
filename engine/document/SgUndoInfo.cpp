#include "engine/document/SgUndoInfo.h"

#include "engine/core/SgField.h"
#include "engine/core/SgFieldChange.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgNode.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/document/SgDocument.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {
// A reference is only taken on an object whose lifetime is already counted:
// adding the first reference to an uncounted one would make the record its
// owner and free an object whose maker has yet to hand it to a parent.
template <class T>
SgRef<T> KeepIfCounted(T *object)
{
    return object && object->GetRefCount() > 0 ? SgRef<T>(object) : SgRef<T>();
}

SgGroup *AsGroup(SgNode *node)
{
    return node && node->IsGroup() ? static_cast<SgGroup *>(node) : nullptr;
}

SgObject *AsObject(SgNode *node)
{
    return node && node->IsDerivedFrom(SgObject::ClassID()) ? static_cast<SgObject *>(node) : nullptr;
}
} // namespace

SgUndoInfo::SgUndoInfo(Type, SgField *field, void *before, void *after, ReleaseFn release)
    : m_type(kField), m_pField(field), m_pBefore(before), m_pAfter(after), m_release(std::move(release))
{
    if (m_pField)
        m_keepContainer = KeepIfCounted(m_pField->GetContainer());
}

SgUndoInfo::SgUndoInfo(SgField *field, std::unique_ptr<SgFieldChange> change)
    : m_type(kField), m_pField(field), m_pChange(std::move(change))
{
    if (m_pField)
        m_keepContainer = KeepIfCounted(m_pField->GetContainer());
}

SgUndoInfo::SgUndoInfo(int operation, SgNode *group, SgNode *child, SgNode *previousSibling)
    : m_type(kChildList), m_iOperation(operation), m_pGroup(group), m_pChild(child), m_pPrevious(previousSibling),
      m_keepGroup(KeepIfCounted(group)), m_keepPrevious(KeepIfCounted(previousSibling))
{
    if (const SgGroup *list = AsGroup(group))
        m_iIndex = previousSibling ? list->IndexOf(previousSibling) + 1 : 0;
}

SgUndoInfo::SgUndoInfo(SgFieldMngr *subject, ApplyFn apply)
    : m_type(kAction), m_keepSubject(KeepIfCounted(subject)), m_apply(std::move(apply))
{
}

SgUndoInfo::~SgUndoInfo()
{
    if (m_type == kAction)
        return;
    if (m_type == kField) {
        Free(m_pAfter);
        Free(m_pBefore);
        // A change may hold node elements: they go while the field's node is kept.
        m_pChange.reset();
        return;
    }
    if (!m_pChild)
        return;
    if (m_iOperation == kChildDeleted) {
        // A deleted child that dies with its record must not record its own end.
        SgNode *child = m_pChild.get();
        const bool survives = child->GetRefCount() > 1;
        child->DisableUndo();
        m_pChild.reset();
        if (survives)
            child->EnableUndo();
    } else {
        m_pChild.reset();
    }
}

void SgUndoInfo::Free(void *&buffer)
{
    if (buffer && m_release)
        m_release(buffer);
    // Without a release function the buffer's type is unknown here; the
    // object model always gives one, so nothing else is freed blindly.
    buffer = nullptr;
}

void SgUndoInfo::TakeAfter(SgUndoInfo &other)
{
    if (&other == this || other.m_pAfter == m_pAfter || !HoldsWholeValues() || !other.HoldsWholeValues())
        return;
    Free(m_pAfter);
    m_pAfter = other.m_pAfter;
    other.m_pAfter = nullptr;
    // The buffer now freed here must be freed the way its maker said.
    if (!m_release)
        m_release = other.m_release;
}

std::size_t SgUndoInfo::GetHeldBytes() const
{
    if (m_type != kField)
        return 0;
    if (m_pChange)
        return m_pChange->HeldBytes();
    return m_pField ? m_pField->UndoBufferBytes(m_pBefore) + m_pField->UndoBufferBytes(m_pAfter) : 0;
}

void SgUndoInfo::Undo()
{
    if (m_type == kAction) {
        if (m_apply)
            m_apply(false);
        return;
    }
    if (m_type == kField) {
        if (m_pField && m_pChange)
            m_pChange->Apply(*m_pField, false);
        else if (m_pField && m_pBefore)
            m_pField->SetValuePtr(m_pBefore, -1, false, false);
        return;
    }
    if (m_iOperation == kChildAdded)
        UnlinkChild();
    else
        RelinkChild();
}

void SgUndoInfo::Redo()
{
    if (m_type == kAction) {
        if (m_apply)
            m_apply(true);
        return;
    }
    if (m_type == kField) {
        if (m_pField && m_pChange)
            m_pChange->Apply(*m_pField, true);
        else if (m_pField && m_pAfter)
            m_pField->SetValuePtr(m_pAfter, -1, false, false);
        return;
    }
    if (m_iOperation == kChildAdded)
        RelinkChild();
    else
        UnlinkChild();
}

// Both directions work on the very group that recorded the change, through the
// group's own list operations, so that an object's redirection of new children
// into its inner group cannot send the child somewhere else on replay.
void SgUndoInfo::RelinkChild()
{
    SgGroup *group = AsGroup(m_pGroup);
    if (!group || !m_pChild || group->IndexOf(m_pChild) >= 0)
        return;
    SgUndoRecordingPause pause(group->GetDocument());
    const std::vector<SgNode *> &children = group->GetChildList();
    if (m_pPrevious && group->IndexOf(m_pPrevious) >= 0)
        group->SgGroup::AddChildAfter(m_pChild, m_pPrevious);
    else if (m_pPrevious && m_iIndex >= static_cast<int>(children.size()))
        group->SgGroup::AddChildAfter(m_pChild, nullptr);
    else if (m_pPrevious && m_iIndex > 0)
        group->SgGroup::AddChildBefore(m_pChild, children[static_cast<size_t>(m_iIndex)]);
    else
        group->SgGroup::AddChildBefore(m_pChild, nullptr);
    // An object keeps a pointer to its transform; a transform put back takes
    // that place again so the object does not make a second one.
    SgObject *object = AsObject(m_pGroup);
    if (object && !object->GetTransform(false) && m_pChild->GetClassID() == SgTransform::ClassID())
        object->SetTransform(static_cast<SgTransform *>(m_pChild.get()));
}

void SgUndoInfo::UnlinkChild()
{
    SgGroup *group = AsGroup(m_pGroup);
    if (!group || !m_pChild)
        return;
    SgUndoRecordingPause pause(group->GetDocument());
    // An object forgets its pointers to a property node it loses.
    if (SgObject *object = AsObject(m_pGroup))
        object->DeletePropertyNode(m_pChild);
    else
        group->SgGroup::DeleteChild(m_pChild);
}
