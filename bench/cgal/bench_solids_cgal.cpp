// Union, intersection and difference of two UV spheres (16 to 256
// segments, the fixtures of bench_solids, read from the same OFF files) with
// CGAL's corefinement and with the Solvane kernel in the same run,
// single-threaded; prints the CPU time per operation of both and their
// ratio.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Surface_mesh.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
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

double Median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// The calling thread's CPU time (user and system, page faults included) in
// milliseconds: on a shared machine the wall clock also counts the time
// other processes held the core.
double ThreadCpuMillis()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double Millis(const std::function<void()> &f)
{
    const double a = ThreadCpuMillis();
    f();
    return ThreadCpuMillis() - a;
}

}  // namespace

// Arguments (all optional): a segment count to run alone, and an operation
// (0 union, 1 intersection, 2 difference) with "ours" to run only the
// Solvane side, for a profiler. The two sides are timed alternately, run
// by run, so that a load that changes during the run weighs on both alike;
// the medians are printed.
int main(int argc, char **argv)
{
    set_boolean_validation(false);
    const int onlySize = argc > 1 ? std::atoi(argv[1]) : 0;
    const int onlyOp = argc > 2 ? std::atoi(argv[2]) : -1;
    const bool oursOnly = argc > 3 && std::string(argv[3]) == "ours";
    std::printf("%-8s %-13s %12s %12s %8s\n", "segments", "operation", "solvane cpu", "cgal cpu", "ratio");
    const char *names[3] = {"union", "intersection", "difference"};
    GmBoolOp ops[3] = {GmBoolOp::Union, GmBoolOp::Intersection, GmBoolOp::Difference};
    for (int n : {16, 32, 64, 128, 256}) {
        if (onlySize != 0 && n != onlySize) {
            continue;
        }
        auto [pa, pb] = fixtures::FixturePaths(n);
        fixtures::Tri ta = fixtures::ReadOff(pa), tb = fixtures::ReadOff(pb);
        std::unique_ptr<GmGeom> A(geomFromMesh(ToSolvane(ta))), B(geomFromMesh(ToSolvane(tb)));
        Mesh ca = ToCgal(ta), cb = ToCgal(tb);
        int runs = n <= 64 ? 9 : 7;
        for (int o = 0; o < 3; ++o) {
            if (onlyOp >= 0 && o != onlyOp) {
                continue;
            }
            std::vector<double> ours, theirs;
            for (int r = 0; r < runs; ++r) {
                ours.push_back(Millis([&] {
                    GmBooleanResult res = boolean_request(ops[o], *A, *B);
                    if (!res.ok) {
                        std::fprintf(stderr, "solvane failed: %s\n", res.message.c_str());
                    }
                }));
                if (oursOnly) {
                    continue;
                }
                theirs.push_back(Millis([&] {
                    Mesh a = ca, b = cb, out;
                    bool ok = o == 0   ? PMP::corefine_and_compute_union(a, b, out)
                              : o == 1 ? PMP::corefine_and_compute_intersection(a, b, out)
                                       : PMP::corefine_and_compute_difference(a, b, out);
                    if (!ok) {
                        std::fprintf(stderr, "cgal failed\n");
                    }
                }));
            }
            const double m = Median(ours), t = oursOnly ? 0.0 : Median(theirs);
            std::printf("%-8d %-13s %12.2f %12.2f %8.2f\n", n, names[o], m, t, oursOnly ? 0.0 : m / t);
        }
    }
    return 0;
}
