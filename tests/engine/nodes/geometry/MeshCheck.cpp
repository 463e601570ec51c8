#include "tests/engine/nodes/geometry/MeshCheck.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "engine/nodes/geometry/SgFaceSet.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

std::string MeshCheck::Describe() const
{
    std::ostringstream out;
    out << faces << " faces, " << edges << " edges: " << openEdges << " open, " << overusedEdges
        << " used more than twice, " << misorientedEdges << " misoriented; volume " << volume
        << (finite ? "" : "; NaN or infinite coordinates");
    return out.str();
}

MeshCheck CheckMesh(SgFaceSet &mesh, double tolerance)
{
    MeshCheck check;
    const int count = mesh.GetVertexCount();
    std::vector<Vec3> points(static_cast<size_t>(count));
    double size = 0.0;
    for (int i = 0; i < count; ++i) {
        points[size_t(i)] = mesh.m_vertices.GetValue(i);
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(points[size_t(i)][k]))
                check.finite = false;
            else
                size = std::max(size, std::fabs(points[size_t(i)][k]));
        }
    }
    // Vertices at one place are one vertex: shapes repeat seam and cap
    // vertices for their texture coordinates and normals.
    const double cell = std::max(size, 1e-300) * tolerance;
    std::map<std::array<long long, 3>, int> byPlace;
    std::vector<int> merged(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::array<long long, 3> key{};
        for (int k = 0; k < 3; ++k)
            key[size_t(k)] = std::llround(points[size_t(i)][k] / cell);
        merged[size_t(i)] = byPlace.emplace(key, i).first->second;
    }

    std::map<std::pair<int, int>, int> directed;
    const std::vector<MeshFace> faces = ReadFaces(mesh);
    check.faces = int(faces.size());
    for (const MeshFace &face : faces) {
        for (const std::vector<int> &loop : face.loops) {
            std::vector<int> ring;
            for (int index : loop) {
                const int v = index >= 0 && index < count ? merged[size_t(index)] : -1;
                if (ring.empty() || ring.back() != v)
                    ring.push_back(v);
            }
            while (ring.size() > 1 && ring.front() == ring.back())
                ring.pop_back();
            if (ring.size() < 3)
                continue;
            for (size_t k = 0; k < ring.size(); ++k) {
                const int a = ring[k];
                const int b = ring[(k + 1) % ring.size()];
                ++directed[{a, b}];
            }
            // Signed volume of the cone from the origin over the loop's fan;
            // hole loops run the other way and subtract. Face sets run their
            // loops clockwise seen from outside, hence the minus.
            const Vec3 &o = points[size_t(std::max(ring[0], 0))];
            for (size_t k = 1; k + 1 < ring.size(); ++k) {
                const Vec3 &p = points[size_t(std::max(ring[k], 0))];
                const Vec3 &q = points[size_t(std::max(ring[k + 1], 0))];
                check.volume -= o.Dot(p.Cross(q)) / 6.0;
            }
        }
    }
    for (const auto &[edge, uses] : directed) {
        const auto [a, b] = edge;
        if (a > b && directed.count({b, a}))
            continue; // counted with its partner
        ++check.edges;
        const auto back = directed.find({b, a});
        const int reverse = back == directed.end() ? 0 : back->second;
        if (uses + reverse == 1)
            ++check.openEdges;
        else if (uses + reverse > 2)
            ++check.overusedEdges;
        else if (uses != 1 || reverse != 1)
            ++check.misorientedEdges;
    }
    return check;
}
