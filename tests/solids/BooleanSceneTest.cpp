// Boolean shapes evaluated by the solid library: the operations over cubes
// in the scene, operands that yield nothing, the cached result reused while
// nothing changed and rebuilt (never left stale) when something did,
// evaluation failures contained, nested booleans, and the evaluated solid
// exported as one closed mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "solids/GmGeom.h"
#include "solids/GmValidity.h"
#include "solids/SgExportStlAction.h"
#include "solids/SgGeomAction.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"
#include "tests/platform/WorkProgressRecorder.h"
#include "tests/solids/StlTestUtil.h"

using namespace solvane;

namespace {

class BooleanScene : public ::testing::Test {
protected:
    void SetUp() override { Solvane::Init(); }

    // A cube of side `size` centred at `centre`, as an operand.
    static SgSeparator *CubeAt(const Vec3 &centre, double size = 1.0)
    {
        auto *sep = new SgSeparator;
        auto *t = new SgTransform;
        t->m_translation.Set(centre);
        sep->AddChild(t);
        auto *cube = new SgCube;
        cube->m_width.Set(size);
        cube->m_height.Set(size);
        cube->m_depth.Set(size);
        sep->AddChild(cube);
        return sep;
    }
    // An operand that yields no solid.
    static SgNode *Nothing() { return new SgMaterial; }
    // A gizmo group whose shape (a cube, which does not affect the state)
    // is gizmo geometry, never an operand's solid.
    static SgNode *GizmoWithACube()
    {
        auto *gizmo = new SgGizmoGroup;
        auto *cube = new SgCube;
        gizmo->AddChild(cube);
        return gizmo;
    }

    static SgRef<SgBoolean> Boolean(int operation, const std::vector<SgNode *> &operands)
    {
        SgRef<SgBoolean> b(new SgBoolean(operation));
        for (SgNode *n : operands)
            b->GetSeparator()->AddChild(n);
        return b;
    }

    // The evaluated solid's volume, after checking it is a valid solid;
    // -1 without one.
    static double Volume(SgBoolean *b)
    {
        GmGeom *g = SgGeomAction::EvaluateBoolean(b);
        if (!g || g->faceCount() == 0)
            return -1.0;
        GmValidityReport r = check_validity(*g);
        EXPECT_TRUE(r.ok) << r.text();
        return g->volume();
    }
};

// A = [0,1]^3, B = [0.5,1.5]^3, C = [1,2]x[0,1]x[0,1] (the unit cube next
// to A, overlapping B).
// D = [0,1]x[0,1]x[1,2], on top of A.
const Vec3 kA(0.5, 0.5, 0.5), kB(1.0, 1.0, 1.0), kC(1.5, 0.5, 0.5), kD(0.5, 0.5, 1.5);

TEST_F(BooleanScene, OperationsCombineTheOperandsInChildOrder)
{
    struct Case {
        const char *what;
        int operation;
        std::vector<int> operands;  // 0 A, 1 B, 2 C, 3 D, -1 nothing, -2 a gizmo group with a cube
        double volume;
    } cases[] = {
        {"union", 0, {0, 1}, 1.875},
        {"intersection", 1, {0, 1}, 0.125},
        {"difference from the first", 2, {0, 1}, 0.875},
        {"difference from the last: B minus A", 3, {0, 1}, 0.875},
        {"a first operand that yields nothing is skipped", 1, {-1, 0, 1}, 0.125},
        {"an operand in the middle that yields nothing", 0, {0, -1, 1}, 1.875},
        {"difference from the last: C minus (A and B)", 3, {0, 1, 2}, 1.0 - 0.125},
        {"leading nothing: still C minus (A and B)", 3, {-1, 0, 1, 2}, 1.0 - 0.125},
        {"one operand stands alone", 2, {0}, 1.0},
        {"one operand after nothing", 1, {-1, 1}, 1.0},
        {"nothing at all", 0, {-1, -1}, -1.0},
        {"gizmo shapes are no operands", 0, {0, -2}, 1.0},
        {"B minus the balanced union of three", 3, {0, 2, 3, 1}, 1.0 - 3 * 0.125},
    };
    for (const Case &c : cases) {
        std::vector<SgNode *> nodes;
        for (int o : c.operands)
            nodes.push_back(o == -2 ? GizmoWithACube() : o < 0 ? Nothing() : CubeAt(o == 0 ? kA : o == 1 ? kB : o == 2 ? kC : kD));
        SgRef<SgBoolean> b = Boolean(c.operation, nodes);
        EXPECT_NEAR(Volume(b.get()), c.volume, 1e-9) << c.what;
    }
}

// While nothing changed, the cached result is handed out without visiting
// an operand; a changed operand, a changed operation and an operand taken
// away each give a new result, never the former one.
TEST_F(BooleanScene, TheResultIsReusedUntilSomethingChanges)
{
    auto *a = CubeAt(kA);
    auto *b = CubeAt(kB);
    SgRef<SgBoolean> node = Boolean(0, {a, b});
    EXPECT_NEAR(Volume(node.get()), 1.875, 1e-9);
    const int visits = SgGeomAction::GetOperandVisitCount();
    EXPECT_NEAR(Volume(node.get()), 1.875, 1e-9);
    EXPECT_EQ(SgGeomAction::GetOperandVisitCount(), visits) << "an unchanged boolean was evaluated again";

    static_cast<SgCube *>(b->GetChild(1))->m_width.Set(2.0);  // B now [0,2]x[0.5,1.5]^2
    EXPECT_NEAR(Volume(node.get()), 2.0 + 0.75, 1e-9);
    EXPECT_GT(SgGeomAction::GetOperandVisitCount(), visits);

    node->m_operation.Set(1);
    EXPECT_NEAR(Volume(node.get()), 0.25, 1e-9);

    node->DeleteChild(b);
    EXPECT_NEAR(Volume(node.get()), 1.0, 1e-9) << "a boolean left with one operand shows that operand";
}

// A boolean nested as an operand hands out a copy of its result: the inner
// node keeps its own solid.
TEST_F(BooleanScene, ANestedBooleanHandsOutACopy)
{
    SgRef<SgBoolean> inner = Boolean(0, {CubeAt(kA), CubeAt(kB)});
    EXPECT_NEAR(Volume(inner.get()), 1.875, 1e-9);
    GmGeom *innerSolid = SgGeomAction::EvaluateBoolean(inner.get());
    auto *moved = new SgSeparator;
    auto *t = new SgTransform;
    t->m_translation.Set(Vec3(1, 0, 0));
    moved->AddChild(t);
    moved->AddChild(inner.get());
    SgRef<SgBoolean> outer = Boolean(2, {moved, CubeAt(Vec3(1.5, 0.5, 0.5))});
    // The moved union minus the cube its first part now fills: what is left of
    // the moved B outside it.
    EXPECT_NEAR(Volume(outer.get()), 1.0 - 0.125, 1e-9);
    EXPECT_EQ(SgGeomAction::EvaluateBoolean(inner.get()), innerSolid);
    EXPECT_NEAR(innerSolid->volume(), 1.875, 1e-9) << "the inner result was moved or consumed";
}

// A flat, zero-size or open operand bounds no volume: it is left out of
// the boolean with one message naming it, and the others are combined as
// if it were not there.
TEST_F(BooleanScene, ADegenerateOperandIsSkippedWithOneMessageNamingIt)
{
    auto flat = [] {
        SgSeparator *sep = CubeAt(kB);
        static_cast<SgTransform *>(sep->GetChild(0))->m_scaleFactor.Set(Vec3(1, 1, 0));
        sep->SetName("flat lid");
        return static_cast<SgNode *>(sep);
    };
    auto sheet = [] {
        auto *open = new SgSeparator;
        auto *coords = new SgCoordinate3;
        const Vec3 p[] = {{0, 0, 0.5}, {1, 0, 0.5}, {1, 1, 0.5}, {0, 1, 0.5}};
        coords->m_point.SetVals(4, p);
        open->AddChild(coords);
        auto *mesh = new SgIndexedFaceSet;
        mesh->SetName("open sheet");
        const int index[] = {0, 1, 2, 3, -1};
        mesh->m_coordIndex.SetVals(5, index);
        open->AddChild(mesh);
        return static_cast<SgNode *>(open);
    };
    auto thin = [] {
        SgSeparator *sep = CubeAt(kB);
        auto *cube = static_cast<SgCube *>(sep->GetChild(1));
        cube->m_width.Set(0.0);
        cube->SetName("no width");
        return static_cast<SgNode *>(sep);
    };
    struct Case {
        const char *name;
        std::function<SgNode *()> make;
        int operation;
    } cases[] = {
        {"flat lid", flat, 0},   {"open sheet", sheet, 0}, {"no width", thin, 0},
        {"flat lid", flat, 2},   {"open sheet", sheet, 1}, {"no width", thin, 2},
    };
    for (const Case &c : cases) {
        SgRef<SgBoolean> node = Boolean(c.operation, {CubeAt(kA), c.make()});
        SgDiagCapture capture;
        EXPECT_NEAR(Volume(node.get()), 1.0, 1e-9) << c.name << " made the boolean disappear";
        EXPECT_EQ(capture.Count("Solvane"), 1) << capture.GetText();
        EXPECT_TRUE(capture.Contains(c.name)) << capture.GetText();
        EXPECT_FALSE(capture.Contains("edge ")) << "internal edge ids shown: " << capture.GetText();
    }
}

// An operand the kernel cannot take in (a point that is not a number)
// fails the evaluation: an empty result is kept, carrying the reason, with
// one message of one line naming the boolean; nothing is thrown out of the
// evaluation.
TEST_F(BooleanScene, AnEvaluationThatFailsLeavesNoResultAndOneMessage)
{
    auto *broken = new SgSeparator;
    auto *coords = new SgCoordinate3;
    const Vec3 p[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {std::nan(""), 0, 1}};
    coords->m_point.SetVals(4, p);
    broken->AddChild(coords);
    auto *mesh = new SgIndexedFaceSet;
    const int index[] = {0, 2, 1, -1, 0, 1, 3, -1, 1, 2, 3, -1, 2, 0, 3, -1};
    mesh->m_coordIndex.SetVals(16, index);
    broken->AddChild(mesh);
    SgRef<SgBoolean> node = Boolean(0, {CubeAt(kA), broken});
    node->SetName("bracket");
    SgDiagCapture capture;
    EXPECT_EQ(Volume(node.get()), -1.0);
    EXPECT_EQ(capture.Count("Solvane"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("bracket")) << capture.GetText();
    EXPECT_EQ(capture.GetText().find('\n'), capture.GetText().size() - 1) << capture.GetText();
    SgShape *result = node->GetResultCache();
    ASSERT_NE(result, nullptr) << "an empty result is kept so that the failure is not repeated every frame";
    EXPECT_EQ(static_cast<SgSolvane *>(result)->GetGeom(), nullptr);
    EXPECT_TRUE(static_cast<SgSolvane *>(result)->HasFailed());
}

// The union of A and B exports as one closed mesh (no inner triangles of
// the overlapping operands) of volume 1.875.
TEST_F(BooleanScene, AUnionExportsItsEvaluatedSolid)
{
    SgRef<SgBoolean> node = Boolean(0, {CubeAt(kA), CubeAt(kB)});
    const std::string path = ::testing::TempDir() + "stl_union.stl";
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    SgExportStlAction stl;
    stl.SetFile(file);
    ASSERT_TRUE(stl.Apply(node.get()));
    ASSERT_TRUE(stl.Finish());
    std::fclose(file);
    stltest::StlFile read = stltest::ReadStl(path);
    EXPECT_EQ(read.count, read.records.size());
    EXPECT_EQ(read.bytes, 84 + 50 * read.records.size());
    EXPECT_NEAR(read.Volume(), 1.875, 1e-5);
    double admeshVolume = 0.0;
    EXPECT_TRUE(stltest::AdmeshClean(path, &admeshVolume));
    EXPECT_NEAR(admeshVolume, 1.875, 1e-4);
}

// The scene file of the solid node and the box minus sphere: both classes
// are read (the boolean with its two operands and engine 0), and the
// boolean evaluates to the box with its cavity.
TEST_F(BooleanScene, TheSolidSceneFileReadsIntoASolidNodeAndABoolean)
{
    std::ifstream file(std::string(FENNIX_TEST_DATA) + "/solid_node_and_box_minus_sphere.kvrx");
    ASSERT_TRUE(file);
    Vrml1InStream stream(file, "solid_node_and_box_minus_sphere.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    SgSolvane *solid = nullptr;
    SgBoolean *boolean = nullptr;
    std::vector<SgNode *> todo{root.get()};
    while (!todo.empty()) {
        SgNode *n = todo.back();
        todo.pop_back();
        if (n->GetClassID() == SgSolvane::ClassID())
            solid = static_cast<SgSolvane *>(n);
        if (n->GetClassID() == SgBoolean::ClassID())
            boolean = static_cast<SgBoolean *>(n);
        for (int i = 0; i < n->GetNumChildren(); ++i)
            todo.push_back(n->GetChild(i));
    }
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(solid->GetGeom(), nullptr) << "a solid node carries no solid in a file";
    ASSERT_NE(boolean, nullptr);
    EXPECT_EQ(boolean->m_booleanEngine.Get(), 0);
    EXPECT_EQ(boolean->m_operation.Get(), 2);
    EXPECT_EQ(boolean->GetSeparator()->GetChildsCount(), 2);
    const double sphere = 4.0 / 3.0 * 3.141592653589793 * 1.2 * 1.2 * 1.2;
    // The sphere is a polygon mesh: its volume is a little below the
    // sphere's.
    const double v = Volume(boolean);
    EXPECT_GT(v, 27.0 - sphere / 2.0);
    EXPECT_LT(v, 27.0 - sphere / 2.0 * 0.9);
}

// Attaching an object to an object whose content ends in a boolean makes it
// one more operand of that boolean, and the next evaluation includes it.
TEST_F(BooleanScene, AnObjectAttachedToABooleanObjectBecomesAnOperand)
{
    SgRef<SgSeparator> root(new SgSeparator);
    auto *target = new SgObject(true, true);
    SgRef<SgBoolean> node = Boolean(0, {CubeAt(kA)});
    target->AddChild(node.get());
    root->AddChild(target);
    auto *tool = new SgObject(true, true);
    tool->AddChild(CubeAt(kB));
    root->AddChild(tool);
    EXPECT_NEAR(Volume(node.get()), 1.0, 1e-9);

    SgPath path;
    path.Append(root.get());
    path.Append(target);
    ASSERT_TRUE(tool->AttachToGroup(path, false));
    EXPECT_EQ(node->GetSeparator()->GetChildsCount(), 2);
    EXPECT_NEAR(Volume(node.get()), 1.875, 1e-9) << "the attached object is not an operand";
}

// A cube of side 2s minus a sphere of radius 0.8s is the same solid at
// every scale s, whether the sizes are the shapes' own or a transform's
// scale of a pair of size 2: its volume over s cubed is the one at s = 1.
// (Solids once merged their points within a fixed millionth: a part a few
// micrometres across lost its faces.)
TEST_F(BooleanScene, ACubeMinusASphereCutsAlikeAtEveryScale)
{
    auto scaled = [](SgNode *shape, double scale) {
        auto *sep = new SgSeparator;
        auto *t = new SgTransform;
        t->m_scaleFactor.Set(Vec3(scale, scale, scale));
        sep->AddChild(t);
        sep->AddChild(shape);
        return sep;
    };
    auto pair = [&](double sizes, double scale) {
        auto *cube = new SgCube;
        cube->m_width.Set(2 * sizes);
        cube->m_height.Set(2 * sizes);
        cube->m_depth.Set(2 * sizes);
        auto *sphere = new SgSphere;
        sphere->m_radius.Set(0.8 * sizes);
        return Boolean(2, {scaled(cube, scale), scaled(sphere, scale)});
    };
    const double expected = Volume(pair(1.0, 1.0).get());
    ASSERT_GT(expected, 0.0);
    for (double s : {1e-3, 1e-4, 1e-5, 3e-6, 1e2, 1e4}) {
        for (bool byTransform : {false, true}) {
            SgRef<SgBoolean> b = byTransform ? pair(1.0, s) : pair(s, 1.0);
            SgDiagCapture capture;
            EXPECT_NEAR(Volume(b.get()) / (s * s * s), expected, 1e-6 * expected)
                << (byTransform ? "scaled by a transform " : "sizes ") << s << ": " << capture.GetText();
        }
    }
}

// A boolean of many operands says how far it got, one operand at a time;
// one of few operands says nothing, and neither do the booleans nested in
// it (they are steps of the outer one).
TEST_F(BooleanScene, ManyOperandsReportProgressPerOperandAndNestedOnesDoNot)
{
    const auto row = [](int count) {
        std::vector<SgNode *> cubes;
        for (int i = 0; i < count; ++i)
            cubes.push_back(CubeAt(Vec3(0.5 * i, 0.5, 0.5)));
        return cubes;
    };
    const int many = SgGeomAction::kProgressFromOperands + 2;
    struct Case {
        const char *what;
        SgRef<SgBoolean> boolean;
        double volume;
        int steps;
    };
    Case cases[] = {
        {"few operands", Boolean(0, row(SgGeomAction::kProgressFromOperands - 1)),
         1.0 + 0.5 * (SgGeomAction::kProgressFromOperands - 2), 0},
        {"many operands", Boolean(0, row(many)), 1.0 + 0.5 * (many - 1), many},
        {"many operands nested in a boolean of two", Boolean(0, {Boolean(0, row(many)).get(), CubeAt(Vec3(20, 20, 20))}),
         1.0 + 0.5 * (many - 1) + 1.0, 0},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        progresstest::WorkProgressRecorder recorder;
        EXPECT_NEAR(Volume(c.boolean.get()), c.volume, 1e-9);
        EXPECT_EQ(recorder.Steps(), c.steps);
        if (c.steps > 0) {
            EXPECT_TRUE(recorder.ShowsWork("Combining solids"));
        }
    }
}

}  // namespace
