// The facade's keyboard shortcuts as key messages reach the viewer's window:
// which keys act, which are left alone, and that the handler never keeps
// an event.
#include <functional>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgTransformTool.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "platform/window/SgKeyState.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

class KeysTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        SgKeyState::ReleaseAll();
        AddViewer();
        m_scale = SgTransformTool::s_fManipulatorScale;
        m_ball = new SgObject(true, true);
        m_ball->SetName("Ball");
        m_ball->AddChild(new SgSphere);
        m_facade->GetRoot()->AddChild(m_ball);
        // Something to play, so that the playing keys start and stop it.
        CScenario &scenario = Document()->GetAnimationMngr()->GetScenario();
        SgTransform *transform = m_ball->GetTransform(true);
        scenario.AddRecordItem(&transform->m_translation, 0.0, true);
        transform->m_translation = Vec3(1, 0, 0);
        scenario.AddRecordItem(&transform->m_translation, 1.0, true);
    }
    void TearDown() override
    {
        SgKeyState::ReleaseAll();
        SgTransformTool::s_fManipulatorScale = m_scale;
        FacadeTest::TearDown();
    }
    // A press and its release, as the window system sends them.
    int Press(int key)
    {
        SgKeyState::SetDown(key, true);
        const int result = m_window->Send(SgWM::kKeyDown, static_cast<std::uintptr_t>(key), 0);
        SgKeyState::SetDown(key, false);
        m_window->Send(SgWM::kKeyUp, static_cast<std::uintptr_t>(key), 0);
        return result;
    }
    // The handler's own answer for a key press.
    int Handle(int message, int key)
    {
        SgEvent event;
        event.SetKey(message, key);
        SgHandleEventAction action;
        action.m_pEvent = &event;
        action.m_pViewer = m_facade->GetCurrentViewer();
        m_lastClose = false;
        const int result = drevon::Shortcuts::KeyEvent(&action, &m_facade->GetShortcuts());
        m_lastClose = action.IsCloseRequested();
        return result;
    }
    bool BallExists() const
    {
        SgSeparator *root = m_facade->GetRoot();
        for (int i = 0; i < root->GetNumChildren(); ++i)
            if (root->GetChild(i) == m_ball)
                return true;
        return false;
    }

    SgObject *m_ball = nullptr;
    float m_scale = 1.0f;
    bool m_lastClose = false;
};

TEST_F(KeysTest, EscOpensFullScreenAndASecondEscLeavesItTheHandlerKeepingNeither)
{
    const int viewers = Document()->GetViewerCount();
    EXPECT_EQ(Handle(SgWM::kKeyDown, 27), 0);
    EXPECT_TRUE(m_facade->GetViewing().IsFullScreen());
    EXPECT_EQ(Document()->GetViewerCount(), viewers + 1) << "a full-screen viewer opened";
    EXPECT_FALSE(m_lastClose);
    EXPECT_EQ(Handle(SgWM::kKeyDown, 27), 0);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
    EXPECT_TRUE(m_lastClose) << "the full-screen window is asked to close";
}

TEST_F(KeysTest, EscAfterTheFullScreenWindowClosedBehindTheMainViewOpensItAgain)
{
    SgViewer *first = m_facade->GetCurrentViewer();
    ASSERT_EQ(Handle(SgWM::kKeyDown, 27), 0);
    SgViewer *full = m_facade->GetCurrentViewer();
    ASSERT_NE(full, first);
    // The user clicked the main view, then closed the full-screen window:
    // the current viewer did not change, so no event told the facade.
    Document()->SetActiveViewer(first);
    m_facade->DeleteViewer(full);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
    EXPECT_EQ(Handle(SgWM::kKeyDown, 27), 0);
    EXPECT_FALSE(m_lastClose) << "Esc in the main view asked the main window to close";
    EXPECT_TRUE(m_facade->GetViewing().IsFullScreen()) << "Esc goes to full screen again";
}

TEST_F(KeysTest, EscInTheMainViewWhileFullScreenClosesTheFullScreenWindowNotTheMainOne)
{
    SgViewer *first = m_facade->GetCurrentViewer();
    Press(27);
    SgViewer *full = m_facade->GetCurrentViewer();
    ASSERT_NE(full, first);
    // The user went back to the main window with the full-screen one still open.
    Document()->SetActiveViewer(first);
    Press(27);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
    bool mainShown = false, fullShown = false;
    for (int i = 0; i < Document()->GetViewerCount(); ++i) {
        mainShown = mainShown || Document()->GetViewer(i) == first;
        fullShown = fullShown || Document()->GetViewer(i) == full;
    }
    EXPECT_TRUE(mainShown) << "Esc closed the main view";
    EXPECT_FALSE(fullShown) << "the full-screen view stayed";
    EXPECT_EQ(m_facade->GetCurrentViewer(), first);
}

TEST_F(KeysTest, AskingForFullScreenAgainKeepsTheOneFullScreenView)
{
    SgViewer *first = m_facade->GetCurrentViewer();
    const int viewers = Document()->GetViewerCount();
    SgViewer *full = m_facade->GetViewing().OpenFullScreen("FullScreen", 200, 500);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(m_facade->GetViewing().OpenFullScreen("FullScreen", 200, 500), full);
    EXPECT_EQ(Document()->GetViewerCount(), viewers + 1) << "a second full-screen window opened";
    m_facade->DeleteViewer(full);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
    EXPECT_EQ(m_facade->GetCurrentViewer(), first) << "closing full screen gives the main view back";
}

TEST_F(KeysTest, EscThroughTheWindowClosesTheFullScreenWindowAgain)
{
    Press(27);
    ASSERT_TRUE(m_facade->GetViewing().IsFullScreen());
    Press(66);  // B does what Esc does
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
    Press(66);
    EXPECT_TRUE(m_facade->GetViewing().IsFullScreen());
    Press(27);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
}

TEST_F(KeysTest, EachShortcutRunsItsCommand)
{
    using F = drevon::CDrevon;
    const std::vector<std::pair<int, std::function<bool(F &)>>> cases = {
        {'E', [](F &f) { return f.GetCreation().GetManipulatorKind() == 1; }},
        {'R', [](F &f) { return f.GetCreation().GetManipulatorKind() == 6; }},
        {'W', [](F &f) { return f.GetCreation().GetManipulatorKind() == 5; }},
        {116, [](F &f) { return f.GetCreation().GetManipulatorKind() == 0; }},
        {187, [this](F &) { return SgTransformTool::s_fManipulatorScale == m_scale * 1.1f; }},
        {189, [this](F &) { return SgTransformTool::s_fManipulatorScale == m_scale * 1.1f * 0.9f; }},
        {115, [](F &f) { return f.GetViewing().GetNavigationMode() == 1 && f.GetButtons().GetButtonState(50) == 1; }},
        {113, [](F &f) { return f.GetPlayback().IsPlaying(); }},
        {250, [](F &f) { return !f.GetPlayback().IsPlaying(); }},
    };
    for (const auto &[key, done] : cases) {
        EXPECT_EQ(Press(key), 0) << key;
        EXPECT_TRUE(done(*m_facade)) << "key " << key;
    }
}

TEST_F(KeysTest, RedrawingKeysAndPanes)
{
    std::vector<int> panes;
    const drevon::HostSubscription paneToken = m_facade->GetHostEvents().SubscribeDockable([&panes](int how) { panes.push_back(how); });
    for (int key : {int('A'), int('F'), 118}) {
        const int redraws = m_facade->GetRedrawCount();
        Press(key);
        EXPECT_GT(m_facade->GetRedrawCount(), redraws) << key;
    }
    Press('H');
    Press('S');
    EXPECT_EQ(panes, (std::vector<int>{-1, 1}));
}

TEST_F(KeysTest, DeleteDeletesTheSelectionUnlessAMenuRunsIt)
{
    m_facade->GetSelectionEditing().ChangeSelection(0);
    m_facade->GetShortcuts().SetMenuKeys({46});
    Press(46);
    EXPECT_TRUE(BallExists()) << "the menu's Delete runs it, not the shortcut as well";
    m_facade->GetShortcuts().SetMenuKeys({});
    Press(46);
    EXPECT_FALSE(BallExists());
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_TRUE(BallExists()) << "one undo brings it back";
}

TEST_F(KeysTest, QEndsTheRunningToolAndArrowsWalkTheTree)
{
    m_facade->GetCreation().OnCreateTool(1);
    ASSERT_NE(m_facade->GetCreation().GetActiveTool(), nullptr);
    Press('Q');
    EXPECT_EQ(m_facade->GetCreation().GetActiveTool(), nullptr);
    m_facade->GetSelectionEditing().ChangeSelection(0);
    const int selected = Selection()->GetSelCount();
    Press(40);  // Down: first child
    Press(38);  // Up: parent again
    EXPECT_EQ(Selection()->GetSelCount(), selected);
}

TEST_F(KeysTest, ReleasesModifiedKeysAndOtherKeysDoNothing)
{
    const int kind = m_facade->GetCreation().GetManipulatorKind();
    const int redraws = m_facade->GetRedrawCount();
    EXPECT_EQ(Handle(SgWM::kKeyUp, 'E'), 0);
    EXPECT_EQ(Handle(SgWM::kKeyUp, 27), 0);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen()) << "a release is no press";
    SgKeyState::SetDown(SgVK::kControl, true);
    EXPECT_EQ(Handle(SgWM::kKeyDown, 'E'), 0);
    SgKeyState::SetDown(SgVK::kControl, false);
    SgKeyState::SetDown(SgVK::kMenu, true);
    EXPECT_EQ(Handle(SgWM::kKeyDown, 'R'), 0);
    SgKeyState::SetDown(SgVK::kMenu, false);
    for (int key : {112, int('Z'), 26, 251, 0, -5, 100000})
        EXPECT_EQ(Handle(SgWM::kKeyDown, key), 0) << key;
    EXPECT_EQ(m_facade->GetCreation().GetManipulatorKind(), kind);
    EXPECT_EQ(m_facade->GetRedrawCount(), redraws);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen());
}

TEST_F(KeysTest, ACreationUnderWayKeepsEscToItself)
{
    m_facade->GetCreation().OnCreateTool(2);
    m_window->Send(SgWM::kLButtonDown, SgWM::kLeftButtonBit, SgWM::MakePoint(50, 40));
    m_window->Send(SgWM::kLButtonUp, 0, SgWM::MakePoint(50, 40));
    auto *tool = dynamic_cast<SgCreateCylinderTool *>(m_facade->GetCreation().GetActiveTool());
    ASSERT_NE(tool, nullptr);
    ASSERT_GT(tool->GetStage(), 0);
    Press(27);
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen()) << "Esc dropped the creation instead";
    EXPECT_EQ(tool->GetStage(), 0);
}

} // namespace
