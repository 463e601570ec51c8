#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/SgSplineEngine.h"
#include "engine/nodes/geometry/SgSpline.h"

namespace {

// A constant value on an output port, changed by hand.
template <class T>
class Constant : public DxModule {
public:
    explicit Constant(const T &value) : m_value(value) {}
    void Evaluate() override { m_output.set(&m_value); }
    void Set(const T &value)
    {
        m_value = value;
        InvalidateOutputs(false);
    }
    DxOutput<T> m_output{this};

private:
    T m_value;
};

// A spline engine wired to a spline node's fields, as an animation along a
// path wires it, with "U" (and "scale" when asked) from constants.
struct WiredEngine {
    explicit WiredEngine(const std::vector<Vec3> &points, bool closed = false)
    {
        curve->m_coordinates.SetVals(int(points.size()), points.data());
        curve->m_closed.Set(closed ? 1 : 0);
        EXPECT_TRUE(PlugTo1(curve.get(), "coordinates", engine.get(), "coords"));
        EXPECT_TRUE(PlugTo1(curve.get(), "closed", engine.get(), "closed"));
        EXPECT_TRUE(PlugTo1(curve.get(), "curveType", engine.get(), "type"));
        EXPECT_TRUE(PlugTo1(curve.get(), "weights", engine.get(), "weights"));
        EXPECT_TRUE(PlugTo1(curve.get(), "nodeCache", engine.get(), "nodeCache"));
        u.m_output.Connect(engine->m_u);
    }
    Vec3 Point() { return engine->m_point.GetVal(0); }
    double Length() { return engine->m_length.GetVal(0); }
    void SetU(double value)
    {
        u.Set(value);
        engine->m_u.OnValueChange();
    }

    SgRef<SgBSpline> curve = new SgBSpline;
    SgRef<SgSplineEngine> engine = new SgSplineEngine;
    Constant<double> u{0.0};
};

void ExpectNear(const Vec3 &got, const Vec3 &want, double tolerance, const char *what)
{
    EXPECT_NEAR(got.x, want.x, tolerance) << what;
    EXPECT_NEAR(got.y, want.y, tolerance) << what;
    EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

} // namespace

TEST(SgSplineEngineTest, IsCreatableByNameWithItsInputsInOrder)
{
    SgFieldMngr *made = SgFieldMngr::Create(SgFieldMngr::GetClassIDFromName("SgSplineEngine"));
    ASSERT_NE(made, nullptr);
    SgRef<SgFieldMngr> hold(made);
    const char *names[] = {"type", "closed", "coords", "cntrlPoints", "weights", "scale", "nodeCache", "U"};
    ASSERT_EQ(made->GetFieldsCount(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(made->GetFieldName(i), names[i]);
    auto *module = dynamic_cast<DxModule *>(made);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->nOutputs(), 2) << "the point and the length";
}

TEST(SgSplineEngineTest, ScaleStretchesTheLengthButNotThePoint)
{
    WiredEngine wired({{0, 0, 0}, {1, 0, 0}});
    Constant<Vec3> scale(Vec3(2, 1, 1));
    scale.m_output.Connect(wired.engine->m_scale);
    wired.SetU(0.5);
    EXPECT_NEAR(wired.Length(), 2.0, 1e-12);
    ExpectNear(wired.Point(), Vec3(0.5, 0, 0), 1e-9, "half way along a unit line");
    wired.engine->m_scale.Disconnect();
    wired.engine->m_u.OnValueChange();
    EXPECT_NEAR(wired.Length(), 1.0, 1e-12) << "an unconnected scale is (1, 1, 1)";
}

TEST(SgSplineEngineTest, MovesAtConstantSpeedAndBuildsOnlyWhenTheCurveChanges)
{
    // An uneven polyline: equal steps of U are equal steps of length.
    WiredEngine wired({{0, 0, 0}, {1, 0, 0}, {1, 3, 0}});
    wired.curve->m_curveType.Set(0);
    struct Case {
        double u;
        Vec3 point;
    };
    const Case cases[] = {{0.0, {0, 0, 0}}, {0.25, {1, 0, 0}}, {0.5, {1, 1, 0}}, {1.0, {1, 3, 0}}};
    for (const Case &c : cases) {
        wired.SetU(c.u);
        ExpectNear(wired.Point(), c.point, 1e-6, "U along the polyline");
        EXPECT_NEAR(wired.Length(), 4.0, 1e-9);
    }
    EXPECT_EQ(wired.engine->GetRebuildCount(), 1) << "moving U alone builds nothing";
    const Vec3 longer[] = {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}};
    wired.curve->m_coordinates.SetVals(3, longer);
    EXPECT_NEAR(wired.Length(), 5.0, 1e-9) << "a changed node is measured again";
    EXPECT_EQ(wired.engine->GetRebuildCount(), 2);
}

TEST(SgSplineEngineTest, EndsOfOpenAndClosedCurves)
{
    const std::vector<Vec3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    WiredEngine open(square);
    open.SetU(0.0);
    ExpectNear(open.Point(), square.front(), 1e-9, "U = 0 of an open B-spline");
    open.SetU(1.0);
    ExpectNear(open.Point(), square.back(), 1e-9, "U = 1 of an open B-spline");
    WiredEngine closed(square, true);
    closed.SetU(0.0);
    const Vec3 start = closed.Point();
    closed.SetU(1.0);
    ExpectNear(closed.Point(), start, 1e-9, "a closed curve ends where it starts");
    EXPECT_GT(closed.Length(), open.Length());
}

TEST(SgSplineEngineTest, DegenerateCurvesGiveDefinedResults)
{
    struct Case {
        const char *what;
        std::vector<Vec3> points;
        double u;
        Vec3 point;
        double length;
    };
    const Case cases[] = {
        {"no point", {}, 0.5, {0, 0, 0}, 0.0},
        {"one point", {{3, 4, 5}}, 0.5, {3, 4, 5}, 0.0},
        {"two equal points", {{1, 1, 1}, {1, 1, 1}}, 0.7, {1, 1, 1}, 0.0},
        {"U not a number", {{0, 0, 0}, {2, 0, 0}}, std::nan(""), {0, 0, 0}, 2.0},
    };
    for (const Case &c : cases) {
        WiredEngine wired(c.points);
        wired.curve->m_curveType.Set(0);
        wired.SetU(c.u);
        ExpectNear(wired.Point(), c.point, 1e-9, c.what);
        EXPECT_NEAR(wired.Length(), c.length, 1e-9) << c.what;
    }
    // Explicit handles with too few of them are refused, not read past.
    WiredEngine handles({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    handles.curve->m_curveType.Set(3);
    handles.SetU(1.0);
    ExpectNear(handles.Point(), Vec3(2, 0, 0), 1e-9, "handles missing: straight segments");
}

TEST(ArcLengthTableTest, LooksUpFractionalSampleIndices)
{
    const std::vector<double> lengths = {0, 1, 1, 3, 4};
    ArcLengthTable table(lengths, 0, 4.0);
    EXPECT_EQ(table.GetBucketCount(), 10) << "fewer than 3 buckets asks for twice the samples";
    EXPECT_DOUBLE_EQ(table.Lookup(0.0), 0.0);
    EXPECT_DOUBLE_EQ(table.Lookup(2.0), 2.5);
    EXPECT_DOUBLE_EQ(table.Lookup(4.0), 4.0);
    EXPECT_DOUBLE_EQ(table.Lookup(0.2), 0.2) << "below one bucket: sample 0";
    EXPECT_TRUE(std::isfinite(table.Lookup(1.0))) << "a stretch of no length is no division by zero";
    ArcLengthTable flat(std::vector<double>{0, 0, 0}, 9, 0.0);
    EXPECT_DOUBLE_EQ(flat.Lookup(0.0), 0.0);
}

TEST(SgSplineEngineTest, AWiredEngineIsSavedAndReadBackWithItsConnections)
{
    // A transform moved half way along a spline by an engine: the scene text
    // names the engine and its connections, and reads back driving the same.
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<SgBSpline> curve = new SgBSpline;
    const Vec3 points[] = {{0, 0, 0}, {4, 0, 0}};
    curve->m_coordinates.SetVals(2, points);
    SgRef<SgInputEngine> bank = new SgInputEngine;
    bank->m_a.Set(0.5);
    SgRef<SgTransform> moved = new SgTransform;
    root->AddChild(curve.get());
    root->AddChild(bank.get());
    root->AddChild(moved.get());
    SgRef<SgSplineEngine> engine = new SgSplineEngine;
    ASSERT_TRUE(PlugTo1(curve.get(), "coordinates", engine.get(), "coords"));
    ASSERT_TRUE(PlugTo1(curve.get(), "curveType", engine.get(), "type"));
    ASSERT_TRUE(PlugTo1(bank.get(), "a", engine.get(), "U"));
    ASSERT_TRUE(PlugTo1(engine.get(), "0", moved.get(), "translation"));
    EXPECT_EQ(moved->m_translation.Get(true), Vec3(2, 0, 0));

    const auto write = [](SgNode *node) {
        std::ostringstream text;
        Vrml1Stream stream(text);
        SgSaveAction action;
        action.SetStream(&stream);
        action.WriteHeader(102);
        EXPECT_TRUE(action.Apply(node)) << action.GetError();
        return text.str();
    };
    const std::string text = write(root.get());
    EXPECT_NE(text.find("SplineEngine {"), std::string::npos) << text;
    EXPECT_EQ(text.find("nodeCache"), std::string::npos) << "a change serial is no part of the file";
    std::istringstream in(text);
    Vrml1InStream stream(in);
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> read = new SgSeparator;
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *read)) << stream.FormatMessages();
    auto *readMoved = static_cast<SgTransform *>(FindNodeByClassID::Lookup(SgTransform::ClassID(), read.get()));
    ASSERT_NE(readMoved, nullptr);
    EXPECT_EQ(readMoved->m_translation.Get(true), Vec3(2, 0, 0)) << text;
    EXPECT_EQ(write(read->GetChild(0)), text) << "the text reads back to itself";
}
