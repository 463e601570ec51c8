// A solid's faces as a polygon mesh.
#include "facade/SolidMesh.h"

#include <unordered_map>
#include <vector>

#include "engine/core/GeomUtil.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "solids/GmElements.h"
#include "solids/GmGeom.h"

namespace drevon {

SgRef<SgFaceSet> SolidToFaceSet(const solvane::GmGeom &geom)
{
    using namespace solvane;
    std::unordered_map<const GmNode *, int> index;
    std::vector<Vec3> points;
    SgRef<SgFaceSet> mesh(new SgFaceSet);
    std::vector<int> corners;
    std::vector<int> sizes;
    std::vector<double> flat;
    struct Face {
        std::vector<int> corners;
        std::vector<int> sizes;
        bool reversed;
    };
    std::vector<Face> faces;
    for (GmFace *face : geom.liveFaces()) {
        // The side the material lies on decides the outside; a face that no
        // shell uses has none and is left out.
        Vec3 outside;
        if (face->back)
            outside = face->normal;
        else if (face->front)
            outside = -face->normal;
        else
            continue;
        corners.clear();
        sizes.clear();
        for (GmLoop *loop : face->loops) {
            if (!loop || loop->uses.size() < 3)
                continue;
            for (GmEdgeRef *use : loop->uses) {
                const GmNode *node = use->start();
                auto [at, added] = index.emplace(node, static_cast<int>(points.size()));
                if (added)
                    points.push_back(node->position);
                corners.push_back(at->second);
            }
            sizes.push_back(static_cast<int>(loop->uses.size()));
        }
        if (sizes.empty() || sizes.size() > SgFaceSet::kMaxShortValue)
            continue;
        // The mesh's own rule decides which way the outer loop faces.
        flat.clear();
        for (int i = 0; i < sizes[0]; ++i)
            for (int k = 0; k < 3; ++k)
                flat.push_back(k == 0 ? points[corners[i]].x : k == 1 ? points[corners[i]].y : points[corners[i]].z);
        const Vec3 normal = ComputeFaceNormal(flat.data(), nullptr, sizes[0]);
        faces.push_back({corners, sizes, normal.Dot(outside) < 0.0});
    }
    if (faces.empty())
        return nullptr;
    // The points first, so that every face names points the mesh has.
    mesh->m_vertices.SetVals(static_cast<int>(points.size()), points.data());
    int made = 0;
    for (const Face &face : faces) {
        const int loops = static_cast<int>(face.sizes.size());
        if (mesh->InsertFace(face.corners.data(), face.reversed ? -loops : loops, face.sizes.data(), 0))
            ++made;
    }
    if (made == 0)
        return nullptr;
    return mesh;
}

} // namespace drevon
