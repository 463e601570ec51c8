#pragma once
// Drapes a surface over measured points: the internal separator holds a
// plane (first child) and a point set (second child); the points near the
// plane are gathered into a smoothed height grid over the plane's rectangle,
// tessellated adaptively and placed on the plane as the shape's result. With
// the exploded flag the plane and the points themselves are shown.
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "solids/SolvaneExport.h"

class SgConformAction;

class SOLVANE_API SgConform : public SgGeometricShape {
    SG_CLASS_HEADER(SgConform, SgFieldMngr)

    SgConform();

    void DoAction(SgAction *action) override;
    // A change of the plane or the points drops the result.
    void NotifyFathers(SgNode *from) override;

    // The build, run by the conform action on this node: the result stands
    // while one is cached; fewer than two children, or children of the
    // wrong kinds, leave the node without a new result.
    void Build(SgConformAction *action);

    // Its visitors of the engine's actions: the scan action walks the plane
    // and the points, the window-aligned drawing shows them (exploded).
    static void VisitScan(SgAction *action, SgNode *node);
    static void VisitWinAlignedRender(SgAction *action, SgNode *node);
    static void InitActions();

    // The elevation "cellSize" for a plane of this width and height: the
    // wanted cell size as a fraction of the larger side.
    static double ElevationCellSize(double width, double height, double gridCellSize);

    SgFInt m_projectionType;
    SgFFloat m_standoffDist;
    SgFFloat m_defaultDist;
    SgFFloat m_tolerance;
    SgFFloat m_gausSigma;
    SgFFloat m_gridCellSize;
    SgFFloat m_sampleRange;

protected:
    ~SgConform() override = default;
};
