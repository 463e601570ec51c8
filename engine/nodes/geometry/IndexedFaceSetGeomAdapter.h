#pragma once
// The geometry sink over an indexed face set: it gives the face set a new
// coordinate node of its own (whatever "coord" held before), appends
// vertices to that node's points and faces to "coordIndex", each ended by
// -1. The adapter refers to the face set, which must outlive it.
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/GenericGeom.h"
#include "engine/core/NodaraExport.h"

class SgCoordinate3;
class SgIndexedFaceSet;

class NODARA_API IndexedFaceSetGeomAdapter : public GenericGeom {
public:
    explicit IndexedFaceSetGeomAdapter(SgIndexedFaceSet &faceSet);
    IndexedFaceSetGeomAdapter(const IndexedFaceSetGeomAdapter &) = default;
    IndexedFaceSetGeomAdapter &operator=(const IndexedFaceSetGeomAdapter &) = default;
    ~IndexedFaceSetGeomAdapter() override;

    void *AddVertex(const Vec3f &point) override;
    void *AddVertex(const Vec3 &point) override;
    // Refused (null, with one "Geometry" diagnostic) when a handle names no
    // point of the coordinate node or the face has no vertices.
    void *AddFace(int count, void **vertices) override;
    unsigned VertexCount() override;
    // Throws SgInvalidArgument for a vertex outside the points.
    const Vec3 &GetVertex(int vertex) override;

    SgIndexedFaceSet &GetFaceSet() const { return *m_pFaceSet; }
    // The node the vertices go to; null when the face set's "coord" yields
    // none (a module attached to it gives something else).
    SgCoordinate3 *GetCoordinates() const { return m_coordinates.get(); }

private:
    SgIndexedFaceSet *m_pFaceSet;
    SgRef<SgCoordinate3> m_coordinates;
};
