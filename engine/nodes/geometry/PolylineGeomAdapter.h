#pragma once
// The geometry sink over a polyline node's stored points ("coordinates").
// The adapter refers to the polyline, which must outlive it.
#include "engine/nodes/geometry/GenericGeom.h"
#include "engine/core/NodaraExport.h"

class SgPolyLine;

class NODARA_API PolylineGeomAdapter : public GenericGeom {
public:
    explicit PolylineGeomAdapter(SgPolyLine &polyline) : m_pPolyline(&polyline) {}
    PolylineGeomAdapter(const PolylineGeomAdapter &) = default;
    PolylineGeomAdapter &operator=(const PolylineGeomAdapter &) = default;
    ~PolylineGeomAdapter() override = default;

    // Appends to the last loop.
    void *AddVertex(const Vec3f &point) override;
    void *AddVertex(const Vec3 &point) override;
    unsigned VertexCount() override;
    // The segments of all loops: a closed loop of n points has n, an open
    // one n - 1.
    unsigned EdgeCount() override;
    // These throw SgInvalidArgument for a point outside the polyline.
    const Vec3 &GetVertex(int vertex) override;
    const Vec3 &GetNonDupVertex(int vertex) override;
    void SetVertex(int vertex, const Vec3 &point) override;

    SgPolyLine &GetPolyline() const { return *m_pPolyline; }

private:
    SgPolyLine *m_pPolyline;
};
