#include "solids/modifiers/SgModifierClasses.h"

#include <algorithm>
#include <vector>

#include "engine/core/SgModifierStack.h"
#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/modifiers/SgFFDBoxModifier.h"
#include "solids/modifiers/SgMeltModifier.h"
#include "solids/modifiers/SgObjSpaceModifier.h"
#include "solids/modifiers/SgPathModifier.h"
#include "solids/modifiers/SgSimplifyModifier.h"
#include "solids/modifiers/SgSliceModifier.h"
#include "solids/modifiers/SgSmoothMeshModifier.h"
#include "solids/modifiers/SgTriangulateModifier.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "solids/modifiers/SgWaveModifier.h"
#include "solids/surfaces/SgConform.h"
#include "solids/surfaces/SgConformAction.h"
#include "solids/surfaces/SgElevation.h"

void SgModifierClasses::RegisterNodeClasses()
{
    SgSimplifyModifier::InitClass();
    SgSmoothMeshModifier::InitClass();
    SgObjSpaceModifier::InitClass();
    SgDeformModifier::InitClass();
    SgSliceModifier::InitClass();
    SgTriangulateModifier::InitClass();
    SgMeltModifier::InitClass();
    SgFFDBoxModifier::InitClass();
    SgWaveModifier::InitClass();
    SgTwistModifier::InitClass();
    SgBendModifier::InitClass();
    SgPathModifier::InitClass();
    SgElevation::InitClass();
    SgConform::InitClass();
}

void SgModifierClasses::InitActions()
{
    SgConform::InitActions();
}

void SgModifierClasses::RegisterActionClasses()
{
    SgConformAction::InitClass();
}

namespace {

using solvane::GmGeom;
using solvane::GmNode;

GmGeom *GeomOf(SgShape *shape)
{
    return static_cast<SgSolvane *>(shape)->GetGeom();
}

bool IsSolid(SgShape *shape)
{
    return shape && shape->GetClassID() == SgSolvane::ClassID();
}

void SolidPoints(SgShape *shape, std::vector<Vec3> &out)
{
    out.clear();
    if (GmGeom *geom = GeomOf(shape)) {
        for (GmNode *node : geom->liveNodes())
            out.push_back(node->position);
    }
}

SgShape *CopySolid(SgShape *shape)
{
    GmGeom *geom = GeomOf(shape);
    return new SgSolvane(geom ? new GmGeom(*geom, true) : nullptr);
}

void MoveSolid(SgShape *shape, const Vec3 *points, int count)
{
    GmGeom *geom = GeomOf(shape);
    if (!geom)
        return;
    const std::vector<GmNode *> nodes = geom->liveNodes();
    const int n = std::min(count, int(nodes.size()));
    for (int i = 0; i < n; ++i)
        geom->set_position(nodes[size_t(i)], points[i]);
    // Planes, areas and the box follow the moved nodes.
    geom->update();
    geom->compute_bbox();
}

} // namespace

void SgModifierClasses::InstallHooks()
{
    SgDeformModifier::SolidAccess access;
    access.isSolid = &IsSolid;
    access.points = &SolidPoints;
    access.copy = &CopySolid;
    access.move = &MoveSolid;
    SgDeformModifier::SetSolidAccess(access);
    SgModifierStack::m_procLastDeformed = &SgDeformModifier::ProcessLastDeforemd;
}
