#include "tests/engine/nodes/properties/PlacementTestSupport.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "engine/SgNodara.h"
#include "engine/core/SgElementClasses.h"

SG_ACTION_SOURCE(PlacementTestAction, "PlacementTestAction")
SG_CLASS_SOURCE(PlacementProbe, SgNode, SgFieldMngr, "PlacementProbe")

void PlacementTestAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<PointElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<NormalElement>(s_aiEnabledElements, s_iEnabledCount);
}

void PlacementProbe::DoAction(SgAction *action)
{
    ++m_visits;
    SgState *state = action->GetState();
    m_seenMatrix = TransformElement::Get(state);
    m_seenPoints = PointElement::Get(state);
    m_seenNormals = NormalElement::Get(state);
}

void InitPlacementTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    SgNodara::Init();
    PlacementProbe::InitClass();
    PlacementTestAction::InitClass();
    // The probe came after the engine's start-up built the tables.
    SgAction::ReBuildVisitorsMaps();
}

double MaxDifference(const Mat4 &a, const Mat4 &b)
{
    double worst = 0.0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            worst = std::max(worst, std::fabs(a.Get(r, c) - b.Get(r, c)));
    return worst;
}

std::string MatrixText(const Mat4 &m)
{
    std::ostringstream out;
    out << '[';
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            out << (c ? " " : "") << m.Get(r, c);
        out << (r < 3 ? "; " : "]");
    }
    return out.str();
}
