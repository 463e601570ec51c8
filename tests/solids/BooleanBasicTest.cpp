// Booleans on boxes: the acceptance cases of the unit cubes, disjoint,
// face-sharing and identical operands, and the in-place members.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "SolidTestUtil.h"
#include "solids/GmError.h"
#include "solids/GmTopology.h"

using namespace solvane;
using namespace solvane::test;

namespace {

// What each operation makes of two boxes: overlapping unit cubes, disjoint,
// face-sharing and identical cubes, and a cube inside a cube. A result with a
// volume is valid and closed; one without (kBoxPairEmpty) is a success
// without a solid. Counts of -1 are not checked.
constexpr double kBoxPairEmpty = -1.0;

struct BoxPairCase {
    const char *what;
    Vec3 aMin, aMax, bMin, bMax;
    GmBoolOp op;
    double volume;
    int solids = -1, shells = -1, faces = -1, nodes = -1;
};

const BoxPairCase kBoxPairCases[] = {
    {"unit cubes, union", {0, 0, 0}, {1, 1, 1}, {0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}, GmBoolOp::Union, 1.875, 1, 1},
    // The cube [0.5,1]^3 with its six faces merged back.
    {"unit cubes, intersection", {0, 0, 0}, {1, 1, 1}, {0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}, GmBoolOp::Intersection,
     0.125, 1, -1, 6, 8},
    {"unit cubes, difference", {0, 0, 0}, {1, 1, 1}, {0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}, GmBoolOp::Difference, 0.875, 1},
    {"disjoint, union", {0, 0, 0}, {1, 1, 1}, {3, 0, 0}, {4, 1, 1}, GmBoolOp::Union, 2.0, -1, 2},
    {"disjoint, intersection", {0, 0, 0}, {1, 1, 1}, {3, 0, 0}, {4, 1, 1}, GmBoolOp::Intersection, kBoxPairEmpty, 0},
    {"disjoint, difference", {0, 0, 0}, {1, 1, 1}, {3, 0, 0}, {4, 1, 1}, GmBoolOp::Difference, 1.0},
    {"face-sharing, union", {0, 0, 0}, {1, 1, 1}, {1, 0, 0}, {2, 1, 1}, GmBoolOp::Union, 2.0, 1},
    {"face-sharing, intersection", {0, 0, 0}, {1, 1, 1}, {1, 0, 0}, {2, 1, 1}, GmBoolOp::Intersection, kBoxPairEmpty, 0},
    {"face-sharing, difference", {0, 0, 0}, {1, 1, 1}, {1, 0, 0}, {2, 1, 1}, GmBoolOp::Difference, 1.0},
    {"identical, union", {0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {1, 1, 1}, GmBoolOp::Union, 1.0},
    {"identical, intersection", {0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {1, 1, 1}, GmBoolOp::Intersection, 1.0},
    {"identical, difference", {0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {1, 1, 1}, GmBoolOp::Difference, kBoxPairEmpty, 0},
    // The difference leaves a cavity: one solid of two shells.
    {"cube in cube, difference", {0, 0, 0}, {3, 3, 3}, {1, 1, 1}, {2, 2, 2}, GmBoolOp::Difference, 26.0, 1, 2},
    {"cube in cube, union", {0, 0, 0}, {3, 3, 3}, {1, 1, 1}, {2, 2, 2}, GmBoolOp::Union, 27.0},
    {"cube in cube, intersection", {0, 0, 0}, {3, 3, 3}, {1, 1, 1}, {2, 2, 2}, GmBoolOp::Intersection, 1.0},
};

TEST(Boolean, BoxPairsGiveTheExpectedSolids)
{
    for (const BoxPairCase &c : kBoxPairCases) {
        SCOPED_TRACE(c.what);
        auto A = Box(c.aMin, c.aMax);
        auto B = Box(c.bMin, c.bMax);
        auto r = RunBool(c.op, *A, *B);
        if (c.volume == kBoxPairEmpty) {
            ASSERT_TRUE(r.ok) << r.message;
        } else {
            EXPECT_NEAR(ClosedVolume(r), c.volume, 1e-12);
            ASSERT_TRUE(r.ok);
        }
        if (c.solids >= 0) {
            EXPECT_EQ(r.geom->solidCount(), c.solids);
        }
        if (c.shells >= 0) {
            EXPECT_EQ(r.geom->shellCount(), c.shells);
        }
        if (c.faces >= 0) {
            EXPECT_EQ(r.geom->faceCount(), c.faces);
        }
        if (c.nodes >= 0) {
            EXPECT_EQ(r.geom->nodeCount(), c.nodes);
        }
    }
}

TEST(Boolean, AreaAndBoundingBoxOfTheUnion)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    ASSERT_TRUE(u.ok);
    EXPECT_NEAR(u.geom->area(), 6.0 + 6.0 - 6 * 0.25, 1e-12);
    const GmBox &box = u.geom->get_bbox();
    // Widened by the result's tolerance, the one of a unit box (A's).
    EXPECT_NEAR(u.geom->tolerance(), GmGeom::ToleranceForSize(1.0), 1e-18);
    EXPECT_NEAR(box.min.x, -u.geom->tolerance(), 1e-12);
    EXPECT_NEAR(box.max.z, 1.5 + u.geom->tolerance(), 1e-12);
}

// Two shells of a union of disjoint cubes merge into one solid of both.
TEST(Boolean, DisjointCubesMergeIntoOneSolidOfTwoShells)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({3, 0, 0}, {4, 1, 1});
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    ASSERT_TRUE(u.ok) << u.message;
    u.geom->mergeSolids();
    EXPECT_EQ(u.geom->solidCount(), 1);
    EXPECT_EQ(u.geom->shellCount(), 2);
    EXPECT_NEAR(u.geom->volume(), 2.0, 1e-12);
}

TEST(Boolean, FaceSharingCubesUniteWithoutInteriorFace)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({1, 0, 0}, {2, 1, 1});
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    ASSERT_TRUE(u.ok) << u.message;
    for (GmFace *f : u.geom->liveFaces()) {
        bool allAtOne = true;
        for (GmLoop *l : f->loops) {
            for (GmNode *n : loop_nodes(l)) {
                allAtOne = allAtOne && std::abs(n->position.x - 1.0) < 1e-9;
            }
        }
        EXPECT_FALSE(allAtOne) << "interior face left at x = 1";
    }
}

TEST(Boolean, MembersLeaveTheResultInTheReceiver)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    GmGeom *r = A->unite(B.get());
    EXPECT_EQ(r, A.get());
    EXPECT_NEAR(A->volume(), 1.875, 1e-12);
    auto C = Box({0, 0, 0}, {1, 1, 1});
    C->intersect(B.get());
    EXPECT_NEAR(C->volume(), 0.125, 1e-12);
    auto D = Box({0, 0, 0}, {1, 1, 1});
    D->subtract(B.get());
    EXPECT_NEAR(D->volume(), 0.875, 1e-12);
    EXPECT_NEAR(B->volume(), 1.0, 1e-12);  // B as it was
}

TEST(Boolean, CanInteract)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    GmGeom empty;
    EXPECT_FALSE(empty.canInteract(&empty));
    EXPECT_FALSE(empty.canInteract(A.get()));
    GmGeom faces;
    GmNode *a = faces.add_node({0, 0, 0});
    GmNode *b = faces.add_node({1, 0, 0});
    GmNode *c = faces.add_node({0, 1, 0});
    faces.add_triangle(a, b, c);
    EXPECT_TRUE(A->canInteract(&faces));
    // Intersect without solids on either side: A is left empty, no crash.
    GmGeom other;
    EXPECT_EQ(faces.intersect(&other), &faces);
}

TEST(Boolean, CombineCutsBothAndKeepsThemApart)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    A->combine(B.get());
    EXPECT_NEAR(A->volume(), 1.0, 1e-12);
    EXPECT_NEAR(B->volume(), 1.0, 1e-12);
    EXPECT_GT(A->faceCount(), 6);
    EXPECT_TRUE(check_validity(*A).ok) << check_validity(*A).text();
    EXPECT_TRUE(check_validity(*B).ok) << check_validity(*B).text();
}

TEST(Boolean, GlueFusesTheSharedFace)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({1, 0, 0}, {2, 1, 1});
    A->glue(B.get());
    GmValidityReport r = check_validity(*A);
    EXPECT_TRUE(r.ok) << r.text();
    EXPECT_EQ(A->solidCount(), 2);
    EXPECT_NEAR(A->volume(), 2.0, 1e-12);
    EXPECT_EQ(A->faceCount(), 11);  // the shared face once, used by both solids
}

TEST(Boolean, InvalidOperandIsReportedNotFatal)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    GmMesh open = boxMesh({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    open.polygons.pop_back();  // one face missing: not closed
    std::unique_ptr<GmGeom> B(geomFromMesh(open));
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    EXPECT_FALSE(u.ok);
    EXPECT_FALSE(u.message.empty());
    EXPECT_EQ(u.geom, nullptr);
    // One line for the user, without the kernel's element ids.
    EXPECT_EQ(u.message.find('\n'), std::string::npos) << u.message;
    EXPECT_EQ(u.message.find("edge "), std::string::npos) << u.message;
}

// A boolean done in place holds what its result needs: uniting the same
// cube again and again keeps the geometry's records where the first union
// left them.
TEST(Boolean, RepeatedUnionsHoldMemoryForTheResultOnly)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    A->unite(B.get());
    const size_t first = A->storedRecords();
    for (int i = 0; i < 40; ++i)
        A->unite(B.get());
    EXPECT_NEAR(A->volume(), 1.875, 1e-9);
    EXPECT_LE(A->storedRecords(), first + first / 2) << "records of earlier results are kept";
}

// Results that break what every boolean keeps are failures: an empty
// union of two cubes, a difference larger than A, an intersection larger
// than an operand.
TEST(Boolean, ResultsThatBreakCheapIdentitiesAreFailures)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    auto big = Box({-1, -1, -1}, {2, 2, 2});
    GmGeom empty;
    struct Case {
        const char *what;
        GmBoolOp op;
        GmGeom *result;
        bool broken;
    } cases[] = {
        {"empty union", GmBoolOp::Union, &empty, true},
        {"union as large as one cube", GmBoolOp::Union, A.get(), false},
        {"union larger than both", GmBoolOp::Union, big.get(), true},
        {"intersection larger than an operand", GmBoolOp::Intersection, big.get(), true},
        {"empty intersection", GmBoolOp::Intersection, &empty, false},
        {"difference larger than A", GmBoolOp::Difference, big.get(), true},
    };
    for (const Case &c : cases) {
        const std::string broken = check_identities(c.op, *A, *B, *c.result, 1e-6);
        EXPECT_EQ(!broken.empty(), c.broken) << c.what << ": " << broken;
    }
    // A cube less a smaller one keeps at least the difference of volumes.
    auto small = Box({0.5, 0.5, 0.5}, {1, 1, 1});
    EXPECT_FALSE(check_identities(GmBoolOp::Difference, *A, *small, empty, 1e-6).empty());
}

// Combining and gluing check their operands and their result as the other
// operations do: an open operand is a failure, never a result.
TEST(Boolean, CombineAndGlueRefuseAnOpenOperand)
{
    GmMesh open = boxMesh({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    open.polygons.pop_back();
    for (bool glue : {false, true}) {
        set_boolean_validation(true);
        auto A = Box({0, 0, 0}, {1, 1, 1});
        std::unique_ptr<GmGeom> B(geomFromMesh(open, GmGeom::kDefaultTolerance, false));
        const double before = A->volume();
        EXPECT_THROW(glue ? A->glue(B.get()) : A->combine(B.get()), GmOperationFailed) << (glue ? "glue" : "combine");
        EXPECT_NEAR(A->volume(), before, 1e-12) << "A was changed by a refused operation";
    }
}

TEST(Boolean, ResultsDoNotDependOnAddresses)
{
    auto run = [](int padding) {
        std::vector<std::unique_ptr<int[]>> pad;
        for (int i = 0; i < padding; ++i) {
            pad.emplace_back(new int[static_cast<size_t>(17 * i + 3)]);
        }
        auto A = FromMesh(uvSphereMesh({0, 0, 0}, 1.0, 16));
        pad.emplace_back(new int[1234]);
        auto B = FromMesh(uvSphereMesh({0.3, 0.2, 0.1}, 1.0, 16));
        auto r = boolean_request(GmBoolOp::Union, *A, *B);
        std::vector<double> out;
        if (r.ok) {
            for (GmNode *n : r.geom->liveNodes()) {
                out.insert(out.end(), {n->position.x, n->position.y, n->position.z});
            }
            for (GmFace *f : r.geom->liveFaces()) {
                out.push_back(static_cast<double>(f->ref_count));
            }
        }
        return out;
    };
    auto first = run(3);
    auto second = run(101);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
}

}  // namespace

namespace {

TEST(Boolean, AttributesAndGroupsFollowThePieces)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5});
    for (GmFace *f : A->liveFaces()) {
        f->attributes = 0xA;
        f->setGroup(7);
    }
    for (GmFace *f : B->liveFaces()) {
        f->attributes = 0xB;
        f->setGroup(7);  // the same number: must not merge with A's group
    }
    A->liveSolids()[0]->attributes = 0x5;
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    ASSERT_TRUE(u.ok) << u.message;
    std::set<uint32_t> groupsA, groupsB;
    for (GmFace *f : u.geom->liveFaces()) {
        ASSERT_TRUE(f->attributes == 0xA || f->attributes == 0xB);
        (f->attributes == 0xA ? groupsA : groupsB).insert(f->group());
    }
    ASSERT_EQ(groupsA.size(), 1u);
    ASSERT_EQ(groupsB.size(), 1u);
    EXPECT_NE(*groupsA.begin(), *groupsB.begin());
    EXPECT_LE(std::max(*groupsA.begin(), *groupsB.begin()), 2u);
    EXPECT_EQ(u.geom->liveSolids()[0]->attributes, 0x5u);
}

}  // namespace
