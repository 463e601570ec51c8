#include "tests/engine/core/StateTestSupport.h"

#include "tests/engine/core/TestNodes.h"

int CountedValue::s_live = 0;

template <>
const char *const CountedElement::s_lpszClassName = "StateTestCountedElement";
template <>
CountedValue CountedElement::s_DefaultValue{};
template <>
int CountedElement::s_iClassID = 0;

SG_ACTION_SOURCE(StateTestAction, "StateTestAction")
SG_ACTION_SOURCE(NoElementsAction, "NoElementsAction")
SG_CLASS_SOURCE(StateTestNode, SgNode, SgFieldMngr, "StateTestNode")

void StateTestAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<DrawStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<CreaseAngleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureCenterElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<DiffuseColorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontNameElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureCoordsElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureFuncTransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<AlphaBlendElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<DrawOverElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<CountedElement>(s_aiEnabledElements, s_iEnabledCount);
}

void NoElementsAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
}

void InitStateTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    InitTestClasses();
    CountedElement::InitClass();
    StateTestNode::InitClass();
    StateTestAction::InitClass();
    NoElementsAction::InitClass();
}
