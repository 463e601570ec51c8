#pragma once
// Finds the accumulated transform at a target node, or at the end of a
// target path, and offers its inverse. Transform nodes update the state on
// the way; the traversal stops as soon as the matrix is found.
#include "engine/core/SgAction.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Transform3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgGetTransformAction : public SgAction {
    SG_ACTION_HEADER(SgGetTransformAction)

    explicit SgGetTransformAction(SgNode *target = nullptr);
    ~SgGetTransformAction() override = default;

    // Starts from the identity with the inverse stale, then traverses as
    // every action does.
    bool Apply(SgNode *node) override;

    // The identity until the target is reached.
    const Mat4 &GetMatrix() const { return m_Matrix.GetMatrix(); }
    const Transform3 &GetTransform() const { return m_Matrix; }
    // A (nearly) singular matrix is first replaced by the identity, so that
    // the matrix and its inverse then both read as the identity.
    const Mat4 &GetInverse();
    const Transform3 &GetInverseTransform();

    // The accumulated transform at the end of the path, from its first node.
    // The identity for an empty path or when the end is never reached.
    static Transform3 PathMatrix(const SgPath &path);

    static void VisitNode(SgAction *action, SgNode *node);

    SgNode *m_pTarget;
    Transform3 m_Matrix;
    Transform3 m_Inverse;
    bool m_bInverseValid = false;

private:
    // Whether the target path runs from the procedural shape into its own
    // separator (its operands): such a target is reached through the
    // separator, not through the result shape.
    bool TargetEntersShapeSeparator(SgNode *shape, SgNode *separator) const;
};
