#include "tests/engine/actions/ActionTestNodes.h"

#include "tests/engine/core/TestNodes.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"

SG_ACTION_SOURCE(LoggingAction, "LoggingAction")
SG_CLASS_SOURCE(PropNode, SgNode, SgFieldMngr, "PropNode")
SG_CLASS_SOURCE(LeafNode, SgNode, SgFieldMngr, "LeafNode")
SG_CLASS_SOURCE(ProbeNode, LeafNode, SgFieldMngr, "ProbeNode")
SG_CLASS_SOURCE(BaseProbe, SgNode, SgFieldMngr, "BaseProbe")
SG_CLASS_SOURCE(DerivedProbe, BaseProbe, SgFieldMngr, "DerivedProbe")
SG_CLASS_SOURCE(LateProbe, DerivedProbe, SgFieldMngr, "LateProbe")
SG_CLASS_SOURCE(TestObject, SgSeparator, SgFieldMngr, "TestObject")
SG_CLASS_SOURCE(ShapeLeaf, LeafNode, SgFieldMngr, "ShapeLeaf")

void LoggingAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitLogged);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<DrawStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
}

void LoggingAction::VisitLogged(SgAction *action, SgNode *node)
{
    auto *self = static_cast<LoggingAction *>(action);
    self->m_names.push_back(node->GetName());
    self->m_codes.push_back(action->GetPathCode());
    if (!self->m_leaveAt.empty() && node->GetName() == self->m_leaveAt)
        action->m_bLeaveSeparator = true;
    node->DoAction(action);
    if (!self->m_terminateAt.empty() && node->GetName() == self->m_terminateAt)
        action->m_nTerminate = 1;
}

std::string LoggingAction::Visited(bool withCodes) const
{
    std::string text;
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (!text.empty())
            text += ' ';
        text += m_names[i];
        if (withCodes)
            text += ':' + std::to_string(m_codes[i]);
    }
    return text;
}

PropNode::PropNode()
{
    AddField(m_style, "style", 0);
    AddField(m_moveX, "moveX", 0.0);
}

void PropNode::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    DrawStyleElement::Set(state, this, m_style.Get());
    if (m_moveX.Get() != 0.0) {
        Mat4 move;
        move.Set(0, 3, m_moveX.Get());
        TransformElement::Set(state, this, move);
    }
}

void ProbeNode::DoAction(SgAction *action)
{
    ++m_visits;
    SgState *state = action->GetState();
    if (const int *style = DrawStyleElement::Get(state))
        m_seenStyle = *style;
    m_seenX = TransformElement::Get(state).Get(0, 3);
}

TestObject::TestObject()
{
    AddField(m_link, "link", 0);
    AddField(m_selectMode, "selectMode", 1);
    SetObject(true);
}

void InitActionTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    InitTestClasses();
    PropNode::InitClass();
    LeafNode::InitClass();
    ProbeNode::InitClass();
    BaseProbe::InitClass();
    DerivedProbe::InitClass();
    TestObject::InitClass();
    ShapeLeaf::InitClass();
    LoggingAction::InitClass();
    // The classes above came after the engine's start-up built its tables.
    SgAction::ReBuildVisitorsMaps();
}
