// The transform at a target node or path end, and its inverse, which never
// fails for a degenerate matrix.
#include <gtest/gtest.h>

#include "tests/engine/core/TestNodes.h"
#include "tests/engine/actions/ActionTestNodes.h"
#include "tests/engine/actions/MeasureTestNodes.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/nodes/geometry/SgGeometricShape.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class GetTransformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InitActionTestClasses();
        InitMeasureTestClasses();
    }
};

SgRef<SgTransform> Translation(const Vec3 &t)
{
    SgRef<SgTransform> transform = new SgTransform;
    transform->m_translation = t;
    return transform;
}

} // namespace

TEST_F(GetTransformTest, TargetBelowATranslationGivesItAndStopsThere)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<ProbeNode> target = MakeNamed<ProbeNode>("target");
    SgRef<ProbeNode> after = MakeNamed<ProbeNode>("after");
    root->AddChild(Translation(Vec3(1, 2, 3)).get());
    root->AddChild(target.get());
    root->AddChild(Translation(Vec3(5, 0, 0)).get());
    root->AddChild(after.get());

    SgGetTransformAction action(target.get());
    EXPECT_TRUE(action.Apply(root.get()));
    EXPECT_EQ(action.GetTransform().GetTranslation(), Vec3(1, 2, 3));
    EXPECT_EQ(target->m_visits, 0) << "the target is measured, not drawn";
    EXPECT_EQ(after->m_visits, 0) << "nothing after the target is visited";
}

TEST_F(GetTransformTest, PathEndGivesTheMatrixAlongThePath)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgObject> outer = MakeObjectWith(nullptr, Vec3(2, 0, 0));
    SgRef<SgObject> inner = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(0, 3, 0));
    outer->GetTransform()->m_rotation = Rotation(Vec3(0, 0, 1), kPi / 2);
    outer->AddChild(inner.get());
    // A sibling branch before the target that moves nothing on the path.
    root->AddChild(MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(40, 0, 0)).get());
    root->AddChild(outer.get());

    SgPath path(*root);
    path.Append(outer.get());
    path.Append(outer->GetInnerGroup());
    path.Append(inner.get());
    // At the inner object: the outer placement only (its own comes below it).
    const Transform3 m = SgGetTransformAction::PathMatrix(path);
    const Vec3 p = m.TransformPoint(Vec3(1, 0, 0));
    EXPECT_NEAR(p.x, 2, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12);
    // With the path's end object's own transform, the content's placement.
    const Vec3 q = WorldOf(path).TransformPoint(Vec3(0, 0, 0));
    EXPECT_NEAR(q.x, -1, 1e-12);
    EXPECT_NEAR(q.y, 0, 1e-12);
}

TEST_F(GetTransformTest, UnreachedTargetLeavesTheIdentity)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    root->AddChild(Translation(Vec3(1, 0, 0)).get());
    SgRef<ProbeNode> elsewhere = MakeNamed<ProbeNode>("elsewhere");
    SgGetTransformAction action(elsewhere.get());
    action.Apply(root.get());
    EXPECT_TRUE(action.GetMatrix().IsIdentity());
}

TEST_F(GetTransformTest, DegenerateMatrixInvertsToTheIdentity)
{
    struct Case {
        const char *what;
        Vec3 scale;
    };
    const Case cases[] = {
        {"zero scale", {0, 1, 1}},
        // One axis 1e-14 of the others: an inverse would be rounding noise.
        // (A uniformly small scale is no such case: see the next test.)
        {"nearly flat", {1, 1, 1e-14}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgSeparator> root = MakeSceneRoot();
        SgRef<SgTransform> transform = new SgTransform;
        transform->m_scaleFactor = c.scale;
        SgRef<ProbeNode> target = MakeNamed<ProbeNode>("target");
        root->AddChild(transform.get());
        root->AddChild(target.get());
        SgGetTransformAction action(target.get());
        action.Apply(root.get());
        ASSERT_FALSE(action.GetMatrix().IsIdentity());
        EXPECT_NO_THROW(EXPECT_TRUE(action.GetInverse().IsIdentity()));
        EXPECT_TRUE(action.GetMatrix().IsIdentity()) << "the matrix reads as the identity too";
    }
}

TEST_F(GetTransformTest, InverseUndoesTheMatrixAndIsRecomputedAfterApply)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgTransform> transform = Translation(Vec3(1, 2, 3));
    transform->m_scaleFactor = Vec3(2, 2, 2);
    SgRef<ProbeNode> target = MakeNamed<ProbeNode>("target");
    root->AddChild(transform.get());
    root->AddChild(target.get());
    SgGetTransformAction action(target.get());
    action.Apply(root.get());
    EXPECT_LT(MatrixDistance(action.GetInverse() * action.GetMatrix(), Mat4()), 1e-12);

    transform->m_translation = Vec3(-4, 0, 0);
    action.Apply(root.get());
    EXPECT_LT(MatrixDistance(action.GetInverse() * action.GetMatrix(), Mat4()), 1e-12)
        << "an Apply makes the cached inverse stale";
}

TEST_F(GetTransformTest, OperandOfAProceduralShapeIsReachedThroughItsSeparator)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgGeometricShape> shape = new SgGeometricShape;
    SgRef<ProbeNode> operand = MakeNamed<ProbeNode>("operand");
    shape->GetSeparator()->AddChild(Translation(Vec3(0, 0, 1)).get());
    shape->GetSeparator()->AddChild(operand.get());
    root->AddChild(Translation(Vec3(3, 0, 0)).get());
    root->AddChild(shape.get());

    SgPath throughSeparator(*root);
    throughSeparator.Append(shape.get());
    throughSeparator.Append(shape->GetSeparator());
    throughSeparator.Append(operand.get());
    SgPath direct(*root);
    direct.Append(shape.get());
    direct.Append(operand.get());
    for (const SgPath *path : {&throughSeparator, &direct}) {
        EXPECT_EQ(SgGetTransformAction::PathMatrix(*path).GetTranslation(), Vec3(3, 0, 1))
            << "path of " << path->GetCount() << " nodes";
    }
}

TEST_F(GetTransformTest, ReappliedActionMeasuresTheNewScene)
{
    SgRef<ProbeNode> target = MakeNamed<ProbeNode>("target");
    SgRef<SgSeparator> first = MakeSceneRoot();
    first->AddChild(Translation(Vec3(5, 0, 0)).get());
    first->AddChild(target.get());
    SgRef<SgSeparator> second = MakeSceneRoot();
    second->AddChild(Translation(Vec3(0, 3, 0)).get());
    second->AddChild(target.get());
    SgRef<SgSeparator> without = MakeSceneRoot();

    SgGetTransformAction action(target.get());
    ASSERT_TRUE(action.Apply(first.get()));
    EXPECT_EQ(action.GetTransform().GetTranslation(), Vec3(5, 0, 0));
    ASSERT_TRUE(action.Apply(second.get()));
    EXPECT_EQ(action.GetTransform().GetTranslation(), Vec3(0, 3, 0)) << "the second traversal runs and measures";
    ASSERT_TRUE(action.Apply(without.get()));
    EXPECT_EQ(action.GetTransform().GetTranslation(), Vec3(0, 0, 0)) << "an unreached target gives the identity";
}

TEST_F(GetTransformTest, UniformlySmallScaleHasATrueInverse)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgTransform> transform = new SgTransform;
    transform->m_scaleFactor = Vec3(1e-6, 1e-6, 1e-6);
    SgRef<ProbeNode> target = MakeNamed<ProbeNode>("target");
    root->AddChild(transform.get());
    root->AddChild(target.get());
    SgGetTransformAction action(target.get());
    ASSERT_TRUE(action.Apply(root.get()));
    EXPECT_DOUBLE_EQ(action.GetInverse()[0][0], 1e6) << "a model in microns is not singular";
}

TEST_F(GetTransformTest, SharedPlainGroupOffTheTargetIsTraversedWhole)
{
    // root { H, Y { H } } with H = { K, translation (5, 0, 0) }: plain groups
    // do not scope, so H's translation from its first occurrence reaches the
    // target [root, Y, H, K]. Only the occurrence on the target stops after K.
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<SgGroup> shared = MakeNamed<SgGroup>("H");
    SgRef<SgGroup> y = MakeNamed<SgGroup>("Y");
    SgRef<SgGroup> k = MakeNamed<SgGroup>("K");
    k->AddChild(MakeNamed<ProbeNode>("probe").get());
    shared->AddChild(k.get());
    shared->AddChild(Translation(Vec3(5, 0, 0)).get());
    y->AddChild(shared.get());
    root->AddChild(shared.get());
    root->AddChild(y.get());

    SgPath path(*root);
    path.Append(y.get());
    path.Append(shared.get());
    path.Append(k.get());
    EXPECT_EQ(SgGetTransformAction::PathMatrix(path).GetTranslation(), Vec3(5, 0, 0));
}
