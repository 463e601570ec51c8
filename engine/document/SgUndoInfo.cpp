#include "engine/document/SgUndoInfo.h"

#include "engine/core/SgField.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgNode.h"
#include "engine/document/SgDocument.h"

SgUndoInfo::SgUndoInfo(Type, SgField *field, void *before, void *after, ReleaseFn release)
    : m_type(kField), m_pField(field), m_pBefore(before), m_pAfter(after), m_release(std::move(release))
{
}

SgUndoInfo::SgUndoInfo(int operation, SgNode *group, SgNode *child, SgNode *previousSibling)
    : m_type(kChildList), m_iOperation(operation), m_pGroup(group), m_pChild(child), m_pPrevious(previousSibling)
{
    if (m_pChild)
        m_pChild->AddRef();
}

SgUndoInfo::~SgUndoInfo()
{
    if (m_type == kField) {
        if (m_release) {
            if (m_pAfter)
                m_release(m_pAfter);
            if (m_pBefore)
                m_release(m_pBefore);
        }
        return;
    }
    if (!m_pChild)
        return;
    if (m_iOperation == kChildDeleted) {
        // A deleted child that dies with its record must not record its own end.
        m_pChild->DisableUndo();
        if (SgFieldMngr::Release(m_pChild) > 0)
            m_pChild->EnableUndo();
    } else {
        SgFieldMngr::Release(m_pChild);
    }
}

void SgUndoInfo::TakeAfter(SgUndoInfo &other)
{
    if (m_pAfter && m_release)
        m_release(m_pAfter);
    m_pAfter = other.m_pAfter;
    other.m_pAfter = nullptr;
}

void SgUndoInfo::Undo()
{
    if (m_type == kField) {
        if (m_pField && m_pBefore)
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
    if (m_type == kField) {
        if (m_pField && m_pAfter)
            m_pField->SetValuePtr(m_pAfter, -1, false, false);
        return;
    }
    if (m_iOperation == kChildAdded)
        RelinkChild();
    else
        UnlinkChild();
}

namespace {
// Replaying a record must not record it again: recording pauses meanwhile.
class RecordingPause {
public:
    explicit RecordingPause(SgDocument *document)
        : m_pDocument(document), m_bWasRecording(document && document->IsUndoRecording())
    {
        if (m_pDocument)
            m_pDocument->SetUndoRecording(false);
    }
    ~RecordingPause()
    {
        if (m_pDocument)
            m_pDocument->SetUndoRecording(m_bWasRecording);
    }
    RecordingPause(const RecordingPause &) = delete;
    RecordingPause &operator=(const RecordingPause &) = delete;

private:
    SgDocument *m_pDocument;
    bool m_bWasRecording;
};

SgGroup *AsGroup(SgNode *node)
{
    return node && node->IsDerivedFrom(SgGroup::ClassID()) ? static_cast<SgGroup *>(node) : nullptr;
}
} // namespace

void SgUndoInfo::RelinkChild()
{
    SgGroup *group = AsGroup(m_pGroup);
    if (!group || !m_pChild)
        return;
    RecordingPause pause(group->GetDocument());
    // The child goes back right after the node that preceded it, or in front.
    if (m_pPrevious && group->GetPosition(m_pPrevious) >= 0)
        group->SgGroup::AddChildAfter(m_pChild, m_pPrevious);
    else
        group->SgGroup::AddChildBefore(m_pChild, nullptr);
}

void SgUndoInfo::UnlinkChild()
{
    SgGroup *group = AsGroup(m_pGroup);
    if (!group || !m_pChild)
        return;
    RecordingPause pause(group->GetDocument());
    group->SgGroup::DeleteChild(m_pChild);
}
