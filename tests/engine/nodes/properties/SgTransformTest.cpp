#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include "tests/engine/nodes/properties/PlacementTestSupport.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTolerance = 1e-12;

// Rodrigues' formula, written out here so that the expected matrices do not
// come from the rotation code under test.
Vec3 Turn(const Vec3 &axis, double angle, const Vec3 &v)
{
    const Vec3 k = axis / axis.Length();
    return v * std::cos(angle) + k.Cross(v) * std::sin(angle) + k * (k.Dot(v) * (1.0 - std::cos(angle)));
}

// The matrix of a point map, from the images of the origin and the unit axes.
Mat4 MatrixOf(const std::function<Vec3(const Vec3 &)> &map)
{
    const Vec3 origin = map(Vec3(0, 0, 0));
    const Vec3 images[3] = {map(Vec3(1, 0, 0)) - origin, map(Vec3(0, 1, 0)) - origin,
                            map(Vec3(0, 0, 1)) - origin};
    Mat4 m;
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            m.Set(row, col, images[col][row]);
    for (int row = 0; row < 3; ++row)
        m.Set(row, 3, origin[row]);
    return m;
}

struct Decomposed {
    Vec3 translation{0, 0, 0};
    Vec3 axis{0, 0, 1};
    double angle = 0.0;
    Vec3 center{0, 0, 0};
    Vec3 scale{1, 1, 1};
    Vec3 soAxis{0, 0, 1};
    double soAngle = 0.0;
    int matrixConfig = 0;
};

void Store(SgTransform &node, const Decomposed &d)
{
    node.m_translation = d.translation;
    node.m_rotation = Rotation(d.axis, d.angle);
    node.m_center = d.center;
    node.m_scaleFactor = d.scale;
    node.m_scaleOrientation = Rotation(d.soAxis, d.soAngle);
    node.m_matrixConfig = d.matrixConfig;
}

// About the centre: into the scale orientation's frame, scale, turn by the
// rotation there, back out of that frame; then place the pivot.
Mat4 Expected(const Decomposed &d)
{
    return MatrixOf([&](const Vec3 &p) {
        Vec3 q = p - d.center;
        q = Turn(d.soAxis, -d.soAngle, q);
        q = Vec3(q.x * d.scale.x, q.y * d.scale.y, q.z * d.scale.z);
        q = Turn(d.axis, d.angle, q);
        q = Turn(d.soAxis, d.soAngle, q);
        const Vec3 pivot = d.matrixConfig == 1 ? d.translation + d.center : d.translation;
        return pivot + q;
    });
}

Mat4 MatrixOf(SgTransform &node)
{
    return node.GetMatrix().GetMatrix();
}

class SgTransformTest : public ::testing::Test {
protected:
    void SetUp() override { InitPlacementTestClasses(); }

    // The matrix the probe sees after the given nodes, all in one separator.
    Mat4 SeenAfter(std::initializer_list<SgNode *> nodes)
    {
        SgRef<SgSeparator> root = new SgSeparator;
        for (SgNode *node : nodes)
            root->AddChild(node);
        SgRef<PlacementProbe> probe = new PlacementProbe;
        root->AddChild(probe);
        PlacementTestAction action;
        EXPECT_TRUE(action.Apply(root)) << action.GetError();
        EXPECT_EQ(probe->m_visits, 1);
        return probe->m_seenMatrix;
    }
};

} // namespace

TEST_F(SgTransformTest, MatrixComposesTheFieldsAboutTheCentre)
{
    const Vec3 tilted(1, 1, 0);
    struct Case {
        const char *what;
        Decomposed fields;
    };
    const Case cases[] = {
        {"defaults give the identity", {}},
        {"translation alone", {.translation = {1, -2, 3}}},
        {"rotation alone", {.axis = tilted, .angle = 0.7}},
        {"non-uniform scale", {.scale = {2, 3, 0.5}}},
        {"scale along a turned frame", {.scale = {2, 1, 1}, .soAxis = {0, 0, 1}, .soAngle = kPi / 4}},
        {"centre without the offset config is taken back", {.center = {1, 0, 0}}},
        {"centre as pivot offset cancels", {.center = {1, 0, 0}, .matrixConfig = 1}},
        {"everything, translation is the pivot",
         {{4, 5, 6}, tilted, 1.1, {1, 2, 3}, {2, 3, 4}, {0, 1, 1}, -0.4, 0}},
        {"everything, translation is an offset",
         {{4, 5, 6}, tilted, 1.1, {1, 2, 3}, {2, 3, 4}, {0, 1, 1}, -0.4, 1}},
        {"a config other than 1 is not the offset config",
         {{4, 5, 6}, tilted, 1.1, {1, 2, 3}, {2, 3, 4}, {0, 1, 1}, -0.4, 2}},
    };
    for (const Case &c : cases) {
        SgRef<SgTransform> node = new SgTransform;
        Store(*node, c.fields);
        const Mat4 expected = Expected(c.fields);
        const Mat4 actual = MatrixOf(*node);
        EXPECT_LT(MaxDifference(actual, expected), kTolerance)
            << c.what << ": got " << MatrixText(actual) << ", expected " << MatrixText(expected);
    }
}

TEST_F(SgTransformTest, IgnoredFieldsContributeNothing)
{
    const Decomposed full{{4, 5, 6}, {1, 1, 0}, 1.1, {1, 2, 3}, {2, 3, 4}, {0, 1, 1}, -0.4, 1};
    struct Case {
        const char *field;
        std::function<void(Decomposed &)> neutral;
    };
    const Case cases[] = {
        {"translation", [](Decomposed &d) { d.translation = {0, 0, 0}; }},
        {"rotation", [](Decomposed &d) { d.angle = 0; }},
        {"center", [](Decomposed &d) { d.center = {0, 0, 0}; }},
        {"scaleFactor", [](Decomposed &d) { d.scale = {1, 1, 1}; }},
        {"scaleOrientation", [](Decomposed &d) { d.soAngle = 0; }},
        {"matrixConfig", [](Decomposed &d) { d.matrixConfig = 0; }},
    };
    for (const Case &c : cases) {
        SgRef<SgTransform> node = new SgTransform;
        Store(*node, full);
        node->GetFieldAddressByName(c.field)->SetIgnored(true);
        Decomposed neutral = full;
        c.neutral(neutral);
        const Mat4 expected = Expected(neutral);
        const Mat4 actual = MatrixOf(*node);
        EXPECT_LT(MaxDifference(actual, expected), kTolerance)
            << "ignored " << c.field << ": got " << MatrixText(actual) << ", expected "
            << MatrixText(expected);
    }
}

TEST_F(SgTransformTest, PivotIsTheTranslationUnlessTheCentreIsAnOffset)
{
    SgRef<SgTransform> node = new SgTransform;
    node->m_translation = Vec3(1, 2, 3);
    node->m_center = Vec3(10, 20, 30);
    EXPECT_EQ(node->GetPivot(), Vec3(1, 2, 3));
    node->m_matrixConfig = SgTransform::kPivotOffsetConfig;
    EXPECT_EQ(node->GetPivot(), Vec3(11, 22, 33));
}

TEST_F(SgTransformTest, TraversalMultipliesIntoTheStateOrReplacesItOnReset)
{
    SgRef<SgTransform> outer = new SgTransform;
    outer->m_translation = Vec3(5, 0, 0);
    SgRef<SgTransform> inner = new SgTransform;
    inner->m_rotation = Rotation(Vec3(0, 0, 1), kPi / 2);
    inner->m_translation = Vec3(0, 2, 0);

    const Mat4 product = (outer->GetMatrix() * inner->GetMatrix()).GetMatrix();
    Mat4 seen = SeenAfter({outer, inner});
    EXPECT_LT(MaxDifference(seen, product), kTolerance) << "seen " << MatrixText(seen);

    inner->m_reset = static_cast<unsigned short>(1);
    seen = SeenAfter({outer, inner});
    EXPECT_LT(MaxDifference(seen, MatrixOf(*inner)), kTolerance)
        << "a reset transform must discard the outer one; seen " << MatrixText(seen);
}

TEST_F(SgTransformTest, OverridingTransformLocksOutTheOnesAfterIt)
{
    SgRef<SgTransform> first = new SgTransform;
    first->m_translation = Vec3(1, 0, 0);
    first->SetOveride(true);
    SgRef<SgTransform> second = new SgTransform;
    second->m_translation = Vec3(0, 7, 0);
    const Mat4 seen = SeenAfter({first, second});
    EXPECT_LT(MaxDifference(seen, MatrixOf(*first)), kTolerance) << "seen " << MatrixText(seen);
}

TEST_F(SgTransformTest, GeneralMatrixStandsInForTheFieldsUntilDropped)
{
    SgRef<SgTransform> node = new SgTransform;
    node->m_translation = Vec3(3, 0, 0);
    node->m_scaleFactor = Vec3(2, 2, 2);
    const Mat4 decomposed = MatrixOf(*node);

    node->MakeGeneral(true);
    ASSERT_TRUE(node->IsGeneral());
    EXPECT_TRUE(MatrixOf(*node).IsIdentity()) << "a new general matrix is the identity";

    double rows[4][4] = {{1, 0.5, 0, 1}, {0, 1, 0.25, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}};
    const Transform3 shear{Mat4(rows)};
    node->SetMatrix(shear);
    EXPECT_EQ(MatrixOf(*node), shear.GetMatrix()) << "the shear must be kept exactly";
    EXPECT_EQ(node->m_translation.Get(), Vec3(3, 0, 0));
    EXPECT_EQ(node->m_rotation.Get(), Rotation());
    EXPECT_EQ(node->m_scaleFactor.Get(), Vec3(2, 2, 2));
    const Mat4 seen = SeenAfter({node});
    EXPECT_EQ(seen, shear.GetMatrix()) << "the traversal writes the general matrix";

    node->MakeGeneral(false);
    EXPECT_FALSE(node->IsGeneral());
    EXPECT_EQ(MatrixOf(*node), decomposed);
}

TEST_F(SgTransformTest, SetMatrixStoresRotationAndTranslationOnly)
{
    SgRef<SgTransform> node = new SgTransform;
    node->m_center = Vec3(1, 1, 1);
    node->m_scaleFactor = Vec3(2, 3, 4);
    node->SetMatrix(Transform3(Rotation(Vec3(0, 1, 0), 0.5), Vec3(7, 8, 9)));
    EXPECT_EQ(node->m_translation.Get(), Vec3(7, 8, 9));
    EXPECT_NEAR(node->m_rotation.Get().GetAngle(), 0.5, kTolerance);
    EXPECT_EQ(node->m_center.Get(), Vec3(1, 1, 1));
    EXPECT_EQ(node->m_scaleFactor.Get(), Vec3(2, 3, 4));

    node->SetMatrix(Transform3(Vec3(1, 2, 3)));
    EXPECT_EQ(node->m_rotation.Get(), Rotation()) << "no turn is stored as the identity rotation";
}

TEST_F(SgTransformTest, StepsMultiplyInTheNodeFrameAndRotationsInTheParentFrame)
{
    struct Case {
        const char *what;
        std::function<void(SgTransform &)> step;
        Transform3 elementary;
        bool pre;
    };
    const double a = 0.3;
    const Case cases[] = {
        {"MoveRight", [](SgTransform &t) { t.MoveRight(2); }, Transform3(Vec3(2, 0, 0)), false},
        {"MoveUp", [](SgTransform &t) { t.MoveUp(2); }, Transform3(Vec3(0, 2, 0)), false},
        {"MoveBackward", [](SgTransform &t) { t.MoveBackward(2); }, Transform3(Vec3(0, 0, 2)), false},
        {"TurnRight", [&](SgTransform &t) { t.TurnRight(a); }, Transform3(Vec3(0, 1, 0), -a), false},
        {"TurnUp", [&](SgTransform &t) { t.TurnUp(a); }, Transform3(Vec3(1, 0, 0), a), false},
        {"TurnZRight", [&](SgTransform &t) { t.TurnZRight(a); }, Transform3(Vec3(0, 0, 1), -a), false},
        {"RotateRight", [&](SgTransform &t) { t.RotateRight(a); }, Transform3(Vec3(0, 1, 0), -a), true},
        {"RotateUp", [&](SgTransform &t) { t.RotateUp(a); }, Transform3(Vec3(1, 0, 0), a), true},
    };
    for (const Case &c : cases) {
        SgRef<SgTransform> node = new SgTransform;
        Store(*node, {.translation = {1, 2, 3}, .axis = {0, 0, 1}, .angle = 0.3, .scale = {2, 2, 2}});
        const Transform3 start = node->GetMatrix();
        c.step(*node);
        const Mat4 expected = (c.pre ? c.elementary * start : start * c.elementary).GetMatrix();
        const Mat4 actual = MatrixOf(*node);
        EXPECT_LT(MaxDifference(actual, expected), kTolerance)
            << c.what << ": got " << MatrixText(actual) << ", expected " << MatrixText(expected);
    }
}

TEST_F(SgTransformTest, TurnsUndoAndMovesFollowTheTurnedAxes)
{
    SgRef<SgTransform> node = new SgTransform;
    node->m_translation = Vec3(1, 2, 3);
    const Mat4 start = MatrixOf(*node);
    node->TurnRight(0.8);
    node->TurnRight(-0.8);
    EXPECT_LT(MaxDifference(MatrixOf(*node), start), kTolerance);

    SgRef<SgTransform> turned = new SgTransform;
    turned->TurnRight(kPi / 2);
    turned->MoveRight(1);
    const Vec3 t = turned->m_translation.Get();
    EXPECT_NEAR(t.x, 0, kTolerance);
    EXPECT_NEAR(t.y, 0, kTolerance);
    EXPECT_NEAR(t.z, 1, kTolerance) << "after a right turn of pi/2 the node's x axis is world z";
}

TEST_F(SgTransformTest, ChangePivotKeepsThePlacementUnderAUniformScale)
{
    struct Case {
        Decomposed start;
        Vec3 pivot;
        Rotation orientation;
    };
    const Decomposed plain{.translation = {1, 2, 3}, .axis = {1, 2, 3}, .angle = 0.9, .scale = {1.5, 1.5, 1.5}};
    const Decomposed pivoted{{1, 2, 3}, {0, 1, 0}, -0.6, {2, -1, 0.5}, {0.5, 0.5, 0.5}, {1, 0, 0}, 0.3, 0};
    Decomposed pivotedOffset = pivoted;
    pivotedOffset.matrixConfig = 1;
    const Case cases[] = {
        {plain, {0, 0, 0}, Rotation()},
        {plain, {4, -1, 2}, Rotation()},
        {plain, {4, -1, 2}, Rotation(Vec3(0, 0, 1), 1.2)},
        {pivoted, {-3, 0, 1}, Rotation(Vec3(1, 1, 1), -0.7)},
        {pivotedOffset, {-3, 0, 1}, Rotation(Vec3(1, 1, 1), -0.7)},
        {pivotedOffset, {0, 0, 0}, Rotation()},
    };
    int index = 0;
    for (const Case &c : cases) {
        SgRef<SgTransform> node = new SgTransform;
        Store(*node, c.start);
        const Transform3 before = node->GetMatrix();
        const Vec3 landing = before.TransformPoint(c.pivot);

        ASSERT_TRUE(node->ChangePivot(c.pivot, c.orientation));
        const Mat4 after = MatrixOf(*node);
        EXPECT_LT(MaxDifference(after, before.GetMatrix()), 1e-9)
            << "case " << index << ": placement moved from " << MatrixText(before.GetMatrix()) << " to "
            << MatrixText(after);
        EXPECT_EQ(node->m_center.Get(), c.pivot) << "case " << index;
        EXPECT_EQ(node->m_scaleOrientation.Get(), c.orientation) << "case " << index;
        const Vec3 pivot = node->GetPivot();
        EXPECT_LT((pivot - landing).Length(), 1e-9)
            << "case " << index << ": the pivot must sit where the old matrix carried it";
        ++index;
    }
}

TEST_F(SgTransformTest, ChangePivotIsRefusedForAGeneralMatrixAndStaysFiniteForAFlatScale)
{
    SgRef<SgTransform> general = new SgTransform;
    general->MakeGeneral(true);
    EXPECT_FALSE(general->ChangePivot(Vec3(1, 2, 3), Rotation()));
    EXPECT_EQ(general->m_center.Get(), Vec3(0, 0, 0)) << "a refused change writes no field";

    SgRef<SgTransform> flat = new SgTransform;
    Store(*flat, {.translation = {1, 0, 0}, .axis = {0, 0, 1}, .angle = 0.4, .scale = {1, 0, 1}});
    flat->ChangePivot(Vec3(2, 2, 2), Rotation(Vec3(0, 1, 0), 0.2));
    const Mat4 m = MatrixOf(*flat);
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col)
            EXPECT_TRUE(std::isfinite(m.Get(r, col))) << "element " << r << "," << col;
}

class SgTransformLimitTest : public SgTransformTest {
protected:
    void SetUp() override
    {
        SgTransformTest::SetUp();
        m_node = new SgTransform;
        m_node->m_translation = Vec3(2, -5, 0.5);
    }

    SgRef<SgTransform> m_node;
};

TEST_F(SgTransformLimitTest, LimitClampsTheTranslationThatReadersSee)
{
    ASSERT_TRUE(m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_X, 0, 1));
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(1, -5, 0.5));
    EXPECT_EQ(m_node->m_translation.Get(false), Vec3(2, -5, 0.5)) << "the stored value is kept";
    EXPECT_EQ(m_node->GetMatrix().GetTranslation(), Vec3(1, -5, 0.5));

    m_node->m_translation = Vec3(-3, 9, 0);
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(0, 9, 0)) << "a new value is clamped again";

    ASSERT_TRUE(m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_Y, -1, 4));
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(0, 4, 0)) << "new bounds take effect at once";
}

TEST_F(SgTransformLimitTest, OneModuleServesEveryAxisUntilRemoved)
{
    m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_Y, -2, 2);
    SgTransform::LimitModule *module = m_node->GetLimitModule();
    ASSERT_NE(module, nullptr);
    m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_Y, -2, 2);
    m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_Z, 0, 0.25);
    EXPECT_EQ(m_node->GetLimitModule(), module);
    EXPECT_EQ(module->GetMinVal(1), -2);
    EXPECT_EQ(module->GetMaxVal(2), 0.25);
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(2, -2, 0.25));

    ASSERT_TRUE(m_node->SetLimit(SgTransform::LIMIT_REMOVE, SgTransform::AXIS_X, 0, 0));
    EXPECT_EQ(m_node->GetLimitModule(), nullptr);
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(2, -5, 0.5)) << "no clamp after removal";

    m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_X, 0, 1);
    ASSERT_NE(m_node->GetLimitModule(), nullptr);
    EXPECT_EQ(m_node->GetLimitModule()->GetMinVal(1), -DBL_MAX) << "a fresh module has no old bounds";
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(1, -5, 0.5));
}

TEST_F(SgTransformLimitTest, BadActionOrAxisIsRefusedWithoutAModule)
{
    struct Case {
        int action;
        int axis;
    };
    const Case cases[] = {{0, 3}, {0, -1}, {1, 0}, {-2, 0}};
    for (const Case &c : cases) {
        EXPECT_FALSE(m_node->SetLimit(static_cast<SgTransform::ACTION>(c.action),
                                      static_cast<SgTransform::AXIS>(c.axis), 0, 1))
            << "action " << c.action << ", axis " << c.axis;
        EXPECT_EQ(m_node->GetLimitModule(), nullptr) << "action " << c.action << ", axis " << c.axis;
    }
    EXPECT_TRUE(m_node->SetLimit(SgTransform::LIMIT_REMOVE, SgTransform::AXIS_X, 0, 0))
        << "removing without a limit is harmless";
    EXPECT_EQ(m_node->m_translation.Get(true), Vec3(2, -5, 0.5));
}

namespace {

// A module standing in for the engines library's: pins the value to its
// bounds' midpoint, so that its use is visible.
class MidpointModule : public DxModule, public SgTransform::LimitModule {
public:
    explicit MidpointModule(SgField *) { ++s_made; }
    void Evaluate() override
    {
        Vec3 v;
        for (int i = 0; i < 3; ++i)
            v[i] = (m_min[i] + m_max[i]) / 2;
        m_output.set(&v);
    }
    DxInBase &GetInput() override { return m_input; }
    DxOutBase &GetOutput() override { return m_output; }
    void SetLimit(int axis, double min, double max) override
    {
        m_min[axis] = min;
        m_max[axis] = max;
    }
    double GetMinVal(int axis) const override { return m_min[axis]; }
    double GetMaxVal(int axis) const override { return m_max[axis]; }

    static int s_made;

private:
    DxInput<Vec3> m_input{this};
    DxOutput<Vec3> m_output{this};
    Vec3 m_min, m_max;
};
int MidpointModule::s_made = 0;

SgTransform::LimitModule *MakeMidpoint(SgField *field)
{
    return new MidpointModule(field);
}

} // namespace

TEST_F(SgTransformLimitTest, RegisteredFactorySuppliesTheModule)
{
    SgTransform::SetLimitModuleFactory(&MakeMidpoint);
    const bool set = m_node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_X, 2, 4);
    SgTransform::SetLimitModuleFactory(nullptr);
    ASSERT_TRUE(set);
    EXPECT_EQ(MidpointModule::s_made, 1);
    EXPECT_EQ(m_node->m_translation.Get(true).x, 3);
}
