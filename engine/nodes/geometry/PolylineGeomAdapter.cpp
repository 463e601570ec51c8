#include "engine/nodes/geometry/PolylineGeomAdapter.h"

#include <string>

#include "engine/nodes/geometry/SgPolyLine.h"
#include "platform/SgError.h"

void *PolylineGeomAdapter::AddVertex(const Vec3f &point)
{
    return AddVertex(static_cast<Vec3>(point));
}

void *PolylineGeomAdapter::AddVertex(const Vec3 &point)
{
    return ToHandle(m_pPolyline->m_coordinates.AddVal(point));
}

unsigned PolylineGeomAdapter::VertexCount()
{
    return static_cast<unsigned>(m_pPolyline->m_coordinates.GetCount());
}

unsigned PolylineGeomAdapter::EdgeCount()
{
    const bool closed = m_pPolyline->IsClosed();
    unsigned edges = 0;
    for (int loop = 0; loop < m_pPolyline->NumLoops(); ++loop) {
        const int points = m_pPolyline->OrigLoopSize(loop);
        if (points > 1)
            edges += static_cast<unsigned>(closed ? points : points - 1);
    }
    return edges;
}

const Vec3 &PolylineGeomAdapter::GetVertex(int vertex)
{
    return m_pPolyline->m_coordinates.GetValue(vertex);
}

const Vec3 &PolylineGeomAdapter::GetNonDupVertex(int vertex)
{
    return GetVertex(vertex);
}

void PolylineGeomAdapter::SetVertex(int vertex, const Vec3 &point)
{
    if (vertex < 0 || vertex >= m_pPolyline->m_coordinates.GetCount())
        throw SgInvalidArgument("PolylineGeomAdapter: no point " + std::to_string(vertex));
    m_pPolyline->m_coordinates.SetValue(vertex, point);
}
