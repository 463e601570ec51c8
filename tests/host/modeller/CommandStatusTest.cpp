// What the modeller's status line says after a command: every menu entry is
// either disabled or, run, acts or says why it could not.
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/CommandRecord.h"
#include "facade/CommandStatus.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using namespace drevon;
using namespace drevon::cmd;

namespace {

class QuietWindow : public CommandWindow {
public:
    void Print() override {}
    void Exit() override { ++exits; }
    void ShowToolbar(Toolbar toolbar, bool show) override { shown[toolbar] = show; }
    bool IsToolbarShown(Toolbar toolbar) const override { return shown[toolbar]; }
    void About() override {}
    int exits = 0;
    bool shown[kToolbarCount] = {true, true, true};
};

// Keeps every message a command would show in a box.
class CountingNotifier : public Notifier {
public:
    int Message(const std::string &text, const std::string &, Buttons buttons, Icon) override
    {
        texts.push_back(text);
        return DefaultAnswer(buttons);
    }
    std::vector<std::string> texts;
};

class CommandStatusTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        m_previous = SetNotifier(&m_notifier);
        m_facade->GetButtons().RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);
        AddViewer();
        for (int i = 0; i < 2; ++i) {
            auto *object = new SgObject(true, true);
            object->AddChild(new SgSphere);
            m_facade->GetRoot()->AddChild(object);
        }
        m_facade->GetFiles().MarkSaved();
    }
    void TearDown() override
    {
        SetNotifier(m_previous);
        FacadeTest::TearDown();
    }
    CountingNotifier m_notifier;
    Notifier *m_previous = nullptr;
    QuietWindow m_window;
};

} // namespace

TEST_F(CommandStatusTest, WhatCannotActOnNothingSelectedIsDisabledAndSaysWhatItNeeds)
{
    const int cases[] = {kRoof,      kWrapAlongCurve, kScatter,   kConvertToMesh, kEditVertices,
                         kEditEdges, kEditFaces,      kExtrudeFaces, kInsetFaces, kCrease,
                         kUncrease,  kBridge,         kTransformTarget};
    m_facade->GetSelectionEditing().ChangeSelection(1);
    for (int id : cases) {
        const CommandRecord *record = FindCommand(id);
        ASSERT_NE(record, nullptr) << id;
        EXPECT_FALSE(IsCommandEnabled(id, *m_facade)) << record->label << " is enabled with nothing selected";
        const std::string before = m_facade->GetFiles().SaveToStringFix();
        const CommandReport report = RunCommandReported(id, *m_facade, m_window);
        EXPECT_TRUE(report.refused && !report.ran) << record->label;
        ASSERT_NE(record->needs, nullptr) << record->label << " cannot say what it needs";
        EXPECT_EQ(report.text, PlainLabel(record->label) + ": " + record->needs);
        EXPECT_EQ(m_facade->GetFiles().SaveToStringFix(), before) << record->label;
    }
}

TEST_F(CommandStatusTest, EveryMenuEntryIsDisabledOrActsOrSaysWhyNot)
{
    ScriptedChooser chooser;  // every file request is cancelled
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    // 0: everything selected, 1: nothing.
    for (int how : {0, 1}) {
        for (int i = 0; i < count; ++i) {
            const CommandRecord &record = commands[i];
            if (!record.menu)
                continue;
            m_facade->GetSelectionEditing().ChangeSelection(how);
            const std::string before = m_facade->GetFiles().SaveToStringFix();
            const bool enabled = IsCommandEnabled(record.id, *m_facade);
            const CommandReport report = RunCommandReported(record.id, *m_facade, m_window);
            const std::string name = std::string(record.label) + (how == 0 ? " (all selected)" : " (none selected)");
            EXPECT_EQ(report.text.rfind(PlainLabel(record.label) + ": ", 0), 0u) << name << " said " << report.text;
            EXPECT_GT(report.text.size(), PlainLabel(record.label).size() + 2) << name << " said nothing";
            if (!enabled) {
                EXPECT_TRUE(report.refused && !report.ran) << name;
                continue;
            }
            EXPECT_TRUE(report.ran) << name << " is enabled and reached nothing";
            const bool textChanged = m_facade->GetFiles().SaveToStringFix() != before;
            // A command of the scene either changed it or says why not; one
            // that says it refused left the scene alone.
            if (record.undoStep) {
                EXPECT_TRUE(report.changed || report.refused) << name << " did nothing and said " << report.text;
            }
            if (report.refused) {
                EXPECT_FALSE(textChanged) << name << " refused but changed the scene";
            }
            m_facade->GetCreation().DeleteActiveTool();
            m_facade->GetDialogs().CloseAll();
            if (report.changed && record.id != kUndo && record.id != kRedo)
                m_facade->GetSelectionEditing().Undo(false);
        }
    }
    EXPECT_EQ(m_window.exits, 2);
}

TEST_F(CommandStatusTest, ARefusalReachesTheStatusInsteadOfABox)
{
    // Nothing is recorded: playing says so.
    const CommandReport report = RunCommandReported(kPlay, *m_facade, m_window);
    EXPECT_TRUE(report.refused);
    EXPECT_EQ(report.text, "Play Animation: There is nothing to play: the scene has no animation");
    EXPECT_TRUE(m_notifier.texts.empty()) << m_notifier.texts.front();
}

TEST_F(CommandStatusTest, NewSceneOnUnsavedChangesAsksAndKeepsThemWhenTheAnswerIsNo)
{
    m_facade->GetSelectionEditing().ChangeSelection(0);
    ASSERT_TRUE(RunCommand(kDelete, *m_facade, m_window));
    const std::string edited = m_facade->GetFiles().SaveToStringFix();
    ASSERT_TRUE(m_facade->GetFiles().IsModified());
    RunCommandReported(kNewScene, *m_facade, m_window);  // the counting notifier answers No
    ASSERT_EQ(m_notifier.texts.size(), 1u);
    EXPECT_EQ(m_facade->GetFiles().SaveToStringFix(), edited);
    m_facade->GetFiles().MarkSaved();
    RunCommandReported(kNewScene, *m_facade, m_window);
    EXPECT_EQ(m_notifier.texts.size(), 1u) << "a saved scene is cleared unasked";
    EXPECT_EQ(m_facade->GetFiles().SaveToStringFix().find("Sphere"), std::string::npos) << "the scene was not cleared";
}

TEST_F(CommandStatusTest, ViewAndFrameEntriesActOnTheViewAndTheManipulators)
{
    EXPECT_TRUE(RunCommand(kFrameWorld, *m_facade, m_window));
    EXPECT_EQ(m_facade->GetCreation().GetTransformToolFrame(), 200);
    EXPECT_TRUE(IsCommandChecked(kFrameWorld, *m_facade, m_window));
    EXPECT_FALSE(IsCommandChecked(kFrameLocal, *m_facade, m_window));
    EXPECT_TRUE(RunCommand(kFrameScreen, *m_facade, m_window));
    EXPECT_EQ(m_facade->GetCreation().GetTransformToolFrame(), -1);
    EXPECT_FALSE(IsCommandChecked(kSnapToSurface, *m_facade, m_window));
    EXPECT_TRUE(RunCommand(kSnapToSurface, *m_facade, m_window));
    EXPECT_TRUE(IsCommandChecked(kSnapToSurface, *m_facade, m_window));
    const int flip = m_facade->GetViewing().GetFlipIndex();
    EXPECT_TRUE(RunCommand(kFlipViewDirection, *m_facade, m_window));
    EXPECT_EQ(m_facade->GetViewing().GetFlipIndex(), (flip + 1) % 3);
}
