// The command table: ids to entries, enable queries, state reports.
#include <set>

#include "engine/nodes/properties/SgCamera.h"
#include "engine/render/SgViewport.h"
#include "facade/CommandOperation.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using drevon::CDrevon;

namespace {

// What the host's toolbar heard: (state, command id) per call.
struct ToolbarLog {
    std::vector<std::pair<int, int>> checks;
    std::vector<std::pair<int, int>> images;
    std::vector<int> inits;
    int failInitFor = -1;
};

int Check(int state, int commandId, void *data)
{
    static_cast<ToolbarLog *>(data)->checks.emplace_back(state, commandId);
    return 1;
}
int Image(int state, int commandId, void *data)
{
    static_cast<ToolbarLog *>(data)->images.emplace_back(state, commandId);
    return 1;
}
int Init(int, int commandId, void *data)
{
    auto *log = static_cast<ToolbarLog *>(data);
    log->inits.push_back(commandId);
    return commandId == log->failInitFor ? 0 : 1;
}

class ButtonTableTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        m_facade->RegisterControlButtons(&Check, &Image, &Init, &m_toolbar);
    }
    ToolbarLog m_toolbar;
};

} // namespace

TEST_F(ButtonTableTest, ACommandRegisteredTwiceRunsTheLaterEntry)
{
    // 32888 is registered for button 14 and then for 17: the later one maps.
    EXPECT_EQ(m_facade->GetButtonIndex(32888), 17);
    ASSERT_NE(m_facade->GetButtonDataByIndex(14), nullptr);
    EXPECT_EQ(m_facade->GetButtonDataByIndex(14)->commandId, 32888) << "the earlier entry keeps its data";
    AddViewer();
    EXPECT_TRUE(m_facade->ApplyButton(32888));
    // Button 17 starts the spline tool and is checked.
    EXPECT_EQ(m_facade->GetCreation().GetCreationButton(), 17);
    EXPECT_EQ(m_states.Last(17), 1);
    EXPECT_NE(m_facade->GetCreation().GetActiveTool(), nullptr);
}

TEST_F(ButtonTableTest, IdsOutsideTheTableAreIgnoredAndDisabled)
{
    SgDiagCapture capture;
    const int outside[] = {0, -1, 32767, 32768 + CDrevon::kButtonMapSize, 32768 + 100000, INT32_MIN, INT32_MAX};
    for (int id : outside) {
        EXPECT_FALSE(m_facade->ApplyButton(id)) << id;
        EXPECT_FALSE(m_facade->ApplyUpdate(id)) << id;
        EXPECT_EQ(m_facade->GetButtonData(id), nullptr) << id;
    }
    // Inside the range but not registered.
    EXPECT_FALSE(m_facade->ApplyButton(32780));
    EXPECT_FALSE(m_facade->ApplyUpdate(32780));
}

TEST_F(ButtonTableTest, RegistrationRefusesIndicesAndIdsOutsideTheTable)
{
    SgDiagCapture capture;
    EXPECT_FALSE(m_facade->SetButtonStateCB(CDrevon::kButtonCount, nullptr, nullptr, 32800, 1,
                                            &drevon::Operation<&drevon::Creation::NullTool>, nullptr, nullptr));
    EXPECT_FALSE(m_facade->SetButtonStateCB(-1, nullptr, nullptr, 32800, 1, &drevon::Operation<&drevon::Creation::NullTool>,
                                            nullptr, nullptr));
    EXPECT_FALSE(m_facade->SetButtonStateCB(5, nullptr, nullptr, 32768 + CDrevon::kButtonMapSize, 1,
                                            &drevon::Operation<&drevon::Creation::NullTool>, nullptr, nullptr));
    EXPECT_EQ(capture.Count("Facade"), 3);
}

TEST_F(ButtonTableTest, EveryCommandOfTheRangeRunsOrIsDisabled)
{
    // The last command of the range, button 132's, is routed like the others.
    EXPECT_EQ(m_facade->GetButtonIndex(CDrevon::kLastCommandId), 132);
    for (int id = CDrevon::kFirstCommandId; id <= CDrevon::kLastCommandId; ++id) {
        const CDrevon::ButtonData *entry = m_facade->GetButtonData(id);
        if (!entry || !entry->apply) {
            EXPECT_FALSE(m_facade->ApplyUpdate(id)) << "command " << id << " does nothing but is enabled";
        }
    }
}

TEST_F(ButtonTableTest, UpdatePredicatesFollowTheSelectionAndUndo)
{
    // Undo (98) and redo (99) before and after one change and its undo.
    EXPECT_FALSE(m_facade->ApplyUpdate(32821));
    EXPECT_FALSE(m_facade->ApplyUpdate(32822));
    m_facade->GetCreation().OnCreateGrid(74);
    EXPECT_TRUE(m_facade->ApplyUpdate(32821)) << "the new grid is no undo step";
    m_facade->ApplyButton(32821);
    EXPECT_TRUE(m_facade->ApplyUpdate(32822));
    // Delete (102) needs a selection; group (100) two objects.
    EXPECT_FALSE(m_facade->ApplyUpdate(32797));
    EXPECT_FALSE(m_facade->ApplyUpdate(32796));
}

TEST_F(ButtonTableTest, PostProcessGoesOnPastAFailingInit)
{
    // Button 38's init fails: button 72, later in the table, still shows its state.
    m_toolbar.failInitFor = 32768;
    AddViewer();
    SgDiagCapture capture;
    m_facade->postProcessButtons();
    EXPECT_EQ(m_toolbar.inits, (std::vector<int>{32768, 32790}));
    EXPECT_TRUE(capture.Contains("could not be set up")) << capture.GetText();
    const int perspective = m_facade->GetCurrentViewer()->GetViewport(0)->GetCamera()->m_perspective.Get();
    EXPECT_EQ(m_states.Last(72), perspective != 0 ? 1 : 0);
}

TEST_F(ButtonTableTest, PostProcessShowsTheModeAndTheProjection)
{
    AddViewer();
    m_facade->GetCreation().TogleTransformToolMode(2);
    m_states.changes.clear();
    m_facade->postProcessButtons();
    EXPECT_EQ(m_states.Last(38), 2);
    ASSERT_FALSE(m_toolbar.images.empty());
    EXPECT_EQ(m_toolbar.images.front(), std::make_pair(2, 32768));
}

TEST_F(ButtonTableTest, StatesReachTheEntrysCallbackAndTheHost)
{
    m_facade->SetButtonState(1, 50, true);
    EXPECT_EQ(m_toolbar.checks.back(), std::make_pair(1, 32793));
    EXPECT_EQ(m_states.Last(50), 1);
    EXPECT_EQ(m_facade->GetCheckedButton(), 50);
    m_facade->SetButtonState(0, 50, true);
    EXPECT_EQ(m_facade->GetCheckedButton(), 0);
}

TEST_F(ButtonTableTest, EntryWithoutCommandIsReachedOnlyByIndex)
{
    const CDrevon::ButtonData *entry = m_facade->GetButtonDataByIndex(95);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->commandId, -1);
    m_facade->GetCreation().NullTool(95);
    EXPECT_EQ(m_states.Last(95), 0);
}
