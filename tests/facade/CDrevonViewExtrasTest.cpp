// The facade's view extras, headless: full screen entered and left by
// closing its window, Escape taken by a running drag before the facade's
// keys, the highlight colour through a scripted colour chooser, a camera
// attached to the view, the test pop-up and the right-button pick handler.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/handlers/SgUserHandler.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "platform/SgChoosers.h"
#include "platform/window/SgWindowFactory.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

SgObject *AddBall(SgSeparator *root, const char *name)
{
    auto *object = new SgObject(true, true);
    object->SetName(name);
    object->AddChild(new SgSphere);
    root->AddChild(object);
    return object;
}

SgPlatformWindow *WindowOf(SgViewer *viewer)
{
    return static_cast<SgPlatformWindow *>(viewer->GetWindow());
}

// Installs a chooser for the test's length and puts the default back.
template <class Chooser, Chooser (*Set)(Chooser)> class Installed {
public:
    explicit Installed(Chooser chooser) { Set(std::move(chooser)); }
    ~Installed() { Set(nullptr); }
};
using ColorAnswer = Installed<ColorChooser, &SetColorChooser>;
using PopupAnswer = Installed<PopupMenuChooser, &SetPopupMenuChooser>;

} // namespace

TEST_F(FacadeTest, ClosingTheFullScreenWindowGivesTheViewBack)
{
    SgViewer *first = AddViewer();
    SgSeparator *tree = first->GetViewport(0)->GetNodara();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        SgViewer *full = m_facade->CreateWinViewer("FullScreen", 200, 500);
        ASSERT_NE(full, nullptr);
        EXPECT_TRUE(m_facade->GetViewing().IsFullScreen());
        EXPECT_EQ(m_facade->GetCurrentViewer(), full);
        const SgRect screen = WindowOf(full)->GetClientRect();
        EXPECT_EQ(screen.Width(), SgHeadlessWindowFactory::kScreenWidth);
        EXPECT_EQ(screen.Height(), SgHeadlessWindowFactory::kScreenHeight);
        // The view is turned in full screen; the main view shows it so after.
        full->GetViewport(0)->RotateScene(0.4, 0.0, false);
        const Mat4 turned = full->GetViewport(0)->GetGraphTransform1()->GetMatrix().GetMatrix();

        // The second time the main view is the current one when the
        // full-screen window closes (the user clicked it first).
        if (round == 1)
            Document()->SetActiveViewer(first);
        WindowOf(full)->DestroyWindow();
        EXPECT_FALSE(m_facade->GetViewing().IsFullScreen()) << "the closed window left the facade in full screen";
        EXPECT_EQ(Document()->GetViewerCount(), 1);
        EXPECT_EQ(m_facade->GetCurrentViewer(), first);
        EXPECT_EQ(first->GetViewport(0)->GetNodara(), tree);
        EXPECT_TRUE(first->GetViewport(0)->GetGraphTransform1()->GetMatrix().GetMatrix() == turned);
    }
}

TEST_F(FacadeTest, FullScreenWithoutAWindowLeavesTheMainViewInUse)
{
    struct NoWindows : SgWindowFactory {
        SgPlatformWindow *CreateTopLevelWindow(const std::string &, int, int, bool) override { return nullptr; }
    } none;
    SgViewer *first = AddViewer();
    SetWindowFactory(&none);
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->CreateWinViewer("FullScreen", 200, 500), nullptr);
    SetWindowFactory(nullptr);
    EXPECT_TRUE(capture.Contains("No window could be opened")) << capture.GetText();
    EXPECT_FALSE(m_facade->GetViewing().IsFullScreen()) << "full screen without a window would stay on for good";
    EXPECT_EQ(m_facade->GetCurrentViewer(), first);
}

TEST_F(FacadeTest, EscapeEndsAViewDragBeforeItReachesTheFacadesKeys)
{
    AddViewer();
    m_facade->GetViewing().OnRotateScene(1);
    m_window->Send(SgWM::kPaint, 0, 0);
    std::vector<int> keys;
    const drevon::HostSubscription keyToken = m_facade->GetHostEvents().SubscribeKeys([&keys](int key) {
        keys.push_back(key);
        return true;
    });
    // A drag from a corner where no object lies.
    m_window->Send(SgWM::kLButtonDown, SgWM::kLeftButtonBit, SgWM::MakePoint(5, 5));
    m_window->Send(SgWM::kMouseMove, SgWM::kLeftButtonBit, SgWM::MakePoint(40, 8));
    ASSERT_TRUE(m_window->HasCapture()) << "no drag began";
    EXPECT_NE(m_window->Send(SgWM::kKeyDown, SgVK::kEscape, 0), 0);
    EXPECT_TRUE(keys.empty()) << "Esc reached the facade's keys while a drag ran";
    EXPECT_FALSE(m_window->HasCapture()) << "the cancelled drag kept the mouse";
    m_window->Send(SgWM::kKeyUp, SgVK::kEscape, 0);
    m_window->Send(SgWM::kLButtonUp, 0, SgWM::MakePoint(60, 8));
    m_window->Send(SgWM::kKeyDown, SgVK::kEscape, 0);
    EXPECT_EQ(keys, std::vector<int>{SgVK::kEscape}) << "with nothing running Esc is the facade's";
}

TEST_F(FacadeTest, HighlightColourComesFromTheColourChooser)
{
    AddViewer();
    AddBall(m_facade->GetRoot(), "Ball");
    m_facade->GetSelectionEditing().ChangeSelection(0);
    ASSERT_EQ(Selection()->GetSelCount(), 1);
    SgMaterial *highlight = Selection()->GetHighlightMaterial();
    ASSERT_NE(highlight, nullptr);
    const Color before = highlight->m_diffuseColor.GetValues().front();

    std::vector<SgRgb8> asked;
    std::optional<SgRgb8> answer;
    ColorAnswer chooser([&](const SgRgb8 &initial) {
        asked.push_back(initial);
        return answer;
    });
    m_facade->GetSelectionEditing().OnChangeSelectionColor();  // cancelled
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].r, static_cast<int>(std::lround(before.r * 255))) << "the chooser starts elsewhere";
    EXPECT_TRUE(highlight->m_diffuseColor.GetValues().front() == before) << "Cancel changed the colour";

    answer = SgRgb8{0, 255, 51};
    m_facade->GetSelectionEditing().OnChangeSelectionColor();
    const Color after = Selection()->GetHighlightMaterial()->m_diffuseColor.GetValues().front();
    EXPECT_FLOAT_EQ(after.r, 0.0f);
    EXPECT_FLOAT_EQ(after.g, 1.0f);
    EXPECT_FLOAT_EQ(after.b, 0.2f);
    EXPECT_FLOAT_EQ(after.a, 1.0f);
    EXPECT_EQ(Selection()->GetSelCount(), 1) << "the selection was lost while its highlight was rebuilt";
}

TEST_F(FacadeTest, AttachCameraTakesTheSelectedObjectsCameraAndTransform)
{
    SgViewer *viewer = AddViewer();
    SgViewport *viewport = viewer->GetViewport(0);
    SgCamera *ownCamera = viewport->GetCamera();
    SgTransform *ownPlace = viewport->GetCameraTransform();

    m_facade->GetViewing().AttachCameraToCurrView(); // nothing selected
    EXPECT_EQ(viewport->GetCamera(), ownCamera);

    SgObject *plain = AddBall(m_facade->GetRoot(), "Plain");
    m_facade->GetSelectionEditing().ChangeSelection(0);
    m_facade->GetViewing().AttachCameraToCurrView();
    EXPECT_NE(plain->GetTransform(false), nullptr) << "an object without a camera still gets its transform";
    EXPECT_EQ(viewport->GetCamera(), ownCamera);
    EXPECT_EQ(viewport->GetCameraTransform(), ownPlace);

    m_facade->GetSelectionEditing().ChangeSelection(1);
    SgObject *holder = AddBall(m_facade->GetRoot(), "Holder");
    auto *camera = new SgCamera;
    holder->AddChild(camera);
    Selection()->Select(holder, 0);
    ASSERT_EQ(Selection()->GetSelCount(), 1);
    m_facade->GetViewing().AttachCameraToCurrView();
    EXPECT_EQ(viewport->GetCamera(), camera);
    EXPECT_EQ(viewport->GetCameraTransform(), holder->GetTransform(false));
    EXPECT_TRUE(camera->IsOrbit());

    // The object goes: the view still draws without touching freed nodes.
    Selection()->DeselectAll();
    m_facade->GetRoot()->DeleteChild(holder);
    m_window->Send(SgWM::kPaint, 0, 0);
}

TEST_F(FacadeTest, TestPopupOffersTwoCheckedItemsUnderTheNextNumber)
{
    std::vector<std::vector<SgPopupItem>> shown;
    std::vector<SgPlatformWindow *> over;
    int answerAt = 0;
    PopupAnswer chooser([&](const std::vector<SgPopupItem> &items, SgPlatformWindow *window) {
        shown.push_back(items);
        over.push_back(window);
        return answerAt < 0 ? 0 : items[answerAt].id;
    });
    {
        SgDiagCapture capture;
        EXPECT_EQ(m_facade->GetViewing().TestPopup(), 0);
        EXPECT_TRUE(shown.empty()) << "a menu without a viewer to show it over";
        EXPECT_TRUE(capture.Contains("no viewer")) << capture.GetText();
    }
    AddViewer();
    EXPECT_EQ(m_facade->GetViewing().TestPopup(), 15);
    answerAt = -1;
    EXPECT_EQ(m_facade->GetViewing().TestPopup(), 0);
    ASSERT_EQ(shown.size(), 2u);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(shown[round].size(), 2u);
        for (const SgPopupItem &item : shown[round]) {
            EXPECT_EQ(item.id, 15 + round);
            EXPECT_EQ(item.label, "Appended " + std::to_string(15 + round));
            EXPECT_TRUE(item.checkable && item.checked);
        }
        EXPECT_EQ(over[round], m_window.get());
    }
    EXPECT_EQ(m_facade->GetViewing().GetPopupCounter(), 17);
}

// Counts the right releases that get past the handlers before it.
static int CountRightRelease(SgHandleEventAction *action, void *count)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (event && event->m_nKind == SgEvent::kMouse && event->m_nMessage == static_cast<int>(SgWM::kRButtonUp))
        ++*static_cast<int *>(count);
    return 0;
}

TEST_F(FacadeTest, RightMouseMenuHandlerTakesTheRightRelease)
{
    AddViewer();
    AddBall(m_facade->GetRoot(), "Ball");
    m_window->Send(SgWM::kPaint, 0, 0);
    const int undoCount = Document()->GetUndoCount();
    const std::intptr_t middle = SgWM::MakePoint(kWidth / 2, kHeight / 2);
    m_facade->GetViewing().ActivateRightMouseMenu();
    SgSeparator *root = m_facade->GetRoot();
    ASSERT_GT(root->GetNumChildren(), 0);
    EXPECT_EQ(root->GetChild(root->GetNumChildren() - 1)->GetName(), "RightMouseMenu");
    EXPECT_EQ(Document()->GetUndoCount(), undoCount) << "adding the handler is no step to undo";
    int passed = 0;
    {
        SgUndoRecordingPause pause(Document());
        auto *after = new SgUserHandler;
        after->SetUserFunc(&CountRightRelease, &passed);
        root->AddChild(after);
    }
    m_window->Send(SgWM::kRButtonUp, 0, middle);
    m_window->Send(SgWM::kRButtonUp, 0, SgWM::MakePoint(1, 1));  // over nothing
    EXPECT_EQ(passed, 0) << "a right release went past the handler";
    // Without it the releases get through.
    root->DeleteChild(root->GetChild(root->GetNumChildren() - 2));
    m_window->Send(SgWM::kRButtonUp, 0, middle);
    EXPECT_EQ(passed, 1);
}
