// What the facade reports to its host besides buttons and creation tools:
// the current viewer's frames (kind 3) and clicks (any other kind).
#include "engine/core/SgSeparator.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

int g_calls = 0;
void Click(SgPath *, char *, unsigned long long, void *) { ++g_calls; }

TEST_F(FacadeTest, EventKindThreeFollowsTheCurrentViewersFramesBesideItsOtherListeners)
{
    SgViewer *viewer = AddViewer();
    int frames = 0;
    const SgSubscription earlier =
        viewer->SubscribeStatistics([&frames](int, const SgViewer::Statistics *, std::int64_t) { ++frames; });
    int host = 0;
    g_calls = 0;
    ASSERT_TRUE(m_facade->GetHostEvents().AddEventCallback(3, &Click, &host));
    ASSERT_TRUE(m_facade->GetHostEvents().AddEventCallback(3, &Click, &host));
    EXPECT_EQ(viewer->GetStatisticsListenerCount(), 2) << "the host follows the frames, once for one data";
    viewer->HandleMessage(static_cast<unsigned>(SgWM::kPaint), 0, 0);
    EXPECT_EQ(frames, 1) << "the host took the frames from the viewer's other listener";
    EXPECT_EQ(g_calls, 0) << "the function is not used for kind 3";
    EXPECT_EQ(Selection()->GetClickListenerCount(), 0) << "kind 3 reports no clicks";
}

TEST_F(FacadeTest, EventCallbacksRefuseWhatTheyCannotServe)
{
    SgDiagCapture capture;
    int host = 0;
    EXPECT_FALSE(m_facade->GetHostEvents().AddEventCallback(3, &Click, &host)) << "no viewer";
    EXPECT_TRUE(capture.Contains("no viewer")) << capture.GetText();
    EXPECT_FALSE(m_facade->GetHostEvents().AddEventCallback(1, nullptr, &host)) << "no function";
    EXPECT_EQ(Selection()->GetClickListenerCount(), 0);
    ASSERT_TRUE(m_facade->GetHostEvents().AddEventCallback(1, &Click, &host));
    ASSERT_TRUE(m_facade->GetHostEvents().AddEventCallback(1, &Click, &host));
    EXPECT_EQ(Selection()->GetClickListenerCount(), 1) << "the same function and data listen once";
}

TEST_F(FacadeTest, ClickListenersAreHeardTogetherAndLeaveTheManipulatorAlone)
{
    g_calls = 0;
    int host = 0;
    ASSERT_TRUE(m_facade->GetHostEvents().AddEventCallback(1, &Click, &host));
    {
        SgSubscription second = m_facade->GetHostEvents().SubscribeClicks(&Click, nullptr);
        ASSERT_TRUE(second.IsActive());
        auto *object = new SgObject(true, true);
        object->SetName("clicked");
        object->AddChild(new SgSphere);
        m_facade->GetRoot()->AddChild(object);
        SgPath path(*m_facade->GetRoot());
        path.Append(object);
        Selection()->Select(path, 0);
        EXPECT_EQ(g_calls, 2) << "both listeners hear the click";
        EXPECT_NE(object->FindFirstNodeCond([](SgNode *node) { return node->IsDerivedFrom(SgManipulator::ClassID()); }),
                  nullptr)
            << "listening to clicks took the selection's manipulator away";
    }
    EXPECT_EQ(Selection()->GetClickListenerCount(), 1) << "the dropped token took its listener off";
}

} // namespace
