// The command table: ids to entries, enable queries, state reports.
#include <set>

#include "engine/nodes/properties/SgCamera.h"
#include "engine/render/SgViewport.h"
#include "facade/CommandOperation.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using drevon::ButtonTable;

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
        Buttons().RegisterControlButtons(&Check, &Image, &Init, &m_toolbar);
    }
    ButtonTable &Buttons() { return m_facade->GetButtons(); }
    ToolbarLog m_toolbar;
};

} // namespace

TEST_F(ButtonTableTest, ACommandRegisteredTwiceRunsTheLaterEntry)
{
    // 32888 is registered for button 14 and then for 17: the later one maps.
    EXPECT_EQ(Buttons().GetButtonIndex(32888), 17);
    ASSERT_NE(Buttons().GetButtonDataByIndex(14), nullptr);
    EXPECT_EQ(Buttons().GetButtonDataByIndex(14)->commandId, 32888) << "the earlier entry keeps its data";
    AddViewer();
    EXPECT_TRUE(Buttons().ApplyButton(32888));
    // Button 17 starts the spline tool and is checked.
    EXPECT_EQ(m_facade->GetCreation().GetCreationButton(), 17);
    EXPECT_EQ(m_states.Last(17), 1);
    EXPECT_NE(m_facade->GetCreation().GetActiveTool(), nullptr);
}

TEST_F(ButtonTableTest, IdsOutsideTheTableAreIgnoredAndDisabled)
{
    SgDiagCapture capture;
    const int outside[] = {0, -1, 32767, 32768 + ButtonTable::kButtonMapSize, 32768 + 100000, INT32_MIN, INT32_MAX};
    for (int id : outside) {
        EXPECT_FALSE(Buttons().ApplyButton(id)) << id;
        EXPECT_FALSE(Buttons().ApplyUpdate(id)) << id;
        EXPECT_EQ(Buttons().GetButtonData(id), nullptr) << id;
    }
    // Inside the range but not registered.
    EXPECT_FALSE(Buttons().ApplyButton(32780));
    EXPECT_FALSE(Buttons().ApplyUpdate(32780));
}

TEST_F(ButtonTableTest, RegistrationRefusesIndicesAndIdsOutsideTheTable)
{
    SgDiagCapture capture;
    EXPECT_FALSE(Buttons().SetButtonStateCB(ButtonTable::kButtonCount, nullptr, nullptr, 32800, 1,
                                            &drevon::Operation<&drevon::Creation::NullTool>, nullptr, nullptr));
    EXPECT_FALSE(Buttons().SetButtonStateCB(-1, nullptr, nullptr, 32800, 1, &drevon::Operation<&drevon::Creation::NullTool>,
                                            nullptr, nullptr));
    EXPECT_FALSE(Buttons().SetButtonStateCB(5, nullptr, nullptr, 32768 + ButtonTable::kButtonMapSize, 1,
                                            &drevon::Operation<&drevon::Creation::NullTool>, nullptr, nullptr));
    EXPECT_EQ(capture.Count("Facade"), 3);
}

TEST_F(ButtonTableTest, EveryCommandOfTheRangeRunsOrIsDisabled)
{
    // The last command of the range, button 132's, is routed like the others.
    EXPECT_EQ(Buttons().GetButtonIndex(ButtonTable::kLastCommandId), 132);
    for (int id = ButtonTable::kFirstCommandId; id <= ButtonTable::kLastCommandId; ++id) {
        const ButtonTable::ButtonData *entry = Buttons().GetButtonData(id);
        if (!entry || !entry->apply) {
            EXPECT_FALSE(Buttons().ApplyUpdate(id)) << "command " << id << " does nothing but is enabled";
        }
    }
}

TEST_F(ButtonTableTest, UpdatePredicatesFollowTheSelectionAndUndo)
{
    // Undo (98) and redo (99) before and after one change and its undo.
    EXPECT_FALSE(Buttons().ApplyUpdate(32821));
    EXPECT_FALSE(Buttons().ApplyUpdate(32822));
    m_facade->GetCreation().OnCreateGrid(74);
    EXPECT_TRUE(Buttons().ApplyUpdate(32821)) << "the new grid is no undo step";
    Buttons().ApplyButton(32821);
    EXPECT_TRUE(Buttons().ApplyUpdate(32822));
    // Delete (102) needs a selection; group (100) two objects.
    EXPECT_FALSE(Buttons().ApplyUpdate(32797));
    EXPECT_FALSE(Buttons().ApplyUpdate(32796));
}

TEST_F(ButtonTableTest, PostProcessGoesOnPastAFailingInit)
{
    // Button 38's init fails: button 72, later in the table, still shows its state.
    m_toolbar.failInitFor = 32768;
    AddViewer();
    SgDiagCapture capture;
    Buttons().postProcessButtons();
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
    Buttons().postProcessButtons();
    EXPECT_EQ(m_states.Last(38), 2);
    ASSERT_FALSE(m_toolbar.images.empty());
    EXPECT_EQ(m_toolbar.images.front(), std::make_pair(2, 32768));
}

TEST_F(ButtonTableTest, StatesReachTheEntrysCallbackAndTheHost)
{
    Buttons().SetButtonState(1, 50, true);
    EXPECT_EQ(m_toolbar.checks.back(), std::make_pair(1, 32793));
    EXPECT_EQ(m_states.Last(50), 1);
    EXPECT_EQ(Buttons().GetCheckedButton(), 50);
    Buttons().SetButtonState(0, 50, true);
    EXPECT_EQ(Buttons().GetCheckedButton(), 0);
}

TEST_F(ButtonTableTest, EntryWithoutCommandIsReachedOnlyByIndex)
{
    const ButtonTable::ButtonData *entry = Buttons().GetButtonDataByIndex(95);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->commandId, -1);
    m_facade->GetCreation().NullTool(95);
    EXPECT_EQ(m_states.Last(95), 0);
}
