#include "tests/engine/nodes/properties/PropertyStateAction.h"

#include <gtest/gtest.h>

#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "tests/engine/core/StateTestSupport.h"

SG_ACTION_SOURCE(PropertyStateAction, "PropertyStateAction")

void PropertyStateAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<DiffuseColorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<SpecularColorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<AmbientColorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<EmissionColorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ShininessElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<AmbientElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<MaterialBindingElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<DrawStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<LinePaternElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<PointSizeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<LineWidthElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ShapeTypeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<OrderingElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FaceTypeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<CreaseAngleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<SmoothTypeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ImageElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureWrapSElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureWrapTElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureModelElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureSampleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureEnableElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureUnitElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TexPoint2Element>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureCoordsElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureFuncTypeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TextureFuncTransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontNameElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontSizeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontCharsetElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<NumberFormatElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<NumberFactorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<LayerFlagsElement>(s_aiEnabledElements, s_iEnabledCount);
}

void InitPropertyTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    InitStateTestClasses();
    PropertyStateAction::InitClass();
}

bool ProbeStateAfter(std::initializer_list<SgNode *> nodes, const std::function<void(SgState *)> &read)
{
    InitPropertyTestClasses();
    SgRef<SgGroup> root = new SgGroup;
    for (SgNode *node : nodes)
        root->AddChild(node);
    SgRef<StateTestNode> probe = new StateTestNode;
    bool reached = false;
    probe->m_visit = [&](SgAction *action, StateTestNode *) {
        reached = true;
        read(action->GetState());
    };
    root->AddChild(probe.get());
    PropertyStateAction action;
    const bool applied = action.Apply(root.get());
    EXPECT_TRUE(applied) << action.GetError();
    EXPECT_TRUE(reached) << "the probe after the nodes was not visited";
    return applied && reached;
}
