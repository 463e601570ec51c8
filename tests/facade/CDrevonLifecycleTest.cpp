// The facade's object, its documents and viewers.
#include <type_traits>

#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/properties/SgBackground.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using drevon::CDrevon;

// A copy would share the document, the tools and the timer with the
// original and destroy them twice.
static_assert(!std::is_copy_constructible_v<CDrevon>);
static_assert(!std::is_copy_assignable_v<CDrevon>);

TEST_F(FacadeTest, ConstructorRegistersTheSceneAndStlReaders)
{
    EXPECT_EQ(SgExternalFile::GetFormatCount(), 2);
    EXPECT_EQ(SgExternalFile::ChooseFormat("part.kvrx", ""), 0);
    EXPECT_EQ(SgExternalFile::ChooseFormat("part.stl", ""), 1);
}

TEST_F(FacadeTest, ANewViewerIsTheCurrentOneAndGrey)
{
    SgViewer *viewer = AddViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(m_facade->GetCurrentViewer(), viewer);
    EXPECT_EQ(m_facade->GetDefaultViewer(), viewer);
    const Color grey = viewer->GetViewport(0)->GetBackground()->m_color1.Get();
    EXPECT_NEAR(grey.r, 0.75294, 1e-5);
    EXPECT_NEAR(grey.g, 0.75294, 1e-5);
    EXPECT_NEAR(grey.b, 0.75294, 1e-5);
}

TEST_F(FacadeTest, DefaultViewerWithoutAViewerFailsWithAMessage)
{
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->GetDefaultViewer(), nullptr);
    EXPECT_TRUE(capture.Contains("no viewer")) << capture.GetText();
}

TEST_F(FacadeTest, FullScreenWithoutACurrentViewerFailsWithAMessage)
{
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->CreateWinViewer("FullScreen", 0, 0), nullptr);
    EXPECT_TRUE(capture.Contains("Full screen needs a view")) << capture.GetText();
    EXPECT_EQ(Document()->GetViewerCount(), 0);
}

TEST_F(FacadeTest, FullScreenViewerTakesTheCurrentViewersViewTree)
{
    SgViewer *first = AddViewer();
    SgSeparator *tree = first->GetViewport(0)->GetNodara();
    SgViewer *full = m_facade->CreateWinViewer("fullSCREEN", 10, 10);
    ASSERT_NE(full, nullptr);
    EXPECT_TRUE(m_facade->GetViewing().IsFullScreen());
    EXPECT_EQ(full->GetViewport(0)->GetNodara(), tree);
    m_facade->DeleteViewer(full);
}

TEST_F(FacadeTest, SetDocumentDestroysOnlyTheFacadesOwnDocument)
{
    // The facade's document goes when another is installed; an installed
    // one stays with whoever made it.
    SgDocument *outside = SgDocument::Create();
    m_facade->SetDocument(outside);
    EXPECT_TRUE(m_facade->IsExternalDocument());
    EXPECT_EQ(m_facade->GetDocument(), outside);
    SgDocument *second = SgDocument::Create();
    m_facade->SetDocument(second);
    EXPECT_EQ(outside->GetRoot() != nullptr, true) << "the first outside document was destroyed";
    m_facade.reset();
    EXPECT_NE(second->GetRoot(), nullptr) << "an outside document was destroyed with the facade";
    SgDocument::Destroy(second);
    SgDocument::Destroy(outside);
}

TEST_F(FacadeTest, GetStringGivesTheStoredStringOnlyForTen)
{
    EXPECT_EQ(m_facade->GetString(10), "");
    EXPECT_EQ(m_facade->GetString(3), "");
}

// The facade chooses the engine of the Booleans that join its document;
// another facade's document keeps its own choice, and a document that
// outlives the facade no longer asks it.
TEST_F(FacadeTest, BooleansJoiningTheDocumentTakeTheFacadesEngineAndNoneAfterItGoes)
{
    auto joined = [](SgDocument *document) {
        SgRef<SgBoolean> boolean(new SgBoolean(0));
        document->GetRoot()->AddChild(boolean.get());
        return boolean->m_booleanEngine.Get();
    };
    EXPECT_EQ(joined(Document()), SgBoolean::kSolidEngineAlt);
    m_facade->GetCreation().OnToggleMetaball(120);
    EXPECT_EQ(joined(Document()), SgBoolean::kMetaballEngine);
    SgRef<SgBoolean> outside(new SgBoolean(0));
    EXPECT_EQ(outside->m_booleanEngine.Get(), SgBoolean::kSolidEngineAlt) << "no document, no choice";

    drevon::CDrevon other;
    ASSERT_NE(other.CreateDocument(), nullptr);
    EXPECT_EQ(joined(other.GetDocument()), SgBoolean::kSolidEngineAlt) << "the other facade chose for its own document";
    EXPECT_EQ(joined(Document()), SgBoolean::kMetaballEngine) << "and left this one's choice alone";

    // The hook named the facade: a document that outlives it must not call it.
    SgDocument *kept = SgDocument::Create();
    m_facade->SetDocument(kept);
    EXPECT_EQ(joined(kept), SgBoolean::kMetaballEngine);
    m_facade.reset();
    EXPECT_EQ(joined(kept), SgBoolean::kSolidEngineAlt);
    SgDocument::Destroy(kept);
}

TEST_F(FacadeTest, HelpersAndToolsTheFacadeHoldsGoBeforeItsDocument)
{
    // The grid, the axis and a running creation tool name the document;
    // the facade's end must not leave them to outlive it.
    AddViewer();
    m_facade->GetCreation().OnCreateGrid(74);
    m_facade->GetCreation().OnCreateAxis(75);
    m_facade->GetCreation().OnCreateTool(1);
    m_facade.reset();
    SUCCEED();
}

namespace {

struct ToolCalls {
    std::vector<std::pair<int, void *>> starts, finishes;
    drevon::HostEvents::ToolListener Listener()
    {
        return [this](bool started, int code, void *object) {
            (started ? starts : finishes).emplace_back(code, object);
        };
    }
};

} // namespace

TEST_F(FacadeTest, CreationToolsReachTheHostOnlyWhenPluggedIn)
{
    ToolCalls calls;
    const drevon::HostSubscription token = m_facade->GetHostEvents().SubscribeToolEvents(calls.Listener());
    Document()->NotifyTool(0, 3, nullptr);
    EXPECT_TRUE(calls.starts.empty()) << "a facade that is not plugged in told the host";
    m_facade->GetHostEvents().SetPlugedIn();
    int object = 0;
    Document()->NotifyTool(0, 3, &object);
    Document()->NotifyTool(1, 4, &object);
    ASSERT_EQ(calls.starts.size(), 1u);
    ASSERT_EQ(calls.finishes.size(), 1u);
    EXPECT_EQ(calls.starts[0], std::make_pair(3, static_cast<void *>(&object)));
    EXPECT_EQ(calls.finishes[0].first, 4);
    // A document that outlives the facade tells nobody.
    SgDocument *outside = SgDocument::Create();
    m_facade->SetDocument(outside);
    m_facade.reset();
    outside->NotifyTool(0, 5, nullptr);
    EXPECT_EQ(calls.starts.size(), 1u);
    SgDocument::Destroy(outside);
}
