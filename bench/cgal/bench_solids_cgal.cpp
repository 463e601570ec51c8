// Union, intersection and difference of two UV spheres (16 to 256
// segments, the fixtures of bench_solids, read from the same OFF files) with
// CGAL's corefinement and with the Solvane kernel in the same run,
// single-threaded; prints the time per operation of both and their ratio.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Surface_mesh.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "SolidFixtures.h"
#include "solids/GmBoolean.h"
#include "solids/GmMeshBuilder.h"

namespace PMP = CGAL::Polygon_mesh_processing;
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Mesh = CGAL::Surface_mesh<K::Point_3>;
using namespace solvane;

namespace {

Mesh ToCgal(const fixtures::Tri &t)
{
    Mesh m;
    std::vector<Mesh::Vertex_index> v;
    for (size_t i = 0; i < t.xyz.size(); i += 3) {
        v.push_back(m.add_vertex(K::Point_3(t.xyz[i], t.xyz[i + 1], t.xyz[i + 2])));
    }
    for (size_t i = 0; i < t.tris.size(); i += 3) {
        m.add_face(v[static_cast<size_t>(t.tris[i])], v[static_cast<size_t>(t.tris[i + 1])],
                   v[static_cast<size_t>(t.tris[i + 2])]);
    }
    return m;
}

GmMesh ToSolvane(const fixtures::Tri &t)
{
    GmMesh m;
    for (size_t i = 0; i < t.xyz.size(); i += 3) {
        m.points.push_back(Vec3(t.xyz[i], t.xyz[i + 1], t.xyz[i + 2]));
    }
    for (size_t i = 0; i < t.tris.size(); i += 3) {
        m.polygons.push_back({t.tris[i], t.tris[i + 1], t.tris[i + 2]});
    }
    return m;
}

// Median time in milliseconds of `runs` calls.
double Time(int runs, const std::function<void()> &f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto a = std::chrono::steady_clock::now();
        f();
        auto b = std::chrono::steady_clock::now();
        t.push_back(std::chrono::duration<double, std::milli>(b - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

}  // namespace

int main()
{
    set_boolean_validation(false);
    std::printf("%-8s %-13s %12s %12s %8s\n", "segments", "operation", "solvane ms", "cgal ms", "ratio");
    const char *names[3] = {"union", "intersection", "difference"};
    GmBoolOp ops[3] = {GmBoolOp::Union, GmBoolOp::Intersection, GmBoolOp::Difference};
    for (int n : {16, 32, 64, 128, 256}) {
        auto [pa, pb] = fixtures::FixturePaths(n);
        fixtures::Tri ta = fixtures::ReadOff(pa), tb = fixtures::ReadOff(pb);
        std::unique_ptr<GmGeom> A(geomFromMesh(ToSolvane(ta))), B(geomFromMesh(ToSolvane(tb)));
        Mesh ca = ToCgal(ta), cb = ToCgal(tb);
        int runs = n <= 64 ? 7 : 3;
        for (int o = 0; o < 3; ++o) {
            double ours = Time(runs, [&] {
                GmBooleanResult r = boolean_request(ops[o], *A, *B);
                if (!r.ok) {
                    std::fprintf(stderr, "solvane failed: %s\n", r.message.c_str());
                }
            });
            double theirs = Time(runs, [&] {
                Mesh a = ca, b = cb, out;
                bool ok = o == 0   ? PMP::corefine_and_compute_union(a, b, out)
                          : o == 1 ? PMP::corefine_and_compute_intersection(a, b, out)
                                   : PMP::corefine_and_compute_difference(a, b, out);
                if (!ok) {
                    std::fprintf(stderr, "cgal failed\n");
                }
            });
            std::printf("%-8d %-13s %12.2f %12.2f %8.2f\n", n, names[o], ours, theirs, ours / theirs);
        }
    }
    return 0;
}
