#include "engine/nodes/geometry/IndexedFaceSetGeomAdapter.h"

#include <vector>

#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

IndexedFaceSetGeomAdapter::IndexedFaceSetGeomAdapter(SgIndexedFaceSet &faceSet) : m_pFaceSet(&faceSet)
{
    faceSet.m_coord = NodePtr(new SgCoordinate3);
    // What the field yields, which is its module's output when one drives it.
    m_coordinates = dynamic_cast<SgCoordinate3 *>(faceSet.m_coord.Get(true).get());
}

IndexedFaceSetGeomAdapter::~IndexedFaceSetGeomAdapter() = default;

void *IndexedFaceSetGeomAdapter::AddVertex(const Vec3f &point)
{
    return AddVertex(static_cast<Vec3>(point));
}

void *IndexedFaceSetGeomAdapter::AddVertex(const Vec3 &point)
{
    if (!m_coordinates) {
        SgDiagWarning("Geometry", "IndexedFaceSetGeomAdapter: the face set has no coordinate node to add to");
        return nullptr;
    }
    return ToHandle(m_coordinates->m_point.AddVal(point));
}

void *IndexedFaceSetGeomAdapter::AddFace(int count, void **vertices)
{
    const int n = count < 0 ? -count : count;
    if (n == 0 || !vertices) {
        SgDiagWarning("Geometry", "IndexedFaceSetGeomAdapter: a face without vertices is not stored");
        return nullptr;
    }
    const int pointCount = static_cast<int>(VertexCount());
    std::vector<int> run(static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        const int index = ToIndex(vertices[count < 0 ? n - 1 - i : i]);
        if (index < 0 || index >= pointCount) {
            SgDiagWarning("Geometry",
                          "IndexedFaceSetGeomAdapter: vertex %d is outside 0..%d; the face is not stored",
                          index, pointCount - 1);
            return nullptr;
        }
        run[i] = index;
    }
    run[n] = -1;
    m_pFaceSet->m_coordIndex.AddVals(n + 1, run.data());
    return ToHandle(m_pFaceSet->m_coordIndex.GetCount());
}

unsigned IndexedFaceSetGeomAdapter::VertexCount()
{
    return m_coordinates ? static_cast<unsigned>(m_coordinates->m_point.GetCount()) : 0u;
}

const Vec3 &IndexedFaceSetGeomAdapter::GetVertex(int vertex)
{
    if (!m_coordinates)
        throw SgInvalidArgument("IndexedFaceSetGeomAdapter: no coordinate node");
    return m_coordinates->m_point.GetValue(vertex);
}
