#pragma once
// What the shapes after it may assume about their faces (solid or open,
// vertex order, convexity) and how their normals are smoothed.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgShapeHints : public SgNode {
    SG_CLASS_HEADER(SgShapeHints, SgFieldMngr)

    enum ShapeType { UNKNOWN_SHAPE_TYPE = 0, SOLID = 1, OPEN = 2 };
    enum VertexOrdering { UNKNOWN_ORDERING = 0, CLOCKWISE = 1, COUNTERCLOCKWISE = 2 };
    enum FaceType { UNKNOWN_FACE_TYPE = 0, CONVEX = 1 };

    SgShapeHints();

    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    SgFInt m_shapeType;
    SgFInt m_vertexOrdering;
    SgFInt m_faceType;
    SgFFloat m_creaseAngle;
    SgFInt m_smoothType;

protected:
    ~SgShapeHints() override = default;
};
