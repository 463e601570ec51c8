#pragma once
#include "engine/core/NodaraExport.h"
// The render action's visitors for groups, separators, shapes and the nodes
// that only set state. Each decides whether its node belongs to the pass
// being drawn, names it for selection, and sends its geometry to OpenGL
// directly or through the shared vertex-array builder.
//
// A shape that cannot be drawn (arrays that do not fit together, indices
// outside its points, a failed tessellation) is skipped with one diagnostic
// of the "GLRenderAction" package: the frame goes on with the next shape.
//
// The face-set visitors are plain functions so that other actions (an
// exporter gathering triangles) can enter them in their own tables; under
// another action every face goes through the tessellator into the
// builder's aggregation buffers and nothing is drawn.
class SgAction;
class SgNode;

struct NODARA_API SgGLShapeVisitors {
    // Room for the line ends of a curve's editing gizmo.
    static constexpr int kMaxGizmoPoints = 4000;
    // The names a cube loads below its own for each face, so that a hit
    // tells the face: in drawing order +Z, +X, -Z, -X, +Y, -Y.
    static constexpr unsigned kCubeFaceNames[6] = {5, 1, 4, 0, 3, 2};
    // The dash pattern of a Boolean node's exploded operands.
    static constexpr unsigned short kExplodedStipple = 0x0F0F;

    static void VisitGroup(SgAction *action, SgNode *node);
    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitObject(SgAction *action, SgNode *node);
    // An instance of a parametric model: its model shows another shape for
    // each instance, so neither is kept in a display list.
    static void VisitParametricObject(SgAction *action, SgNode *node);
    static void VisitScatter(SgAction *action, SgNode *node);
    static void VisitGeometricShape(SgAction *action, SgNode *node);
    // A Boolean node: its exploded operands as dashed outlines (both faces
    // in line mode), then its result; the GL attributes are restored after
    // each. The node's own steps do the traversal (SgBoolean.h).
    static void VisitBoolean(SgAction *action, SgNode *node);
    static void VisitFaceSet(SgAction *action, SgNode *node);
    static void VisitIndexedFaceSet(SgAction *action, SgNode *node);
    static void VisitPolygon(SgAction *action, SgNode *node);
    static void VisitGenPolyLine(SgAction *action, SgNode *node);
    static void VisitPointSet(SgAction *action, SgNode *node);
    static void VisitCube(SgAction *action, SgNode *node);
    static void VisitBillboard(SgAction *action, SgNode *node);

    // The material binding values the cube reads.
    enum CubeBinding { kPerPart = 2, kPerFace = 4, kPerVertex = 5, kPerVertexAlso = 6 };
};
