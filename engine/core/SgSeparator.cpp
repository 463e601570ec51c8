#include "engine/core/SgSeparator.h"
#include "engine/core/SgShape.h"

#include "engine/core/SgAction.h"

SG_CLASS_SOURCE(SgSeparator, SgGroup, SgFieldMngr, "SgSeparator")

void SgSeparator::DoAction(SgAction *action)
{
    // Balanced on the normal path; when a traversal fails below, Apply pops
    // back to the depth it started at.
    action->PushState();
    SgGroup::DoAction(action);
    action->PopState();
}

void SgSeparator::Refresh(int code)
{
    SgGroup::Refresh(code);
    ClearAllCaches();
}

SgNode *SgSeparator::FindRealObject() const
{
    if (!m_bObject)
        return nullptr;
    const int shapeId = SgShape::ClassID();
    for (SgNode *child : GetChildList()) {
        if (child->GetClassID() == ClassID() || (shapeId && child->IsDerivedFrom(shapeId)))
            return child;
    }
    return nullptr;
}

bool SgSeparator::AddPropertyNode(SgNode *node, bool)
{
    return AddChildAfterTransform(node);
}

bool SgSeparator::AddPropertyNodeAfter(SgNode *node, SgNode *sibling)
{
    return AddChildAfter(node, sibling);
}

int SgSeparator::DeletePropertyNode(SgNode *node)
{
    return DeleteChild(node);
}

void SgSeparator::SetObjectsGroup(bool on)
{
    m_bObjectsGroup = on;
    if (on)
        m_bObject = true;
}
