#include "engine/core/SgApplyAction.h"

#include "engine/core/SgGroup.h"
#include "engine/core/SgTField.h"

SG_ACTION_SOURCE(SgApplyAction, "SgApplyAction")

void SgApplyAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNode);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitGroup);
    // Procedural shapes are registered by the geometry library when it is
    // part of the build; without them the entry has nothing to cover.
    if (const int shapeId = SgFieldMngr::GetClassIDFromName("SgGeometricShape"))
        SetVisitor(s_pfnMethodsMap, shapeId, VisitGeometricShape);
    BuildVisitorsMap_(s_iClassID);
}

void SgApplyAction::VisitNode(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgApplyAction *>(action);
    if (!self->m_pfnApply)
        return;
    for (SgNode *referenced : node->ReferencedNodes(false))
        self->m_pfnApply(action, referenced, self->m_pUserData);
    self->m_pfnApply(action, node, self->m_pUserData);
}

void SgApplyAction::VisitGroup(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgApplyAction *>(action);
    auto *group = static_cast<SgGroup *>(node);
    if (self->m_pfnApply) {
        const bool held = group->StillOnPath(action);
        SgTraversalHold hold(group);
        self->m_pfnApply(action, node, self->m_pUserData);
        // A group the function took out of the graph is not entered.
        if (held && !group->StillOnPath(action))
            return;
    }
    node->DoAction(action);
}

void SgApplyAction::VisitGeometricShape(SgAction *action, SgNode *node)
{
    if (!action->m_bVisitShapeSeparators)
        return;
    // Operands and profiles first, on a path through the internal separator
    // as every path to them runs; then the shape itself.
    if (SgGroup *inner = node->GetHeldGroup()) {
        SgTraversalHold hold(inner);
        action->m_CurrentPath.Append(inner);
        inner->DoAction(action);
        action->m_CurrentPath.DeleteLast();
        if (action->m_nTerminate)
            return;
    }
    VisitNode(action, node);
}
