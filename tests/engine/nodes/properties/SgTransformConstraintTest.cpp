#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/engine/core/TestNodes.h"
#include "tests/engine/nodes/properties/PlacementTestSupport.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgTransformConstraint.h"
#include "engine/nodes/properties/SgTransformSensor.h"

namespace {

constexpr double kTolerance = 1e-12;

Vec3 Turn(const Rotation &r, const Vec3 &v)
{
    const Vec3 k = r.GetAxis() / r.GetAxis().Length();
    const double a = r.GetAngle();
    return v * std::cos(a) + k.Cross(v) * std::sin(a) + k * (k.Dot(v) * (1.0 - std::cos(a)));
}

struct ConstraintFields {
    Vec3 pivot{0, 0, 0};
    Rotation pivotOrientation{};
    Vec3 translation{0, 0, 0};
    Rotation rotation{};
    Vec3 scale{1, 1, 1};
};

// Moves, turns and scales in the pivot's frame: p -> c + O(t + R(S(O^-1 (p - c)))).
Mat4 Expected(const ConstraintFields &f)
{
    auto map = [&](const Vec3 &p) {
        Vec3 q = Turn(f.pivotOrientation.Inverse(), p - f.pivot);
        q = Vec3(q.x * f.scale.x, q.y * f.scale.y, q.z * f.scale.z);
        q = Turn(f.rotation, q) + f.translation;
        return f.pivot + Turn(f.pivotOrientation, q);
    };
    const Vec3 origin = map(Vec3(0, 0, 0));
    const Vec3 columns[3] = {map(Vec3(1, 0, 0)) - origin, map(Vec3(0, 1, 0)) - origin,
                             map(Vec3(0, 0, 1)) - origin};
    Mat4 m;
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            m.Set(row, col, columns[col][row]);
    for (int row = 0; row < 3; ++row)
        m.Set(row, 3, origin[row]);
    return m;
}

SgRef<SgTransformConstraint> MakeConstraint(const ConstraintFields &f)
{
    SgRef<SgTransformConstraint> node = new SgTransformConstraint;
    node->m_pivotCenter = f.pivot;
    node->m_pivotOrientation = f.pivotOrientation;
    node->m_translation = f.translation;
    node->m_rotation = f.rotation;
    node->m_scaleFactor = f.scale;
    return node;
}

Mat4 SeenAfter(SgNode *node)
{
    SgRef<SgSeparator> root = new SgSeparator;
    root->AddChild(node);
    SgRef<PlacementProbe> probe = new PlacementProbe;
    root->AddChild(probe);
    PlacementTestAction action;
    EXPECT_TRUE(action.Apply(root)) << action.GetError();
    return probe->m_seenMatrix;
}

class SgTransformConstraintTest : public ::testing::Test {
protected:
    void SetUp() override { InitPlacementTestClasses(); }
};

const ConstraintFields kFull{{1, 2, 3}, Rotation(Vec3(0, 1, 1), 0.6), {4, -1, 0}, Rotation(Vec3(1, 0, 0), -1.1),
                             {2, 3, 0.5}};

} // namespace

TEST_F(SgTransformConstraintTest, WritesTheMatrixComposedAboutItsOwnPivot)
{
    const ConstraintFields cases[] = {
        {},
        {.translation = {1, 2, 3}},
        {.pivot = {1, 0, 0}, .rotation = Rotation(Vec3(0, 0, 1), 1.0)},
        kFull,
    };
    int index = 0;
    for (const ConstraintFields &c : cases) {
        SgRef<SgTransformConstraint> node = MakeConstraint(c);
        const Mat4 expected = Expected(c);
        const Mat4 seen = SeenAfter(node);
        EXPECT_LT(MaxDifference(seen, expected), kTolerance)
            << "case " << index << ": got " << MatrixText(seen) << ", expected " << MatrixText(expected);
        ++index;
    }
}

TEST_F(SgTransformConstraintTest, TransformOnlyFieldsHaveNoEffect)
{
    SgRef<SgTransformConstraint> node = MakeConstraint(kFull);
    node->m_center = Vec3(9, 9, 9);
    node->m_scaleOrientation = Rotation(Vec3(1, 0, 0), 0.5);
    node->m_matrixConfig = 1;
    node->MakeGeneral(true);
    const Mat4 seen = SeenAfter(node);
    EXPECT_LT(MaxDifference(seen, Expected(kFull)), kTolerance) << "got " << MatrixText(seen);
}

TEST_F(SgTransformConstraintTest, IgnoredFieldsContributeNothing)
{
    struct Case {
        const char *field;
        void (*neutral)(ConstraintFields &);
    };
    const Case cases[] = {
        {"pivot_center", [](ConstraintFields &f) { f.pivot = {0, 0, 0}; }},
        {"pivot_orientation", [](ConstraintFields &f) { f.pivotOrientation = Rotation(); }},
        {"translation", [](ConstraintFields &f) { f.translation = {0, 0, 0}; }},
        {"rotation", [](ConstraintFields &f) { f.rotation = Rotation(); }},
        {"scaleFactor", [](ConstraintFields &f) { f.scale = {1, 1, 1}; }},
    };
    for (const Case &c : cases) {
        SgRef<SgTransformConstraint> node = MakeConstraint(kFull);
        node->GetFieldAddressByName(c.field)->SetIgnored(true);
        ConstraintFields neutral = kFull;
        c.neutral(neutral);
        const Mat4 seen = SeenAfter(node);
        EXPECT_LT(MaxDifference(seen, Expected(neutral)), kTolerance)
            << "ignored " << c.field << ": got " << MatrixText(seen);
    }
}

TEST_F(SgTransformConstraintTest, ResetReplacesTheOuterTransform)
{
    SgRef<SgTransform> outer = new SgTransform;
    outer->m_translation = Vec3(10, 0, 0);
    SgRef<SgTransformConstraint> node = MakeConstraint(kFull);
    node->m_reset = static_cast<unsigned short>(1);

    SgRef<SgSeparator> root = new SgSeparator;
    root->AddChild(outer);
    root->AddChild(node);
    SgRef<PlacementProbe> probe = new PlacementProbe;
    root->AddChild(probe);
    PlacementTestAction action;
    ASSERT_TRUE(action.Apply(root)) << action.GetError();
    EXPECT_LT(MaxDifference(probe->m_seenMatrix, Expected(kFull)), kTolerance)
        << "got " << MatrixText(probe->m_seenMatrix);
}

TEST_F(SgTransformConstraintTest, SensorHoldsItsOutputsWithoutUndoOrState)
{
    SgRef<SgTransformSensor> sensor = new SgTransformSensor;
    EXPECT_TRUE(sensor->IsPropertyNode());
    EXPECT_FALSE(sensor->IsTransform());

    RecordingDocument document;
    sensor->SetDocument(&document);
    sensor->m_translationOut = Vec3(1, 2, 3);
    sensor->m_rotationOut = Rotation(Vec3(0, 1, 0), 0.5);
    EXPECT_TRUE(document.m_records.empty()) << "sensor outputs are no edit of the scene";
    sensor->ReleaseDocument();

    EXPECT_TRUE(SeenAfter(sensor).IsIdentity()) << "a sensor writes no transform";
}
