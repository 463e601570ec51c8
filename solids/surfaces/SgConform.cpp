#include "solids/surfaces/SgConform.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/actions/SgScanAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/render/SgWinAlignedRenderAction.h"
#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/surfaces/SgConformAction.h"
#include "solids/surfaces/SgElevation.h"

SG_CLASS_SOURCE(SgConform, SgGeometricShape, SgFieldMngr, "SgConform")

SgConform::SgConform()
{
    AddField(m_projectionType, "projectionType", 0);
    AddField(m_standoffDist, "standoffDist", 1.0f);
    AddField(m_defaultDist, "defaultDist", 0.0f);
    AddField(m_tolerance, "tolerance", 0.03f);
    AddField(m_gausSigma, "gausSigma", 0.1f);
    AddField(m_gridCellSize, "gridCellSize", 0.1f);
    AddField(m_sampleRange, "sampleRange", 1.5f);
}

double SgConform::ElevationCellSize(double width, double height, double gridCellSize)
{
    if (!(gridCellSize > 0.0))
        return 1.0;
    const double cells = std::max(width / gridCellSize, height / gridCellSize);
    return cells > 0.0 ? 1.0 / cells : 1.0;
}

void SgConform::VisitScan(SgAction *action, SgNode *node)
{
    if (SgSeparator *separator = static_cast<SgConform *>(node)->GetSeparator())
        action->Traverse(separator);
}

void SgConform::VisitWinAlignedRender(SgAction *action, SgNode *node)
{
    auto *conform = static_cast<SgConform *>(node);
    const bool exploded = conform->IsExploded();
    conform->SetExploded(true);
    conform->DoAction(action);
    conform->SetExploded(exploded);
}

void SgConform::InitActions()
{
    SgAction::SetVisitor(SgScanAction::s_pfnMethodsMap, ClassID(), VisitScan);
    SgAction::SetVisitor(SgWinAlignedRenderAction::s_pfnMethodsMap, ClassID(), VisitWinAlignedRender);
}

void SgConform::NotifyFathers(SgNode *from)
{
    if (from && from == GetSeparator())
        ClearResultCache();
    SgGeometricShape::NotifyFathers(from);
}

void SgConform::DoAction(SgAction *action)
{
    if (!action)
        return;
    SgState *state = action->GetState();
    if (IsExploded()) {
        action->PushState();
        SgModifierStack empty;
        ModifierStackElement::Reset(state, this, empty);
        if (SgSeparator *separator = GetSeparator())
            separator->SgGroup::DoAction(action);
        action->PopState();
        return;
    }
    if (!GetResultCache()) {
        SgConformAction conform;
        conform.Apply(this);
    }
    TraverseShapeResult(action, this);
}

void SgConform::Build(SgConformAction *action)
{
    if (GetResultCache())
        return;
    SgSeparator *separator = GetSeparator();
    if (!separator || separator->GetNumChildren() < 2)
        return;
    SgState *state = action->GetState();
    action->PushState();
    TransformElementReset(state, this);
    action->m_pLastShape = nullptr;
    action->Traverse(separator->GetChild(0));
    SgShape *planeShape = action->m_pLastShape;
    const Mat4 planeMatrix = action->m_lastMatrix;
    action->m_pLastShape = nullptr;
    action->Traverse(separator->GetChild(1));
    SgShape *pointShape = action->m_pLastShape;
    const Mat4 pointMatrix = action->m_lastMatrix;
    SgVecField<Vec3, 7> *coordinates = action->m_pLastPoints;
    action->PopState();
    if (!planeShape || !planeShape->IsDerivedFrom(SgPlane::ClassID()) || !pointShape ||
        !pointShape->IsDerivedFrom(SgPointSet::ClassID()))
        return;
    auto *plane = static_cast<SgPlane *>(planeShape);
    auto *points = static_cast<SgPointSet *>(pointShape);

    // The points in the plane's frame.
    Mat4 planeInverse;
    try {
        planeInverse = planeMatrix.Inverse();
    } catch (const std::exception &) {
        return;
    }
    const Mat4 toPlane = planeInverse * pointMatrix;

    const double width = plane->m_width.Get(true), height = plane->m_height.Get(true);
    SgRef<SgElevation> elevation(new SgElevation);
    elevation->m_width.Set(width);
    elevation->m_height.Set(height);
    elevation->m_tolerance.Set(double(m_tolerance.Get(true)));
    elevation->m_cellSize.Set(ElevationCellSize(width, height, m_gridCellSize.Get(true)));
    elevation->m_gausSigma.Set(double(m_gausSigma.Get(true)));
    elevation->CreateAdaptiveGrid(action);
    elevation->InitSample();

    const int n = coordinates ? coordinates->GetCount() : 0;
    const int first = std::max(points->m_startIndex.Get(true), 0);
    const int count = points->m_numPoints.Get(true) >= 0 ? points->m_numPoints.Get(true) : n - first;
    const int last = std::min(first + std::max(count, 0), n);
    const double range = m_sampleRange.Get(true);
    for (int i = first; i < last; ++i) {
        const Vec3 q = toPlane.MultPoint(coordinates->GetValues()[size_t(i)]);
        if (std::fabs(q.z) <= range)
            elevation->AddPointToGrid(q);
    }
    elevation->SampleGrid();
    std::unique_ptr<solvane::GmGeom> surface(elevation->Tesselate());
    if (!surface)
        return;
    // The grid was built in the plane's frame.
    Mat3 linear;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            linear[r][c] = planeMatrix[r][c];
    const Vec3 translation(planeMatrix[0][3], planeMatrix[1][3], planeMatrix[2][3]);
    surface->transform(linear, &translation);
    SetResultCache(new SgSolvane(surface.release()), nullptr);
}
