// The viewer in a window: what a paint renders or only swaps, the
// refinement passes the timer runs, the Alt key, focus, closing, resizing,
// the event's lifetime and errors at the paint and event boundaries.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/engine/viewer/WindowHarness.h"
#include "utilities/log/ReportMngr.h"
#include "utilities/log/Reporter.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);
const Vec2i kCentre(320, 240);

// Remembers what the events it sees carried; answers with a chosen value.
class ProbeHandler : public SgEventHandler {
public:
    int HandleFunc(SgHandleEventAction *action) override
    {
        SgEvent *event = action->GetEvent();
        messages.push_back(event ? event->m_nMessage : -1);
        alt.push_back(event && event->m_bAlt);
        if (onEvent)
            onEvent(action);
        return answer;
    }
    std::vector<int> messages;
    std::vector<bool> alt;
    std::function<void(SgHandleEventAction *)> onEvent;
    int answer = 0;
};

// Collects the reports that reach the log.
class CollectingReporter : public Reporter {
public:
    void send(int, const char *message, const char *, int) override { texts.push_back(message); }
    std::vector<std::string> texts;
};

TEST(SgGLWindowTest, FirstPaintRendersFullyAndSetsTheBackBufferFlag)
{
    WindowHarness h(640, 480);
    h.AddCube(kRed);
    const int before = h.RenderCount();
    h.Viewer()->Redraw(false);
    EXPECT_EQ(h.RenderCount(), before + 1) << "an invalidation paints the whole window at once";
    EXPECT_TRUE(h.BackBuffer()) << "after a full render the back buffer holds the final frame";
    EXPECT_TRUE(IsRed(h.At(320, 240))) << "centre " << h.At(320, 240);
    EXPECT_FALSE(IsRed(h.At(5, 5))) << "corner " << h.At(5, 5);
}

// A document that shares asks its windows for the process's one context
// (no key); one that does not asks for a context of its own, the same for
// all its windows. A change of mind takes effect at the next paint.
TEST(SgGLWindowTest, TheWindowDrawsWithTheContextItsDocumentChooses)
{
    WindowHarness first(160, 120);
    WindowHarness second(160, 120);
    ASSERT_TRUE(first.Document()->GetShareContext()) << "sharing is the default";
    struct Case {
        bool share;
        bool ownKey;
    };
    const Case cases[] = {{false, true}, {true, false}, {false, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.share);
        first.Document()->SetShareContext(c.share);
        first.Paint();
        second.Paint();
        const void *key = first.Window().GetContextKey();
        EXPECT_EQ(key, c.ownKey ? static_cast<const void *>(first.Document()) : nullptr);
        EXPECT_EQ(first.Document()->GetContextKey(), key);
        EXPECT_EQ(second.Window().GetContextKey(), nullptr) << "the other document still shares";
        EXPECT_TRUE(first.BackBuffer()) << "the paint drew with the chosen context";
    }
}

TEST(SgGLWindowTest, ExposePolicyByAreaAndBackBufferFlag)
{
    struct Case {
        const char *name;
        bool backBuffer;
        SgRect exposed;
        bool renders;
        bool swaps;
    };
    // 640 x 480: 143 x 107 is 5 % of the window, 286 x 215 is 20 %.
    const Case cases[] = {
        {"5 % with the final frame in the back buffer only swaps", true, {0, 0, 143, 107}, false, true},
        {"20 % with the flag clear renders", false, {0, 0, 286, 215}, true, true},
        {"5 % with the flag clear renders rather than show a stale buffer", false, {0, 0, 143, 107}, true, true},
        {"an empty expose with the flag clear neither renders nor swaps", false, {0, 0, 0, 0}, false, false},
    };
    for (const Case &c : cases) {
        WindowHarness h(640, 480);
        h.AddCube(kRed);
        h.Paint();
        h.GLWindow()->SetBackBuffer(c.backBuffer);
        const int renders = h.RenderCount();
        const int swaps = h.SwapCount();
        h.Expose(c.exposed.left, c.exposed.top, c.exposed.right, c.exposed.bottom);
        EXPECT_EQ(h.RenderCount() - renders, c.renders ? 1 : 0) << c.name;
        EXPECT_EQ(h.SwapCount() - swaps, c.swaps ? 1 : 0) << c.name;
        EXPECT_TRUE(IsRed(h.At(320, 240))) << c.name << ": the window shows the scene, centre " << h.At(320, 240);
    }
}

TEST(SgGLWindowTest, WhereASwapLeavesTheBackBufferUndefinedEveryExposeRenders)
{
    WindowHarness h(64, 64);
    h.AddCube(kRed);
    h.Window().SetBackBufferKeptBySwap(false);
    h.Paint();
    EXPECT_FALSE(h.BackBuffer()) << "the swap took the final frame with it";
    int renders = h.RenderCount();
    h.Expose(0, 0, 4, 4);
    EXPECT_EQ(h.RenderCount(), renders + 1) << "a small expose renders instead of showing an undefined buffer";
    h.Advance(1000);
    EXPECT_EQ(h.Viewer()->GetCurrentPass(), 0) << "the refinement ran to its end";
    EXPECT_FALSE(h.BackBuffer()) << "its last swap leaves nothing to show again either";
    renders = h.RenderCount();
    h.Expose(0, 0, 4, 4);
    EXPECT_EQ(h.RenderCount(), renders + 1);
    EXPECT_TRUE(IsRed(h.At(32, 32)));
}

TEST(SgGLWindowTest, ExposeAfterAnotherWindowWasRenderedIntoRendersAgain)
{
    WindowHarness first(64, 64);
    WindowHarness second(64, 64);
    first.AddCube(kRed);
    first.Paint();
    second.Paint();
    ASSERT_TRUE(first.BackBuffer());
    const int renders = first.RenderCount();
    first.Expose(0, 0, 8, 8);
    EXPECT_EQ(first.RenderCount(), renders + 1) << "the context last drew into the other window";
    EXPECT_TRUE(IsRed(first.At(32, 32)));
    first.Expose(0, 0, 8, 8);
    EXPECT_EQ(first.RenderCount(), renders + 1) << "now it is the window last rendered into: a swap does";
}

TEST(SgGLWindowTest, ActivationMakesTheViewerCurrentAndTellsTheOwner)
{
    WindowHarness h(64, 64);
    static int changes = 0;
    changes = 0;
    h.Document()->SetViewerChangedCallback([](void *) { ++changes; });
    h.Document()->SetActiveViewer(nullptr);
    changes = 0;
    h.Window().Send(SgWM::kActivate, 0, 0);
    EXPECT_EQ(h.Document()->GetActiveViewer(), nullptr) << "a deactivation changes nothing";
    h.Window().Send(SgWM::kActivate, 1, 0);
    EXPECT_EQ(h.Document()->GetActiveViewer(), h.Viewer());
    EXPECT_EQ(changes, 1);
    h.Window().Send(SgWM::kNcActivate, 1, 0);
    EXPECT_EQ(changes, 1) << "already current: the owner hears nothing";
}

TEST(SgGLWindowTest, RefinementPassesFollowThePaintOnTheTimer)
{
    WindowHarness h(640, 480);
    h.AddCube(kRed);
    h.Paint();
    SgViewer *viewer = h.Viewer();
    ASSERT_EQ(viewer->GetPassCount(), 8);
    EXPECT_EQ(viewer->GetCurrentPass(), 0);
    h.Advance(199);
    EXPECT_EQ(viewer->GetCurrentPass(), 0) << "no refinement before 200 ms";
    h.Advance(1);
    EXPECT_EQ(viewer->GetCurrentPass(), 1) << "the first refinement pass at 200 ms";
    EXPECT_FALSE(h.BackBuffer()) << "a refinement in progress is not the final frame";
    for (int pass = 2; pass < 8; ++pass) {
        h.Advance(19);
        EXPECT_EQ(viewer->GetCurrentPass(), pass - 1) << "19 ms after pass " << pass - 1;
        h.Advance(1);
        EXPECT_EQ(viewer->GetCurrentPass(), pass) << "20 ms after pass " << pass - 1;
    }
    h.Advance(20);
    EXPECT_EQ(viewer->GetCurrentPass(), 0) << "after the last pass the sequence ends";
    EXPECT_TRUE(h.BackBuffer()) << "the last pass leaves the final frame in the back buffer";
    EXPECT_TRUE(viewer->HasFinalFrame());
    EXPECT_FALSE(h.Window().HasTimer(reinterpret_cast<std::uintptr_t>(&h.Window()))) << "no timer after the last pass";
    EXPECT_TRUE(IsRed(h.At(320, 240))) << "the refined picture still shows the cube: " << h.At(320, 240);
    const int renders = h.RenderCount();
    h.Expose(0, 0, 143, 107);
    EXPECT_EQ(h.RenderCount(), renders) << "a small expose after the final frame only swaps";
}

TEST(SgGLWindowTest, RefinementTickWhileAToolRunsStopsTheSequence)
{
    WindowHarness h(640, 480);
    h.AddCube(kRed);
    h.Paint();
    h.Advance(200);
    ASSERT_EQ(h.Viewer()->GetCurrentPass(), 1);
    SgTool::SetToolActive(true);
    h.Advance(20);
    EXPECT_EQ(h.Viewer()->GetCurrentPass(), 0);
    EXPECT_FALSE(h.Window().HasTimer(reinterpret_cast<std::uintptr_t>(&h.Window()))) << "the timer is killed";
    SgTool::SetToolActive(false);
    h.Advance(1000);
    EXPECT_EQ(h.Viewer()->GetCurrentPass(), 0) << "nothing restarts the sequence until the next paint";
}

TEST(SgGLWindowTest, AltPressMarksClicksUntilReleasedOrFocusIsLost)
{
    WindowHarness h(64, 64);
    auto *probe = new ProbeHandler;
    h.AddViewHandler(probe);
    h.Window().SetFocus();
    EXPECT_EQ(h.SysKeyDown(SgVK::kMenu), 1) << "system keys are the window's own";
    h.Down(Button::Left, {10, 10});
    h.Up(Button::Left, {10, 10});
    h.Window().KillFocus();
    h.Down(Button::Left, {10, 10});
    ASSERT_EQ(probe->alt.size(), 3u);
    EXPECT_TRUE(probe->alt[0]) << "a click while Alt is down carries the Alt bit";
    EXPECT_TRUE(probe->alt[1]);
    EXPECT_FALSE(probe->alt[2]) << "losing the focus clears the Alt state";
    h.SysKeyDown(SgVK::kMenu);
    h.SysKeyUp(SgVK::kMenu);
    h.Move({11, 11});
    EXPECT_FALSE(probe->alt.back()) << "releasing Alt clears it";
}

TEST(SgGLWindowTest, DoubleClickArrivesAsDownUpDoubleClickUp)
{
    WindowHarness h(64, 64);
    auto *probe = new ProbeHandler;
    h.AddViewHandler(probe);
    h.DoubleClick(Button::Left, {5, 5});
    EXPECT_EQ(probe->messages, (std::vector<int>{513, 514, 515, 514}));
}

TEST(SgGLWindowTest, WheelIsConsumedAndAButtonPressTakesTheFocus)
{
    WindowHarness h(64, 64);
    auto *probe = new ProbeHandler;
    h.AddViewHandler(probe);
    EXPECT_EQ(h.Wheel(1, {5, 5}), 1) << "a wheel message always reports handled";
    EXPECT_EQ(h.Move({6, 6}), 0) << "a move nobody handles goes on to the window";
    EXPECT_FALSE(h.Window().HasFocus());
    h.Down(Button::Right, {5, 5});
    EXPECT_TRUE(h.Window().HasFocus()) << "a button press brings the focus to the viewer's window";
}

TEST(SgGLWindowTest, KeyThatAsksToCloseDestroysTheWindowAndLeavesNoCurrentViewer)
{
    WindowHarness h(64, 64);
    auto *probe = new ProbeHandler;
    probe->onEvent = [](SgHandleEventAction *action) {
        if (action->GetEvent()->m_nKey == SgVK::kEscape)
            action->RequestClose(true);
    };
    h.AddViewHandler(probe);
    SgDocument *document = h.Document();
    ASSERT_EQ(document->GetActiveViewer(), h.Viewer());
    EXPECT_EQ(h.KeyDown('A'), 0);
    EXPECT_EQ(probe->messages.back(), SgWM::kKeyDown);
    EXPECT_EQ(h.KeyDown(SgVK::kEscape), 1) << "the window hears the close result as handled";
    EXPECT_TRUE(h.Window().IsDestroyed());
    EXPECT_EQ(h.Viewer(), nullptr);
    EXPECT_EQ(document->GetViewerCount(), 0) << "the viewer went with its window";
    EXPECT_EQ(document->GetActiveViewer(), nullptr);
}

TEST(SgGLWindowTest, ResizeFollowsTheWindowAndAZeroHeightKeepsAFiniteProjection)
{
    WindowHarness h(640, 480);
    h.AddCube(kRed);
    h.Window().Resize(320, 200);
    EXPECT_EQ(h.Viewer()->GetWidth(), 320);
    EXPECT_EQ(h.Viewer()->GetHeight(), 200);
    EXPECT_EQ(h.Viewport()->GetWidth(), 320);
    EXPECT_TRUE(IsRed(h.At(160, 100))) << "the resized window is drawn again: " << h.At(160, 100);

    const int renders = h.RenderCount();
    h.Window().Resize(320, 0);
    EXPECT_EQ(h.RenderCount(), renders) << "a window without height has nothing to paint";
    h.Window().GetOffscreenContext().MakeCurrent();
    h.Viewport()->UpdateModelProjViewMatrix();
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (double value : projection)
        EXPECT_TRUE(std::isfinite(value)) << "projection of a zero-height viewport";
    h.Window().Resize(320, 200);
    EXPECT_TRUE(IsRed(h.At(160, 100))) << "and back: " << h.At(160, 100);
}

TEST(SgGLWindowTest, EventStaysWithItsHandlerAcrossANestedPaint)
{
    WindowHarness h(64, 64);
    auto *probe = new ProbeHandler;
    int seenAfterRedraw = 0;
    probe->onEvent = [&](SgHandleEventAction *action) {
        if (action->GetEvent()->m_nMessage != SgWM::kLButtonDown)
            return;
        // A tool's redraw paints at once, in the middle of the event.
        action->GetViewer()->Redraw(false);
        seenAfterRedraw = action->GetEvent() ? action->GetEvent()->m_nMessage : -1;
    };
    h.AddViewHandler(probe);
    const int renders = h.RenderCount();
    h.Down(Button::Left, {5, 5});
    EXPECT_EQ(h.RenderCount(), renders + 1) << "the nested paint rendered";
    EXPECT_EQ(seenAfterRedraw, static_cast<int>(SgWM::kLButtonDown)) << "the handler still holds its own event";
}

TEST(SgGLWindowTest, ErrorsAtThePaintAndEventBoundariesAreReportedAndTheWindowGoesOn)
{
    // The manager cannot forget a reporter: this one lives as long as the process.
    static CollectingReporter reporter;
    static const int registered = ReportMngr::getInstance()->RegisterRepoter(&reporter, 0);
    ASSERT_GE(registered, 0);
    reporter.texts.clear();

    WindowHarness h(64, 64);
    h.AddCube(kRed);
    auto *probe = new ProbeHandler;
    probe->onEvent = [](SgHandleEventAction *action) {
        if (action->GetEvent()->m_nMessage == SgWM::kMouseMove)
            throw std::runtime_error("a handler failed");
    };
    h.AddViewHandler(probe);
    SgSubscription failing = h.Viewer()->SubscribeStatistics([](int, const SgViewer::Statistics *, std::int64_t) {
        throw std::runtime_error("a statistics listener failed");
    });

    EXPECT_EQ(h.Move({5, 5}), 0);
    h.Paint();
    EXPECT_TRUE(IsRed(h.At(32, 32))) << "the frame was drawn before the failure: " << h.At(32, 32);
    failing.Reset();
    EXPECT_EQ(h.Down(Button::Left, {5, 5}), 0) << "the window still handles events";
    bool sawEvent = false;
    bool sawPaint = false;
    for (const std::string &text : reporter.texts) {
        sawEvent = sawEvent || text.find("event: a handler failed") != std::string::npos;
        sawPaint = sawPaint || text.find("paint: a statistics listener failed") != std::string::npos;
    }
    EXPECT_TRUE(sawEvent) << "the handler's error is logged";
    EXPECT_TRUE(sawPaint) << "the paint's error is logged";
}

// Red rows in a column of the window.
int RedRows(WindowHarness &h, int x, int height)
{
    int rows = 0;
    for (int y = 0; y < height; ++y)
        rows += IsRed(h.At(x, y)) ? 1 : 0;
    return rows;
}

TEST(SgGLWindowTest, BillboardSizedInPixelsCoversThemWhateverTheWindowAndCamera)
{
    WindowHarness h(640, 480);
    h.Viewport()->GetLightModel()->m_model.Set(0);
    // { T, billboard, material, a flat unit square facing the camera }: the
    // billboard rewrites T.
    auto *object = new SgObject(false, false);
    auto *billboard = new SgBillboard;
    billboard->m_sizeType.Set(1);
    billboard->m_size.Set(100.0f);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetVals(1, &kRed);
    auto *square = new SgCube;
    // Width along x, depth along y, height along z (towards the camera).
    square->m_width.Set(1.0);
    square->m_depth.Set(1.0);
    square->m_height.Set(0.001);
    object->AddChild(new SgTransform);
    object->AddChild(billboard);
    object->AddChild(material);
    object->AddChild(square);
    h.Document()->GetRoot()->AddChild(object);

    h.Paint();
    EXPECT_NEAR(RedRows(h, 320, 480), 100, 2) << "one unit of the content covers 100 pixels";
    h.Window().Resize(400, 300);
    EXPECT_NEAR(RedRows(h, 200, 300), 100, 2) << "after the window shrank";
    h.Viewport()->GetCameraTransform()->m_translation.Set(Vec3(0, 0, 12));
    h.Paint();
    EXPECT_NEAR(RedRows(h, 200, 300), 100, 2) << "with the camera further away";
}

} // namespace
