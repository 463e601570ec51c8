// Booleans that must not depend on where the model stands: a random suite
// of boxes, spheres and cylinders (rotated, coplanar, touching, nested and
// near-coincident) at the origin and moved far from it, each result either
// a closed solid of the right volume or an honest failure; and the small
// cubes far from the origin that once came back empty as a success.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "SolidTestUtil.h"
#include "solids/GmTopology.h"
#include "utilities/math/Rotation.h"

using namespace solvane;
using namespace solvane::test;

namespace {

// Quads split into triangles, as a mesh exported by another program comes.
GmMesh Triangulated(const GmMesh &m)
{
    GmMesh t;
    t.points = m.points;
    for (const auto &p : m.polygons)
        for (size_t i = 1; i + 1 < p.size(); ++i)
            t.polygons.push_back({p[0], p[i], p[i + 1]});
    return t;
}

// The enclosed volume of a mesh, taken about a point near it so that far
// coordinates lose nothing.
double MeshVolume(const GmMesh &m)
{
    const Vec3 c = m.points.front();
    double v = 0.0;
    for (const auto &p : m.polygons)
        for (size_t i = 1; i + 1 < p.size(); ++i)
            v += (m.points[size_t(p[0])] - c).Dot((m.points[size_t(p[i])] - c).Cross(m.points[size_t(p[i + 1])] - c));
    return v / 6.0;
}

// The enclosed volume of a geometry's faces (every loop, holes included),
// taken about a point near it.
double GeomVolume(GmGeom &g)
{
    std::vector<GmFace *> faces = g.liveFaces();
    if (faces.empty())
        return 0.0;
    const Vec3 c = g.liveNodes().front()->position;
    double v = 0.0;
    for (GmFace *f : faces)
        for (GmLoop *l : f->loops) {
            std::vector<GmNode *> n = loop_nodes(l);
            for (size_t i = 1; i + 1 < n.size(); ++i)
                v += (n[0]->position - c).Dot((n[i]->position - c).Cross(n[i + 1]->position - c));
        }
    return v / 6.0;
}

double MeshArea(const GmMesh &m)
{
    double a = 0.0;
    for (const auto &p : m.polygons)
        for (size_t i = 1; i + 1 < p.size(); ++i)
            a += (m.points[size_t(p[i])] - m.points[size_t(p[0])])
                     .Cross(m.points[size_t(p[i + 1])] - m.points[size_t(p[0])])
                     .Length() /
                 2.0;
    return a;
}

double MeshSize(const GmMesh &a, const GmMesh &b)
{
    Vec3 lo = a.points.front(), hi = lo;
    for (const GmMesh *m : {&a, &b})
        for (const Vec3 &p : m->points)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
    return std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
}

// What a result must be: its volume, or (when only identities between the
// three operations are known) a negative number.
struct Expected {
    double unite = -1.0, intersect = -1.0, subtract = -1.0;
};

struct Case {
    std::string what;
    GmMesh a, b;
    Expected exact;
};

struct Tally {
    int runs = 0;
    int failures = 0;
    std::vector<std::string> wrong;
    std::vector<std::string> failed;
};

// Runs the three operations on a case moved by `offset`, checks each
// result and records failures and wrong results.
void RunCase(const Case &c, const Vec3 &offset, Tally &tally)
{
    GmMesh a = c.a, b = c.b;
    transformMesh(a, Mat3::Identity(), offset);
    transformMesh(b, Mat3::Identity(), offset);
    GmMeshResult ga = geom_from_mesh_request(a), gb = geom_from_mesh_request(b);
    ASSERT_TRUE(ga.ok && gb.ok) << c.what;
    const double va = MeshVolume(a), vb = MeshVolume(b);
    // Points closer than the kernel's tolerance (a millionth of the pair's
    // size, about) are one point: a surface may move by that much, and the
    // volume with it.
    const double slack = 4e-6 * MeshSize(a, b) * (MeshArea(a) + MeshArea(b)) + 1e-9 * std::max(va, vb);
    const GmBoolOp ops[3] = {GmBoolOp::Union, GmBoolOp::Intersection, GmBoolOp::Difference};
    const char *names[3] = {"union", "intersection", "difference"};
    const double exact[3] = {c.exact.unite, c.exact.intersect, c.exact.subtract};
    double got[3] = {-1.0, -1.0, -1.0};
    for (int k = 0; k < 3; ++k) {
        ++tally.runs;
        GmBooleanResult r = RunBool(ops[k], *ga.geom, *gb.geom);
        const std::string label = c.what + " " + names[k];
        if (!r.ok) {
            ++tally.failures;
            tally.failed.push_back(label + ": " + r.message);
            continue;
        }
        GmValidityReport v = check_validity(*r.geom);
        got[k] = GeomVolume(*r.geom);
        if (!v.ok)
            tally.wrong.push_back(label + ": not a valid solid: " + summary(v));
        else if (exact[k] >= 0.0 && std::abs(got[k] - exact[k]) > slack)
            tally.wrong.push_back(label + ": volume " + std::to_string(got[k]) + ", not " + std::to_string(exact[k]));
    }
    // Identities that hold whatever the shapes: what two of the operations
    // give fixes the third.
    if (got[0] >= 0.0 && got[1] >= 0.0 && std::abs(got[0] + got[1] - va - vb) > slack)
        tally.wrong.push_back(c.what + ": union + intersection = " + std::to_string(got[0] + got[1]) +
                              ", not the operands' " + std::to_string(va + vb));
    if (got[1] >= 0.0 && got[2] >= 0.0 && std::abs(got[1] + got[2] - va) > slack)
        tally.wrong.push_back(c.what + ": intersection + difference = " + std::to_string(got[1] + got[2]) +
                              ", not A's " + std::to_string(va));
}

Mat3 RandomRotation(std::mt19937 &rng)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Vec3 axis(u(rng), u(rng), u(rng));
    if (axis.Length() < 1e-3)
        axis = Vec3(0, 0, 1);
    return Rotation(axis / axis.Length(), 3.141592653589793 * u(rng)).GetMat3();
}

GmMesh Moved(GmMesh m, const Mat3 &r, const Vec3 &t)
{
    transformMesh(m, r, t);
    return m;
}

// The suite: boxes on a coarse grid in one common rotation (so that faces
// are often coplanar or touching, and the exact volumes are known), boxes
// against spheres and cylinders at random, nested shapes, and shapes
// against a copy of themselves scaled or shifted by a hair.
std::vector<Case> MakeCases()
{
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> grid(0, 8);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<Case> cases;
    auto interval = [&](double &lo, double &hi) {
        int a = grid(rng), b = grid(rng);
        while (a == b)
            b = grid(rng);
        lo = 0.25 * std::min(a, b);
        hi = 0.25 * std::max(a, b);
    };
    for (int i = 0; i < 120; ++i) {
        const Mat3 r = i % 3 == 0 ? Mat3::Identity() : RandomRotation(rng);
        Vec3 a0, a1, b0, b1;
        for (int k = 0; k < 3; ++k) {
            interval(a0[k], a1[k]);
            interval(b0[k], b1[k]);
        }
        double overlap = 1.0;
        for (int k = 0; k < 3; ++k)
            overlap *= std::max(0.0, std::min(a1[k], b1[k]) - std::max(a0[k], b0[k]));
        const double va = (a1 - a0).x * (a1 - a0).y * (a1 - a0).z, vb = (b1 - b0).x * (b1 - b0).y * (b1 - b0).z;
        Case c{"boxes " + std::to_string(i), Moved(boxMesh(a0, a1), r, Vec3()), Moved(boxMesh(b0, b1), r, Vec3()),
               {va + vb - overlap, overlap, va - overlap}};
        cases.push_back(std::move(c));
    }
    for (int i = 0; i < 60; ++i) {
        const Mat3 r = RandomRotation(rng);
        GmMesh box = Moved(boxMesh(Vec3(-0.7, -0.5, -0.4), Vec3(0.7, 0.5, 0.4)), r, Vec3());
        const Vec3 at(0.8 * u(rng), 0.8 * u(rng), 0.8 * u(rng));
        GmMesh other = i % 2 ? uvSphereMesh(at, 0.3 + 0.3 * std::abs(u(rng)), 16)
                             : Moved(cylinderMesh(Vec3(0, 0, -0.5), 0.3, 1.0, 16), RandomRotation(rng), at);
        cases.push_back(Case{(i % 2 ? "box and sphere " : "box and cylinder ") + std::to_string(i), box, other, {}});
    }
    for (int i = 0; i < 40; ++i) {
        const Mat3 r = RandomRotation(rng);
        GmMesh outer = Moved(boxMesh(Vec3(-1, -1, -1), Vec3(1, 1, 1)), r, Vec3());
        GmMesh inner = i % 2 ? uvSphereMesh(Vec3(0.2 * u(rng), 0.2 * u(rng), 0.2 * u(rng)), 0.5, 12)
                             : Moved(boxMesh(Vec3(-0.5, -0.4, -0.3), Vec3(0.5, 0.4, 0.3)), RandomRotation(rng), Vec3());
        const double vo = 8.0, vi = MeshVolume(inner);
        cases.push_back(Case{"nested " + std::to_string(i), outer, inner, {vo, vi, vo - vi}});
        cases.push_back(Case{"nested, inner first " + std::to_string(i), inner, outer, {vo, vi, 0.0}});
    }
    for (int i = 0; i < 40; ++i) {
        const Mat3 r = RandomRotation(rng);
        GmMesh a = i % 2 ? Triangulated(Moved(boxMesh(Vec3(-0.5, -0.5, -0.5), Vec3(0.5, 0.5, 0.5)), r, Vec3()))
                         : Moved(uvSphereMesh(Vec3(), 0.6, 12), r, Vec3());
        GmMesh b = a;
        const double hairs[4] = {1e-6, 3e-6, 1e-7, 1e-5};
        const double hair = hairs[i % 4];
        if (i % 3 == 0)
            {
            const double k = 1.0 + hair;
            const double rows[3][3] = {{k, 0, 0}, {0, k, 0}, {0, 0, k}};
            transformMesh(b, Mat3(rows), Vec3());
        }
        else
            transformMesh(b, Mat3::Identity(), Vec3(hair, 2 * hair, -hair));
        cases.push_back(Case{"near-coincident " + std::to_string(i), a, b, {}});
    }
    return cases;
}

// The whole suite at each offset: no wrong result anywhere, and few
// failures. The failure rate per offset is printed for the record.
TEST(BooleanRandom, ResultsAreRightOrHonestFailuresWhereverTheModelStands)
{
    const std::vector<Case> cases = MakeCases();
    for (double offset : {0.0, 1e3, 1e6}) {
        Tally tally;
        for (const Case &c : cases)
            RunCase(c, Vec3(1.0, 0.7, 0.3) * offset, tally);
        const double rate = 100.0 * tally.failures / tally.runs;
        std::printf("[ random booleans ] offset %g: %d runs, %d failures (%.2f %%), %zu wrong\n", offset, tally.runs,
                    tally.failures, rate, tally.wrong.size());
        for (size_t i = 0; i < tally.wrong.size() && i < 10; ++i)
            ADD_FAILURE() << "offset " << offset << ": " << tally.wrong[i];
        EXPECT_TRUE(tally.wrong.empty()) << tally.wrong.size() << " wrong results at offset " << offset;
        for (size_t i = 0; i < tally.failed.size() && i < 5; ++i)
            std::printf("    failed: %s\n", tally.failed[i].c_str());
        EXPECT_LT(rate, 2.0) << "failure rate at offset " << offset;
    }
}

// Two triangulated cubes of side 0.001 far from the origin, the second
// scaled by 1 + 1e-6 about its own centre: each operation gives the
// right solid (or says it failed), never an empty one as a success.
TEST(BooleanRandom, SmallCubesFarFromTheOriginKeepTheirVolume)
{
    const Vec3 centre = Vec3(1.0, 0.7, 0.3) * 1e6;
    const double h = 0.0005, s = 1.0 + 1e-6;
    GmMesh a = Triangulated(boxMesh(centre - Vec3(h, h, h), centre + Vec3(h, h, h)));
    GmMesh b = Triangulated(boxMesh(Vec3(-h, -h, -h) * s, Vec3(h, h, h) * s));
    transformMesh(b, Mat3::Identity(), centre);
    std::unique_ptr<GmGeom> A = FromMesh(a), B = FromMesh(b);
    const double va = 1e-9, vb = 1e-9 * s * s * s;
    struct Op {
        GmBoolOp op;
        const char *name;
        double volume;
    } ops[] = {{GmBoolOp::Union, "union", vb}, {GmBoolOp::Intersection, "intersection", va},
               {GmBoolOp::Difference, "B minus A", vb - va}};
    for (const Op &o : ops) {
        GmBooleanResult r = o.op == GmBoolOp::Difference ? RunBool(o.op, *B, *A) : RunBool(o.op, *A, *B);
        if (!r.ok)
            continue;  // an honest failure
        GmValidityReport v = check_validity(*r.geom);
        EXPECT_TRUE(v.ok) << o.name << ": " << v.text();
        if (o.op != GmBoolOp::Difference) {
            EXPECT_GT(r.geom->faceCount(), 0) << o.name << " came back empty as a success";
        }
        EXPECT_NEAR(GeomVolume(*r.geom), o.volume, 1e-5 * va) << o.name;
    }
}

// Volumes and booleans of a turned unit cube far out: the kernel measures
// about a point near the solid, and its boxes hold any coordinates.
TEST(BooleanRandom, FarOutCubesMeasureAndCombineAsAtTheOrigin)
{
    for (double offset : {1e5, 1e8, 1e9}) {
        const Mat3 turn = Rotation(Vec3(0, 0, 1), 3.141592653589793 / 6).GetMat3();
        const Vec3 at = Vec3(1.0, 0.7, 0.3) * offset;
        std::unique_ptr<GmGeom> a = FromMesh(Moved(boxMesh(Vec3(-0.5, -0.5, -0.5), Vec3(0.5, 0.5, 0.5)), turn, at));
        EXPECT_NEAR(a->volume(), 1.0, 1e-5) << "offset " << offset;
        std::unique_ptr<GmGeom> b =
            FromMesh(Moved(boxMesh(Vec3(0, 0, 0), Vec3(1, 1, 1)), turn, at));  // an eighth inside a
        GmBooleanResult u = RunBool(GmBoolOp::Union, *a, *b);
        ASSERT_TRUE(u.ok) << "offset " << offset << ": " << u.message;
        EXPECT_NEAR(GeomVolume(*u.geom), 1.875, 1e-5) << "offset " << offset;
    }
}

}  // namespace
