#include "engine/nodes/geometry/FaceSetGeomAdapter.h"

#include <string>
#include <vector>

#include "engine/nodes/geometry/SgFaceSet.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

void *FaceSetGeomAdapter::AddVertex(const Vec3f &point)
{
    return AddVertex(static_cast<Vec3>(point));
}

void *FaceSetGeomAdapter::AddVertex(const Vec3 &point)
{
    return ToHandle(m_pFaceSet->m_vertices.AddVal(point));
}

void *FaceSetGeomAdapter::AddFace(int count, void **vertices)
{
    const int n = count < 0 ? -count : count;
    if (n == 0 || !vertices) {
        SgDiagWarning("Geometry", "FaceSetGeomAdapter: a face without vertices is not stored");
        return nullptr;
    }
    const int vertexCount = m_pFaceSet->GetVertexCount();
    std::vector<int> indexes(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        indexes[i] = ToIndex(vertices[i]);
        if (indexes[i] < 0 || indexes[i] >= vertexCount) {
            SgDiagWarning("Geometry", "FaceSetGeomAdapter: vertex %d is outside 0..%d; the face is not stored",
                          indexes[i], vertexCount - 1);
            return nullptr;
        }
    }
    // A reversed loop is stored with surface id 0 anyway; so is every face here.
    if (!m_pFaceSet->InsertFace(indexes.data(), count, 0))
        return nullptr;
    return ToHandle(m_pFaceSet->GetFaceCount());
}

unsigned FaceSetGeomAdapter::VertexCount()
{
    return static_cast<unsigned>(m_pFaceSet->GetVertexCount());
}

const Vec3 &FaceSetGeomAdapter::GetVertex(int vertex)
{
    return m_pFaceSet->m_vertices.GetValue(vertex);
}

const Vec3 &FaceSetGeomAdapter::GetNonDupVertex(int vertex)
{
    return m_pFaceSet->m_vertices.GetValue(VertexDupIndex(vertex));
}

void FaceSetGeomAdapter::SetVertex(int vertex, const Vec3 &point)
{
    // The field would grow to take an index past its end; a sink only moves
    // vertices that exist.
    if (vertex < 0 || vertex >= m_pFaceSet->GetVertexCount())
        throw SgInvalidArgument("FaceSetGeomAdapter: no vertex " + std::to_string(vertex));
    m_pFaceSet->m_vertices.SetValue(vertex, point);
}

int FaceSetGeomAdapter::VertexDupIndex(int vertex)
{
    return m_pFaceSet->m_vertexDuplication.GetValue(vertex);
}
