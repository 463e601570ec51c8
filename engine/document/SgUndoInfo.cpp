#include "engine/document/SgUndoInfo.h"

#include "engine/core/SgField.h"
#include "engine/core/SgNode.h"

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
    if (m_type == kField && m_pField && m_pBefore)
        m_pField->SetValuePtr(m_pBefore, -1, false, false);
}

void SgUndoInfo::Redo()
{
    if (m_type == kField && m_pField && m_pAfter)
        m_pField->SetValuePtr(m_pAfter, -1, false, false);
}
