#pragma once
// The metaball engine of the Boolean node (engine 2): applied to an
// SgBoolean, it turns each operand shape into a smooth field primitive
// (engine/nodes/geometry/implicit/MetaBall.h), blends them by the node's
// operation (nested Boolean nodes become operators inside the outer one) and
// polygonises the blend's 1.0 level into an SgFaceSet, which becomes the
// node's result.
//
// Operands: spheres, tori, boxes, cubes, cylinders and cones become analytic
// primitives; extrusions with a circular profile (and torus knots) tubes
// along their path; face sets and point sets sums of point blobs; any other
// procedural shape the blobs of the mesh it builds. An operand that gives no
// primitive is left out of the blend; one that gives several contributes
// their union. An operand with a singular transform (a scale of 0) is left
// out with a diagnostic.
//
// One action evaluates one outermost Boolean node: it is made, applied and
// destroyed for each evaluation (its seeds are never cleared).
#include <memory>
#include <vector>

#include "engine/core/SgAction.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class MetaBallObj;
class MetaBallShape;

class NODARA_API SgMetaBallsAction : public SgAction {
    SG_ACTION_HEADER(SgMetaBallsAction)

    SgMetaBallsAction();
    ~SgMetaBallsAction() override;

    static int GetActionID() { return s_iClassID; }

    // The seed points so far (each primitive's origin in the Boolean node's
    // frame).
    const std::vector<Vec3f> &GetSeeds() const { return m_seeds; }
    // The blend built by the last Boolean node traversed (or the primitive of
    // a shape traversed on its own); null before.
    const MetaBallObj *GetCurrent() const { return m_current.get(); }

    static void VisitBoolean(SgAction *action, SgNode *node);
    static void VisitSphere(SgAction *action, SgNode *node);
    static void VisitTorus(SgAction *action, SgNode *node);
    static void VisitBox(SgAction *action, SgNode *node);
    static void VisitCube(SgAction *action, SgNode *node);
    static void VisitCylinder(SgAction *action, SgNode *node);
    static void VisitExtrude(SgAction *action, SgNode *node);
    static void VisitFaceSet(SgAction *action, SgNode *node);
    static void VisitPointSet(SgAction *action, SgNode *node);

private:
    // Gives the primitive the inverse of the model transform in force and
    // hands it to the operand being traversed.
    // The seed is the primitive's origin, or (for blobs, whose origin may lie
    // far from any of them) the given points of its own frame. Further seeds
    // go on the primitive's own surface, found along rays from each of
    // `rayCentres` (points of its own frame): a part of the blend that no
    // middle reaches (a cavity's outer wall, the pieces a cut leaves) still
    // has a seed on it.
    void AddPrimitive(SgNode *node, std::unique_ptr<MetaBallShape> primitive,
                      const std::vector<Vec3> &localSeeds = {},
                      const std::vector<Vec3> &rayCentres = {Vec3(0.0, 0.0, 0.0)});
    void Produce(std::unique_ptr<MetaBallObj> object);

    std::unique_ptr<MetaBallObj> m_current;
    bool m_bTopLevel = true;
    std::vector<Vec3f> m_seeds;
    // Seeds on the primitives' surfaces, tried after m_seeds.
    std::vector<Vec3f> m_surfaceSeeds;
    // Where the primitives of the operand being traversed go; null outside
    // a Boolean node.
    std::vector<std::unique_ptr<MetaBallObj>> *m_pProduced = nullptr;
};
