#pragma once
// The geometry sink over a face set: vertices go to "vertices", faces are
// single loops with surface id 0. The adapter refers to the face set and
// owns nothing; the face set must outlive it.
#include "engine/nodes/geometry/GenericGeom.h"
#include "engine/core/NodaraExport.h"

class SgFaceSet;

class NODARA_API FaceSetGeomAdapter : public GenericGeom {
public:
    explicit FaceSetGeomAdapter(SgFaceSet &faceSet) : m_pFaceSet(&faceSet) {}
    FaceSetGeomAdapter(const FaceSetGeomAdapter &) = default;
    FaceSetGeomAdapter &operator=(const FaceSetGeomAdapter &) = default;
    ~FaceSetGeomAdapter() override = default;

    void *AddVertex(const Vec3f &point) override;
    void *AddVertex(const Vec3 &point) override;
    // Refused (null, with one "Geometry" diagnostic) when a handle names no
    // vertex of the face set or the face has no vertices.
    void *AddFace(int count, void **vertices) override;
    unsigned VertexCount() override;
    // These throw SgInvalidArgument for a vertex outside the face set, and
    // the duplicate queries also when "vertexDuplication" is empty.
    const Vec3 &GetVertex(int vertex) override;
    const Vec3 &GetNonDupVertex(int vertex) override;
    void SetVertex(int vertex, const Vec3 &point) override;
    int VertexDupIndex(int vertex) override;

    SgFaceSet &GetFaceSet() const { return *m_pFaceSet; }

private:
    SgFaceSet *m_pFaceSet;
};
