// The point deformers one by one (their point functions, the guards against
// degenerate settings), the arc-length polyline, and the deform path through
// the modifier stack: what the box action measures of a deformed shape, a
// singular gizmo, and the gizmo group a modifier builds on its object.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "solids/Solvane.h"
#include "solids/modifiers/R3GenPolyFunc.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgFFDBoxModifier.h"
#include "solids/modifiers/SgMeltModifier.h"
#include "solids/modifiers/SgPathModifier.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "solids/modifiers/SgWaveModifier.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class DeformerTest : public ::testing::Test {
protected:
    void SetUp() override { solvane::Solvane::Init(); }
};

bool Near(const Vec3 &a, const Vec3 &b, double tolerance = 1e-9)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.z - b.z) <= tolerance;
}

std::string Text(const Vec3 &p)
{
    return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.z) + ")";
}

Vec3 Deform(SgDeformModifier *modifier, const Vec3 &p)
{
    Vec3 in = p, out;
    modifier->DeformPoints(1, &in, &out);
    return out;
}

struct PointCase {
    const char *what;
    std::function<SgDeformModifier *()> make;
    Vec3 in;
    Vec3 expected;
};

TEST_F(DeformerTest, EachDeformerMovesPointsAsItsFormulaSays)
{
    auto bend = [](double angle, Vec3f box) {
        return [=] {
            auto *m = new SgBendModifier;
            m->m_angle.Set(angle);
            m->m_boxSize.Set(box);
            return m;
        };
    };
    auto twist = [](double angle, Vec3f box) {
        return [=] {
            auto *m = new SgTwistModifier;
            m->m_angle.Set(angle);
            m->m_boxSize.Set(box);
            return m;
        };
    };
    auto melt = [](double amount, double spread) {
        return [=] {
            auto *m = new SgMeltModifier;
            m->m_amount.Set(amount);
            m->m_spredPcnt.Set(spread);
            return m;
        };
    };
    auto wave = [](double length, double phase) {
        return [=] {
            auto *m = new SgWaveModifier;
            m->m_waveLength.Set(length);
            m->m_phase.Set(phase);
            m->m_amplitude2.Set(0.5);
            return m;
        };
    };
    auto path = [](int axis, double roll) {
        return [=] {
            auto *m = new SgPathModifier;
            m->m_axis.Set(axis);
            m->m_rotationConst.Set(roll);
            return m;
        };
    };
    const Vec3f cube(2, 2, 2);
    const PointCase cases[] = {
        {"bend keeps the low face", bend(kPi / 2, cube), {0, 0, -1}, {0, 0, -1}},
        {"bend rolls the far face a quarter turn", bend(kPi / 2, cube), {0, 0, 1}, {1 + 4 / kPi, 0, 4 / kPi}},
        {"bend never moves y", bend(kPi / 2, cube), {0, 0.7, -1}, {0, 0.7, -1}},
        {"bend by a negative angle goes to -x", bend(-kPi / 2, cube), {0, 0, 1}, {-1 - 4 / kPi, 0, 4 / kPi}},
        {"bend below 1e-6 is no bend", bend(5e-7, cube), {0.3, 0.2, 1}, {0.3, 0.2, 1}},
        {"bend of a flat box is no bend", bend(kPi / 2, Vec3f(2, 2, 0)), {0.3, 0.2, 1}, {0.3, 0.2, 1}},
        {"twist by 0 keeps points", twist(0, cube), {0.5, 0.25, 1}, {0.5, 0.25, 1}},
        {"twist keeps the z axis", twist(1.3, cube), {0, 0, 0.8}, {0, 0, 0.8}},
        {"twist turns by angle z / h", twist(kPi, cube), {1, 0, 1}, {0, 1, 1}},
        {"twist of a flat box keeps points", twist(kPi, Vec3f(2, 2, 0)), {1, 0, 1}, {1, 0, 1}},
        {"melt with defaults floors z at 0.001", melt(0, 0), {0.5, 0.5, -2}, {0.5, 0.5, 0.001}},
        {"melt spread 100 doubles x and y", melt(0, 100), {0.5, -0.25, 1}, {1, -0.5, 1}},
        {"melt sinks with the distance from the axis", melt(0.5, 0), {3, 4, 10}, {3, 4, 7.5}},
        {"wave at the origin lifts by amplitude2 sin(2 pi phase)", wave(2, 0.25), {0, 0, 1}, {0, 0, 1.5}},
        {"wave of no length keeps points", wave(0, 0.25), {0.3, 0.4, 1}, {0.3, 0.4, 1}},
        {"path with defaults keeps points", path(0, 0), {0.3, 0.4, 0.5}, {0.3, 0.4, 0.5}},
        {"path along z without a path gives (z, x, y)", path(2, 0), {1, 2, 3}, {3, 1, 2}},
        {"path roll below 1e-10 is no roll", path(0, 1e-11), {1, 2, 3}, {1, 2, 3}},
        {"path roll of a quarter turn", path(0, kPi / 2), {1, 2, 3}, {1, -3, 2}},
    };
    for (const PointCase &c : cases) {
        SgRef<SgDeformModifier> modifier(c.make());
        const Vec3 out = Deform(modifier.get(), c.in);
        EXPECT_TRUE(Near(out, c.expected, 1e-9)) << c.what << ": got " << Text(out) << ", wanted " << Text(c.expected);
    }
}

TEST_F(DeformerTest, FreeFormBoxAtRestIsTheIdentityAndMovesWithItsCorner)
{
    struct DegreeCase {
        int n, m, l;
    };
    for (const DegreeCase d : {DegreeCase{1, 1, 1}, {2, 3, 1}, {4, 4, 4}}) {
        SgRef<SgFFDBoxModifier> ffd(new SgFFDBoxModifier);
        ffd->m_width.Set(d.n);
        ffd->m_length.Set(d.m);
        ffd->m_height.Set(d.l);
        ffd->m_boxSize.Set(Vec3f(2, 3, 4));
        ffd->m_latticeOrigin.Set(Vec3(-1, -1.5, -2));
        for (const Vec3 p : {Vec3(0, 0, 0), Vec3(-1, -1.5, -2), Vec3(0.3, 1.2, -0.7), Vec3(2, 2, 3)}) {
            EXPECT_TRUE(Near(Deform(ffd.get(), p), p, 1e-9))
                << "degrees " << d.n << d.m << d.l << " at " << Text(p) << " gave " << Text(Deform(ffd.get(), p));
        }
    }

    // Degrees 1, 1, 1: the far corner's control point is the last of the
    // top layer's ring (3 of 4), offsets from the origin in "controlPoints".
    SgRef<SgFFDBoxModifier> ffd(new SgFFDBoxModifier);
    ffd->m_width.Set(1);
    ffd->m_length.Set(1);
    ffd->m_height.Set(1);
    ffd->m_boxSize.Set(Vec3f(1, 1, 1));
    std::vector<Vec3> rest = ffd->RestLattice();
    ASSERT_EQ(rest.size(), 8u);
    EXPECT_TRUE(Near(rest[6], Vec3(1, 1, 1)));
    rest[6] += Vec3(0.5, 0, 0);
    std::vector<Vec3f> offsets;
    for (const Vec3 &p : rest)
        offsets.emplace_back(p);
    ffd->m_controlPoints.SetVals(int(offsets.size()), offsets.data());
    EXPECT_TRUE(Near(Deform(ffd.get(), Vec3(1, 1, 1)), Vec3(1.5, 1, 1), 1e-6));
    EXPECT_TRUE(Near(Deform(ffd.get(), Vec3(0, 0, 0)), Vec3(0, 0, 0), 1e-6));
}

TEST_F(DeformerTest, FreeFormBoxRefusesDegreesItHasNoTableForAndFlatBoxes)
{
    SgDiagCapture capture;
    SgRef<SgFFDBoxModifier> ffd(new SgFFDBoxModifier);
    ffd->m_width.Set(40);
    ffd->m_length.Set(-3);
    ffd->m_boxSize.Set(Vec3f(0, 1, 1));
    const Vec3 out = Deform(ffd.get(), Vec3(0.5, 0.5, 0.5));
    EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z)) << Text(out);
    EXPECT_TRUE(capture.Contains("\"width\" 40 is outside 1 .. 12")) << capture.GetText();
    EXPECT_TRUE(capture.Contains("\"length\" -3 is outside")) << capture.GetText();
}

TEST_F(DeformerTest, PolylineIsParametrisedByArcLength)
{
    const Vec3 square[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    R3GenPolyFunc closed(square, 4, true);
    R3GenPolyFunc open(square, 4, false);
    EXPECT_DOUBLE_EQ(closed.Length(), 4.0);
    EXPECT_TRUE(Near(closed(0.625), Vec3(0.5, 1, 0))) << Text(closed(0.625));
    EXPECT_TRUE(Near(closed(0.0), square[0]));
    EXPECT_TRUE(Near(closed(1.0), square[0])) << Text(closed(1.0));
    EXPECT_TRUE(Near(open(1.0), square[3])) << Text(open(1.0));
    EXPECT_TRUE(Near(open(0.5), Vec3(1, 0.5, 0))) << Text(open(0.5));
    for (int i = 0; i <= 100; ++i) {
        const double t = i / 100.0;
        const Vec3 p = closed(t);
        // Every point lies on the square's outline.
        const bool onOutline = std::fabs(p.x) < 1e-9 || std::fabs(p.x - 1) < 1e-9 || std::fabs(p.y) < 1e-9 ||
                               std::fabs(p.y - 1) < 1e-9;
        EXPECT_TRUE(onOutline) << "t " << t << " gave " << Text(p);
    }

    // Repeated points and a polyline of no length never divide by zero.
    const Vec3 repeated[] = {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 2, 0}};
    R3GenPolyFunc withRepeats(repeated, 6, false);
    EXPECT_TRUE(Near(withRepeats(0.25), Vec3(1, 0, 0))) << Text(withRepeats(0.25));
    EXPECT_TRUE(Near(withRepeats(0.75), Vec3(2, 1, 0))) << Text(withRepeats(0.75));
    const Vec3 still[] = {{1, 2, 3}, {1, 2, 3}};
    R3GenPolyFunc noLength(still, 2, false);
    EXPECT_TRUE(Near(noLength(0.5), still[0]));
    R3GenPolyFunc empty(nullptr, 0, false);
    EXPECT_TRUE(Near(empty(0.5), Vec3(0, 0, 0)));

    Vec3 normal;
    double offset = 0;
    ASSERT_TRUE(PlaneThroughPoints({0, 0, 2}, {1, 0, 2}, {0, 1, 2}, normal, offset));
    EXPECT_TRUE(Near(normal, Vec3(0, 0, -1)) || Near(normal, Vec3(0, 0, 1))) << Text(normal);
    EXPECT_NEAR(normal.Dot(Vec3(5, 7, 2)), offset, 1e-12);
    EXPECT_FALSE(PlaneThroughPoints({0, 0, 0}, {1, 1, 1}, {2, 2, 2}, normal, offset));
}

// A unit cube as a face set, centred on the origin.
SgFaceSet *CubeFaces(double half = 1.0)
{
    auto *faces = new SgFaceSet;
    std::vector<Vec3> v;
    for (int i = 0; i < 8; ++i)
        v.emplace_back((i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? half : -half);
    faces->m_vertices.SetVals(8, v.data());
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    std::vector<int> indexes;
    std::vector<unsigned short> sizes, loops;
    for (const auto &q : quads) {
        indexes.insert(indexes.end(), q, q + 4);
        sizes.push_back(4);
        loops.push_back(1);
    }
    faces->m_indexes.SetVals(int(indexes.size()), indexes.data());
    faces->m_sizes.SetVals(int(sizes.size()), sizes.data());
    faces->m_loopCount.SetVals(int(loops.size()), loops.data());
    return faces;
}

Range<Vec3f> BoxOf(SgNode *root)
{
    return SgBoundingBoxAction::CalcBoundingBox(SgPath(*root));
}

TEST_F(DeformerTest, DeformedFaceSetIsMeasuredWhereTheModifierPutsIt)
{
    // The bend of the numeric case: the cube's top corners go to
    // x = 1 + 4/pi -/+ ... ; the box must reach past x = 1.
    SgRef<SgSeparator> root(new SgSeparator);
    SgRef<SgBendModifier> bend(new SgBendModifier);
    bend->m_boxSize.Set(Vec3f(2, 2, 2));
    bend->m_angle.Set(kPi / 2);
    SgRef<SgFaceSet> cube(CubeFaces());
    root->AddChild(bend.get());
    root->AddChild(cube.get());
    const Range<Vec3f> box = BoxOf(root.get());
    // (1, y, 1) goes to (cx, y, 4/pi - 0) with cx = 1 + 4/pi: the far end
    // lies at x between 1 + 4/pi - 2 and 1 + 4/pi.
    EXPECT_NEAR(box.GetMax().x, 1 + 4 / kPi, 1e-5);
    EXPECT_NEAR(box.GetMin().z, -1, 1e-5);
    EXPECT_NEAR(box.GetMax().z, 1 + 4 / kPi, 1e-5);

    // Two deformers in a row: the second starts from the first one's points.
    SgRef<SgMeltModifier> melt(new SgMeltModifier);
    melt->m_spredPcnt.Set(100);
    melt->m_localTransform.Set(1);
    root->AddChildBefore(melt.get(), bend.get());
    const Range<Vec3f> both = BoxOf(root.get());
    EXPECT_NEAR(both.GetMax().x, 2 * (1 + 4 / kPi), 1e-4);

    // The face set's own fields stay as they were.
    EXPECT_TRUE(Near(cube->m_vertices.GetValues()[7], Vec3(1, 1, 1)));
}

TEST_F(DeformerTest, ShapeSharedUnderABendAndOutsideItIsMeasuredBentOnlyUnderIt)
{
    // One shape used twice: once after a bend, once on its own. Whichever is
    // measured first, the plain use keeps the shape's own extent, and the
    // bent use its bent one.
    struct Case {
        const char *what;
        std::function<SgShape *()> make;
    };
    const Case cases[] = {
        {"face set", [] { return CubeFaces(); }},
        {"procedural shape",
         [] {
             auto *cylinder = new SgCylinder;
             cylinder->m_height.Set(2.0);
             cylinder->m_segments.Set(24);
             return cylinder;
         }},
    };
    auto same = [](const Range<Vec3f> &a, const Range<Vec3f> &b) {
        return Near(Vec3(a.GetMin()), Vec3(b.GetMin()), 1e-6) && Near(Vec3(a.GetMax()), Vec3(b.GetMax()), 1e-6);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgShape> shape(c.make());
        SgRef<SgSeparator> bent(new SgSeparator);
        SgRef<SgBendModifier> bend(new SgBendModifier);
        bend->m_boxSize.Set(Vec3f(2, 2, 2));
        bend->m_angle.Set(kPi / 2);
        bent->AddChild(bend.get());
        bent->AddChild(shape.get());
        SgRef<SgSeparator> plain(new SgSeparator);
        plain->AddChild(shape.get());
        SgRef<SgSeparator> both(new SgSeparator);
        both->AddChild(bent.get());
        both->AddChild(plain.get());

        const Range<Vec3f> own = BoxOf(plain.get());
        const Range<Vec3f> curled = BoxOf(bent.get());
        EXPECT_GT(curled.GetMax().x, own.GetMax().x + 0.5) << "the bend did not act";
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round == 0 ? "after the bent use" : "after the whole scene");
            EXPECT_TRUE(same(BoxOf(plain.get()), own)) << Text(Vec3(BoxOf(plain.get()).GetMax()));
            EXPECT_TRUE(same(BoxOf(bent.get()), curled)) << Text(Vec3(BoxOf(bent.get()).GetMax()));
            // The whole scene holds both: the bent use reaches furthest out.
            EXPECT_NEAR(BoxOf(both.get()).GetMax().x, curled.GetMax().x, 1e-6);
        }
    }
}

TEST_F(DeformerTest, ProceduralShapeUnderABendIsMeasuredBent)
{
    SgRef<SgSeparator> root(new SgSeparator);
    SgRef<SgBendModifier> bend(new SgBendModifier);
    bend->m_boxSize.Set(Vec3f(1, 1, 3));
    bend->m_angle.Set(kPi);
    SgRef<SgCylinder> cylinder(new SgCylinder);
    cylinder->m_height.Set(3.0);
    cylinder->m_segments.Set(24);
    root->AddChild(bend.get());
    root->AddChild(cylinder.get());
    const Range<Vec3f> box = BoxOf(root.get());
    // Half a turn of radius 3/pi about x = 0.5 + 3/pi: the far end comes back
    // to z = -1.5 beside the start.
    EXPECT_NEAR(box.GetMax().x, 2 * (0.5 + 3 / kPi) + 0.5, 0.02);
    EXPECT_NEAR(box.GetMax().z, 1 + 3 / kPi - 1.5, 0.02);
}

TEST_F(DeformerTest, SingularGizmoLeavesTheShapeAloneWithADiagnostic)
{
    SgDiagCapture capture;
    SgRef<SgSeparator> root(new SgSeparator);
    SgRef<SgBendModifier> bend(new SgBendModifier);
    bend->m_angle.Set(1.0);
    SgRef<SgTransform> flat(new SgTransform);
    flat->m_scaleFactor.Set(Vec3(1, 0, 1));
    bend->m_gizmoTransform.Set(NodePtr(flat.get()));
    SgRef<SgFaceSet> cube(CubeFaces());
    root->AddChild(bend.get());
    root->AddChild(cube.get());
    const Range<Vec3f> box = BoxOf(root.get());
    EXPECT_NEAR(box.GetMax().x, 1, 1e-6);
    EXPECT_NEAR(box.GetMin().z, -1, 1e-6);
    EXPECT_TRUE(capture.Contains("singular; the shape is left undeformed")) << capture.GetText();
    EXPECT_FALSE(capture.Contains("Non-singular")) << capture.GetText();
}

TEST_F(DeformerTest, ValuesThatAreNotFiniteLeaveTheShapeAloneWithAMessage)
{
    const double nan = std::nan(""), inf = HUGE_VAL;
    struct Case {
        const char *what;
        std::function<SgDeformModifier *()> make;
    };
    const Case cases[] = {
        {"bend angle NaN",
         [&] {
             auto *m = new SgBendModifier;
             m->m_boxSize.Set(Vec3f(2, 2, 2));
             m->m_angle.Set(nan);
             return m;
         }},
        {"twist angle infinite",
         [&] {
             auto *m = new SgTwistModifier;
             m->m_boxSize.Set(Vec3f(2, 2, 2));
             m->m_angle.Set(inf);
             return m;
         }},
        {"melt amount infinite",
         [&] {
             auto *m = new SgMeltModifier;
             m->m_amount.Set(inf);
             return m;
         }},
        {"wave phase NaN",
         [&] {
             auto *m = new SgWaveModifier;
             m->m_waveLength.Set(2.0);
             m->m_amplitude2.Set(0.5);
             m->m_phase.Set(nan);
             return m;
         }},
    };
    for (const Case &c : cases) {
        SgDiagCapture capture;
        SgRef<SgSeparator> root(new SgSeparator);
        SgRef<SgDeformModifier> modifier(c.make());
        modifier->SetName("odd");
        SgRef<SgFaceSet> cube(CubeFaces());
        root->AddChild(modifier.get());
        root->AddChild(cube.get());
        const Range<Vec3f> box = BoxOf(root.get());
        EXPECT_NEAR(box.GetMin().x, -1, 1e-6) << c.what;
        EXPECT_NEAR(box.GetMax().z, 1, 1e-6) << c.what << ": the shape vanished or moved";
        EXPECT_TRUE(capture.Contains("odd")) << c.what << ": " << capture.GetText();
        EXPECT_TRUE(capture.Contains("not a finite number")) << c.what << ": " << capture.GetText();
    }
}

TEST_F(DeformerTest, LocalDeformerWithAnIdentityMappingKeepsThePointsWhateverTheGizmo)
{
    SgRef<SgSeparator> root(new SgSeparator);
    SgRef<SgTwistModifier> twist(new SgTwistModifier);
    twist->m_localTransform.Set(1);
    SgRef<SgTransform> moved(new SgTransform);
    moved->m_translation.Set(Vec3(5, 5, 5));
    twist->m_gizmoTransform.Set(NodePtr(moved.get()));
    SgRef<SgFaceSet> cube(CubeFaces());
    root->AddChild(twist.get());
    root->AddChild(cube.get());
    const Range<Vec3f> box = BoxOf(root.get());
    EXPECT_NEAR(box.GetMin().x, -1, 1e-6);
    EXPECT_NEAR(box.GetMax().z, 1, 1e-6);
}

TEST_F(DeformerTest, GizmoGroupTakesTheModifierOverAndFitsItsBox)
{
    // AddGizmo: the modifier moves into a new group after its old place.
    SgRef<SgObject> object(new SgObject(true, true));
    SgRef<SgBendModifier> bend(new SgBendModifier);
    object->AddPropertyNode(bend.get(), false);
    SgRef<SgFaceSet> cube(CubeFaces());
    object->AddChild(cube.get());
    SgNode *group = bend->AddGizmo(object.get());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetClassID(), SgGizmoGroup::ClassID());
    EXPECT_EQ(group->GetChild(0), bend.get());
    EXPECT_EQ(object->FindPropertyNode(SgBendModifier::ClassID()), nullptr);
    EXPECT_NE(object->FindPropertyNode(SgGizmoGroup::ClassID()), nullptr);
    ASSERT_NE(bend->GetGizmoTransform(), nullptr);
    EXPECT_TRUE(Near(bend->GetGizmoTransform()->m_translation.Get(true), Vec3(0, 0, 0)));
    // The wire box spans -0.5 .. 0.5 around the gizmo.
    const Range<Vec3f> wire = BoxOf(group->GetChild(1));
    EXPECT_NEAR(wire.GetMin().x, -0.5, 1e-6);
    EXPECT_NEAR(wire.GetMax().z, 0.5, 1e-6);
    // Seen through the group, the modifier bends its own box: a quarter turn
    // rolls the far face over to x = 0.5 + 2/pi.
    bend->m_angle.Set(kPi / 2);
    const Range<Vec3f> bent = BoxOf(group);
    EXPECT_NEAR(bent.GetMax().x, 0.5 + 2 / kPi, 1e-3);
    // And the object's cube (twice the box) after the group is bent as well:
    // its far corner at x = -1, z = 1 turns by 3/4 of a half turn about
    // x = cx = 0.5 + 2/pi.
    const double cx = 0.5 + 2 / kPi;
    EXPECT_NEAR(BoxOf(object.get()).GetMax().x, cx + std::sqrt(0.5) * (cx + 1), 1e-3);

    // Fitted to an object of box (-1,-2,-3)..(1,2,3), at its corner.
    SgRef<SgObject> tall(new SgObject(true, true));
    SgRef<SgFaceSet> faces(CubeFaces());
    std::vector<Vec3> v = faces->m_vertices.GetValues();
    for (Vec3 &p : v)
        p = Vec3(p.x, p.y * 2, p.z * 3);
    faces->m_vertices.SetVals(int(v.size()), v.data());
    tall->AddChild(faces.get());
    SgRef<SgTwistModifier> twist(new SgTwistModifier);
    SgRef<SgGroup> fitted(twist->CreateGizmoGroup(tall.get(), true, false));
    const Vec3f size = twist->m_boxSize.Get(true);
    EXPECT_TRUE(Near(Vec3(size.x, size.y, size.z), Vec3(2, 4, 6), 1e-6));
    EXPECT_TRUE(Near(twist->GetGizmoTransform()->m_translation.Get(true), Vec3(-1, -2, -3), 1e-6));
    // A second build keeps the gizmo where it is.
    twist->GetGizmoTransform()->m_translation.Set(Vec3(7, 0, 0));
    SgRef<SgGroup> again(twist->CreateGizmoGroup(tall.get(), true, true));
    EXPECT_TRUE(Near(twist->GetGizmoTransform()->m_translation.Get(true), Vec3(7, 0, 0)));
}

TEST_F(DeformerTest, SolidLibraryMakesEveryModifierByName)
{
    for (const char *name : {"SgObjSpaceModifier", "SgDeformModifier", "SgBendModifier", "SgTwistModifier",
                             "SgWaveModifier", "SgMeltModifier", "SgFFDBoxModifier", "SgPathModifier"}) {
        const int id = SgFieldMngr::GetClassIDFromName(name);
        ASSERT_NE(id, 0) << name;
        SgFieldMngr *made = SgFieldMngr::Create(id);
        ASSERT_NE(made, nullptr) << name;
        EXPECT_STREQ(made->GetClassName(), name);
        SgFieldMngr::Destroy(made);
    }
}

} // namespace

// Scene text of the graph under root, as the document writes it.
#include <sstream>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"

namespace {

std::string WriteScene(SgNode *root)
{
    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction action(false);
    action.SetStream(&stream);
    action.WriteHeader(Vrml1Format::kWriterVersion);
    EXPECT_TRUE(action.Apply(root)) << action.GetError();
    return text.str();
}

SgRef<SgSeparator> ReadScene(const std::string &text)
{
    std::istringstream in(text);
    Vrml1InStream stream(in, "scene.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    EXPECT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    return root;
}

TEST_F(DeformerTest, ObjectWithEveryModifierAndAGizmoGroupRoundTrips)
{
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    SgRef<SgObject> object(new SgObject(true, true));
    object->AddChild(CubeFaces());
    root->AddChild(object.get());
    SgRef<SgBendModifier> bend(new SgBendModifier);
    bend->m_angle.Set(kPi / 3);
    object->AddPropertyNode(bend.get(), false);
    bend->AddGizmo(object.get());
    for (const char *name : {"SgTwistModifier", "SgWaveModifier", "SgMeltModifier", "SgFFDBoxModifier",
                             "SgPathModifier", "SgSliceModifier", "SgSmoothMeshModifier", "SgSimplifyModifier",
                             "SgTriangulateModifier"}) {
        SgFieldMngr *made = SgFieldMngr::Create(SgFieldMngr::GetClassIDFromName(name));
        ASSERT_NE(made, nullptr) << name;
        auto *modifier = static_cast<SgModifier *>(made);
        // Off, so that the object stays drawable whatever they make.
        modifier->m_active.Set(0);
        object->AddPropertyNode(modifier, false);
    }
    // The gizmo group is editor geometry: its modifier is written in its
    // place, with the gizmo transform, and the gizmo is built again on demand.
    const std::string first = WriteScene(root.get());
    for (const char *keyword : {"BendModifier", "gizmoTransform", "TwistModifier", "WaveModifier", "MeltModifier",
                                "FFDBoxModifier", "PathModifier", "SliceModifier", "SmoothMeshModifier",
                                "SimplifyModifier", "TriangulateModifier"})
        EXPECT_NE(first.find(keyword), std::string::npos) << keyword << " missing from\n" << first;
    EXPECT_EQ(first.find("GizmoGroup"), std::string::npos) << first;
    // Read back, the scene writes itself again byte for byte, from the
    // first save on.
    SgRef<SgSeparator> again = ReadScene(first);
    const std::string second = WriteScene(again.get());
    EXPECT_EQ(second, first);
    SgRef<SgSeparator> third = ReadScene(second);
    EXPECT_EQ(second, WriteScene(third.get()));
    EXPECT_NE(second.find("angle 1.0471975511965976"), std::string::npos) << second;
}

TEST_F(DeformerTest, GizmoGroupIsSavedAsItsModifierAndReadsBackToTheSameTextAndShape)
{
    for (bool centredCube : {true, false}) {
        SCOPED_TRACE(centredCube ? "cube on the origin" : "cube moved off it");
        SgRef<SgSeparator> root(new SgSeparator);
        root->SetName("ROOT");
        SgRef<SgObject> object(new SgObject(true, true));
        SgFaceSet *cube = CubeFaces();
        const std::vector<unsigned short> flat(6, 0);
        cube->m_surfID.SetVals(6, flat.data());
        if (!centredCube) {
            std::vector<Vec3> v = cube->m_vertices.GetValues();
            for (Vec3 &p : v)
                p = p + Vec3(0.25, 0, 0.5);
            cube->m_vertices.SetVals(int(v.size()), v.data());
        }
        object->AddChild(cube);
        root->AddChild(object.get());
        SgRef<SgBendModifier> bend(new SgBendModifier);
        bend->m_boxSize.Set(Vec3f(2, 2, 2));
        bend->m_angle.Set(kPi / 2);
        object->AddPropertyNode(bend.get(), false);
        ASSERT_NE(bend->AddGizmo(object.get()), nullptr);
        bend->m_boxSize.Set(Vec3f(2, 2, 2));
        // The points the bend gives the cube (the box would take in the
        // gizmo's wire box as well, which the text leaves out).
        BoxOf(root.get());
        const std::vector<Vec3> before(cube->GetDeformedPoints(), cube->GetDeformedPoints() + 8);

        const std::string first = WriteScene(root.get());
        // The gizmo's own geometry holds the modifier and its gizmo
        // transform as well, but is not in the text: neither is named.
        EXPECT_EQ(first.find("DEF"), std::string::npos) << first;
        SgRef<SgSeparator> again = ReadScene(first);
        EXPECT_EQ(WriteScene(again.get()), first);
        BoxOf(again.get());
        std::function<SgFaceSet *(SgNode *)> findFaces = [&](SgNode *node) -> SgFaceSet * {
            if (auto *faces = dynamic_cast<SgFaceSet *>(node))
                return faces;
            if (SgGroup *held = node->GetHeldGroup())
                if (SgFaceSet *found = findFaces(held))
                    return found;
            for (int i = 0; i < node->GetNumChildren(); ++i)
                if (SgFaceSet *found = findFaces(node->GetChild(i)))
                    return found;
            return nullptr;
        };
        SgFaceSet *read = findFaces(again.get());
        ASSERT_NE(read, nullptr);
        ASSERT_EQ(read->GetVertexCount(), 8);
        for (int i = 0; i < 8; ++i)
            EXPECT_TRUE(Near(read->GetDeformedPoints()[i], before[size_t(i)], 1e-9))
                << i << ": " << Text(read->GetDeformedPoints()[i]) << " against " << Text(before[size_t(i)]);
        EXPECT_GT(before[7].x, 1.5) << "the gizmo group's bend did not act";
    }
}

} // namespace

#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/geometry/SgWrapper.h"
#include "solids/modifiers/DxCurveSplineR3Func.h"

namespace {

TEST_F(DeformerTest, BendToPathFeedsABezierOfTheCurveIntoThePathFunction)
{
    // A straight curve along y: points of x go along it.
    SgRef<SgPolyLine> line(new SgPolyLine);
    const Vec3 points[3] = {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}};
    line->m_coordinates.SetVals(3, points);
    SgRef<SgPathModifier> path(new SgPathModifier);
    path->bendToPath(line.get());
    R3Func *function = path->m_pathFunc.Get(true);
    ASSERT_NE(function, nullptr);
    EXPECT_TRUE(Near((*function)(0.5), Vec3(0, 1, 0), 1e-9)) << Text((*function)(0.5));
    const Vec3 moved = Deform(path.get(), Vec3(1, 0, 0));
    EXPECT_NEAR(moved.y, 1.0, 0.02) << Text(moved);
    // Anything but a curve is ignored.
    path->bendToPath(path.get());
    EXPECT_EQ(path->m_pathFunc.Get(true), function);

    // A curve of more points than a Bezier path holds is thinned, said so.
    SgDiagCapture capture;
    std::vector<Vec3> many;
    for (int i = 0; i < 100; ++i)
        many.emplace_back(i * 0.01, 0, 0);
    DxCurveSplineR3Func spline;
    SgRef<SgPolyLine> long_(new SgPolyLine);
    long_->m_coordinates.SetVals(int(many.size()), many.data());
    spline.SetCurve(long_.get());
    R3Func *bezier = *static_cast<R3Func **>(spline.m_output.GetData());
    ASSERT_NE(bezier, nullptr);
    EXPECT_TRUE(Near((*bezier)(1.0), many.back(), 1e-9)) << Text((*bezier)(1.0));
    EXPECT_TRUE(capture.Contains("thinned to the 32")) << capture.GetText();

    // The arc-length module through the same points.
    DxGenPolylineR3Func polyline;
    polyline.SetCurve(long_.get());
    R3Func *byLength = *static_cast<R3Func **>(polyline.m_output.GetData());
    ASSERT_NE(byLength, nullptr);
    EXPECT_TRUE(Near((*byLength)(0.5), Vec3(0.495, 0, 0), 1e-9)) << Text((*byLength)(0.5));
}

// The engine's wrapper builds its own spline module; with the solid library
// loaded beside it (as in the host) it must still get the engine's module, not
// the path modifier's.
TEST_F(DeformerTest, EngineWrapperFollowsItsSplineWithTheSolidLibraryLoaded)
{
    SgRef<SgObject> object(new SgObject);
    SgRef<SgSpline> curve(new SgSpline);
    const Vec3 line[] = {{0, 0, 0}, {10, 0, 0}};
    curve->m_coordinates.SetVals(2, line);
    ASSERT_TRUE(SgWrapper::wrapAlongSpline(object.get(), curve.get()));
    auto *wrapper = static_cast<SgWrapper *>(object->FindPropertyNode(SgWrapper::ClassID()));
    ASSERT_NE(wrapper, nullptr);
    const Vec3 in(2, 1, 0);
    Vec3 out;
    wrapper->DeformPoints(1, &in, &out);
    EXPECT_TRUE(Near(out, Vec3(2, 0, 1), 1e-6)) << Text(out);
}

} // namespace

namespace {

TEST_F(DeformerTest, FreeFormBoxGizmoHoldsTheLatticeAtRestOverTheObject)
{
    SgRef<SgObject> object(new SgObject(true, true));
    object->AddChild(CubeFaces());
    SgRef<SgFFDBoxModifier> ffd(new SgFFDBoxModifier);
    ffd->m_width.Set(2);
    ffd->m_length.Set(3);
    ffd->m_height.Set(1);
    SgRef<SgGroup> group(ffd->CreateGizmoGroup(object.get(), true, true));
    ASSERT_TRUE(group);
    SgNode *lattice = ffd->m_latticeGizmo.Get(true).get();
    ASSERT_NE(lattice, nullptr);
    ASSERT_EQ(lattice->GetClassID(), SgFaceSet::ClassID());
    const int points = 3 * 4 * 2;
    EXPECT_EQ(static_cast<SgFaceSet *>(lattice)->GetVertexCount(), points);
    EXPECT_EQ(ffd->m_controlPoints.GetCount(), points);
    // The renderer draws no face set whose faces lack surface ids.
    EXPECT_EQ(static_cast<SgFaceSet *>(lattice)->m_surfID.GetCount(), static_cast<SgFaceSet *>(lattice)->GetFaceCount())
        << "the lattice would not be drawn";
    EXPECT_GT(static_cast<SgFaceSet *>(lattice)->GetFaceCount(), 0);
    const Vec3f size = ffd->m_boxSize.Get(true);
    EXPECT_TRUE(Near(Vec3(size.x, size.y, size.z), Vec3(2, 2, 2), 1e-6));
    for (const Vec3 p : {Vec3(-1, -1, -1), Vec3(0.3, -0.2, 0.9), Vec3(1, 1, 1)})
        EXPECT_TRUE(Near(Deform(ffd.get(), p), p, 1e-9)) << Text(Deform(ffd.get(), p));
    // Moving a lattice point moves the shape near it.
    std::vector<Vec3> moved = static_cast<SgFaceSet *>(lattice)->m_vertices.GetValues();
    moved.back() += Vec3(0, 0, 1);
    static_cast<SgFaceSet *>(lattice)->m_vertices.SetVals(int(moved.size()), moved.data());
    EXPECT_GT(Deform(ffd.get(), Vec3(0, 0, 1)).z, 1.0);
}

TEST_F(DeformerTest, FreeFormBoxDrawsItsLatticeWhereTheControlPointsAre)
{
    // The lattice's points are the control points: drawn under its own box
    // they would be moved again, and the handles would stand away from the
    // points they move.
    SgRef<SgObject> object(new SgObject(true, true));
    object->AddChild(CubeFaces());
    SgRef<SgFFDBoxModifier> ffd(new SgFFDBoxModifier);
    ffd->m_width.Set(2);
    ffd->m_length.Set(2);
    ffd->m_height.Set(2);
    SgRef<SgGroup> group(ffd->CreateGizmoGroup(object.get(), true, true));
    ASSERT_TRUE(group);
    auto *lattice = static_cast<SgFaceSet *>(ffd->m_latticeGizmo.Get(true).get());
    ASSERT_NE(lattice, nullptr);
    // The middle point of the top layer, lifted by one.
    std::vector<Vec3> points = lattice->m_vertices.GetValues();
    size_t middle = 0;
    for (size_t i = 0; i < points.size(); ++i)
        if (Near(points[i], Vec3(0, 0, 1), 1e-9))
            middle = i;
    ASSERT_TRUE(Near(points[middle], Vec3(0, 0, 1), 1e-9));
    points[middle].z = 2.0;
    lattice->m_vertices.SetVals(int(points.size()), points.data());
    ffd->SampleLattice(false);
    EXPECT_GT(Deform(ffd.get(), Vec3(0, 0, 1)).z, 1.0) << "the box follows its control point";
    const Range<Vec3f> box = BoxOf(group.get());
    EXPECT_NEAR(box.GetMax().z, 2.0, 1e-5) << "the lifted handle is drawn where it is";
    EXPECT_NEAR(box.GetMin().z, -1.0, 1e-5);
}

} // namespace
