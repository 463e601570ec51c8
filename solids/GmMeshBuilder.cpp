#include "solids/GmMeshBuilder.h"

#include <algorithm>
#include <cmath>

#include "platform/SgError.h"
#include "solids/GmTopology.h"
#include "solids/GmTriangulate.h"

namespace solvane {

GmGeom *geomFromMesh(const GmMesh &mesh, double tolerance, bool buildSolids)
{
    GmBox extent;
    for (const Vec3 &p : mesh.points) {
        extent.extend(p);
    }
    if (tolerance == GmGeom::kToleranceOfItsSize) {
        tolerance = GmGeom::ToleranceFor(extent);
    }
    // Owned here until it is complete: an error on the way frees it.
    auto g = std::make_unique<GmGeom>(extent, tolerance);
    std::vector<GmNode *> nodes;
    nodes.reserve(mesh.points.size());
    for (const Vec3 &p : mesh.points) {
        nodes.push_back(g->add_node(p, true));
    }
    for (const auto &poly : mesh.polygons) {
        std::vector<GmNode *> seq;
        for (int i : poly) {
            GmNode *n = nodes.at(static_cast<size_t>(i));
            if (seq.empty() || seq.back() != n) {
                seq.push_back(n);
            }
        }
        while (seq.size() > 1 && seq.front() == seq.back()) {
            seq.pop_back();
        }
        std::vector<GmNode *> distinct = seq;
        std::sort(distinct.begin(), distinct.end());
        if (seq.size() < 3 || std::unique(distinct.begin(), distinct.end()) != distinct.end()) {
            continue;
        }
        g->add_polygon(static_cast<int>(seq.size()), seq.data(), true);
    }
    if (buildSolids) {
        g->build_solids(1);
    }
    return g.release();
}

GmMesh meshFromGeom(GmGeom &g)
{
    GmMesh m;
    std::unordered_map<const GmNode *, int> index;
    for (GmNode *n : g.liveNodes()) {
        index[n] = static_cast<int>(m.points.size());
        m.points.push_back(n->position);
    }
    for (GmFace *f : g.liveFaces()) {
        if (f->loops.empty()) {
            continue;
        }
        if (f->loops.size() == 1) {
            std::vector<int> poly;
            for (GmNode *n : loop_nodes(f->loops[0])) {
                poly.push_back(index.at(n));
            }
            m.polygons.push_back(std::move(poly));
            continue;
        }
        // A polygon has no holes: a face with holes becomes triangles that
        // leave them open.
        const GmAxes ax = axes_by_dominant(f->normal);
        const bool swap = f->normal[ax.w] < 0.0;
        std::vector<std::vector<GmPoint2>> loops;
        std::vector<int> ids;
        for (GmLoop *l : f->loops) {
            std::vector<GmPoint2> loop;
            for (GmNode *n : loop_nodes(l)) {
                const Vec3 &p = n->position;
                loop.push_back(swap ? GmPoint2{p[ax.v], p[ax.u]} : GmPoint2{p[ax.u], p[ax.v]});
                ids.push_back(index.at(n));
            }
            loops.push_back(std::move(loop));
        }
        const std::vector<int> tris = triangulate_polygon(loops);
        for (size_t i = 0; i + 2 < tris.size(); i += 3) {
            m.polygons.push_back({ids[static_cast<size_t>(tris[i])], ids[static_cast<size_t>(tris[i + 1])],
                                  ids[static_cast<size_t>(tris[i + 2])]});
        }
    }
    return m;
}

GmMesh boxMesh(const Vec3 &a, const Vec3 &b)
{
    GmMesh m;
    for (int i = 0; i < 8; ++i) {
        m.points.push_back(Vec3((i & 1) ? b.x : a.x, (i & 2) ? b.y : a.y, (i & 4) ? b.z : a.z));
    }
    m.polygons = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    return m;
}

GmMesh uvSphereMesh(const Vec3 &c, double r, int segments)
{
    GmMesh m;
    int rings = std::max(2, segments / 2);
    m.points.push_back(c + Vec3(0, 0, r));
    for (int i = 1; i < rings; ++i) {
        double phi = M_PI * i / rings;
        for (int j = 0; j < segments; ++j) {
            double th = 2.0 * M_PI * j / segments;
            m.points.push_back(c + Vec3(r * std::sin(phi) * std::cos(th), r * std::sin(phi) * std::sin(th), r * std::cos(phi)));
        }
    }
    m.points.push_back(c + Vec3(0, 0, -r));
    int south = static_cast<int>(m.points.size()) - 1;
    auto at = [&](int ring, int j) { return 1 + (ring - 1) * segments + (j % segments); };
    for (int j = 0; j < segments; ++j) {
        m.polygons.push_back({0, at(1, j), at(1, j + 1)});
    }
    for (int i = 1; i < rings - 1; ++i) {
        for (int j = 0; j < segments; ++j) {
            // Quads of a sphere are planar: their corners lie on two circles
            // of latitude symmetric about a meridian plane.
            m.polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    for (int j = 0; j < segments; ++j) {
        m.polygons.push_back({south, at(rings - 1, j + 1), at(rings - 1, j)});
    }
    return m;
}

GmMesh cylinderMesh(const Vec3 &base, double r, double h, int segments)
{
    GmMesh m;
    for (int k = 0; k < 2; ++k) {
        for (int j = 0; j < segments; ++j) {
            double th = 2.0 * M_PI * j / segments;
            m.points.push_back(base + Vec3(r * std::cos(th), r * std::sin(th), k * h));
        }
    }
    std::vector<int> bottom, top;
    for (int j = 0; j < segments; ++j) {
        bottom.push_back(segments - 1 - j);
        top.push_back(segments + j);
        int j1 = (j + 1) % segments;
        m.polygons.push_back({j, j1, segments + j1, segments + j});
    }
    m.polygons.push_back(bottom);
    m.polygons.push_back(top);
    return m;
}

void transformMesh(GmMesh &mesh, const Mat3 &m, const Vec3 &t)
{
    for (Vec3 &p : mesh.points) {
        p = m * p + t;
    }
    if (m.Determinant() < 0.0) {
        for (auto &poly : mesh.polygons) {
            std::reverse(poly.begin(), poly.end());
        }
    }
}

GmMeshResult geom_from_mesh_request(const GmMesh &mesh, double tolerance)
{
    GmMeshResult r;
    try {
        for (const auto &poly : mesh.polygons) {
            for (int i : poly) {
                if (i < 0 || static_cast<size_t>(i) >= mesh.points.size()) {
                    throw SgInvalidArgument("mesh conversion: polygon index out of range");
                }
            }
        }
        r.geom.reset(geomFromMesh(mesh, tolerance));
        r.ok = true;
    } catch (const SgError &e) {
        r.message = e.what();
    } catch (const std::bad_alloc &) {
        r.message = "mesh conversion: out of memory";
    }
    return r;
}

}  // namespace solvane
