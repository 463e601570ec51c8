#include "engine/actions/SgFindAction.h"

#include <cstring>

#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgGeometricShape.h"

SG_ACTION_SOURCE(SgFindAction, "SgFindAction")

bool FindNodeByClassID::Match(SgNode *node)
{
    return node && node->GetClassID() == m_iClassID;
}

SgNode *FindNodeByClassID::Lookup(int classId, SgNode *root)
{
    FindNodeByClassID match(classId);
    SgFindAction find(&match);
    find.Apply(root);
    return find.m_Found.empty() ? nullptr : find.m_Found.front();
}

bool FindNodeByName::Match(SgNode *node)
{
    if (!node)
        return false;
    if (node->GetName() == m_name)
        return true;
    // Class names carry a two-letter prefix that users do not write.
    const char *className = node->GetClassName();
    return className && std::strlen(className) >= 2 && m_name == className + 2;
}

SgNode *FindNodeByName::Lookup(const char *name, SgNode *root)
{
    FindNodeByName match(name);
    SgFindAction find(&match);
    find.Apply(root);
    return find.m_Found.empty() ? nullptr : find.m_Found.front();
}

void SgFindAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNode);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitGroup);
    SetVisitor(s_pfnMethodsMap, SgGeometricShape::ClassID(), VisitGeometricShape);
    BuildVisitorsMap_(s_iClassID);
}

bool SgFindAction::Apply(SgNode *node)
{
    m_nTerminate = 0;
    if (GetCurrentPath().IsEmpty())
        m_searched.clear();
    return SgAction::Apply(node);
}

bool SgFindAction::SearchedBefore(SgNode *node)
{
    return m_bFirstOnly && !m_searched.insert(node).second;
}

void SgFindAction::Test(SgNode *node)
{
    if (!m_pFunc || !m_pFunc->Match(node))
        return;
    m_Found.push_back(node);
    m_FoundPaths.push_back(m_CurrentPath);
    if (m_bFirstOnly)
        m_nTerminate = 1;
}

void SgFindAction::VisitNode(SgAction *action, SgNode *node)
{
    static_cast<SgFindAction *>(action)->Test(node);
}

void SgFindAction::VisitGroup(SgAction *action, SgNode *node)
{
    auto *find = static_cast<SgFindAction *>(action);
    if (find->SearchedBefore(node))
        return;
    find->Test(node);
    if (!action->m_nTerminate)
        node->DoAction(action);
}

void SgFindAction::VisitGeometricShape(SgAction *action, SgNode *node)
{
    auto *find = static_cast<SgFindAction *>(action);
    if (find->SearchedBefore(node))
        return;
    find->Test(node);
    if (action->m_nTerminate)
        return;
    // Paths to operands and profiles run through the internal separator.
    if (SgSeparator *inner = static_cast<SgGeometricShape *>(node)->GetSeparator()) {
        action->m_CurrentPath.Append(inner);
        inner->DoAction(action);
        action->m_CurrentPath.DeleteLast();
    }
}
