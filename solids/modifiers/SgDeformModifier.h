#pragma once
// Base of the modifiers that move points without changing topology. It owns
// the one road by which a shape's points reach a deformer and come back:
// gather the points (face set, indexed face set, curve, solid), bring them
// into gizmo space, let DeformPoints move them, bring them back and hang
// them on the shape (or on a new shape for curves and the first deformer of
// a solid).
#include <string>

#include "solids/modifiers/SgObjSpaceModifier.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Vec3.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgDeformModifier : public SgObjSpaceModifier {
    SG_CLASS_HEADER(SgDeformModifier, SgFieldMngr)

    SgDeformModifier() = default;

    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;
    bool IsDeformModifier() const override { return true; }
    // Writes count moved points to out; in and out may be the same array.
    // Points are in gizmo space (the shape's own with "localTransform").
    virtual void DeformPoints(int count, Vec3 *in, Vec3 *out);

    // The stack's last step: a solid node that carries deformed points gets
    // its solid's nodes moved to them. Every shape is returned as it came.
    static SgShape *ProcessLastDeforemd(SgShape *shape);

    // The solid library installs how a solid node's points are read and
    // written, since the solid node is built beside the modifiers.
    struct SolidAccess {
        // Whether the shape is a solid node.
        bool (*isSolid)(SgShape *shape) = nullptr;
        // Node positions of its solid in node-list order.
        void (*points)(SgShape *shape, std::vector<Vec3> &out) = nullptr;
        // A new solid node holding a copy of the shape's solid.
        SgShape *(*copy)(SgShape *shape) = nullptr;
        // Moves the solid's nodes to the points (as many as it has nodes).
        void (*move)(SgShape *shape, const Vec3 *points, int count) = nullptr;
    };
    static void SetSolidAccess(const SolidAccess &access) { s_solidAccess = access; }

protected:
    ~SgDeformModifier() override = default;

private:
    // False, with a message naming this modifier, when a moved point is not
    // finite.
    bool AllFinite(const Vec3 *points, int count) const;
    // The name of the first number field whose value is not finite, or "".
    std::string NonFiniteField();

    static SolidAccess s_solidAccess;
};
