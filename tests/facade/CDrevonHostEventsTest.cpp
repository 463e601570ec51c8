// What the facade reports to its host besides buttons and creation tools:
// the current viewer's hook (kind 3) and clicks (any other kind).
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/viewer/SgViewer.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

int g_calls = 0;
void Frames(int, const SgViewer::Statistics *, std::int64_t, void *) { ++g_calls; }
void Click(SgPath *, char *, unsigned long long, void *) { ++g_calls; }

TEST_F(FacadeTest, EventKindThreeClearsTheCurrentViewersHookIgnoringTheFunction)
{
    SgViewer *viewer = AddViewer();
    int host = 0;
    viewer->SetStatisticsCallback(&Frames, nullptr);
    ASSERT_TRUE(m_facade->AddEventCallback(3, &Click, &host));
    void *user = nullptr;
    EXPECT_EQ(viewer->GetStatisticsCallback(user), nullptr);
    EXPECT_EQ(user, &host);
    EXPECT_EQ(Selection()->getUserEventCB(), nullptr) << "the function is not used for kind 3";
}

TEST_F(FacadeTest, EventCallbacksRefuseWhatTheyCannotServe)
{
    SgDiagCapture capture;
    int host = 0;
    EXPECT_FALSE(m_facade->AddEventCallback(3, &Click, &host)) << "no viewer";
    EXPECT_TRUE(capture.Contains("no viewer")) << capture.GetText();
    EXPECT_FALSE(m_facade->AddEventCallback(1, nullptr, &host)) << "no function";
    EXPECT_EQ(Selection()->getUserEventCB(), nullptr);
    ASSERT_TRUE(m_facade->AddEventCallback(1, &Click, &host));
    EXPECT_EQ(Selection()->getUserEventCB(), &Click);
    EXPECT_EQ(Selection()->getUserEventData(), &host);
}

} // namespace
