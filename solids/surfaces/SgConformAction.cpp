#include "solids/surfaces/SgConformAction.h"

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "solids/surfaces/SgConform.h"

SG_ACTION_SOURCE(SgConformAction, "SgConformAction")

void SgConformAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNothing);
    SetVisitor(table, SgShape::ClassID(), VisitShape);
    SetVisitor(table, SgPointSet::ClassID(), VisitPointSet);
    SetVisitor(table, SgConform::ClassID(), VisitConform);
    SetVisitor(table, SgGroup::ClassID(), VisitDefault);
    SetVisitor(table, SgSeparator::ClassID(), VisitDefault);
    SetVisitor(table, SgTransform::ClassID(), VisitDefault);
    SetVisitor(table, SgShapeHints::ClassID(), VisitDefault);
    SetVisitor(table, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(table, SgFont::ClassID(), VisitDefault);
    SetVisitor(table, SgFormat::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableShapeBuildElements(list, count);
}

SgConformAction::SgConformAction()
{
    InitState();
}

void SgConformAction::VisitShape(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgConformAction *>(action);
    self->m_pLastShape = static_cast<SgShape *>(node);
    self->m_lastMatrix = GetActionTransform(action);
    self->m_pLastPoints = nullptr;
}

void SgConformAction::VisitPointSet(SgAction *action, SgNode *node)
{
    VisitShape(action, node);
    static_cast<SgConformAction *>(action)->m_pLastPoints = PointElement::Get(action->GetState());
}

void SgConformAction::VisitConform(SgAction *action, SgNode *node)
{
    static_cast<SgConform *>(node)->Build(static_cast<SgConformAction *>(action));
}
