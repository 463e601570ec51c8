// Playback, selection and undo, tools and manipulators, views.
#include <cmath>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgTool.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgTransformTool.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using drevon::CDrevon;

namespace {

SgObject *AddSphere(SgSeparator *root, const char *name)
{
    auto *object = new SgObject(true, true);
    object->SetName(name);
    object->AddChild(new SgSphere);
    root->AddChild(object);
    return object;
}

// A scene with one recorded track, so that playing has something to move.
void GiveTrack(drevon::CDrevon &facade)
{
    SgObject *ball = AddSphere(facade.GetRoot(), "Animated");
    CScenario &scenario = facade.GetDocument()->GetAnimationMngr()->GetScenario();
    SgTransform *transform = ball->GetTransform(true);
    scenario.AddRecordItem(&transform->m_translation, 0.0, true);
    transform->m_translation = Vec3(1, 0, 0);
    scenario.AddRecordItem(&transform->m_translation, 1.0, true);
}

// Both turn every vector alike.
bool SameRotation(const Rotation &a, const Rotation &b)
{
    const Vec3 probes[] = {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)};
    for (const Vec3 &p : probes)
        if ((a.Rotate(p) - b.Rotate(p)).Length() > 1e-9)
            return false;
    return true;
}

} // namespace

// ---- Playback --------------------------------------------------------------------------

TEST_F(FacadeTest, HundredPlaybackTicksBringFrameZeroBack)
{
    AddViewer();
    GiveTrack(*m_facade);
    m_facade->GetPlayback().Play(123);
    ASSERT_TRUE(m_facade->GetPlayback().IsPlaying());
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(GetHeadlessTimerService().RunDue(), 1);
    EXPECT_EQ(m_facade->GetPlayback().GetCurrentFrame(), 0.0);
}

TEST_F(FacadeTest, PlaybackStoppedAt37ResumesAt37)
{
    AddViewer();
    GiveTrack(*m_facade);
    m_facade->GetPlayback().Play(0);
    for (int i = 0; i < 37; ++i)
        GetHeadlessTimerService().RunDue();
    m_facade->GetPlayback().Play(0);
    EXPECT_FALSE(m_facade->GetPlayback().IsPlaying());
    EXPECT_EQ(GetHeadlessTimerService().RunDue(), 0) << "a stopped playback still ticks";
    EXPECT_EQ(m_facade->GetPlayback().GetCurrentFrame(), 37.0);
    m_facade->GetPlayback().Play(0);
    GetHeadlessTimerService().RunDue();
    EXPECT_EQ(m_facade->GetPlayback().GetCurrentFrame(), 38.0);
}

TEST_F(FacadeTest, PlaybackTimerDiesWithTheFacade)
{
    AddViewer();
    GiveTrack(*m_facade);
    m_facade->GetPlayback().Play(0);
    const int running = GetHeadlessTimerService().GetRunningCount();
    m_facade.reset();
    EXPECT_EQ(GetHeadlessTimerService().GetRunningCount(), running - 1);
    // A tick after the facade went would run on freed memory.
    EXPECT_EQ(GetHeadlessTimerService().RunDue(), 0);
}

TEST_F(FacadeTest, PlayWithoutAViewerSaysSoAndStartsNothing)
{
    SgDiagCapture capture;
    m_facade->GetPlayback().Play(0);
    EXPECT_FALSE(m_facade->GetPlayback().IsPlaying());
    EXPECT_TRUE(capture.Contains("needs a view")) << capture.GetText();
}

TEST_F(FacadeTest, PlayWithNothingToAnimateSaysSoAndStartsNothing)
{
    AddViewer();
    AddSphere(m_facade->GetRoot(), "Still");
    const int running = GetHeadlessTimerService().GetRunningCount();
    SgDiagCapture capture;
    m_facade->GetPlayback().Play(0);
    EXPECT_FALSE(m_facade->GetPlayback().IsPlaying());
    EXPECT_EQ(GetHeadlessTimerService().GetRunningCount(), running) << "a timer runs for a still scene";
    EXPECT_TRUE(capture.Contains("nothing to play")) << capture.GetText();
}

TEST_F(FacadeTest, AnimationRecordOfAnUnknownFieldRecordsNothing)
{
    AddSphere(m_facade->GetRoot(), "Ball");
    EXPECT_EQ(m_facade->GetPlayback().SetAnimationRecord("Nobody", "translation", 1.0, nullptr), 0);
    EXPECT_EQ(m_facade->GetPlayback().SetAnimationRecord("Ball", "nothing", 1.0, nullptr), 0);
}

// ---- Selection, clipboard, undo ----------------------------------------------------------

TEST_F(FacadeTest, UndoStatesBeforeAndAfterAChange)
{
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateUndo(98));
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateUndo(99));
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateUndo(97));
    AddSphere(m_facade->GetRoot(), "Ball");
    EXPECT_TRUE(m_facade->GetSelectionEditing().UpdateUndo(98));
    m_facade->GetSelectionEditing().OnEdit(98);
    EXPECT_TRUE(m_facade->GetSelectionEditing().UpdateUndo(99));
    m_facade->GetSelectionEditing().OnEdit(99);
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateUndo(99));
}

TEST_F(FacadeTest, SelectionCommandsCountAndCopy)
{
    AddSphere(m_facade->GetRoot(), "A");
    AddSphere(m_facade->GetRoot(), "B");
    EXPECT_FALSE(m_facade->GetSelectionEditing().NonemptySelection(101));
    EXPECT_FALSE(m_facade->GetSelectionEditing().OnUpdateNavigate(42));
    m_facade->GetSelectionEditing().OnClone(true);
    EXPECT_TRUE(Document()->GetCopyBuffer()->GetCopyMode()) << "the deep flag is set even with nothing selected";
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateClonePaste(104));
    m_facade->GetSelectionEditing().ChangeSelection(0);
    EXPECT_TRUE(m_facade->GetSelectionEditing().MoreThanOneSelected(100));
    m_facade->GetSelectionEditing().OnClone(false);
    EXPECT_TRUE(m_facade->GetSelectionEditing().UpdateClonePaste(104));
    const int before = m_facade->GetRoot()->GetNumChildren();
    m_facade->GetSelectionEditing().OnPasteClone();
    EXPECT_EQ(m_facade->GetRoot()->GetNumChildren(), before + 2);
    m_facade->GetSelectionEditing().ChangeSelection(1);
    EXPECT_FALSE(m_facade->GetSelectionEditing().NonemptySelection(101));
}

TEST_F(FacadeTest, DeleteRemovesTheSelectedObjects)
{
    AddSphere(m_facade->GetRoot(), "A");
    const int before = m_facade->GetRoot()->GetNumChildren();
    m_facade->GetSelectionEditing().ChangeSelection(0);
    m_facade->GetSelectionEditing().OnEdit(102);
    EXPECT_EQ(m_facade->GetRoot()->GetNumChildren(), before - 1);
    m_facade->GetSelectionEditing().OnEdit(98);
    EXPECT_EQ(m_facade->GetRoot()->GetNumChildren(), before);
}

TEST_F(FacadeTest, AttachToGroupNeedsBothObjects)
{
    SgObject *object = AddSphere(m_facade->GetRoot(), "A");
    EXPECT_EQ(m_facade->GetSelectionEditing().AttachToGroup(nullptr, object, false), 0);
    EXPECT_EQ(m_facade->GetSelectionEditing().AttachToGroup(object, nullptr, false), 0);
}

// ---- Tools and manipulators ----------------------------------------------------------------

TEST_F(FacadeTest, RescaleManipulatorMultipliesTheScale)
{
    SgTransformTool::s_fManipulatorScale = 1.0f;
    EXPECT_FLOAT_EQ(m_facade->GetCreation().RescaleManipulator(0), 1.0f);
    EXPECT_FLOAT_EQ(m_facade->GetCreation().RescaleManipulator(-5), 1.0f);
    m_facade->GetCreation().RescaleManipulator(110);
    EXPECT_NEAR(m_facade->GetCreation().RescaleManipulator(110), 1.21f, 1e-6);
    SgTransformTool::s_fManipulatorScale = 1.0f;
}

TEST_F(FacadeTest, TransformToolModeCyclesAndShowsItself)
{
    const struct {
        int from, argument, expected;
    } cases[] = {{2, 38, 0}, {0, -1, 1}, {1, 7, 1}, {0, 2, 2}, {2, 0, 0}};
    for (const auto &c : cases) {
        m_facade->GetCreation().TogleTransformToolMode(c.from);
        m_facade->GetCreation().TogleTransformToolMode(c.argument);
        EXPECT_EQ(Document()->GetPivotMode(), c.expected) << "from " << c.from << " with " << c.argument;
        EXPECT_EQ(m_states.Last(38), c.expected);
    }
}

TEST_F(FacadeTest, ManipulatorButtonsFollowTheKind)
{
    AddSphere(m_facade->GetRoot(), "A");
    m_facade->GetSelectionEditing().ChangeSelection(0);
    m_facade->GetCreation().OnTransformTool(30);
    EXPECT_EQ(m_facade->GetCreation().GetManipulatorKind(), 0);
    EXPECT_EQ(m_states.Last(35), 0);
    EXPECT_EQ(m_states.Last(30), 1);
    EXPECT_EQ(Selection()->GetSelCount(), 1) << "the selection survives the switch";
    // 33 names no kind: nothing but the frame changes.
    m_facade->GetCreation().OnTransformTool(33);
    EXPECT_EQ(m_facade->GetCreation().GetManipulatorKind(), 0);
}

TEST_F(FacadeTest, FrameChoiceIsStoredWithAnEmptySelection)
{
    m_facade->GetCreation().SetFrameChoice(3);
    m_facade->GetCreation().OnTransformTool(33);
    EXPECT_EQ(m_facade->GetCreation().GetTransformToolFrame(), 200);
}

TEST_F(FacadeTest, CreationToolIsTheActiveToolAndGoesWithItsButton)
{
    AddViewer();
    m_facade->GetCreation().OnCreateTool(1);
    auto *tool = dynamic_cast<SgCreateCylinderTool *>(m_facade->GetCreation().GetActiveTool());
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->GetKind(), SgSphere::ClassID());
    EXPECT_EQ(m_states.Last(1), 1);
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateUndo(98)) << "starting a tool made an undo step";
    m_facade->GetCreation().OnCreateTool(16); // no creation button: nothing happens
    EXPECT_EQ(m_facade->GetCreation().GetActiveTool(), tool);
    m_facade->GetCreation().DeleteActiveTool();
    EXPECT_EQ(m_facade->GetCreation().GetActiveTool(), nullptr);
    EXPECT_EQ(m_states.Last(1), 0);
    EXPECT_EQ(m_facade->GetCreation().GetCreationButton(), 0);
    EXPECT_FALSE(m_facade->GetSelectionEditing().UpdateUndo(98)) << "dropping a tool made an undo step";
    EXPECT_EQ(m_facade->GetViewing().GetNavigationMode(), 1) << "dropping a tool goes back to turning the scene";
}

TEST_F(FacadeTest, GridButtonTogglesOneGrid)
{
    m_facade->GetCreation().OnCreateGrid(74);
    EXPECT_EQ(m_states.Last(74), 1);
    m_facade->GetCreation().OnCreateGrid(74);
    EXPECT_EQ(m_states.Last(74), 0);
    int grids = 0;
    for (int i = 0; i < m_facade->GetRoot()->GetNumChildren(); ++i)
        grids += m_facade->GetRoot()->GetChild(i)->GetName() == "Grid";
    EXPECT_EQ(grids, 1);
}

// ---- Views ------------------------------------------------------------------------------------

TEST_F(FacadeTest, PerspectiveTwiceRestoresTheProjection)
{
    AddViewer();
    SgCamera *camera = m_facade->GetCurrentViewer()->GetViewport(0)->GetCamera();
    const int before = camera->m_perspective.Get();
    m_facade->GetViewing().ViewPerspective(72);
    EXPECT_NE(camera->m_perspective.Get(), before);
    m_facade->GetViewing().ViewPerspective(72);
    EXPECT_EQ(camera->m_perspective.Get(), before);
    m_facade->GetViewing().ViewPerspective(5);
    EXPECT_EQ(camera->m_perspective.Get(), before);
}

TEST_F(FacadeTest, FlipViewDirThreeTimesReturnsToTheFirstDirection)
{
    AddViewer();
    SgTransform *camera = m_facade->GetCurrentViewer()->GetViewport(0)->GetCameraTransform();
    m_facade->GetViewing().FlipViewDir(0);
    const Rotation first = camera->m_rotation.Get();
    for (int i = 0; i < 3; ++i)
        m_facade->GetViewing().FlipViewDir(-1);
    EXPECT_EQ(m_facade->GetViewing().GetFlipIndex(), 0);
    const Rotation again = camera->m_rotation.Get();
    EXPECT_TRUE(SameRotation(first, again)) << "the view direction differs after three flips";
}

TEST_F(FacadeTest, StandardViewsSetTheCameraAndFrameTheScene)
{
    AddViewer();
    AddSphere(m_facade->GetRoot(), "A");
    SgViewport *viewport = m_facade->GetCurrentViewer()->GetViewport(0);
    m_facade->GetViewing().ChangeView(60); // index 6 names no row: like index 5
    const Rotation six = viewport->GetCameraTransform()->m_rotation.Get();
    m_facade->GetViewing().ChangeView(59);
    EXPECT_TRUE(SameRotation(six, viewport->GetCameraTransform()->m_rotation.Get()));
    EXPECT_TRUE(SameRotation(six, Rotation(Vec3(1, 0, 0), 3.14159265358979323846 / 2)));
}

TEST_F(FacadeTest, StyleCyclesOnlyThroughItsThreeStyles)
{
    AddViewer();
    SgDrawStyle *style = m_facade->GetCurrentViewer()->GetViewport(0)->GetDrawStyle();
    m_facade->GetViewing().ToggleStyle(3);
    const int redraws = m_facade->GetRedrawCount();
    m_facade->GetViewing().ToggleStyle(9);
    EXPECT_EQ(style->m_style.Get(), 3);
    EXPECT_EQ(m_facade->GetRedrawCount(), redraws + 1);
    const int cycle[][2] = {{2, 6}, {6, 4}, {4, 2}};
    for (const auto &step : cycle) {
        m_facade->GetViewing().ToggleStyle(step[0]);
        m_facade->GetViewing().ToggleStyle(9);
        EXPECT_EQ(style->m_style.Get(), step[1]);
    }
}

TEST_F(FacadeTest, FilledWireFromAnUnknownColourGoesToWhite)
{
    AddViewer();
    SgMaterial *material = m_facade->GetCurrentViewer()->GetViewport(0)->GetMaterial();
    ASSERT_NE(material, nullptr);
    const Color odd(0.3, 0.3, 0.3, 1);
    material->m_diffuseColor.SetVals(1, &odd);
    m_facade->GetViewing().ToggleFilledWire(0);
    const Color now = material->m_diffuseColor[0];
    EXPECT_EQ(now.r, 1.0f);
    EXPECT_EQ(now.g, 1.0f);
}

TEST_F(FacadeTest, NavigationButtonsSetTheViewingToolsMode)
{
    AddViewer();
    const struct {
        int button, mode;
    } cases[] = {{50, 1}, {51, 3}, {52, 2}, {53, 4}};
    for (const auto &c : cases) {
        m_facade->GetViewing().OnViewTool(c.button);
        EXPECT_EQ(m_facade->GetViewing().GetNavigationMode(), c.mode) << c.button;
        EXPECT_EQ(m_states.Last(c.button), 1);
    }
    EXPECT_EQ(m_states.Last(50), 0) << "the earlier navigation button stays checked";
}

TEST_F(FacadeTest, CameraLocationWithoutAViewerIsRefused)
{
    SgDiagCapture capture;
    EXPECT_FALSE(m_facade->GetViewing().SetCameraLocation(1, 2, 3, nullptr));
}

TEST_F(FacadeTest, SwitchingManipulatorsLeavesOneOnTheObject)
{
    AddViewer();
    SgObject *object = AddSphere(m_facade->GetRoot(), "A");
    m_facade->GetSelectionEditing().ChangeSelection(0);
    const int kinds[] = {35, 31, 35, 36, 35};
    for (int button : kinds) {
        m_facade->GetCreation().OnTransformTool(button);
        FindNodeByClassID manipulators(SgManipulator::ClassID());
        SgFindAction find(&manipulators);
        find.m_bFirstOnly = false;
        find.Apply(object);
        EXPECT_EQ(find.m_Found.size(), 1u) << "after button " << button;
    }
}

TEST_F(FacadeTest, GimbalConnectTurnsTheFirstObjectWithTheSecondAndReusesItsBillboard)
{
    SgObject *a = AddSphere(m_facade->GetRoot(), "A");
    EXPECT_FALSE(m_facade->GetCreation().GimbalConnect()) << "nothing selected";
    AddSphere(m_facade->GetRoot(), "B");
    m_facade->GetSelectionEditing().ChangeSelection(0);
    ASSERT_TRUE(m_facade->GetCreation().GimbalConnect());
    ASSERT_TRUE(m_facade->GetCreation().GimbalConnect());
    std::vector<SgBillboard *> own;
    for (int i = 0; i < a->GetNumChildren(); ++i)
        if (auto *billboard = dynamic_cast<SgBillboard *>(a->GetChild(i)))
            own.push_back(billboard);
    ASSERT_EQ(own.size(), 1u) << "a second connection made a second billboard";
    EXPECT_EQ(own[0]->m_rotationType.Get(), 4);
}

TEST_F(FacadeTest, KeysReachTheFacadeOnlyWhenNoDragOrToolRuns)
{
    AddViewer();
    std::vector<int> keys;
    const drevon::HostSubscription keyToken = m_facade->GetHostEvents().SubscribeKeys([&keys](int key) {
        keys.push_back(key);
        return true;
    });
    constexpr int kEscape = 27;
    // Through the viewer: a key press in the window reaches the facade.
    m_window->Send(SgWM::kKeyDown, kEscape, 0);
    EXPECT_EQ(keys, std::vector<int>{kEscape}) << "with nothing running Esc is the facade's";
    // A drag or rubber band holds the mouse: the key is left to it.
    EXPECT_FALSE(m_facade->GetShortcuts().OnKeyDown(kEscape, true));
    SgTool::SetToolActive(true);
    EXPECT_FALSE(m_facade->GetShortcuts().OnKeyDown(kEscape, false));
    SgTool::SetToolActive(false);
    EXPECT_EQ(keys.size(), 1u) << "Esc reached the facade while something ran";
    EXPECT_TRUE(m_facade->GetShortcuts().OnKeyDown(kEscape, false));
    EXPECT_EQ(keys.size(), 2u);
}
