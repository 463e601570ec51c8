#pragma once
// Runs a function over every node of a graph: groups first, then their
// children; for each other node first the nodes its node-pointer fields
// reference (not traversed further), then the node itself. A callback may set
// m_bLeaveSeparator to skip the rest of the enclosing separator. With
// m_bVisitShapeSeparators set, a procedural shape's internal separator is
// traversed (its operands and profiles) before the shape itself is called.
#include "engine/core/SgAction.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgApplyAction : public SgAction {
    SG_ACTION_HEADER(SgApplyAction)

    using ApplyFn = void (*)(SgAction *, SgNode *, void *);

    SgApplyAction() = default;
    SgApplyAction(ApplyFn apply, void *userData) : m_pfnApply(apply), m_pUserData(userData) {}

    static void VisitNode(SgAction *action, SgNode *node);
    static void VisitGroup(SgAction *action, SgNode *node);
    static void VisitGeometricShape(SgAction *action, SgNode *node);

    ApplyFn m_pfnApply = nullptr;
    void *m_pUserData = nullptr;
};
