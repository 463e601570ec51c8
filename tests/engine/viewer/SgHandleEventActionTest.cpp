// Events from the viewer's window messages through the event action: the
// tool that holds the events first, then the scene's handlers in order, and
// postponed handlers after the rest of their separator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/viewer/SgHandleEventAction.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/render/SgRayPickAction.h"
#include "platform/SgError.h"
#include "platform/gl/OffscreenGLContext.h"

namespace {

// Writes its name into the log when a left button goes down, and answers as told.
class RecordingHandler : public SgEventHandler {
public:
    RecordingHandler(std::vector<std::string> &log, std::string name, int answer = 0)
        : m_log(log), m_name(std::move(name)), m_answer(answer)
    {
    }
    int OnLButtonDown(SgHandleEventAction *action) override
    {
        m_log.push_back(m_name);
        m_lastEvent = *action->GetEvent();
        return m_answer;
    }

    std::vector<std::string> &m_log;
    std::string m_name;
    int m_answer;
    SgEvent m_lastEvent;

protected:
    ~RecordingHandler() override = default;
};

std::string Join(const std::vector<std::string> &log)
{
    std::string text;
    for (const std::string &entry : log)
        text += (text.empty() ? "" : " ") + entry;
    return text;
}

class EventDispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_document = SgDocument::Create();
        ASSERT_NE(m_document, nullptr);
        m_scene = new SgSeparator;
        m_viewer = m_document->CreateDefaultViewer(nullptr, m_scene.get());
        m_viewer->SetSize(100, 100);
    }
    void TearDown() override
    {
        delete m_viewer;
        SgDocument::Destroy(m_document);
    }

    RecordingHandler *Handler(const std::string &name, int answer = 0, bool postponed = false)
    {
        auto *handler = new RecordingHandler(m_log, name, answer);
        handler->SetPostponed(postponed);
        return handler;
    }

    int Click(int x = 10, int y = 20)
    {
        return m_viewer->HandleMessage(SgEventHandler::kLButtonDown, SgEvent::kShiftBit, SgEvent::MakePoint(x, y));
    }

    SgDocument *m_document = nullptr;
    SgRef<SgSeparator> m_scene;
    SgViewer *m_viewer = nullptr;
    std::vector<std::string> m_log;
};

TEST_F(EventDispatchTest, ToolFirstThenHandlersThenPostponedAfterTheirSeparator)
{
    // scene { P1 (postponed), A, P2 (postponed), inner { B }, C }
    m_scene->AddChild(Handler("P1", 0, true));
    m_scene->AddChild(Handler("A"));
    m_scene->AddChild(Handler("P2", 0, true));
    auto *inner = new SgSeparator;
    inner->AddChild(Handler("B"));
    m_scene->AddChild(inner);
    m_scene->AddChild(Handler("C"));
    SgRef<RecordingHandler> tool = new RecordingHandler(m_log, "tool");
    m_viewer->GetEventAction()->SetTool(tool.get());

    Click();
    EXPECT_EQ(Join(m_log), "tool A B C P1 P2");
    m_viewer->GetEventAction()->SetTool(nullptr);
}

TEST_F(EventDispatchTest, PostponedHandlerOfAnInnerSeparatorRunsBeforeTheSiblingsAfterIt)
{
    m_scene->AddChild(Handler("P-outer", 0, true));
    auto *inner = new SgSeparator;
    inner->AddChild(Handler("P-inner", 0, true));
    inner->AddChild(Handler("B"));
    m_scene->AddChild(inner);
    m_scene->AddChild(Handler("C"));
    Click();
    EXPECT_EQ(Join(m_log), "B P-inner C P-outer");
}

TEST_F(EventDispatchTest, AThirdPostponedHandlerReplacesTheSecond)
{
    m_scene->AddChild(Handler("P1", 0, true));
    m_scene->AddChild(Handler("P2", 0, true));
    m_scene->AddChild(Handler("P3", 0, true));
    m_scene->AddChild(Handler("A"));
    Click();
    EXPECT_EQ(Join(m_log), "A P1 P3");
}

TEST_F(EventDispatchTest, ConsumedEventReachesNobodyAfter)
{
    struct Case {
        const char *name;
        int toolAnswer;
        int firstAnswer;
        const char *expected;
    };
    for (const Case &c : {Case{"tool consumes", 1, 0, "tool"}, Case{"handler consumes", 0, 1, "tool A"},
                          Case{"nobody consumes", 0, 0, "tool A P"}}) {
        m_log.clear();
        while (m_scene->GetNumChildren() > 0)
            m_scene->DeleteChild(m_scene->GetChild(0));
        m_scene->AddChild(Handler("P", 0, true));
        m_scene->AddChild(Handler("A", c.firstAnswer));
        SgRef<RecordingHandler> tool = new RecordingHandler(m_log, "tool", c.toolAnswer);
        m_viewer->GetEventAction()->SetTool(tool.get());
        Click();
        m_viewer->GetEventAction()->SetTool(nullptr);
        EXPECT_EQ(Join(m_log), c.expected) << c.name;
    }
}

TEST_F(EventDispatchTest, DisabledToolAndHandlersAreSkipped)
{
    RecordingHandler *a = Handler("A");
    a->Deactivate();
    m_scene->AddChild(a);
    m_scene->AddChild(Handler("B"));
    SgRef<RecordingHandler> tool = new RecordingHandler(m_log, "tool", 1);
    tool->Deactivate();
    m_viewer->GetEventAction()->SetTool(tool.get());
    Click();
    m_viewer->GetEventAction()->SetTool(nullptr);
    EXPECT_EQ(Join(m_log), "B");
}

TEST_F(EventDispatchTest, EventCarriesThePointAndTheModifierKeys)
{
    RecordingHandler *a = Handler("A");
    m_scene->AddChild(a);
    Click(-3, 47);
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_EQ(a->m_lastEvent.m_nKind, SgEvent::kMouse);
    EXPECT_EQ(a->m_lastEvent.m_x, -3) << "positions left of the window stay negative";
    EXPECT_EQ(a->m_lastEvent.m_y, 47);
    EXPECT_TRUE(a->m_lastEvent.m_bShift);
    EXPECT_FALSE(a->m_lastEvent.m_bCtrl);
    EXPECT_EQ(a->m_lastEvent.m_nMessage, SgEventHandler::kLButtonDown);
}

TEST_F(EventDispatchTest, WheelIsAlwaysReportedConsumed)
{
    EXPECT_NE(m_viewer->HandleMessage(SgEventHandler::kMouseWheel, SgEvent::MakeWheelParam(-120, 0),
                                      SgEvent::MakePoint(1, 1)),
              0);
    EXPECT_EQ(Click(), 0) << "a click nobody takes is not consumed";
}

// Asks for picks of two sizes while it handles a click.
class PickingHandler : public SgEventHandler {
public:
    int OnLButtonDown(SgHandleEventAction *action) override
    {
        first = action->GetPickAction(5.0);
        again = action->GetPickAction(5.0);
        other = action->GetPickAction(3.0);
        return 0;
    }
    SgRayPickAction *first = nullptr;
    SgRayPickAction *again = nullptr;
    SgRayPickAction *other = nullptr;

protected:
    ~PickingHandler() override = default;
};

TEST_F(EventDispatchTest, PickIsMadeOncePerEventAndSize)
{
    OffscreenGLContext context(100, 100);
    ASSERT_TRUE(context.MakeCurrent());
    auto *handler = new PickingHandler;
    m_scene->AddChild(handler);
    Click(50, 50);
    EXPECT_NE(handler->first, nullptr);
    EXPECT_EQ(handler->first, handler->again) << "the same size shares the pick";
    ASSERT_NE(handler->other, nullptr);
    EXPECT_EQ(handler->other->m_dPickWidth, 3.0) << "another size makes a pick of its own";
    EXPECT_EQ(handler->other->GetWindowPoint().x, 50);
}

TEST_F(EventDispatchTest, PickWithoutViewportIsRefused)
{
    SgHandleEventAction action;
    EXPECT_THROW(action.GetPickAction(5.0), SgInvalidArgument);
}

TEST(SgEventTest, WheelDeltaIsTheSignedHighWord)
{
    SgEvent event;
    event.SetMouse(SgEventHandler::kMouseWheel, SgEvent::MakeWheelParam(-240, SgEvent::kCtrlBit), 0);
    EXPECT_EQ(event.m_nWheelDelta, -240);
    EXPECT_TRUE(event.m_bCtrl);
    SgEvent fresh;
    EXPECT_EQ(fresh.m_x, 0);
    EXPECT_FALSE(fresh.m_bShift || fresh.m_bCtrl || fresh.m_bAlt);
}

} // namespace
