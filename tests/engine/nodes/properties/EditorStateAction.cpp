#include "tests/engine/nodes/properties/EditorStateAction.h"

#include "engine/core/SgElementClasses.h"
#include "tests/engine/core/StateTestSupport.h"

SG_ACTION_SOURCE(EditorStateAction, "EditorStateAction")

void EditorStateAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<SelcctionBehaviorElement>(s_aiEnabledElements, s_iEnabledCount);
}

void InitEditorStateTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    InitStateTestClasses();
    EditorStateAction::InitClass();
}
