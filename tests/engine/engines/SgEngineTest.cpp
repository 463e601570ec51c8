#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/SgVecField.h"
#include "engine/engines/DxModules.h"
#include "engine/engines/SgEngine.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

// An engine made by class name, as files and the facade make them.
template <class T>
T *MakeByName(const char *name)
{
    SgFieldMngr *made = SgFieldMngr::Create(SgFieldMngr::GetClassIDFromName(name));
    auto *typed = dynamic_cast<T *>(made);
    if (!typed && made)
        SgFieldMngr::Destroy(made);
    return typed;
}

// A constant vector source for the plain modules.
class VectorSource : public DxModule {
public:
    explicit VectorSource(const Vec3 &v) : m_value(v) {}
    void Evaluate() override { m_output.set(&m_value); }
    void Set(const Vec3 &v)
    {
        m_value = v;
        InvalidateOutputs(false);
    }
    DxOutput<Vec3> m_output{this};

private:
    Vec3 m_value;
};

// A bank of control points published as an array.
class PointsSource : public DxModule {
public:
    explicit PointsSource(std::vector<Vec3> points) : m_points(std::move(points))
    {
        m_output.SetValuesArray(&m_points);
    }
    void Evaluate() override { m_output.Validate(); }
    DxOutput<Vec3> m_output{this};

private:
    std::vector<Vec3> m_points;
};

TEST(SgEngineTest, EveryEngineClassIsCreatableByName)
{
    for (const char *name : {"SgEngine", "SgComposeVectorVec3", "SgApplyVector"}) {
        SgFieldMngr *made = SgFieldMngr::Create(SgFieldMngr::GetClassIDFromName(name));
        ASSERT_NE(made, nullptr) << name;
        EXPECT_STREQ(made->GetClassName(), name);
        auto *module = dynamic_cast<DxModule *>(made);
        ASSERT_NE(module, nullptr) << name;
        EXPECT_EQ(module->GetModuleKind(), DxModule::kEngine) << name;
        EXPECT_FALSE(made->IsNode()) << name;
        SgFieldMngr::Destroy(made);
    }
    SgRef<SgInputEngine> bank = MakeByName<SgInputEngine>("SgInputEngine");
    ASSERT_TRUE(bank);
    EXPECT_TRUE(bank->IsPropertyNode());
    EXPECT_EQ(bank->GetFieldsCount(), 18);
    EXPECT_STREQ(bank->GetFieldName(17), "s2");
}

TEST(SgEngineTest, PlugToWiresTheNumberedOutputOfAnEngine)
{
    // Output 0 of a composer of two publishes both vectors; the averaging
    // engine behind it is output 0 of another engine: "1" names nothing there.
    SgRef<SgTransform> a = new SgTransform;
    SgRef<SgTransform> b = new SgTransform;
    SgRef<SgTransform> driven = new SgTransform;
    a->m_translation = Vec3(0, 0, 0);
    b->m_translation = Vec3(4, 2, 0);
    SgRef<SgComposeVector<Vec3>> compose = composeVec3();
    SgRef<SgApplyVector> mean = MakeByName<SgApplyVector>("SgApplyVector");
    ASSERT_TRUE(PlugTo1(a.get(), "translation", compose.get(), "input1"));
    ASSERT_TRUE(PlugTo1(b.get(), "translation", compose.get(), "input2"));
    ASSERT_TRUE(PlugTo1(compose.get(), "0", mean.get(), "input1"));
    ASSERT_TRUE(PlugTo1(mean.get(), "0", driven.get(), "translation"));
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(2, 1, 0));
    b->m_translation = Vec3(2, 2, 2);
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(1, 1, 1)) << "a change upstream reaches the field";
    EXPECT_FALSE(PlugTo1(mean.get(), "1", driven.get(), "translation")) << "the engine has one output";
    driven->m_translation.AsInput().Disconnect();
}

// An engine with two outputs, so that "1" names the second.
class TwoOutputs : public SgEngine {
public:
    TwoOutputs() = default;
    void Evaluate() override
    {
        const Vec3 first(1, 1, 1), second(7, 8, 9);
        m_first.set(&first);
        m_second.set(&second);
    }
    DxOutput<Vec3> m_first{this};
    DxOutput<Vec3> m_second{this};

protected:
    ~TwoOutputs() override = default;
};

TEST(SgEngineTest, PlugToNumberOneWiresTheSecondOutput)
{
    SgRef<TwoOutputs> engine = new TwoOutputs;
    SgRef<SgTransform> node = new SgTransform;
    ASSERT_TRUE(PlugTo1(engine.get(), "1", node.get(), "translation"));
    EXPECT_EQ(node->m_translation.Get(true), Vec3(7, 8, 9));
    ASSERT_TRUE(PlugTo1(engine.get(), "0", node.get(), "translation")) << "a new source replaces the old";
    EXPECT_EQ(node->m_translation.Get(true), Vec3(1, 1, 1));
    node->m_translation.AsInput().Disconnect();
}

struct RefusedPlug {
    const char *what;
    const char *sourceName;
    const char *destinationName;
    bool sourceIsEngine;
};

class SgEnginePlugRefusalTest : public ::testing::TestWithParam<RefusedPlug> {};

TEST_P(SgEnginePlugRefusalTest, IsRefusedAndConnectsNothing)
{
    const RefusedPlug &c = GetParam();
    SgRef<SgTransform> source = new SgTransform;
    SgRef<SgApplyVector> engine = new SgApplyVector;
    SgRef<SgTransform> node = new SgTransform;
    SgFieldMngr *from = c.sourceIsEngine ? static_cast<SgFieldMngr *>(engine.get()) : source.get();
    SgFieldMngr *to = c.sourceIsEngine ? static_cast<SgFieldMngr *>(node.get()) : engine.get();
    EXPECT_FALSE(PlugTo1(from, c.sourceName, to, c.destinationName)) << c.what;
    EXPECT_EQ(engine->m_input1.GetSource(), nullptr) << c.what;
    EXPECT_EQ(node->m_translation.GetModuleSource(), nullptr) << c.what;
    EXPECT_FALSE(source->IsConnected()) << c.what;
    EXPECT_FALSE(node->IsConnected()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SgEnginePlugRefusalTest,
    ::testing::Values(RefusedPlug{"unknown source field", "nosuch", "input1", false},
                      RefusedPlug{"unknown engine input", "translation", "nosuch", false},
                      RefusedPlug{"another value type", "rotation", "input1", false},
                      RefusedPlug{"engine output by name", "output", "translation", true},
                      RefusedPlug{"engine output number with text", "0x", "translation", true},
                      RefusedPlug{"negative output number", "-1", "translation", true},
                      RefusedPlug{"unknown node field", "0", "nosuch", true},
                      RefusedPlug{"engine output of another type", "0", "rotation", true}));

TEST(SgEngineTest, ACycleThroughEnginesIsRefused)
{
    SgRef<SgTransform> node = new SgTransform;
    SgRef<SgApplyVector> first = new SgApplyVector;
    SgRef<SgApplyVector> second = new SgApplyVector;
    ASSERT_TRUE(PlugTo1(node.get(), "translation", first.get(), "input1"));
    ASSERT_TRUE(PlugTo1(first.get(), "0", second.get(), "input1"));
    EXPECT_FALSE(PlugTo1(second.get(), "0", node.get(), "translation")) << "node -> first -> second -> node";
    EXPECT_FALSE(PlugTo1(second.get(), "0", first.get(), "input1")) << "first -> second -> first";
    EXPECT_EQ(node->m_translation.GetModuleSource(), nullptr);
    EXPECT_EQ(first->m_input1.GetSource(), node->m_translation.GetModule()->GetOutput(0));
}

TEST(SgEngineTest, AnEngineLivesAsLongAsSomethingReadsFromIt)
{
    // Whoever wires an engine may let it go at once: every input that reads
    // from it keeps it, and the last one to go frees it. What the engine
    // reads from keeps nothing alive, so a node that drives the engine that
    // drives it goes with its scene. The engine's death shows as its input
    // leaving the origin's list of readers.
    SgRef<SgTransform> origin = new SgTransform;
    SgRef<SgTransform> node = new SgTransform;
    const auto &readers = origin->m_translation.AsOutput().GetFunOut();
    {
        SgRef<SgApplyVector> first = new SgApplyVector;
        SgRef<SgApplyVector> second = new SgApplyVector;
        ASSERT_TRUE(PlugTo1(origin.get(), "translation", first.get(), "input1"));
        ASSERT_TRUE(PlugTo1(first.get(), "0", second.get(), "input1"));
        ASSERT_TRUE(PlugTo1(second.get(), "0", node.get(), "translation"));
        ASSERT_TRUE(PlugTo1(second.get(), "0", node.get(), "center"));
        EXPECT_EQ(first->GetRefCount(), 2) << "the handle and the second engine's input";
        EXPECT_EQ(second->GetRefCount(), 3) << "the handle and two fields of the node";
        node->m_center.AsInput().Disconnect();
        EXPECT_EQ(second->GetRefCount(), 2);
        // Connected again to the output it already reads: no count gained or lost.
        ASSERT_TRUE(PlugTo1(second.get(), "0", node.get(), "translation"));
        EXPECT_EQ(second->GetRefCount(), 2);
    }
    origin->m_translation = Vec3(1, 2, 3);
    EXPECT_EQ(node->m_translation.Get(true), Vec3(1, 2, 3)) << "the chain works without its handles";
    ASSERT_EQ(readers.size(), 1u);
    node.reset();
    EXPECT_TRUE(readers.empty()) << "both engines went with the node they drove";

    // A node and an engine that drive each other.
    SgRef<SgTransform> loop = new SgTransform;
    const auto &loopReaders = loop->m_translation.AsOutput().GetFunOut();
    {
        SgRef<SgApplyVector> engine = new SgApplyVector;
        ASSERT_TRUE(PlugTo1(loop.get(), "translation", engine.get(), "input1"));
        ASSERT_TRUE(PlugTo1(engine.get(), "0", loop.get(), "center"));
    }
    ASSERT_EQ(loopReaders.size(), 1u) << "the node keeps the engine it reads from";
    loop->m_center.AsInput().Disconnect();
    EXPECT_TRUE(loopReaders.empty()) << "nothing reads from the engine any more";
}

TEST(SgEngineTest, ForEachConnectedEngineWalksUpstreamNearestFirst)
{
    SgRef<SgTransform> origin = new SgTransform;
    SgRef<SgApplyVector> a = new SgApplyVector;
    SgRef<SgApplyVector> b = new SgApplyVector;
    SgRef<SgTransform> node = new SgTransform;
    std::vector<SgFieldMngr *> seen;
    auto record = [](SgFieldMngr *container, void *data) {
        static_cast<std::vector<SgFieldMngr *> *>(data)->push_back(container);
        return 1;
    };
    EXPECT_EQ(ForEachConnectedEngine(node.get(), record, &seen), 0);
    EXPECT_TRUE(seen.empty()) << "nothing connected, nothing called";

    ASSERT_TRUE(PlugTo1(origin.get(), "translation", a.get(), "input1"));
    ASSERT_TRUE(PlugTo1(a.get(), "0", b.get(), "input1"));
    ASSERT_TRUE(PlugTo1(b.get(), "0", node.get(), "translation"));
    ForEachConnectedEngine(node.get(), record, &seen);
    // B feeds the node, A feeds B, and A's input is a node's field: A itself.
    const std::vector<SgFieldMngr *> expected{b.get(), a.get(), a.get()};
    EXPECT_EQ(seen, expected);
    node->m_translation.AsInput().Disconnect();
}

TEST(SgEngineTest, ApplyVectorAveragesTheFirstInputOnly)
{
    SgRef<SgCoordinate3> points = new SgCoordinate3;
    SgRef<SgApplyVector> mean = new SgApplyVector;
    SgRef<SgTransform> node = new SgTransform;
    ASSERT_TRUE(PlugTo1(mean.get(), "0", node.get(), "translation"));
    EXPECT_EQ(node->m_translation.Get(true), Vec3(0, 0, 0)) << "no points give the origin";

    PointsSource three({Vec3(0, 0, 0), Vec3(3, 0, 0), Vec3(0, 3, 0)});
    three.m_output.Connect(mean->m_input1);
    mean->InvalidateOutputs(true);
    EXPECT_EQ(node->m_translation.Get(true), Vec3(1, 1, 0));
    VectorSource other(Vec3(100, 100, 100));
    other.m_output.Connect(mean->m_input2);
    mean->InvalidateOutputs(true);
    EXPECT_EQ(node->m_translation.Get(true), Vec3(1, 1, 0)) << "input2 is not read";
    node->m_translation.AsInput().Disconnect();
}

TEST(SgEngineTest, ComposerTooSmallForTwoVectorsRaises)
{
    SgRef<SgComposeVector<Vec3>> small = new SgComposeVector<Vec3>(1);
    EXPECT_THROW(small->m_output.GetSize(), SgInvalidArgument);
}

// --- Plain modules ------------------------------------------------------------------

struct DoubleCase {
    const char *name;
    double a, b, expected;
};

class DxArithmeticTest : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(DxArithmeticTest, ComputesItsValue)
{
    const DoubleCase &c = GetParam();
    DxDouble a(c.a), b(c.b);
    DxDiv div;
    DxMul mul;
    DxTest add;
    DxLoop loop;
    DxModule *module = nullptr;
    DxOutput<double> *output = nullptr;
    const std::string name = c.name;
    if (name == "div") {
        a.m_output.Connect(div.m_a), b.m_output.Connect(div.m_b), module = &div, output = &div.m_output;
    } else if (name == "mul") {
        a.m_output.Connect(mul.m_a), b.m_output.Connect(mul.m_b), module = &mul, output = &mul.m_output;
    } else if (name == "add") {
        a.m_output.Connect(add.m_a), b.m_output.Connect(add.m_b), module = &add, output = &add.m_output;
    } else {
        a.m_output.Connect(loop.m_a), module = &loop, output = &loop.m_output;
    }
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(output->GetVal(0), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, DxArithmeticTest,
                         ::testing::Values(DoubleCase{"div", 1, 4, 0.25},
                                           DoubleCase{"div", 1, 0, std::numeric_limits<double>::infinity()},
                                           DoubleCase{"div", -1, 0, -std::numeric_limits<double>::infinity()},
                                           DoubleCase{"mul", 3, -2.5, -7.5}, DoubleCase{"add", 3, -2.5, 0.5},
                                           DoubleCase{"loop", 1.25, 0, 2.5}));

TEST(DxModulesTest, DivisionOfZeroByZeroIsNotANumber)
{
    DxDouble a(0), b(0);
    DxDiv div;
    a.m_output.Connect(div.m_a);
    b.m_output.Connect(div.m_b);
    EXPECT_TRUE(std::isnan(div.m_output.GetVal(0)));
}

TEST(DxModulesTest, DoubleSetValueReachesReaders)
{
    DxDouble value(1);
    DxLoop loop;
    value.m_output.Connect(loop.m_a);
    EXPECT_EQ(loop.m_output.GetVal(0), 2);
    value.SetValue(5);
    EXPECT_EQ(loop.m_output.GetVal(0), 10);
}

TEST(DxModulesTest, LockTakesOneComponentAndRefusesOthers)
{
    VectorSource v(Vec3(1, 2, 3));
    DxLock lock(2);
    v.m_output.Connect(lock.m_input);
    EXPECT_EQ(lock.m_output.GetVal(0), 3.0);
    for (int bad : {-1, 3, 100}) {
        EXPECT_FALSE(lock.SetIndex(bad)) << bad;
        EXPECT_EQ(lock.GetIndex(), 2) << bad;
    }
    EXPECT_TRUE(lock.SetIndex(0));
    EXPECT_EQ(lock.m_output.GetVal(0), 1.0);
    DxLock fallback(7);
    EXPECT_EQ(fallback.GetIndex(), 0) << "a bad index at construction leaves x";
}

TEST(DxModulesTest, MoveConstraintZeroesOneComponentOfEachNewInput)
{
    VectorSource v(Vec3(1, 2, 3));
    DxMoveConstraint constraint(1);
    v.m_output.Connect(constraint.m_input);
    EXPECT_EQ(constraint.m_output.GetVal(0), Vec3(1, 0, 3));
    v.Set(Vec3(4, 5, 6));
    EXPECT_EQ(constraint.m_output.GetVal(0), Vec3(4, 0, 6));
    EXPECT_FALSE(constraint.SetIndex(3));
    EXPECT_FALSE(constraint.SetIndex(-1));
    EXPECT_EQ(constraint.GetIndex(), 1);
}

struct SplineCase {
    double t;
    Vec3 expected;
};

class DxSplineTest : public ::testing::TestWithParam<SplineCase> {};

TEST_P(DxSplineTest, GivesTheBezierPoint)
{
    PointsSource points({Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(1, 1, 0)});
    DxDouble t(GetParam().t);
    DxSpline spline;
    points.m_output.Connect(spline.m_points);
    t.m_output.Connect(spline.m_t);
    const Vec3 got = spline.m_output.GetVal(0);
    const Vec3 want = GetParam().expected;
    EXPECT_DOUBLE_EQ(got.x, want.x);
    EXPECT_DOUBLE_EQ(got.y, want.y);
    EXPECT_DOUBLE_EQ(got.z, want.z);
}

INSTANTIATE_TEST_SUITE_P(Cases, DxSplineTest,
                         ::testing::Values(SplineCase{0.5, Vec3(0.75, 0.25, 0)}, SplineCase{0, Vec3(0, 0, 0)},
                                           SplineCase{1, Vec3(1, 1, 0)}));

TEST(DxModulesTest, MoveClampsTheFieldValueWhereLimited)
{
    SgRef<SgTransform> node = new SgTransform;
    node->m_translation = Vec3(2, -5, 0.5);
    DxMove move(&node->m_translation);
    ASSERT_TRUE(move.DxConstraintMovement::SetLimit(0, 0, 1));
    EXPECT_EQ(move.m_output.GetVal(0), Vec3(1, -5, 0.5));
    EXPECT_EQ(move.GetMinVal(1), -1.7976931348623157e308);
    EXPECT_FALSE(move.DxConstraintMovement::SetLimit(3, 0, 1));
    EXPECT_FALSE(move.SetMinVal(-1, 0));
    DxConstraint unbound;
    EXPECT_EQ(unbound.GetFieldValue(), nullptr);
}

TEST(DxModulesTest, TransformLimitIsTheMoveModule)
{
    SgRef<SgTransform> node = new SgTransform;
    node->m_translation = Vec3(2, -5, 0.5);
    ASSERT_TRUE(node->SetLimit(SgTransform::LIMIT_TRANSLATION, SgTransform::AXIS_X, 0, 1));
    EXPECT_NE(dynamic_cast<DxMove *>(node->GetLimitModule()), nullptr);
    EXPECT_EQ(node->m_translation.Get(true), Vec3(1, -5, 0.5));
}

} // namespace
