// The control's second viewers and the events that do not come from clicks
// or tools: CreateViewer opens a view of the document in a window of its own
// and hands it out as a checked 32-bit handle; EnableEvent(3) follows the
// current viewer's frames beside its other listeners; the document's custom events (the custom spline
// dialog's wire changes and resets) fire CustomEvent1.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/CustomDlg.h"
#include "engine/core/SgHandleTable.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "facade/CDrevonDialogs.h"
#include "platform/window/SgWindowFactory.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/control/ControlTestSupport.h"

using namespace fennix;

namespace {

// Counts the windows it makes; can be told to make none.
class CountingFactory : public SgWindowFactory {
public:
    SgPlatformWindow *CreateTopLevelWindow(const std::string &title, int width, int height, bool fullScreen) override
    {
        if (refuse)
            return nullptr;
        titles.push_back(title);
        windows.push_back(m_headless.CreateTopLevelWindow(title, width, height, fullScreen));
        return windows.back();
    }
    bool refuse = false;
    std::vector<std::string> titles;
    std::vector<SgPlatformWindow *> windows;

private:
    SgHeadlessWindowFactory m_headless;
};

class ViewerEventsTest : public controltest::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        m_previous = SetWindowFactory(&m_factory);
    }
    void TearDown() override
    {
        ControlTest::TearDown();
        SetWindowFactory(m_previous);
    }
    drevon::CDrevon *Facade() { return m_control.GetFacade(); }
    SgDocument *Document() { return Facade()->GetDocument(); }
    DispResult Call(const char *name, DispArgs args) { return m_control.Call(name, args); }
    DispResult CreateViewer(const char *name, int width, int height)
    {
        return Call("CreateViewer", {DispValue::Str(name), DispValue::Int(width), DispValue::Int(height)});
    }
    std::vector<std::string> Texts(const std::string &event) const
    {
        std::vector<std::string> texts;
        for (const auto &e : m_events)
            if (e.name == event)
                texts.push_back(e.params.at(0).text);
        return texts;
    }

    CountingFactory m_factory;
    SgWindowFactory *m_previous = nullptr;
};

TEST_F(ViewerEventsTest, CreateViewerOpensASecondViewOfTheSceneAndHandsOutACheckedHandle)
{
    Create();
    SgViewer *first = Facade()->GetCurrentViewer();
    ASSERT_NE(first, nullptr);
    const DispResult r = CreateViewer("Second view", 200, 150);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.value.kind, DispValue::Kind::Integer);
    const std::int64_t handle = r.value.integer;
    EXPECT_GT(handle, 1024);
    EXPECT_LE(handle, INT32_MAX) << "an I4 result";
    EXPECT_EQ(m_factory.titles, std::vector<std::string>{"Second view"});

    SgViewer *second = SgHandleTable::LookupViewer(handle);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(Facade()->GetCurrentViewer(), second) << "the new view is the one in use";
    EXPECT_EQ(Document()->GetViewerCount(), 2);
    EXPECT_EQ(second->GetScene(), Facade()->GetRoot()) << "it shows the document's scene";
    EXPECT_EQ(Call("IsNull", {DispValue::Int(handle)}).value, DispValue::Int(0));
    EXPECT_EQ(m_control.GetHeldViewerCount(), 1);
    // Viewer handles are no node handles, nor the other way round.
    EXPECT_EQ(Call("GetVal", {DispValue::Int(handle), DispValue::Str("name")}).code, kErrBadHandle);

    const DispResult third = CreateViewer("", 64, 48);
    ASSERT_TRUE(third.ok);
    EXPECT_NE(third.value.integer, handle);

    // The window goes with its viewer: the handle is refused from then on,
    // even once the viewer's slot serves another one.
    Facade()->DeleteViewer(second);
    EXPECT_EQ(SgHandleTable::LookupViewer(handle), nullptr);
    const DispResult fourth = CreateViewer("Fourth", 64, 48);
    ASSERT_TRUE(fourth.ok);
    EXPECT_NE(fourth.value.integer, handle);
    EXPECT_EQ(SgHandleTable::LookupViewer(handle), nullptr);
    m_control.Destroy();
    EXPECT_EQ(m_control.GetHeldViewerCount(), 0);
}

// The user closes the second view's window: its viewer goes with it, the
// handle is refused, and the control goes on with the first view.
TEST_F(ViewerEventsTest, ClosingTheSecondViewsWindowMakesItsHandleStale)
{
    Create();
    SgViewer *first = Facade()->GetCurrentViewer();
    const DispResult r = CreateViewer("Second view", 120, 90);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(m_factory.windows.size(), 1u);
    ASSERT_NE(SgHandleTable::LookupViewer(r.value.integer), nullptr);
    m_factory.windows[0]->DestroyWindow();
    EXPECT_EQ(SgHandleTable::LookupViewer(r.value.integer), nullptr);
    EXPECT_EQ(Document()->GetViewerCount(), 1);
    EXPECT_EQ(Facade()->GetCurrentViewer(), first) << "the first view is the one in use again";
    EXPECT_TRUE(Call("Redraw", {}).ok);
    EXPECT_TRUE(Call("EnableEvent", {DispValue::Int(3)}).ok) << "the hook of the view in use";
    m_control.Destroy();
    EXPECT_EQ(m_control.GetHeldViewerCount(), 0);
}

TEST_F(ViewerEventsTest, CreateViewerRefusesWhatCannotBeAViewAndAddsNone)
{
    Create();
    struct Case {
        const char *what;
        const char *name;
        int width, height;
        bool refuse;
        int code;
    };
    const Case cases[] = {
        {"no width", "A", 0, 100, false, kErrParams},
        {"negative height", "A", 100, -5, false, kErrParams},
        {"no window from the platform", "A", 100, 100, true, kErrFailed},
    };
    for (const Case &c : cases) {
        m_factory.refuse = c.refuse;
        const DispResult r = CreateViewer(c.name, c.width, c.height);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.code, c.code) << c.what;
        EXPECT_EQ(Document()->GetViewerCount(), 1) << c.what;
    }
    EXPECT_TRUE(m_factory.titles.empty());
    EXPECT_EQ(m_control.GetHeldViewerCount(), 0);
}

TEST_F(ViewerEventsTest, CreateViewerFullScreenNeedsNoSizeAndShowsTheCurrentView)
{
    Create();
    SgViewer *first = Facade()->GetCurrentViewer();
    const DispResult r = CreateViewer("FullScreen", 0, 0);
    ASSERT_TRUE(r.ok) << r.message;
    SgViewer *full = SgHandleTable::LookupViewer(r.value.integer);
    ASSERT_NE(full, nullptr);
    EXPECT_TRUE(Facade()->GetViewing().IsFullScreen());
    ASSERT_GT(full->GetViewportCount(), 0);
    ASSERT_GT(first->GetViewportCount(), 0);
    EXPECT_EQ(full->GetViewport(0)->GetNodara(), first->GetViewport(0)->GetNodara()) << "the same view tree";
}

TEST_F(ViewerEventsTest, EnableEvent3FollowsTheCurrentViewersFramesAndLeavesClicksAlone)
{
    Create();
    SgViewer *viewer = Facade()->GetCurrentViewer();
    int frames = 0;
    const SgSubscription earlier = viewer->SubscribeStatistics(
        [&frames](int, const SgViewer::Statistics *, std::int64_t) { ++frames; });
    const int listeners = viewer->GetStatisticsListenerCount();
    ASSERT_TRUE(Call("EnableEvent", {DispValue::Int(3)}).ok);
    ASSERT_TRUE(Call("EnableEvent", {DispValue::Int(3)}).ok);
    EXPECT_TRUE(m_control.IsViewerEventEnabled());
    EXPECT_EQ(viewer->GetStatisticsListenerCount(), listeners + 1) << "the control follows the view's frames, once";
    m_events.clear();
    viewer->HandleMessage(static_cast<unsigned>(SgWM::kPaint), 0, 0);
    EXPECT_EQ(frames, 1) << "the control took the frames from the view's other listener";
    EXPECT_TRUE(m_events.empty()) << "a frame fires no script event";
    EXPECT_FALSE(m_control.IsClickEventEnabled());
    EXPECT_EQ(Document()->GetSelectionHandler()->GetClickListenerCount(), 0) << "clicks are not reported";
    EXPECT_EQ(Count("ClickEvent"), 0);
}

TEST_F(ViewerEventsTest, EnableEvent3WithoutAViewerIsAnError)
{
    ASSERT_TRUE(m_control.Create(nullptr));
    const DispResult r = Call("EnableEvent", {DispValue::Int(3)});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, kErrFailed);
}

// The custom spline dialog as the facade's table opens it, without a window.
class CustomInstance : public drevon::DialogInstance {
public:
    CustomInstance(SgDocument *document, const char *name) : m_dialog(document, name) {}
    CCadDlg *GetDialog() override { return &m_dialog; }
    bool Create() override
    {
        m_dialog.OnInitDialog();
        return true;
    }
    void Show() override { m_dialog.Opened(); }
    void Raise() override {}
    void DestroyWindow() override {}
    CustomDlg m_dialog;
};

class CustomFactory : public drevon::DialogFactory {
public:
    bool CanMake(int button) const override { return button == 95; }
    std::unique_ptr<drevon::DialogInstance> Make(drevon::CDrevon &facade, const drevon::DialogRequest &request) override
    {
        auto instance = std::make_unique<CustomInstance>(facade.GetDocument(), request.name ? request.name : "");
        last = instance.get();
        return instance;
    }
    CustomInstance *last = nullptr;
};

TEST_F(ViewerEventsTest, TheCustomDialogsWireChangesAndResetsFireCustomEvent1)
{
    Create();
    CustomFactory factory;
    Facade()->GetDialogs().SetFactory(&factory);
    ASSERT_TRUE(Call("OpenDialog", {DispValue::Int(95), DispValue::Str("L1")}).ok);
    ASSERT_NE(factory.last, nullptr);
    CustomDlg &dialog = factory.last->m_dialog;
    dialog.OnWireType(dialog.GetWireType());
    EXPECT_TRUE(Texts("CustomEvent1").empty()) << "the wire type already chosen";
    dialog.OnWireType((dialog.GetWireType() + 1) % CustomDlg::kWireTypes);
    dialog.OnReset();
    EXPECT_EQ(Texts("CustomEvent1"), (std::vector<std::string>{"L1", "rL1"}));
    EXPECT_EQ(m_events.back().dispid, 3);
    Facade()->GetDialogs().CloseAll();
    Facade()->GetDialogs().SetFactory(nullptr);
}

TEST_F(ViewerEventsTest, CustomEventsReachEveryListenerOfAnInstalledDocumentUntilTheControlGoes)
{
    Create();
    Document()->NotifyCustomEvent("one", 7);
    EXPECT_EQ(Texts("CustomEvent1"), std::vector<std::string>{"one"});
    // A second listener on the same facade hears the same, as long as it keeps its token.
    std::vector<std::string> heard;
    SgDocumentSubscription token = Facade()->GetHostEvents().SubscribeCustomEvent([](const char *text, void *data) { static_cast<std::vector<std::string> *>(data)->push_back(text); }, &heard);
    // The facade follows a document installed from outside.
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> other(SgDocument::Create(), &SgDocument::Destroy);
    Facade()->SetDocument(other.get());
    Document()->NotifyCustomEvent("two");
    EXPECT_EQ(Texts("CustomEvent1"), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(heard, std::vector<std::string>{"two"});
    token.Reset();
    m_control.Destroy();
    other->NotifyCustomEvent("three");
    EXPECT_EQ(Texts("CustomEvent1").size(), 2u) << "the control gone, nothing fires";
    EXPECT_EQ(heard.size(), 1u);
}

} // namespace
