// The facade's creation commands: primitives and curves made with mouse
// messages sent to the viewer's window, undone step by step; the grid, the
// camera object, particles and the generic node calls.
#include <string>
#include <vector>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/tools/SgEditPolyLineTool.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

// Mouse messages as the window system sends them to the viewer's window.
class CreateTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        AddViewer();
    }
    void Send(unsigned message, unsigned buttons, int x, int y)
    {
        m_window->Send(message, buttons, SgWM::MakePoint(x, y));
    }
    void Click(int x, int y)
    {
        Send(SgWM::kMouseMove, 0, x, y);
        Send(SgWM::kLButtonDown, SgWM::kLeftButtonBit, x, y);
        Send(SgWM::kLButtonUp, 0, x, y);
    }
    // A double click ends a curve.
    void DoubleClick(int x, int y)
    {
        Click(x, y);
        Send(SgWM::kLButtonDblClk, SgWM::kLeftButtonBit, x, y);
        Send(SgWM::kLButtonUp, 0, x, y);
    }
    // Objects directly under the scene root (the tools aside).
    std::vector<SgObject *> RootObjects() const
    {
        std::vector<SgObject *> objects;
        SgSeparator *root = m_facade->GetRoot();
        for (int i = 0; i < root->GetNumChildren(); ++i)
            if (auto *object = dynamic_cast<SgObject *>(root->GetChild(i)))
                objects.push_back(object);
        return objects;
    }
    static SgNode *Find(SgNode *under, int classId)
    {
        FindNodeByClassID find(classId);
        SgFindAction action(&find);
        action.Apply(under);
        return action.m_Found.empty() ? nullptr : action.m_Found.front();
    }
    static int Count(SgNode *under, int classId)
    {
        FindNodeByClassID find(classId);
        SgFindAction action(&find);
        action.m_bFirstOnly = false;
        action.Apply(under);
        return static_cast<int>(action.m_Found.size());
    }
};

struct Primitive {
    int button;
    const char *className;
    int stages;  // clicks after the first
};
void PrintTo(const Primitive &p, std::ostream *out)
{
    *out << p.className;
}

class PrimitiveTest : public CreateTest, public ::testing::WithParamInterface<Primitive> {};

TEST_P(PrimitiveTest, IsMadeWithTheMouseAndUndoneInOneStep)
{
    const Primitive &p = GetParam();
    const size_t before = RootObjects().size();
    const int classId = SgFieldMngr::GetClassIDFromName(p.className);
    ASSERT_GT(classId, 0) << p.className;
    m_facade->GetCreation().OnCreateTool(p.button);
    ASSERT_NE(dynamic_cast<SgCreateCylinderTool *>(m_facade->GetCreation().GetActiveTool()), nullptr) << p.className;
    EXPECT_EQ(m_facade->GetCreation().GetCreationButton(), p.button);
    EXPECT_EQ(m_states.Last(p.button), 1) << "the button shows the tool running";
    // Off the centre: a first click on the origin counts as no creation.
    Click(70, 50);
    for (int stage = 1; stage <= p.stages; ++stage) {
        Send(SgWM::kMouseMove, 0, 70 + 12 * stage, 50 - 9 * stage);
        Click(70 + 12 * stage, 50 - 9 * stage);
    }
    const std::vector<SgObject *> after = RootObjects();
    ASSERT_EQ(after.size(), before + 1) << p.className;
    EXPECT_EQ(Count(m_facade->GetRoot(), classId), 1) << p.className;
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_EQ(RootObjects().size(), before) << p.className << " was not undone in one step";
    m_facade->GetSelectionEditing().Undo(true);
    EXPECT_EQ(RootObjects().size(), before + 1) << p.className << " did not come back";
}

INSTANTIATE_TEST_SUITE_P(Buttons, PrimitiveTest,
                         ::testing::Values(Primitive{1, "SgSphere", 1}, Primitive{2, "SgBox", 2},
                                           Primitive{3, "SgCylinder", 2}, Primitive{4, "SgCone", 2},
                                           Primitive{5, "SgNGon", 2}, Primitive{6, "SgNStar", 2},
                                           Primitive{7, "SgCircle", 1}, Primitive{8, "SgArc", 2},
                                           Primitive{9, "SgHelix", 2}, Primitive{10, "SgTorus", 2},
                                           Primitive{11, "SgTorusKnot", 2}, Primitive{15, "SgPlane", 1},
                                           Primitive{20, "SgGeoSphere", 1}),
                         [](const ::testing::TestParamInfo<Primitive> &info) { return std::string(info.param.className); });

struct Curve {
    int button;
    const char *className;
};
void PrintTo(const Curve &c, std::ostream *out)
{
    *out << c.button << " " << c.className;
}

class CurveTest : public CreateTest, public ::testing::WithParamInterface<Curve> {};

TEST_P(CurveTest, IsDrawnWithTheMouseAndUndone)
{
    const Curve &c = GetParam();
    const size_t before = RootObjects().size();
    m_facade->GetCreation().OnCreateTool(c.button);
    ASSERT_NE(m_facade->GetCreation().GetActiveTool(), nullptr) << c.className;
    EXPECT_EQ(m_states.Last(c.button), 1);
    Click(60, 60);
    Send(SgWM::kMouseMove, 0, 100, 60);
    Click(100, 60);
    Send(SgWM::kMouseMove, 0, 100, 30);
    DoubleClick(100, 30);
    const std::vector<SgObject *> after = RootObjects();
    ASSERT_EQ(after.size(), before + 1) << c.className;
    EXPECT_EQ(m_facade->GetCreation().GetCreationButton(), c.button) << "the tool stays for the next curve";
    // Clicks beside every object put the points on the ground plane, apart.
    SgNode *made = FindNodeByClassID::Lookup(SgFieldMngr::GetClassIDFromName(c.className), after.back());
    if (auto *curve = dynamic_cast<SgPolyLine *>(made)) {
        ASSERT_GE(curve->m_coordinates.GetCount(), 3) << c.className;
        const Vec3 a = curve->m_coordinates.GetValue(0);
        const Vec3 b = curve->m_coordinates.GetValue(1);
        EXPECT_GT((b - a).Length(), 0.1) << c.className << ": the clicks gave one point";
        EXPECT_NEAR(a.z, b.z, 1e-9) << c.className;
    }
    EXPECT_EQ(Count(m_facade->GetRoot(), SgFieldMngr::GetClassIDFromName(c.className)), 1) << c.className;
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_EQ(RootObjects().size(), before) << c.className;
}

INSTANTIATE_TEST_SUITE_P(Buttons, CurveTest,
                         ::testing::Values(Curve{12, "SgPolyLine"}, Curve{13, "SgPolygon"}, Curve{14, "SgBezierSpline"},
                                           Curve{17, "SgBSpline"}, Curve{18, "SgBSpline"}, Curve{19, "SgBezierSpline"}),
                         [](const ::testing::TestParamInfo<Curve> &info) {
                             return std::to_string(info.param.button);
                         });

TEST_F(CreateTest, FilletPolylineStartsOnlyFromThePolylineCommand)
{
    m_facade->GetCreation().OnCreateTool(16);
    EXPECT_EQ(m_facade->GetCreation().GetActiveTool(), nullptr) << "16 is no button of the primitive tools";
    EXPECT_EQ(m_facade->GetCreation().GetCreationButton(), 0);
    EXPECT_EQ(m_states.Last(16), -100) << "nothing was checked";

    m_facade->GetCreation().ToggleSnapAngle(121);
    m_facade->GetCreation().OnCreatePolyline(16);
    auto *tool = dynamic_cast<SgCreatePolyLineTool *>(m_facade->GetCreation().GetActiveTool());
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->m_bSnapAngle) << "the facade's snap option reaches the tool";
    EXPECT_EQ(m_states.Last(16), 1);
    EXPECT_EQ(m_states.Last(121), 1);
    Click(60, 60);
    Send(SgWM::kMouseMove, 0, 100, 60);
    Click(100, 60);
    Send(SgWM::kMouseMove, 0, 100, 30);
    DoubleClick(100, 30);
    EXPECT_NE(Find(m_facade->GetRoot(), SgFieldMngr::GetClassIDFromName("SgFiletPolyLine")), nullptr);
}

// Every curve command makes its tool armed for clicks on the ground plane,
// with the facade's snap options, and puts it into the scene.
TEST_F(CreateTest, TheCurveCommandsArmTheirToolsOnTheGroundPlane)
{
    struct Case {
        int button;
        const char *toolClass;
        const char *curveClass;
        bool secondOption;
    };
    const Case cases[] = {
        {12, "SgCreatePolyLineTool", "SgPolyLine", false},   {13, "SgCreatePolygonTool", "SgPolyLine", false},
        {14, "SgCreateBezierTool", "SgBezierSpline", false}, {16, "SgCreatePolyLineTool", "SgFiletPolyLine", false},
        {17, "SgCreatePolyLineTool", "SgBSpline", false},    {18, "SgCreatePolyLineTool", "SgBSpline", true},
        {19, "SgCreateBezierTool", "SgBezierSpline", false},
    };
    const Plane ground(Vec3(0, 0, 1), 0.0);
    // The two options differ, so that a swap shows.
    m_facade->GetCreation().ToggleSnapAngle(121);
    ASSERT_TRUE(m_facade->GetCreation().GetSnapAngle());
    ASSERT_FALSE(m_facade->GetCreation().GetSnapSurface());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button);
        m_facade->GetCreation().OnCreatePolyline(c.button);
        auto *tool = dynamic_cast<SgCreatePolyLineTool *>(m_facade->GetCreation().GetActiveTool());
        ASSERT_NE(tool, nullptr);
        EXPECT_STREQ(tool->GetClassName(), c.toolClass);
        EXPECT_EQ(tool->GetNodeClass(), SgFieldMngr::GetClassIDFromName(c.curveClass));
        EXPECT_EQ(tool->GetCubicSpline(), c.secondOption);
        EXPECT_TRUE(tool->GetStartFlag());
        EXPECT_EQ(tool->GetPlane(), ground);
        EXPECT_EQ(tool->GetWorkingPlane(), ground);
        EXPECT_TRUE(tool->m_bSnapAngle);
        EXPECT_FALSE(tool->m_bSnapToObjects);
        EXPECT_EQ(m_states.Last(c.button), 1);
        EXPECT_EQ(m_states.Last(121), 1);
        EXPECT_EQ(m_states.Last(122), 0);
        EXPECT_GE(m_facade->GetRoot()->IndexOf(tool), 0) << "the tool is not in the scene";
    }
}

// A working plane the tool marks as chosen is kept; any other becomes the
// ground plane. The plane points go on now is the ground plane either way.
TEST_F(CreateTest, ArmingACurveToolKeepsAChosenWorkingPlane)
{
    const Plane ground(Vec3(0, 0, 1), 0.0);
    const Plane wall(Vec3(0, 1, 0), 2.0);
    struct Case {
        bool chosen;
        Plane expected;
    };
    const Case cases[] = {{true, wall}, {false, ground}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.chosen);
        SgRef<SgCreatePolyLineTool> tool(new SgCreatePolyLineTool);
        tool->SetWorkingPlane(wall, c.chosen);
        tool->SetPlane(wall);
        m_facade->GetCreation().ArmCurveTool(*tool);
        EXPECT_EQ(tool->GetWorkingPlane(), c.expected);
        EXPECT_EQ(tool->IsWorkingPlaneChosen(), c.chosen);
        EXPECT_EQ(tool->GetPlane(), ground);
        EXPECT_TRUE(tool->GetStartFlag());
    }
}

TEST_F(CreateTest, APrismStandsOnTheCurveItIsStartedOn)
{
    auto *curveObject = new SgObject(true, true);
    auto *curve = new SgPolyLine;
    const Vec3 points[] = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)};
    curve->m_coordinates.SetVals(4, points);
    curve->m_closed = 1;
    curveObject->AddChild(curve);
    m_facade->GetRoot()->AddChild(curveObject);
    m_facade->GetViewing().Focus(false);
    m_facade->GetCreation().OnCreateTool(21);
    ASSERT_NE(m_facade->GetCreation().GetActiveTool(), nullptr);
    // Somewhere on the curve's edge: the first picking click that hits it starts the prism.
    const int prismClass = SgFieldMngr::GetClassIDFromName("SgPrizm");
    for (int x = 0; x < kWidth && !Find(m_facade->GetRoot(), prismClass); x += 2)
        Click(x, kHeight / 2);
    ASSERT_NE(Find(m_facade->GetRoot(), prismClass), nullptr) << "no click found the curve";
}

// New Scene is not undone (it asks before unsaved changes go): Undo after it
// brings no node of the cleared scene back, one by one or otherwise.
TEST_F(CreateTest, UndoAfterANewSceneBringsNothingBack)
{
    {
        SgKeyPoint step(Document());
        auto *ball = new SgObject(true, true);
        ball->SetName("Ball");
        ball->AddChild(new SgSphere);
        m_facade->GetRoot()->AddChild(ball);
    }
    m_facade->GetCreation().ClearScene();
    const int cleared = m_facade->GetRoot()->GetNumChildren();
    for (int i = 0; i < 4; ++i)
        Document()->Undo();
    EXPECT_EQ(m_facade->GetRoot()->GetNumChildren(), cleared) << "Undo brought part of the cleared scene back";
    EXPECT_EQ(FindNodeByName::Lookup("Ball", m_facade->GetRoot()), nullptr);
}

TEST_F(CreateTest, TheGridIsMadeOnceAndToggled)
{
    m_facade->GetCreation().OnCreateGrid(74);
    SgSeparator *root = m_facade->GetRoot();
    auto *grid = dynamic_cast<SgObject *>(FindNodeByName::Lookup("Grid", root));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->m_hide.Get(), 0) << "the first press shows it";
    EXPECT_EQ(grid->m_selectMode.Get(), 0);
    EXPECT_EQ(m_states.Last(74), 1);
    m_facade->GetCreation().OnCreateGrid(74);
    EXPECT_EQ(grid->m_hide.Get(), 1);
    EXPECT_EQ(m_states.Last(74), 0);
    EXPECT_EQ(Count(root, SgGrid::ClassID()), 1) << "a second press made a second grid";
}

TEST_F(CreateTest, AGridTheSceneAlreadyHoldsIsTheOneToggled)
{
    auto *own = new SgGrid;
    own->SetName("Grid");
    own->m_hide = 1;
    m_facade->GetRoot()->AddChild(own);
    m_facade->GetCreation().OnCreateGrid(74);
    EXPECT_EQ(Count(m_facade->GetRoot(), SgGrid::ClassID()), 1);
    EXPECT_EQ(own->m_hide.Get(), 0);
}

TEST_F(CreateTest, CreateNodeNamesTheClassWithoutItsPrefix)
{
    SgRef<SgNode> sphere = drevon::SceneAccess::CreateNode("Sphere");
    ASSERT_TRUE(sphere);
    EXPECT_EQ(sphere->GetClassID(), SgSphere::ClassID());
    EXPECT_EQ(sphere->GetRefCount(), 1) << "the node is inserted nowhere: only this test holds it";
    EXPECT_EQ(drevon::SceneAccess::CreateNode("SgSphere"), nullptr) << "the prefix twice names no class";
    EXPECT_EQ(drevon::SceneAccess::CreateNode("NoSuchThing"), nullptr);
    EXPECT_EQ(drevon::SceneAccess::CreateNode(nullptr), nullptr);
    SgDiagCapture capture;
    EXPECT_EQ(drevon::SceneAccess::CreateNode(std::string(300, 'x').c_str()), nullptr);
    EXPECT_EQ(capture.Count(), 1) << "a name too long is refused with a message";
}

TEST_F(CreateTest, InsertNodeRefusesCyclesAndLeafParents)
{
    SgSeparator *root = m_facade->GetRoot();
    auto *outer = new SgObject(true, true);
    auto *inner = new SgObject(true, true);
    outer->AddChild(inner);
    root->AddChild(outer);
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(inner, outer, 0, nullptr), 0) << "outer would hold itself";
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(outer, outer, 0, nullptr), 0);
    SgRef<SgSphere> leaf = new SgSphere;
    SgRef<SgSphere> child = new SgSphere;
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(leaf.get(), child.get(), 0, nullptr), 0) << "a sphere holds no children";
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(nullptr, nullptr, 0, nullptr), 0);
    EXPECT_GE(capture.Count(), 3);

    // Property nodes go into objects as such; others before or after the reference.
    auto *material = new SgMaterial;
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(inner, material, 0, nullptr), 1);
    EXPECT_EQ(inner->FindFirstNode(SgMaterial::ClassID(), {}, nullptr, false), material);
    auto *first = new SgObject(true, true);
    auto *after = new SgObject(true, true);
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(nullptr, first, 0, nullptr), 1);
    EXPECT_EQ(root->GetChild(0), first) << "before no reference: in front";
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(nullptr, after, 1, first), 1);
    EXPECT_EQ(root->GetChild(1), after);
    EXPECT_EQ(m_facade->GetSceneAccess().RemoveChild(root, after), 1);
    EXPECT_NE(root->GetChild(1), after);
}

TEST_F(CreateTest, ParticlesMakeOneEffectorEachAndRotationTwice)
{
    const char *expected[] = {"SgEmitter",  "SgAttractor", "SgDeflector", "SgPointAttractor", "SgWind",
                              "SgFriction", "SgRotation",  "SgRotation",  "SgDestructor"};
    for (int kind = 1; kind <= 9; ++kind) {
        const size_t before = RootObjects().size();
        m_facade->GetCreation().Particles(kind);
        const std::vector<SgObject *> after = RootObjects();
        ASSERT_EQ(after.size(), before + 1) << kind;
        EXPECT_NE(Find(after.back(), SgFieldMngr::GetClassIDFromName(expected[kind - 1])), nullptr) << kind;
    }
    const size_t count = RootObjects().size();
    m_facade->GetCreation().Particles(0);
    m_facade->GetCreation().Particles(10);
    m_facade->GetCreation().Particles(-7);
    EXPECT_EQ(RootObjects().size(), count);
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_EQ(RootObjects().size(), count - 1) << "each effector is one step";
}

TEST_F(CreateTest, TheCameraObjectLooksAtATargetItIsJoinedTo)
{
    const size_t before = RootObjects().size();
    m_facade->GetCreation().OnCreateObject(1);
    const std::vector<SgObject *> after = RootObjects();
    ASSERT_EQ(after.size(), before + 3) << "target, line and body";
    SgObject *body = after.back();
    EXPECT_NE(body->FindFirstNode(SgCamera::ClassID(), {}, nullptr, true), nullptr);
    EXPECT_EQ(Count(m_facade->GetRoot(), SgFieldMngr::GetClassIDFromName("SgTransformSensor")), 2);
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_EQ(RootObjects().size(), before) << "the camera object is one step";
}

TEST_F(CreateTest, AnObjectKindWithoutAClassDoesNothingAndSaysSo)
{
    const int children = m_facade->GetRoot()->GetNumChildren();
    for (int kind : {0, 2, 9, -1}) {
        SgDiagCapture capture;
        m_facade->GetCreation().OnCreateObject(kind);
        EXPECT_EQ(m_facade->GetRoot()->GetNumChildren(), children) << kind;
        EXPECT_TRUE(capture.Contains("can be created")) << kind << ": " << capture.GetText();
    }
}

TEST_F(CreateTest, TheCurveEditorBecomesTheActiveTool)
{
    m_facade->GetCreation().ToggleSnapSurface(122);
    m_facade->GetCreation().OnEditPolyline(119);
    auto *tool = dynamic_cast<SgEditPolyLineTool *>(m_facade->GetCreation().GetActiveTool());
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->m_bSnapToObjects);
    m_facade->GetCreation().DeleteActiveTool();
    EXPECT_EQ(Count(m_facade->GetRoot(), SgEditPolyLineTool::ClassID()), 0);
}

TEST_F(CreateTest, EveryCreationEntryOfTheTableRuns)
{
    // Through the command ids, as the window's menus choose them.
    m_facade->GetButtons().RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);
    for (int id : {32980, 32981, 32982, 32983, 32984, 32985, 32778, 32986, 32987, 32995}) {
        EXPECT_TRUE(m_facade->GetButtons().ApplyUpdate(id)) << id;
        EXPECT_TRUE(m_facade->GetButtons().ApplyButton(id)) << id;
    }
    EXPECT_FALSE(m_facade->GetButtons().ApplyUpdate(32996)) << "an annotation needs one selected object";
    EXPECT_FALSE(m_facade->GetButtons().ApplyUpdate(32997)) << "a rubber line needs two";
}

} // namespace
