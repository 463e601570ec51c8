// The event-handler protocol: which message reaches which virtual, the user
// handler that sees every event, the handler's own document, and the tool's
// running state, planes, module-wide flag and random material.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/handlers/SgTool.h"
#include "engine/handlers/SgUserHandler.h"
#include "platform/SgClock.h"
#include "utilities/math/Color.h"

namespace {

// Names the virtual that was called, and answers 7.
class RecordingHandler : public SgEventHandler {
public:
    std::string called;

    int Note(const char *name)
    {
        called = name;
        return 7;
    }
    int OnLButtonDown(SgHandleEventAction *) override { return Note("LButtonDown"); }
    int OnRButtonDown(SgHandleEventAction *) override { return Note("RButtonDown"); }
    int OnLButtonUp(SgHandleEventAction *) override { return Note("LButtonUp"); }
    int OnRButtonUp(SgHandleEventAction *) override { return Note("RButtonUp"); }
    int OnLButtonDblClk(SgHandleEventAction *) override { return Note("LButtonDblClk"); }
    int OnMButtonDblClk(SgHandleEventAction *) override { return Note("MButtonDblClk"); }
    int OnRButtonDblClk(SgHandleEventAction *) override { return Note("RButtonDblClk"); }
    int OnMouseMove(SgHandleEventAction *) override { return Note("MouseMove"); }
    int OnKeyUp(SgHandleEventAction *) override { return Note("KeyUp"); }
    int OnKeyDown(SgHandleEventAction *) override { return Note("KeyDown"); }
    int OnTimer(SgHandleEventAction *) override { return Note("Timer"); }

protected:
    ~RecordingHandler() override = default;
};

// Stands in for the event action: the reader below takes the message from it.
struct FakeEvent {
    int message;
};
SgHandleEventAction *AsAction(FakeEvent &event)
{
    return reinterpret_cast<SgHandleEventAction *>(&event);
}
int ReadFakeMessage(SgHandleEventAction *action)
{
    return reinterpret_cast<FakeEvent *>(action)->message;
}

class MessageReaderScope {
public:
    explicit MessageReaderScope(SgEventHandler::MessageReader reader) : m_previous(SgEventHandler::GetMessageReader())
    {
        SgEventHandler::SetMessageReader(reader);
    }
    ~MessageReaderScope() { SgEventHandler::SetMessageReader(m_previous); }

private:
    SgEventHandler::MessageReader m_previous;
};

TEST(SgEventHandlerTest, EachMessageReachesItsVirtualAndOthersReachNone)
{
    struct Case {
        int message;
        const char *called; // empty: no virtual is called
    };
    const Case cases[] = {
        {256, "KeyDown"},       {257, "KeyUp"},     {275, "Timer"},         {512, "MouseMove"},
        {513, "LButtonDown"},   {514, "LButtonUp"}, {515, "LButtonDblClk"}, {516, "RButtonDown"},
        {517, "RButtonUp"},     {518, "RButtonDblClk"}, {521, "MButtonDblClk"}, {519, ""},
        {520, ""},              {522, ""},          {0, ""},                {258, ""},
    };
    MessageReaderScope scope(&ReadFakeMessage);
    for (const Case &c : cases) {
        SgRef<RecordingHandler> handler = new RecordingHandler;
        FakeEvent event{c.message};
        const int answer = handler->HandleFunc(AsAction(event));
        EXPECT_EQ(handler->called, c.called) << "message " << c.message;
        EXPECT_EQ(answer, *c.called ? 7 : 0) << "message " << c.message << " should answer what its virtual answers";
    }
}

TEST(SgEventHandlerTest, WithoutAMessageReaderNothingIsHandled)
{
    MessageReaderScope scope(nullptr);
    SgRef<RecordingHandler> handler = new RecordingHandler;
    FakeEvent event{513};
    EXPECT_EQ(handler->HandleFunc(AsAction(event)), 0);
    EXPECT_EQ(handler->called, "");
}

int CountingCallback(SgHandleEventAction *, void *data)
{
    return ++*static_cast<int *>(data);
}

TEST(SgEventHandlerTest, UserHandlerSeesEveryEvent)
{
    MessageReaderScope scope(&ReadFakeMessage);
    SgRef<SgUserHandler> handler = new SgUserHandler;
    FakeEvent middle{519};
    EXPECT_EQ(handler->HandleFunc(AsAction(middle)), 0) << "without a callback nothing is handled";
    int calls = 0;
    handler->SetUserFunc(&CountingCallback, &calls);
    EXPECT_EQ(handler->HandleFunc(AsAction(middle)), 1) << "the middle button should reach the callback";
    FakeEvent wheel{522};
    EXPECT_EQ(handler->HandleFunc(AsAction(wheel)), 2);
}

TEST(SgEventHandlerTest, HandlerKeepsItsOwnDocumentAndRecordsNoUndo)
{
    std::unique_ptr<SgDocument> first(SgDocument::Create());
    std::unique_ptr<SgDocument> second(SgDocument::Create());
    SgRef<SgUserHandler> handler(new SgUserHandler);
    handler->SetDocumentHack(first.get());
    second->GetNodara()->AddChild(handler.get());
    EXPECT_EQ(handler->GetDocumentHack(), first.get()) << "joining a graph should not change a handler's document";
    second->GetNodara()->DeleteChild(handler.get());
    EXPECT_EQ(handler->GetDocumentHack(), first.get()) << "leaving a graph should not clear it either";
    EXPECT_FALSE(handler->IsUndoEnabled());
    EXPECT_TRUE(handler->IsActive());
    EXPECT_FALSE(handler->IsPostponed());
}

// ---- Tools ------------------------------------------------------------------------------

class SgToolTest : public ::testing::Test {
protected:
    void TearDown() override { SgTool::SetToolActive(false); }
};

TEST_F(SgToolTest, StartAndFinishMoveBetweenIdleAndRunning)
{
    SgRef<SgTool> tool = new SgTool;
    EXPECT_FALSE(tool->IsStarted());
    tool->Start(nullptr, nullptr);
    EXPECT_TRUE(tool->IsStarted());
    EXPECT_TRUE(SgTool::IsToolActive());

    const Plane moved(Vec3(1, 0, 0), 4.0);
    tool->SetPlane(moved);
    EXPECT_EQ(tool->GetPlane(), moved);
    EXPECT_EQ(tool->GetBasePlane(), Plane(Vec3(0, 0, 1), 0.0)) << "a running tool keeps its base plane";
    tool->Start(nullptr, nullptr);
    EXPECT_EQ(tool->GetPlane(), moved) << "a second Start on a running tool should change nothing";

    tool->Finish(nullptr);
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_FALSE(SgTool::IsToolActive());
    EXPECT_EQ(tool->GetPlane(), tool->GetBasePlane()) << "Finish should reset the work plane";
    tool->SetPlane(moved);
    EXPECT_EQ(tool->GetBasePlane(), moved) << "an idle tool takes a new plane as its base plane";
}

TEST_F(SgToolTest, ToolActiveFlagIsOnePerModule)
{
    SgRef<SgTool> first = new SgTool;
    SgRef<SgTool> second = new SgTool;
    first->Start(nullptr, nullptr);
    second->Start(nullptr, nullptr);
    first->Finish(nullptr);
    EXPECT_FALSE(SgTool::IsToolActive()) << "the first Finish clears the one flag while the second tool runs";
    EXPECT_TRUE(second->IsStarted());
}

TEST_F(SgToolTest, RubberToolFinishOnAnIdleToolChangesNothing)
{
    SgRef<SgRubberTool> tool = new SgRubberTool;
    SgTool::SetToolActive(true);
    tool->Finish(nullptr);
    EXPECT_TRUE(SgTool::IsToolActive()) << "an idle rubber tool's Finish should not touch the flag";
    EXPECT_EQ(tool->GetPlane(), Plane(Vec3(0, 0, 1), 0.0)) << "rubber tools work on the XY plane";
}

TEST_F(SgToolTest, WorkPlaneIntersectionAndViewAngle)
{
    SgRef<SgTool> tool = new SgTool;
    struct Case {
        const char *name;
        Vec3 start, end;
        Vec3 point;
        double angle;
    };
    const Case cases[] = {
        {"straight down", {1, 2, 5}, {1, 2, 3}, {1, 2, 0}, 180.0},
        {"straight up", {1, 2, -5}, {1, 2, -3}, {1, 2, 0}, 0.0},
        {"parallel to the plane", {0, 0, 1}, {1, 0, 1}, {0, 0, 0}, 90.0},
    };
    for (const Case &c : cases) {
        const Vec3 p = tool->IntersectWorkPlane(c.start, c.end);
        EXPECT_NEAR((p - c.point).Length(), 0.0, 1e-12) << c.name;
        EXPECT_NEAR(tool->ViewAngle(c.start, c.end), c.angle, 1e-9) << c.name;
    }
    // A ray shorter than the limit is used as it is, not normalised.
    EXPECT_NEAR(tool->ViewAngle(Vec3(0, 0, 0), Vec3(0, 0, 5e-6)), std::acos(5e-6) * 180.0 / std::numbers::pi, 1e-9);
}

TEST_F(SgToolTest, RandomMaterialIsTheSameWithinOneSecond)
{
    SgVirtualClock clock(1700000000);
    SgClock *previous = SetClock(&clock);
    SgRef<SgMaterial> a(SgTool::BuildRandomMaterial());
    SgRef<SgMaterial> b(SgTool::BuildRandomMaterial());
    SetClock(previous);
    const Color ca = a->m_diffuseColor[0];
    const Color cb = b->m_diffuseColor[0];
    EXPECT_EQ(ca.r, cb.r);
    EXPECT_EQ(ca.g, cb.g);
    EXPECT_EQ(ca.b, cb.b);
    EXPECT_EQ(ca.a, 1.0f);
    EXPECT_EQ(a->m_ambientColor[0].r, ca.r) << "the ambient colour copies the diffuse one";
    EXPECT_FLOAT_EQ(a->m_specularColor[0].r, 0.8f);
    EXPECT_FLOAT_EQ(a->m_shininess[0], 1.0f);
}

} // namespace
