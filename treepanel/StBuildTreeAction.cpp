#include "treepanel/StBuildTreeAction.h"

#include "engine/core/SgGroup.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "treepanel/CArbeloCtrl.h"

SG_ACTION_SOURCE(StBuildTreeAction, "StBuildTreeAction")

void StBuildTreeAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    // Groups, shapes and parametric objects build their contents on
    // expansion like every node; only a group that stands for its object
    // (below) differs.
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNode);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitGroup);
    BuildVisitorsMap_(s_iClassID);
}

void StBuildTreeAction::VisitNode(SgAction *action, SgNode *node)
{
    auto *self = static_cast<StBuildTreeAction *>(action);
    if (!self->m_pTree || !node)
        return;
    self->m_pTree->AddNodeItem(self->m_parent, node, std::string());
}

void StBuildTreeAction::VisitGroup(SgAction *action, SgNode *node)
{
    auto *self = static_cast<StBuildTreeAction *>(action);
    if (!self->m_pTree || !node)
        return;
    // The separator inside an object is the object's body: its fields and
    // children show under the object's own item.
    const auto &fathers = node->GetFatherList();
    if (node->IsSeparator() && fathers.size() == 1 && fathers.front()->IsObject() && !self->m_bShowPointers) {
        self->BuildContents(node, self->m_parent);
        return;
    }
    self->m_pTree->AddNodeItem(self->m_parent, node, std::string());
}

void StBuildTreeAction::BuildContents(SgNode *node, StItem item)
{
    if (!m_pTree || !node)
        return;
    const StItem saved = m_parent;
    m_parent = item;
    m_pTree->AddFieldItems(item, node);
    // Every child of a group, whichever a switch shows; a procedural shape's
    // parts through the separator it holds.
    SgGroup *group = node->IsGroup() ? static_cast<SgGroup *>(node) : node->GetHeldGroup();
    if (group)
        group->SgGroup::DoAction(this);
    m_parent = saved;
}
