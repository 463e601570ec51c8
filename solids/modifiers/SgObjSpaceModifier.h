#pragma once
// Base of the modifiers that work in the space of a box-shaped gizmo placed
// on an object: the point deformers and the slice. The gizmo is a transform
// ("gizmoTransform") that places the box of edge lengths "boxSize"; with
// "localTransform" set the modifier works in the shape's own coordinates.
// The gizmo group that the modifier builds holds the modifier itself and an
// object that shows the box, deformed by this modifier alone.
#include "engine/core/SgModifier.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Range.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec3f.h"
#include "solids/SolvaneExport.h"

class SgGroup;
class SgObject;
class SgTransform;

class SOLVANE_API SgObjSpaceModifier : public SgModifier {
    SG_CLASS_HEADER(SgObjSpaceModifier, SgFieldMngr)

    SgObjSpaceModifier();

    // Joins the stack in force with the current model matrix as placement.
    void DoAction(SgAction *action) override;
    // Changes nothing; subclasses do the work.
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;
    bool IsObjSpaceModifier() const override { return true; }
    // Builds the gizmo group (centred, not fitted), puts it into `object`
    // after this modifier and takes the modifier out of the object's
    // property nodes: from then on it lives in the group. Null when `object`
    // is no object or the modifier is not one of its property nodes.
    SgNode *AddGizmo(SgNode *object) override;

    // The gizmo group: this modifier, then an object with the gizmo
    // transform, a wire draw style, the box and a control modifier that lets
    // only this modifier act on the box. With `fitToObject` "boxSize" takes
    // the object's own box; a new gizmo transform sits at the box's centre
    // (`centred`) or its minimum corner; an existing one is kept.
    virtual SgGroup *CreateGizmoGroup(SgObject *object, bool fitToObject, bool centred);

    // The twelve edges of the box as four open polylines (curve type 0, 60
    // samples), added to `into`, or to a new object that is returned.
    static SgObject *CreateWireBox(const Range<Vec3f> &box, SgObject *into);

    // Gizmo space from the shape's coordinates (toGizmo) and back for a
    // modifier met under `placement` while the shape is under `model`;
    // false, with a diagnostic, when a matrix on the way is singular: a
    // modifier run from inside a drawing must not throw.
    bool GizmoFrames(const Mat4 &model, const Transform3 &placement, Mat4 &toGizmo, Mat4 &fromGizmo);

    // The gizmo transform node, or null.
    SgTransform *GetGizmoTransform() const;

    SgFVec3f m_boxSize;
    SgFNodePtr m_gizmoTransform;
    SgFUShort m_localTransform;

protected:
    ~SgObjSpaceModifier() override = default;

    // The box of the gizmo (before its transform) and the translation a new
    // gizmo transform takes; "boxSize" is set from the object when fitting.
    Range<Vec3f> GizmoBox(SgObject *object, bool fitToObject, bool centred, Vec3 &translation);
    // Creates the gizmo transform when there is none yet.
    SgTransform *EnsureGizmoTransform(const Vec3 &translation);
};
