#pragma once
// A geodesic sphere: the twenty faces of an icosahedron, each edge divided
// into "segments" parts, every new vertex pushed out onto the sphere. Edges
// shared by two faces share their vertices.
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/NodaraExport.h"

class SgFaceSet;

class NODARA_API SgGeoSphere : public SgGeometricShape {
    SG_CLASS_HEADER(SgGeoSphere, SgFieldMngr)

    // Radii at or below this are taken as it.
    static constexpr double kMinRadius = 1e-05;
    // Subdivisions past this are taken as it: the mesh has 10 n^2 + 2
    // vertices, and more than a face set can address is never meant.
    static constexpr int kMaxSegments = 10000;

    SgGeoSphere();

    void DoAction(SgAction *action) override;
    // Fills the face set (which starts empty) from the fields.
    void BuildMesh(SgFaceSet *faceSet);

    SgFDouble m_radius;
    SgFInt m_segments;
    // 0: all faces surface id 0; 1: all 1; 2: one id per icosahedron face.
    SgFInt m_smoothType;

protected:
    ~SgGeoSphere() override = default;
};
