// The box action: local boxes and points carried through the transforms in
// force, the objects it leaves out, and the boxes of paths and path lists.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>

#include "tests/engine/actions/MeasureTestNodes.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgState.h"
#include "engine/nodes/object/SgHelper.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Text(const Range<Vec3f> &box)
{
    std::ostringstream out;
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    out << "(" << lo.x << "," << lo.y << "," << lo.z << ")-(" << hi.x << "," << hi.y << "," << hi.z << ")";
    return out.str();
}

::testing::AssertionResult BoxNear(const Range<Vec3f> &actual, const Vec3 &min, const Vec3 &max,
                                   double tolerance = 1e-5)
{
    const Vec3f &lo = actual.GetMin();
    const Vec3f &hi = actual.GetMax();
    const double got[6] = {lo.x, lo.y, lo.z, hi.x, hi.y, hi.z};
    const double want[6] = {min.x, min.y, min.z, max.x, max.y, max.z};
    for (int i = 0; i < 6; ++i) {
        if (std::fabs(got[i] - want[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "box " << Text(actual) << ", expected " << Text(Range<Vec3f>(Vec3f(min), Vec3f(max)));
        }
    }
    return ::testing::AssertionSuccess();
}

Range<Vec3f> BoxOf(SgNode *node)
{
    SgBoundingBoxAction action;
    EXPECT_TRUE(action.Apply(node)) << action.GetError();
    return action.m_Box;
}

class BoundingBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitMeasureTestClasses(); }
};

} // namespace

TEST_F(BoundingBoxTest, ShapeBoxIsCarriedThroughTheTransformInForce)
{
    struct Case {
        const char *what;
        Vec3 translation;
        Rotation rotation;
        Vec3 scale;
        Vec3 min;
        Vec3 max;
    };
    const Case cases[] = {
        {"untransformed", {0, 0, 0}, Rotation(), {1, 1, 1}, {-1, -3, -2}, {1, 3, 2}},
        {"translated", {10, 0, -1}, Rotation(), {1, 1, 1}, {9, -3, -3}, {11, 3, 1}},
        {"quarter turn about z", {0, 0, 0}, Rotation(Vec3(0, 0, 1), kPi / 2), {1, 1, 1}, {-3, -1, -2}, {3, 1, 2}},
        {"scaled", {0, 0, 0}, Rotation(), {2, 1, 0.5}, {-2, -3, -1}, {2, 3, 1}},
        // Every corner counts: the turned box widens to the corners' hull.
        {"eighth turn about z", {0, 0, 0}, Rotation(Vec3(0, 0, 1), kPi / 4), {1, 1, 1},
         {-4 / std::sqrt(2.0), -4 / std::sqrt(2.0), -2}, {4 / std::sqrt(2.0), 4 / std::sqrt(2.0), 2}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgSeparator> root = MakeSceneRoot();
        SgRef<SgTransform> transform = new SgTransform;
        SetPlacement(transform.get(), c.translation, c.rotation, c.scale);
        root->AddChild(transform.get());
        // Width 2, height 4, depth 6: x by the width, y by the depth, z by the height.
        root->AddChild(MakeCuboid(2, 4, 6).get());
        EXPECT_TRUE(BoxNear(BoxOf(root.get()), c.min, c.max));
    }
}

TEST_F(BoundingBoxTest, CubeBoxAloneAndUnderATransform)
{
    SgRef<SgCube> cube = new SgCube;
    cube->m_width = 2.0;
    cube->m_height = 4.0;
    cube->m_depth = 6.0;
    EXPECT_TRUE(BoxNear(BoxOf(cube.get()), {-1, -3, -2}, {1, 3, 2}));

    // A quarter turn about x takes y to z and z to -y.
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgTransform> transform = new SgTransform;
    SetPlacement(transform.get(), Vec3(1, 0, 10), Rotation(Vec3(1, 0, 0), kPi / 2));
    root->AddChild(transform.get());
    root->AddChild(cube.get());
    EXPECT_TRUE(BoxNear(BoxOf(root.get()), {0, -2, 7}, {2, 2, 13}));
}

TEST_F(BoundingBoxTest, PrimitiveBoxesFromTheirFields)
{
    struct Case {
        const char *what;
        SgRef<SgNode> shape;
        Vec3 max; // the boxes are centred on the origin
    };
    SgRef<SgCylinder> cylinder = new SgCylinder;
    cylinder->m_radius = 2.0;
    cylinder->m_height = 3.0;
    SgRef<SgCone> cone = new SgCone;
    cone->m_bottomRadius = 1.5;
    cone->m_height = 5.0;
    SgRef<SgSphere> sphere = new SgSphere;
    sphere->m_radius = 0.75;
    SgRef<SgTorus> torus = new SgTorus;
    torus->m_radius1 = 2.0;
    torus->m_radius2 = 0.5;
    SgRef<SgTorusKnot> knot = new SgTorusKnot;
    knot->m_radius1 = 2.0;
    knot->m_radius2 = 0.25;
    knot->m_ratio = 0.5f;
    knot->m_heightRatio = 2.0f;
    const Case cases[] = {
        {"cylinder", cylinder.get(), {2, 2, 1.5}},
        {"cone", cone.get(), {1.5, 1.5, 2.5}},
        {"sphere", sphere.get(), {0.75, 0.75, 0.75}},
        {"torus", torus.get(), {2.5, 2.5, 0.5}},
        // a = ratio x radius1 = 1: across r1 + r2 + a, up heightRatio x a + r2.
        {"torus knot", knot.get(), {3.25, 3.25, 2.25}},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(BoxNear(BoxOf(c.shape.get()), -c.max, c.max)) << c.what;
}

TEST_F(BoundingBoxTest, FlatShapeHasABoxAndIsNotOverwrittenByTheNext)
{
    // A shape in the YZ plane: no extent along x, but a box all the same.
    SgRef<SgSeparator> root = MakeSceneRoot();
    root->AddChild(MakeMeasured(Vec3f(0, -1, -1), Vec3f(0, 1, 1)).get());
    SgBoundingBoxAction flat;
    flat.Apply(root.get());
    EXPECT_TRUE(flat.HasBox());
    EXPECT_TRUE(BoxNear(flat.m_Box, {0, -1, -1}, {0, 1, 1}));

    root->AddChild(MakeMeasured(Vec3f(2, 0, 0), Vec3f(3, 0.5f, 0.5f)).get());
    EXPECT_TRUE(BoxNear(BoxOf(root.get()), {0, -1, -1}, {3, 1, 1}))
        << "the second shape must widen the flat box, not replace it";
}

TEST_F(BoundingBoxTest, EmptyBoxesAddNothing)
{
    const Range<Vec3f> boxes[] = {
        Range<Vec3f>(),                                       // the zero box of a shape without extent
        Range<Vec3f>::Empty(),                                // inverted on every axis
        Range<Vec3f>(Vec3f(1, 1, 1), Vec3f(1, 1, 1)),         // a single point
    };
    for (const Range<Vec3f> &box : boxes) {
        SgBoundingBoxAction action;
        action.Apply(MakeMeasured(box.GetMin(), box.GetMax()).get());
        EXPECT_FALSE(action.HasBox()) << Text(box);
        EXPECT_TRUE(BoxNear(action.m_Box, {0, 0, 0}, {0, 0, 0})) << Text(box);
    }
}

TEST_F(BoundingBoxTest, SinglePointGetsASmallExtent)
{
    SgBoundingBoxAction action;
    action.Extend(Vec3(1, 2, 3));
    EXPECT_TRUE(BoxNear(action.m_Box, {1, 2, 3}, {1.0001, 2.0001, 3.0001}, 1e-6));
    action.Extend(Vec3(-1, 2, 5));
    EXPECT_TRUE(BoxNear(action.m_Box, {-1, 2, 3}, {1.0001, 2.0001, 5}, 1e-6));
}

TEST_F(BoundingBoxTest, CurvesAreMeasuredByTheirPoints)
{
    SgRef<SgCircle> circle = new SgCircle;
    circle->m_radius = 2.0;
    EXPECT_TRUE(BoxNear(BoxOf(circle.get()), {-2, -2, -0.001}, {2, 2, 0.001}));

    SgRef<SgPolyLine> polyline = new SgPolyLine;
    const Vec3 points[] = {{0, 0, 0}, {4, 1, 0}, {2, -3, 5}};
    polyline->AddLoop(3, points);
    EXPECT_TRUE(BoxNear(BoxOf(polyline.get()), {0, -3, 0}, {4, 1, 5}));
}

TEST_F(BoundingBoxTest, ObjectsLeftOutOfTheBox)
{
    // Each case: a measured object at x 10..11 next to a kept one at 0..1;
    // the left-out one must not reach the box.
    struct Case {
        const char *what;
        bool helper;
        bool unselectable;
        int link;
        int selectMode;
        bool includeLinked;
        bool selectableOnly;
        bool leftOut;
    };
    const Case cases[] = {
        {"plain object", false, false, 0, 1, false, false, false},
        {"helper object", true, false, 0, 1, false, false, true},
        {"separator flagged unselectable", false, true, 0, 1, false, false, true},
        {"linked object below the target", false, false, 1, 1, false, false, true},
        {"linked object with linked ones included", false, false, 1, 1, true, false, false},
        {"select mode 0 when only selectable ones count", false, false, 0, 0, false, true, true},
        {"select mode 0 otherwise", false, false, 0, 0, false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgSeparator> root = MakeSceneRoot();
        root->AddChild(MakeObjectWith(MakeMeasured(Vec3f(0, 0, 0), Vec3f(1, 1, 1)).get()).get());
        SgRef<SgObject> probe = c.helper ? SgRef<SgObject>(new SgHelper) : SgRef<SgObject>(new SgObject);
        probe->AddChild(MakeMeasured(Vec3f(10, 0, 0), Vec3f(11, 1, 1)).get());
        probe->SetSelectable(!c.unselectable);
        probe->m_link = c.link;
        probe->m_selectMode = c.selectMode;
        root->AddChild(probe.get());

        SgBoundingBoxAction action;
        action.m_bIncludeLinked = c.includeLinked;
        action.m_bSelectableOnly = c.selectableOnly;
        SgPath path(*root);
        action.ApplyToPath(path); // the link test applies inside the target branch
        const double maxX = c.leftOut ? 1.0 : 11.0;
        EXPECT_TRUE(BoxNear(action.m_Box, {0, 0, 0}, {maxX, 1, 1}));
    }
}

TEST_F(BoundingBoxTest, LinkedObjectAtTheTargetEndCountsWhenAskedFor)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgObject> linked = MakeObjectWith(MakeMeasured(Vec3f(0, 0, 0), Vec3f(2, 2, 2)).get());
    linked->m_link = 1;
    root->AddChild(linked.get());
    SgPath path(*root);
    path.Append(linked.get());

    SgBoundingBoxAction plain;
    plain.ApplyToPath(path);
    EXPECT_FALSE(plain.HasBox());

    SgBoundingBoxAction atTarget;
    atTarget.m_bIncludeLinkedTarget = true;
    atTarget.ApplyToPath(path);
    EXPECT_TRUE(BoxNear(atTarget.m_Box, {0, 0, 0}, {2, 2, 2}));
}

TEST_F(BoundingBoxTest, LocalToTargetAppliesOnlyTransformsAtOrBelowTheTargetEnd)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgObject> object = MakeObjectWith(MakeCuboid(2, 2, 2).get(), Vec3(100, 0, 0));
    root->AddChild(object.get());
    SgPath path(*root);
    path.Append(object.get());
    path.Append(object->GetInnerGroup());

    SgBoundingBoxAction world;
    world.ApplyToPath(path);
    EXPECT_TRUE(BoxNear(world.m_Box, {99, -1, -1}, {101, 1, 1}));

    SgBoundingBoxAction local;
    local.m_bLocalToTarget = true;
    local.ApplyToPath(path);
    EXPECT_TRUE(BoxNear(local.m_Box, {-1, -1, -1}, {1, 1, 1}));
}

TEST_F(BoundingBoxTest, PathListBoxCoversEveryPathAndNothingElse)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgObject> a = MakeObjectWith(MakeCuboid(2, 2, 2).get(), Vec3(-5, 0, 0));
    SgRef<SgObject> b = MakeObjectWith(MakeCuboid(2, 2, 2).get(), Vec3(0, 7, 0));
    SgRef<SgObject> c = MakeObjectWith(MakeCuboid(2, 2, 2).get(), Vec3(0, 0, 50));
    root->AddChild(a.get());
    root->AddChild(b.get());
    root->AddChild(c.get());
    SgPathList paths;
    for (SgObject *object : {a.get(), b.get()}) {
        SgPath path(*root);
        path.Append(object);
        paths.Add(path);
    }
    SgBoundingBoxAction action;
    EXPECT_TRUE(action.ApplyToPathList(paths));
    EXPECT_TRUE(BoxNear(action.m_Box, {-6, -1, -1}, {1, 8, 1}));
    EXPECT_EQ(action.GetState()->GetDepth(), 0);
}

TEST_F(BoundingBoxTest, ObjectBoxIncludesItsOwnTransform)
{
    SgRef<SgObject> object = MakeObjectWith(MakeCuboid(2, 4, 6).get(), Vec3(1, 0, 0));
    EXPECT_TRUE(BoxNear(object->GetBoundingBox(true), {0, -3, -2}, {2, 3, 2}));

    SgRef<SgObject> other = MakeObjectWith(MakeCuboid(2, 2, 2).get(), Vec3(0, 0, 9));
    EXPECT_TRUE(BoxNear(object->GetBoundingBox(false, other.get()), {-1, -1, 8}, {1, 1, 10}));
}

namespace {

struct MeshBoxCase {
    const char *name;
    std::function<SgGeometricShape *()> make;
};
void PrintTo(const MeshBoxCase &c, std::ostream *out)
{
    *out << c.name;
}

class PrimitiveMeshBoxTest : public BoundingBoxTest, public ::testing::WithParamInterface<MeshBoxCase> {};

} // namespace

// The box a primitive reports before it was ever built is the box of the
// mesh it builds, wherever its fields place that mesh.
TEST_P(PrimitiveMeshBoxTest, BoxFromTheFieldsIsTheBoxOfTheMesh)
{
    InitExtrusionTests();
    SgRef<SgGeometricShape> measured = GetParam().make();
    const Range<Vec3f> box = BoxOf(measured.get());
    SgRef<SgGeometricShape> built = GetParam().make();
    SgFaceSet *mesh = BuildMesh(built.get());
    ASSERT_NE(mesh, nullptr);
    const Range<Vec3f> want = mesh->BoundingBox();
    EXPECT_TRUE(BoxNear(box, Vec3(want.GetMin()), Vec3(want.GetMax()), 1e-4)) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, PrimitiveMeshBoxTest,
    ::testing::Values(
        MeshBoxCase{"CylinderOnItsBase",
                    [] {
                        auto *c = new SgCylinder;
                        c->m_radius = 2.0;
                        c->m_height = 3.0;
                        c->m_zeroBase = 1;
                        return static_cast<SgGeometricShape *>(c);
                    }},
        MeshBoxCase{"ConeOnItsBase",
                    [] {
                        auto *c = new SgCone;
                        c->m_bottomRadius = 1.5;
                        c->m_height = 5.0;
                        c->m_zeroBase = 1;
                        return static_cast<SgGeometricShape *>(c);
                    }},
        MeshBoxCase{"Sphere",
                    [] {
                        auto *s = new SgSphere;
                        s->m_radius = 1.0;
                        return static_cast<SgGeometricShape *>(s);
                    }},
        MeshBoxCase{"HalfSphere",
                    [] {
                        auto *s = new SgSphere;
                        s->m_radius = 1.0;
                        s->m_heightRatio = 0.5;
                        return static_cast<SgGeometricShape *>(s);
                    }},
        MeshBoxCase{"SphereCap",
                    [] {
                        auto *s = new SgSphere;
                        s->m_radius = 2.0;
                        s->m_heightRatio = 0.2;
                        return static_cast<SgGeometricShape *>(s);
                    }}),
    [](const ::testing::TestParamInfo<MeshBoxCase> &info) { return info.param.name; });
