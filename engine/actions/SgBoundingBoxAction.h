#pragma once
// Accumulates the axis-aligned box of everything it visits, in the
// coordinates of the node it is applied to (world coordinates from the
// root). Shapes hand in their local boxes or points through Extend; the
// transform element in force carries them into the action's frame.
//
// A box is empty only when it is empty on every axis: a flat shape (say in
// the YZ plane) still has a box. The accumulated box keeps its own record of
// whether anything was added, so that a degenerate first contribution (an
// object scaled to nothing) is never overwritten by the next one.
#include "engine/core/SgAction.h"
#include "engine/core/SgPath.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgPathList;

class NODARA_API SgBoundingBoxAction : public SgAction {
    SG_ACTION_HEADER(SgBoundingBoxAction)
    SgActionKind GetKind() const override { return SgActionKind::kBoundingBox; }

    // What Extend(Vec3) adds to a first point so that the box has extent.
    static constexpr float kPointExtent = 0.0001f;
    // Half the thickness of a circle's box along z.
    static constexpr double kCircleHalfThickness = 0.001;

    SgBoundingBoxAction();
    ~SgBoundingBoxAction() override = default;

    // Adds a box in the coordinates of the node being visited; an empty box
    // adds nothing.
    void Extend(const Range<Vec3f> &box);
    // Adds a point in the coordinates of the node being visited.
    void Extend(const Vec3 &point);

    // For each path in order: push the state, ApplyToPath, pop. The box
    // accumulates over all paths. False when one of them failed.
    bool ApplyToPathList(const SgPathList &paths);

    // Whether anything was added since construction.
    bool HasBox() const { return m_bHasBox; }
    // Whether a box or point with a non-finite coordinate (from a field, a
    // transform or a caller) was left out since construction.
    bool HasSkippedNonFinite() const { return m_bSkippedNonFinite; }
    // Empty on every axis (minimum not below maximum on x, y and z alike).
    static bool IsEmptyBox(const Range<Vec3f> &box);

    // The box of what the path leads to, in the coordinates of the path's
    // first node (the world box when it starts at the scene root): the role
    // the handle-box tool's box query plays for object alignment. `hasBox`,
    // when given, tells whether anything was measured.
    static Range<Vec3f> CalcBoundingBox(const SgPath &path, bool *hasBox = nullptr);

    // Visitors.
    static void VisitShape(SgAction *action, SgNode *node);
    static void VisitTransform(SgAction *action, SgNode *node);
    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitCube(SgAction *action, SgNode *node);
    static void VisitCylinder(SgAction *action, SgNode *node);
    static void VisitCone(SgAction *action, SgNode *node);
    static void VisitSphere(SgAction *action, SgNode *node);
    static void VisitTorus(SgAction *action, SgNode *node);
    static void VisitTorusKnot(SgAction *action, SgNode *node);
    static void VisitCircle(SgAction *action, SgNode *node);
    static void VisitGenPolyLine(SgAction *action, SgNode *node);
    static void VisitPolyLine(SgAction *action, SgNode *node);
    static void VisitPointSet(SgAction *action, SgNode *node);
    static void VisitIndexedFaceSet(SgAction *action, SgNode *node);
    // A face set's box is that of its points as the modifiers in force moved them.
    static void VisitFaceSet(SgAction *action, SgNode *node);

    // The cache slot the action keeps for its results in separators.
    static int GetCacheSlot() { return s_iCacheSlot; }

    Range<Vec3f> m_Box;                   // all zero until something is added
    bool m_bLocalToTarget = false;        // transforms only at or below the target's end
    bool m_bIncludeLinked = false;        // measure linked objects inside the target branch
    bool m_bIncludeLinkedTarget = false;  // measure the target's own end even when linked
    bool m_bSelectableOnly = false;       // leave out objects whose "selectMode" is 0
    SgPath m_ExtraPath;                   // kept for callers

private:
    // Widens the accumulated box by a point already in the action's frame.
    void Add(const Vec3 &point);
    // Whether the visitor may measure the object at the end of the current path.
    bool MeasuresObject(SgNode *object);

    bool m_bHasBox = false;
    bool m_bSkippedNonFinite = false;

    static int s_iCacheSlot;
};
