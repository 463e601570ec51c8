#include "tests/dialogs/SplineSceneNodes.h"

#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"

SG_CLASS_SOURCE(SgSplineParamsTest, SgNode, SgFieldMngr, "SgSplineParamsTest")
SG_CLASS_SOURCE(SgSplineLenTest, SgNode, SgFieldMngr, "SgSplineLenTest")

SgSplineParamsTest::SgSplineParamsTest()
{
    AddField(av, "av", 0.2);
    AddField(bv, "bv", 0.7);
    AddField(c, "c", 2.0);
    AddField(d, "d", 0.0);
}

SgSplineLenTest::SgSplineLenTest()
{
    AddField(a, "a", 50.0);
}

void RegisterSplineSceneNodes()
{
    SgNodara::Init();
    static const bool registered = [] {
        SgSplineParamsTest::InitClass();
        SgSplineLenTest::InitClass();
        // Classes registered after the start-up take their visitors from their parents.
        SgAction::ReBuildVisitorsMaps();
        return true;
    }();
    (void)registered;
}
