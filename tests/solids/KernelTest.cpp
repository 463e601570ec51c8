// The kernel's data model, builders, copy, transform and topology
// operations.
#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <cmath>
#include <set>

#include "SolidTestUtil.h"
#include "solids/GmBoxBuilder.h"
#include "solids/GmError.h"
#include "solids/GmHeal.h"
#include "solids/GmOctree.h"
#include "solids/GmPredicates.h"
#include "solids/GmRadialOrder.h"
#include "solids/GmShellBuilder.h"
#include "solids/GmTopology.h"
#include "solids/GmTriangulate.h"
#include "solids/Solvane.h"

using namespace solvane;
using namespace solvane::test;

namespace {

TEST(Kernel, InitIsIdempotent)
{
    Solvane::Init();
    Solvane::Init();
    EXPECT_TRUE(Solvane::IsInitialized());
}

TEST(Kernel, BoxOfSizes2x4x6)
{
    std::unique_ptr<GmGeom> g(makeBox(2, 4, 6));
    EXPECT_EQ(g->nodeCount(), 8);
    EXPECT_EQ(g->edgeCount(), 12);
    EXPECT_EQ(g->faceCount(), 6);
    std::set<std::tuple<double, double, double>> expected;
    for (int sx : {-1, 1}) {
        for (int sy : {-1, 1}) {
            for (int sz : {-1, 1}) {
                expected.insert({sx * 1.0, sy * 2.0, sz * 3.0});
            }
        }
    }
    std::set<std::tuple<double, double, double>> actual;
    for (GmNode *n : g->liveNodes()) {
        actual.insert({n->position.x, n->position.y, n->position.z});
    }
    EXPECT_EQ(actual, expected);
    std::vector<GmNode *> nodes = g->liveNodes();
    std::vector<GmNode *> top = loop_nodes(g->liveFaces()[0]->loops[0]);
    EXPECT_EQ(top, (std::vector<GmNode *>{nodes[0], nodes[1], nodes[2], nodes[3]}));
    EXPECT_EQ(g->solidCount(), 0);
    EXPECT_EQ(g->build_solids(0), 1);
    EXPECT_EQ(g->solidCount(), 1);
    EXPECT_NEAR(g->volume(), 48.0, 1e-12);
    EXPECT_NEAR(g->area(), 2 * (8 + 12 + 24), 1e-12);
    GmValidityReport r = check_validity(*g);
    EXPECT_TRUE(r.ok) << r.text();
    ASSERT_EQ(r.euler.size(), 1u);
    EXPECT_EQ(r.euler[0], 2);
}

TEST(Kernel, TwoSidedShellBuildingOfABoxGivesTwoShells)
{
    std::unique_ptr<GmGeom> g(makeBox(1, 1, 1));
    GmShellBuilder b(*g);
    std::vector<GmShell *> shells = b.buildTwoSided();
    ASSERT_EQ(shells.size(), 2u);
    EXPECT_NEAR(shells[0]->volume, -1.0, 1e-12);  // the front side: outside
    EXPECT_NEAR(shells[1]->volume, 1.0, 1e-12);
}

TEST(Kernel, MirrorKeepsTheVolume)
{
    std::unique_ptr<GmGeom> g(makeBox(2, 4, 6));
    g->build_solids(0);
    const double rows[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    g->transform(Mat3(rows));
    EXPECT_NEAR(g->volume(), 48.0, 1e-12);
    g->build_solids(0);
    EXPECT_EQ(g->solidCount(), 1);
    EXPECT_NEAR(g->volume(), 48.0, 1e-12);
    EXPECT_TRUE(check_validity(*g).ok) << check_validity(*g).text();
}

TEST(Kernel, TransformMovesAndScales)
{
    std::unique_ptr<GmGeom> g(makeBox(1, 1, 1));
    g->build_solids(0);
    const double rows[3][3] = {{2, 0, 0}, {0, 3, 0}, {0, 0, 4}};
    Vec3 t(10, 0, 0);
    g->transform(Mat3(rows), &t);
    EXPECT_NEAR(g->volume(), 24.0, 1e-12);
    // The tolerance follows the longest stretch (4): the box is widened by it.
    EXPECT_NEAR(g->tolerance(), 4 * GmGeom::kDefaultTolerance, 1e-18);
    EXPECT_NEAR(g->get_bbox().min.x, 9.0 - g->tolerance(), 1e-12);
}

TEST(Kernel, AddNodeTolerance)
{
    GmGeom g;
    GmNode *a = g.add_node({0, 0, 0});
    bool found = false;
    GmNode *b = g.add_node({1e-6, 0, 0}, true, &found);  // exactly the tolerance
    EXPECT_FALSE(found);
    EXPECT_NE(a, b);
    GmNode *c = g.add_node({0, 0.5e-6, 0}, true, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(c, a);
    GmNode *d = g.add_node({0, 0, 0}, true, &found, false);  // no lookup: always new
    EXPECT_NE(d, a);
}

TEST(Kernel, AddNodeIsNotQuadratic)
{
    GmGeom g;
    for (int i = 0; i < 50000; ++i) {
        g.add_node({i * 0.001, (i % 7) * 0.01, 0});
    }
    EXPECT_EQ(g.nodeCount(), 50000);
}

TEST(Kernel, AddEdgeSelfLoopAndShortEdges)
{
    GmGeom g;
    GmNode *a = g.add_node({0, 0, 0});
    GmEdge *self = g.add_edge(a, a);
    EXPECT_EQ(a->edges.size(), 1u);
    EXPECT_TRUE(self->isSelfLoop());
    GmNode *b = g.add_node({5e-7, 0, 0}, true, nullptr, false);
    EXPECT_EQ(g.add_edge(a, b, true, true, true), nullptr);
    GmEdge *e = g.add_edge(a, b, true, true, false);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(g.add_edge(a, b, true, true, true), e);  // the existing edge is returned
}

TEST(Kernel, FaceFromSequenceWithAGapHasTwoLoops)
{
    GmGeom g;
    GmNode *a = g.add_node({0, 0, 0});
    GmNode *b = g.add_node({1, 0, 0});
    GmNode *c = g.add_node({1, 1, 0});
    GmNode *d = g.add_node({0.5, 0.5, 0});
    g.add_edge(a, b);
    g.add_edge(b, c);
    g.add_edge(c, a);
    g.add_edge(d, d);
    GmFace *f = g.add_face({a, b, c, d});
    ASSERT_EQ(f->loops.size(), 2u);
    EXPECT_EQ(f->loops[0]->uses.size(), 3u);
    EXPECT_EQ(f->loops[1]->uses.size(), 1u);
    EXPECT_NEAR(f->normal.z, 1.0, 1e-12);
    EXPECT_NEAR(face_area(f), 0.5, 1e-12);
}

TEST(Kernel, DegenerateFaceKeepsAUnitNormal)
{
    GmGeom g;
    GmNode *a = g.add_node({0, 0, 0});
    GmNode *b = g.add_node({1, 0, 0});
    GmNode *c = g.add_node({2, 0, 0});
    GmFace *f = g.add_triangle(a, b, c);
    EXPECT_NEAR(f->normal.Length(), 1.0, 1e-12);
    EXPECT_EQ(face_area(f), 0.0);
    EXPECT_EQ(remove_degenerate_faces(g), 1);
    EXPECT_EQ(g.faceCount(), 0);
}

TEST(Kernel, SplitSquareOnItsDiagonal)
{
    std::unique_ptr<GmGeom> g(makeBox(1, 1, 1));
    g->build_solids(0);
    GmFace *top = g->liveFaces()[0];
    std::vector<GmNode *> n = loop_nodes(top->loops[0]);
    GmShell *shell = face_shell(top);
    ASSERT_NE(shell, nullptr);
    GmFace *f1 = nullptr, *f2 = nullptr;
    GmEdge *e = split_face(*g, top, n[0], n[2], &f1, &f2);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(top->removed);
    EXPECT_EQ(f1->ref_count, 3);
    EXPECT_EQ(f2->ref_count, 3);
    EXPECT_EQ(e->uses.size(), 2u);
    EXPECT_EQ(face_shell(f1), shell);
    EXPECT_EQ(face_shell(f2), shell);
    EXPECT_EQ(g->faceCount(), 7);
    EXPECT_NEAR(g->volume(), 1.0, 1e-12);
    GmValidityReport r = check_validity(*g);
    EXPECT_TRUE(r.ok) << r.text();
}

TEST(Kernel, SplitEdgeKeepsBothLoopsDirections)
{
    std::unique_ptr<GmGeom> g(makeBox(1, 1, 1));
    g->build_solids(0);
    GmEdge *e = g->liveEdges()[0];
    GmNode *m = g->add_node((e->node1->position + e->node2->position) * 0.5);
    auto [e1, e2] = split_edge(*g, e, m);
    EXPECT_TRUE(e->removed);
    EXPECT_EQ(e1->uses.size(), 2u);
    EXPECT_EQ(e2->uses.size(), 2u);
    EXPECT_EQ(e1->origin, e);
    GmValidityReport r = check_validity(*g);
    EXPECT_TRUE(r.ok) << r.text();
    EXPECT_NEAR(g->volume(), 1.0, 1e-12);
}

TEST(Kernel, CopyGivesAnEqualGeometryAndRenumbersGroups)
{
    std::unique_ptr<GmGeom> g(makeBox(2, 4, 6));
    g->build_solids(0);
    int k = 0;
    for (GmFace *f : g->liveFaces()) {
        f->setGroup(k++ % 2 == 0 ? 0 : 4000000);  // a group near the top of 22 bits
    }
    for (int round = 0; round < 50; ++round) {
        GmGeom copy(*g);
        EXPECT_EQ(copy.nodeCount(), 8);
        EXPECT_EQ(copy.faceCount(), 6);
        EXPECT_NEAR(copy.volume(), 48.0, 1e-12);
        for (GmFace *f : copy.liveFaces()) {
            EXPECT_LE(f->group(), 1u);  // dense per geometry, never overflowing
        }
    }
    GmGeom linked(*g, false);
    EXPECT_EQ(g->liveNodes()[0]->mate, linked.liveNodes()[0]);
}

TEST(Kernel, CopyOfASolidWithTwoShellsGivesTwoSolids)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({3, 0, 0}, {4, 1, 1});
    auto u = boolean_request(GmBoolOp::Union, *A, *B);
    ASSERT_TRUE(u.ok);
    u.geom->mergeSolids();
    ASSERT_EQ(u.geom->solidCount(), 1);
    GmGeom copy(*u.geom);
    EXPECT_EQ(copy.solidCount(), 2);
    EXPECT_NEAR(copy.volume(), 2.0, 1e-12);
}

TEST(Kernel, PointInFaceWithAHole)
{
    GmGeom g;
    auto sq = [&](double a, double b) {
        return std::vector<GmNode *>{g.add_node({a, a, 0}), g.add_node({b, a, 0}), g.add_node({b, b, 0}),
                                     g.add_node({a, b, 0})};
    };
    std::vector<GmNode *> outer = sq(0, 4);
    std::vector<GmNode *> hole = sq(1, 3);
    std::reverse(hole.begin(), hole.end());
    GmFace *f = g.add_face_loops({outer, hole});
    EXPECT_NEAR(face_area(f), 16.0 - 4.0, 1e-12);
    EXPECT_TRUE(point_in_face(f, {0.5, 0.5, 0}));
    EXPECT_FALSE(point_in_face(f, {2, 2, 0}));
    EXPECT_FALSE(point_in_face(f, {5, 2, 0}));
}

TEST(Kernel, RadialOrderAroundAnEdgeWithFourFaces)
{
    // Two boxes sharing an edge, glued: the edge has four uses.
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({1, 1, 0}, {2, 2, 1});
    A->glue(B.get());
    GmEdge *shared = nullptr;
    for (GmEdge *e : A->liveEdges()) {
        if (e->uses.size() == 4) {
            shared = e;
        }
    }
    ASSERT_NE(shared, nullptr);
    sort_radial(shared);
    EXPECT_TRUE(shared->usesSorted);
    // Each use's neighbour on the back side belongs to the same box.
    for (GmEdgeRef *u : shared->uses) {
        int side = 0;
        GmEdgeRef *p = radial_neighbour(u, 1, &side);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(side, 1);
        double cu = u->loop->face->normal.Dot(Vec3(1, 1, 0));
        double cp = p->loop->face->normal.Dot(Vec3(1, 1, 0));
        EXPECT_EQ(cu > 0, cp > 0);  // both faces of the same box
    }
    EXPECT_EQ(A->solidCount(), 2);
    EXPECT_TRUE(check_validity(*A).ok) << check_validity(*A).text();
}

TEST(Kernel, DiamondAngle)
{
    // The last quadrant's formula, 3 - a/(b - a), gives 4 on the
    // positive first axis itself: the same direction as 0.
    EXPECT_DOUBLE_EQ(diamond_angle(1, 0), 4.0);
    EXPECT_DOUBLE_EQ(diamond_angle(1, 1e-9), 1e-9 / (1 + 1e-9));
    EXPECT_DOUBLE_EQ(diamond_angle(0, 1), 1.0);
    EXPECT_DOUBLE_EQ(diamond_angle(-1, 0), 2.0);
    EXPECT_DOUBLE_EQ(diamond_angle(0, -1), 3.0);
    EXPECT_DOUBLE_EQ(diamond_angle(1e-5, 1e-5), 0.0);
}

TEST(Kernel, OctreeRootFromTheSearchBoxAndNoDuplicates)
{
    std::vector<GmBox> boxes;
    for (int i = 0; i < 1000; ++i) {
        GmBox b;
        b.extend(Vec3(1000.0 + i, 1000.0, 1000.0));
        b.extend(Vec3(1001.5 + i, 1001.0, 1001.0));
        boxes.push_back(b);
    }
    GmBox root;
    root.extend(Vec3(900, 900, 900));
    root.extend(Vec3(2100, 1100, 1100));
    GmOctree tree(root, boxes);
    EXPECT_EQ(tree.setAside(), 0);
    GmBox q;
    q.extend(Vec3(1500.2, 1000.5, 1000.5));
    q.extend(Vec3(1500.3, 1000.6, 1000.6));
    std::vector<int> out;
    tree.query(q, out);
    EXPECT_EQ(out, (std::vector<int>{499, 500}));
    GmBox far;
    far.extend(Vec3(0, 0, 0));
    GmOctree small(far, boxes);
    EXPECT_EQ(small.setAside(), 1000);
}

// Boxes that span the search box in two directions (long faces, slabs) are
// not copied into every cell they touch level after level: the entries stay
// proportional to the boxes, and queries still find exactly the overlaps.
TEST(Kernel, OctreeEntriesStayProportionalToTheBoxes)
{
    struct Case {
        const char *what;
        std::function<GmBox(int)> box;
    } cases[] = {
        {"slabs across x and y",
         [](int i) {
             GmBox b;
             b.extend(Vec3(0, 0, i / 512.0));
             b.extend(Vec3(1, 1, (i + 1.5) / 512.0));
             return b;
         }},
        {"rods along z",
         [](int i) {
             GmBox b;
             b.extend(Vec3((i % 23) / 23.0, (i / 23) / 23.0, 0));
             b.extend(Vec3((i % 23 + 1.2) / 23.0, (i / 23 + 1.2) / 23.0, 1));
             return b;
         }},
        {"one box many times",
         [](int) {
             GmBox b;
             b.extend(Vec3(0.49, 0.49, 0.49));
             b.extend(Vec3(0.51, 0.51, 0.51));
             return b;
         }},
    };
    for (const Case &c : cases) {
        std::vector<GmBox> boxes;
        for (int i = 0; i < 512; ++i)
            boxes.push_back(c.box(i));
        GmBox root;
        root.extend(Vec3(0, 0, 0));
        root.extend(Vec3(1, 1, 1));
        GmOctree tree(root, boxes);
        EXPECT_LE(tree.entryCount(), 16 * boxes.size()) << c.what;
        for (int q = 0; q < 512; q += 37) {
            std::vector<int> found, expected;
            tree.query(boxes[size_t(q)], found);
            for (int i = 0; i < 512; ++i)
                if (boxes[size_t(i)].overlaps(boxes[size_t(q)]))
                    expected.push_back(i);
            EXPECT_EQ(found, expected) << c.what << ", query " << q;
        }
    }
}

// Points a few units in the last place off the line through (12, 12) and
// (24, 24): the sign of the orientation is the exact one (worked out in
// 128-bit integers), where plain floating point gets many of them wrong.
TEST(Kernel, OrientationSignIsExactNearACollinearTriple)
{
    const double ulp = std::ldexp(1.0, -53);
    const __int128 scale = static_cast<__int128>(1) << 53;
    int wrongPlain = 0;
    for (int i = 0; i < 64; ++i) {
        for (int j = 0; j < 64; ++j) {
            const double px = 0.5 + i * ulp, py = 0.5 + j * ulp;
            const __int128 ax = (scale / 2) + i, ay = (scale / 2) + j, b = 12 * scale, c = 24 * scale;
            const __int128 exact = (ax - c) * (b - c) - (ay - c) * (b - c);
            const int sign = exact > 0 ? 1 : exact < 0 ? -1 : 0;
            const double got = orient2d(px, py, 12, 12, 24, 24);
            ASSERT_EQ((got > 0) - (got < 0), sign) << "i " << i << ", j " << j;
            const double plain = (px - 24) * (12 - 24) - (py - 24) * (12 - 24);
            wrongPlain += ((plain > 0) - (plain < 0)) != sign;
        }
    }
    EXPECT_GT(wrongPlain, 0) << "the case no longer tells exact from plain arithmetic";
}

TEST(Kernel, TriangulateNonPlanarFaces)
{
    GmGeom g;
    GmNode *q[4] = {g.add_node({0, 0, 0}), g.add_node({1, 0, 0}), g.add_node({1, 1, 0.3}), g.add_node({0, 1, 0})};
    g.add_polygon(4, q);
    std::vector<GmNode *> hex;
    for (int i = 0; i < 6; ++i) {
        double a = i * M_PI / 3.0;
        hex.push_back(g.add_node({10 + std::cos(a), std::sin(a), (i % 2) * 0.2}));
    }
    GmFace *h = g.add_polygon(6, hex.data());
    h->attributes = 0x55;
    std::vector<GmNode *> pent;
    for (int i = 0; i < 5; ++i) {
        double a = i * 2 * M_PI / 5.0;
        pent.push_back(g.add_node({20 + std::cos(a), std::sin(a), 0}));
    }
    g.add_polygon(5, pent.data());
    GmTriangulateStats s = triangulate(g, 1e-3);
    EXPECT_EQ(s.split, 1);
    EXPECT_EQ(s.tessellated, 1);
    EXPECT_EQ(g.faceCount(), 2 + 4 + 1);
    int withAttr = 0;
    for (GmFace *f : g.liveFaces()) {
        withAttr += f->attributes == 0x55;
    }
    EXPECT_EQ(withAttr, 4);
    EXPECT_NE(find_edge(q[0], q[2]), nullptr);
}

TEST(Kernel, HealMergesSplitPiecesBack)
{
    std::unique_ptr<GmGeom> g(makeBox(1, 1, 1));
    g->build_solids(0);
    GmFace *top = g->liveFaces()[0];
    std::vector<GmNode *> n = loop_nodes(top->loops[0]);
    split_face(*g, top, n[0], n[2]);
    EXPECT_EQ(g->faceCount(), 7);
    heal(*g, 1);
    EXPECT_EQ(g->faceCount(), 6);
    EXPECT_NEAR(g->volume(), 1.0, 1e-12);
    EXPECT_TRUE(check_validity(*g).ok);
}

TEST(Kernel, ValidityCheckerFindsAnOpenShell)
{
    GmMesh m = boxMesh({0, 0, 0}, {1, 1, 1});
    m.polygons.pop_back();
    std::unique_ptr<GmGeom> g(geomFromMesh(m));
    GmValidityReport r = check_validity(*g);
    EXPECT_FALSE(r.ok);
}

TEST(Kernel, InternalErrorsAreExceptionsNotStops)
{
    GmGeom g;
    GmNode *a = g.add_node({0, 0, 0});
    GmNode *b = g.add_node({1, 0, 0});
    GmNode *c = g.add_node({0, 1, 0});
    GmFace *f = g.add_triangle(a, b, c);
    GmShell *other = g.new_shell();
    try {
        remove_shell(f, other);
        FAIL() << "no error";
    } catch (const GmInternalError &e) {
        EXPECT_EQ(std::string(e.what()), "Internal Error: GmFace::remove_shell : face doesn't contain this shell ");
    }
    EXPECT_THROW(g.add_node({NAN, 0, 0}), GmInternalError);
}

}  // namespace

namespace {

TEST(Kernel, RegistryPairsAndCleanUp)
{
    std::unique_ptr<GmGeom> a(makeBox(1, 1, 1));
    std::unique_ptr<GmGeom> b(makeBox(1, 1, 1));
    a->build_solids(0);
    GmNode *na = a->liveNodes()[0];
    GmNode *nb = b->liveNodes()[0];
    a->register_pair(na, *b, nb);
    EXPECT_EQ(na->mate, nb);
    EXPECT_EQ(nb->mate, na);
    EXPECT_EQ(a->registry().size(), 1u);
    EXPECT_EQ(b->registry().size(), 1u);
    GmNode *loose = a->add_node({5, 5, 5});
    a->register_self(loose);
    GmFace *free = b->liveFaces()[0];  // b has no solid: the face has no shell use
    b->register_self(free);
    a->clean_registry(true);
    EXPECT_TRUE(a->registry().empty());
    EXPECT_TRUE(loose->removed);       // no edges
    EXPECT_FALSE(na->removed);         // has edges: kept, mark cleared
    EXPECT_EQ(na->mark, 0);
    EXPECT_EQ(na->mate, nullptr);
    b->clean_registry(false);
    EXPECT_TRUE(free->removed);
    EXPECT_EQ(b->registry().size(), 2u);
}

}  // namespace

namespace {

TEST(Kernel, FlipEdgeOfTwoTriangles)
{
    GmGeom g;
    GmNode *a = g.add_node({0, 0, 0});
    GmNode *b = g.add_node({1, 0, 0});
    GmNode *c = g.add_node({1, 1, 0});
    GmNode *d = g.add_node({0, 1, 0});
    GmFace *f1 = g.add_triangle(a, b, c);
    GmFace *f2 = g.add_triangle(a, c, d);
    GmEdge *diag = find_edge(a, c);
    ASSERT_NE(diag, nullptr);
    GmFace *r = g.flip_edge(f1, f2, diag);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(find_edge(a, c), nullptr);
    EXPECT_NE(find_edge(b, d), nullptr);
    EXPECT_EQ(g.faceCount(), 2);
    for (GmFace *f : g.liveFaces()) {
        EXPECT_NEAR(f->normal.z, 1.0, 1e-12);  // orientation kept
        EXPECT_NEAR(face_area(f), 0.5, 1e-12);
    }
}

}  // namespace
