// The modeller window's command table: every entry reaches an operation or
// shows disabled, the usual keys are there, check states follow the facade.
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "control/FennixDispatch.h"
#include "facade/CommandRecord.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using namespace drevon;
using namespace drevon::cmd;

namespace {

class RecordingActions : public CommandWindow {
public:
    void Print() override { ++printed; }
    void Exit() override { ++exited; }
    void ShowToolbar(Toolbar toolbar, bool show) override { shown[toolbar] = show; }
    bool IsToolbarShown(Toolbar toolbar) const override { return shown[toolbar]; }
    void About() override { ++abouts; }
    void ShowSceneTree(bool show) override { treeShown = show; }
    bool IsSceneTreeShown() const override { return treeShown; }

    bool treeShown = false;
    int printed = 0;
    int exited = 0;
    int abouts = 0;
    bool shown[kToolbarCount] = {true, true, true};
};

class CommandTableTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        m_facade->GetButtons().RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);
        AddViewer();
        auto *object = new SgObject(true, true);
        object->AddChild(new SgSphere);
        m_facade->GetRoot()->AddChild(object);
    }
    RecordingActions m_actions;
};

} // namespace

TEST_F(CommandTableTest, EveryEntryMapsToAFacadeEntryOrAHostCommand)
{
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    int menuCount = 0;
    const char *const *menus = GetMenus(menuCount);
    const std::set<std::string> menuNames(menus, menus + menuCount);
    EXPECT_EQ(menuNames, (std::set<std::string>{"File", "Edit", "View", "Create", "Modify", "Selection", "Window", "Help"}));
    std::set<int> ids;
    std::set<std::string> used;
    for (int i = 0; i < count; ++i) {
        const CommandRecord &entry = commands[i];
        if (!entry.menu)
            continue;
        EXPECT_TRUE(ids.insert(entry.id).second) << "command " << entry.id << " is listed twice";
        EXPECT_TRUE(menuNames.count(entry.menu)) << entry.label << " is in no menu of the bar";
        used.insert(entry.menu);
        if (!IsWindowCommand(entry.id)) {
            EXPECT_GE(m_facade->GetButtons().GetButtonIndex(entry.id), 0) << entry.label << " (" << entry.id << ") reaches nothing";
        }
        EXPECT_TRUE(entry.glyph != Glyph::Art || (entry.art && std::string(entry.art).rfind("wxART_", 0) == 0))
            << entry.label;
    }
    EXPECT_EQ(used, menuNames) << "a menu of the bar is empty";
}

// A toolbar button shows a picture of its shape or tool (or the desktop's
// icon of its action) and says what it does when hovered: never letters.
TEST_F(CommandTableTest, EveryToolbarButtonHasAPictureAndATooltip)
{
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    int buttons = 0;
    for (int i = 0; i < count; ++i) {
        const CommandRecord &entry = commands[i];
        if (entry.toolbar == kNoToolbar)
            continue;
        ++buttons;
        EXPECT_NE(entry.glyph, Glyph::Text) << entry.label << " shows letters";
        EXPECT_NE(entry.glyph, Glyph::View) << entry.label << " shows letters";
        EXPECT_TRUE(entry.tooltip && *entry.tooltip) << entry.label << " has no tooltip";
    }
    EXPECT_GT(buttons, 20);
}

TEST_F(CommandTableTest, EveryEnabledEntryRunsItsOperation)
{
    ScriptedChooser chooser;  // every file request is cancelled
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    for (int i = 0; i < count; ++i) {
        const CommandRecord &entry = commands[i];
        if (!entry.menu)
            continue;
        m_facade->GetSelectionEditing().ChangeSelection(0);
        if (IsCommandEnabled(entry.id, *m_facade)) {
            EXPECT_TRUE(RunCommand(entry.id, *m_facade, m_actions)) << entry.label << " is enabled but does nothing";
        }
    }
    EXPECT_EQ(m_actions.exited, 1);
    EXPECT_EQ(m_actions.abouts, 1);
    // An id the table does not hold runs nothing.
    EXPECT_FALSE(RunCommand(kLastWindowCommand + 1, *m_facade, m_actions));
    EXPECT_FALSE(RunCommand(32780, *m_facade, m_actions));
}

TEST_F(CommandTableTest, TheUsualCommandsHaveTheUsualKeys)
{
    const struct {
        int id;
        const char *key;
    } cases[] = {{32821, "Ctrl+Z"}, {32822, "Ctrl+Y"},  {32797, "Delete"}, {kSelectAll, "Ctrl+A"},
                 {kShowAll, "Home"}, {32770, "Ctrl+O"}, {32783, "Ctrl+S"}, {kExit, "Ctrl+Q"}};
    std::set<std::string> keys;
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    for (int i = 0; i < count; ++i)
        if (commands[i].accelerator) {
            EXPECT_TRUE(keys.insert(commands[i].accelerator).second) << commands[i].accelerator << " is used twice";
        }
    for (const auto &c : cases) {
        const CommandRecord *entry = FindCommand(c.id);
        ASSERT_NE(entry, nullptr) << c.id;
        ASSERT_NE(entry->accelerator, nullptr) << entry->label;
        EXPECT_STREQ(entry->accelerator, c.key) << entry->label;
    }
}

TEST_F(CommandTableTest, CheckStatesFollowTheActiveToolAndNavigation)
{
    ASSERT_TRUE(RunCommand(32933, *m_facade, m_actions));  // move arrows
    EXPECT_TRUE(IsCommandChecked(32933, *m_facade, m_actions));
    EXPECT_FALSE(IsCommandChecked(32925, *m_facade, m_actions));
    ASSERT_TRUE(RunCommand(32925, *m_facade, m_actions));  // trackball
    EXPECT_FALSE(IsCommandChecked(32933, *m_facade, m_actions));
    EXPECT_TRUE(IsCommandChecked(32925, *m_facade, m_actions));
    ASSERT_TRUE(RunCommand(32772, *m_facade, m_actions));  // sphere creation
    EXPECT_TRUE(IsCommandChecked(32772, *m_facade, m_actions));
    ASSERT_TRUE(RunCommand(32928, *m_facade, m_actions));  // pan
    EXPECT_TRUE(IsCommandChecked(32928, *m_facade, m_actions));
    EXPECT_FALSE(IsCommandChecked(32793, *m_facade, m_actions));
    EXPECT_FALSE(IsCommandChecked(32772, *m_facade, m_actions)) << "the creation button stays checked while panning";
}

TEST_F(CommandTableTest, ToolbarEntriesToggleTheirToolbar)
{
    EXPECT_TRUE(IsCommandChecked(kViewToolbarShown, *m_facade, m_actions));
    RunCommand(kViewToolbarShown, *m_facade, m_actions);
    EXPECT_FALSE(m_actions.shown[kViewToolbar]);
    EXPECT_FALSE(IsCommandChecked(kViewToolbarShown, *m_facade, m_actions));
}

TEST_F(CommandTableTest, SceneTreeEntryTogglesThePane)
{
    EXPECT_FALSE(IsCommandChecked(kSceneTreePane, *m_facade, m_actions));
    EXPECT_TRUE(RunCommand(kSceneTreePane, *m_facade, m_actions));
    EXPECT_TRUE(m_actions.treeShown);
    EXPECT_TRUE(IsCommandChecked(kSceneTreePane, *m_facade, m_actions));
    RunCommand(kSceneTreePane, *m_facade, m_actions);
    EXPECT_FALSE(m_actions.treeShown);
}

TEST_F(CommandTableTest, CreateOptionNamesTheFacadesCreationCommands)
{
    EXPECT_EQ(m_facade->GetButtons().GetButtonIndex(CreationCommand("sphere")), 1);
    EXPECT_EQ(m_facade->GetButtons().GetButtonIndex(CreationCommand("box")), 2);
    EXPECT_EQ(m_facade->GetButtons().GetButtonIndex(CreationCommand("cylinder")), 3);
    EXPECT_EQ(CreationCommand("teapot"), 0);
}

TEST_F(CommandTableTest, MnemonicsAreUniqueWithinEachMenu)
{
    // Two items of one menu with the same letter make the key select rather
    // than choose, so a keyboard user could not reach either at once.
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    // Per menu or submenu; a submenu's own label counts in its menu.
    std::map<std::string, std::set<char>> letters;
    std::set<std::string> submenus;
    auto take = [&letters](const std::string &where, const char *label) {
        const char *amp = std::strchr(label, '&');
        if (!amp || !amp[1])
            return;
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(amp[1])));
        EXPECT_TRUE(letters[where].insert(letter).second) << where << " > " << label << " repeats the letter " << letter;
    };
    for (int i = 0; i < count; ++i) {
        const CommandRecord &record = commands[i];
        if (!record.menu)
            continue;
        std::string where = record.menu;
        if (record.submenu) {
            if (submenus.insert(where + " > " + record.submenu).second)
                take(where, record.submenu);
            where += std::string(" > ") + record.submenu;
        }
        take(where, record.label);
    }
}

TEST_F(CommandTableTest, EveryRecordIsWholeAndNamesWhatReachesIt)
{
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    std::map<int, int> keyOwners;
    for (int i = 0; i < count; ++i) {
        const CommandRecord &record = commands[i];
        const std::string name = record.label ? record.label : std::to_string(record.id);
        if (record.menu) {
            EXPECT_TRUE(record.label && *record.label) << record.id << " shows in a menu without a label";
            EXPECT_TRUE(record.tooltip && *record.tooltip) << name << " has no tooltip";
        }
        // A command runs one way: through the facade's table or its own function.
        EXPECT_FALSE(record.button != kNoButton && record.run) << name << " has a button and a function";
        EXPECT_EQ(IsWindowCommand(record.id), record.run != nullptr) << name << " runs outside its id's range";
        if (record.script) {
            EXPECT_NE(fennix::FindEntry(record.script), nullptr) << name << " names no dispatch method " << record.script;
        }
        for (int key : record.keys)
            if (key != 0) {
                EXPECT_TRUE(keyOwners.emplace(key, record.id).second)
                    << "key " << key << " runs " << record.id << " and " << keyOwners[key];
            }
    }
    // The records reach the viewer's keys, menus and scripts alike.
    EXPECT_EQ(keyOwners.count(46), 1u) << "Delete";
    EXPECT_STREQ(FindCommand(kDelete)->script, "DeleteOperation");
}

TEST_F(CommandTableTest, DialogCommandsOpenTheirNamedDialog)
{
    const struct {
        int id;
        int dialog;
    } cases[] = {{kMaterial, kColorDialog}, {kTexture, kTextureDialog}, {kLight, kLightDialog},
                 {kAlign, kAlignDialog},    {kSceneTree, kSceneTreeDialog}, {kAnimation, kAnimationDialog},
                 {kDisplay, kDisplayDialog}, {kFont, kFontDialog},   {kTextAlongPath, kTextWrapperDialog},
                 {kLayers, kLayersDialog}};
    for (const auto &c : cases) {
        const CommandRecord *record = FindCommand(c.id);
        ASSERT_NE(record, nullptr) << c.id;
        EXPECT_EQ(record->button, c.dialog) << record->label;
        EXPECT_EQ(m_facade->GetButtons().GetButtonIndex(c.id), c.dialog) << record->label;
    }
}

TEST_F(CommandTableTest, ACommandMarkedOneUndoStepIsUndoneByOneUndo)
{
    ScriptedChooser chooser;  // file requests are cancelled
    auto *second = new SgObject(true, true);
    second->AddChild(new SgSphere);
    m_facade->GetRoot()->AddChild(second);
    int count = 0;
    const CommandRecord *commands = GetCommands(count);
    int changed = 0;
    for (int i = 0; i < count; ++i) {
        const CommandRecord &record = commands[i];
        if (!record.undoStep || !record.menu)
            continue;
        // Known fault, left open: the transform sensors these two add to the
        // objects they tie stay after the undo (the rest of the step goes).
        if (record.id == kRubberLine || record.id == kAnnotation)
            continue;
        m_facade->GetSelectionEditing().ChangeSelection(0);
        const std::string before = m_facade->GetFiles().SaveToStringFix();
        if (!IsCommandEnabled(record.id, *m_facade) || !RunCommand(record.id, *m_facade, m_actions))
            continue;
        // A creation tool or a dialog may still be running: end it first.
        m_facade->GetCreation().DeleteActiveTool();
        if (m_facade->GetFiles().SaveToStringFix() == before)
            continue;  // nothing this selection allows
        ++changed;
        m_facade->GetSelectionEditing().Undo(false);
        EXPECT_EQ(m_facade->GetFiles().SaveToStringFix(), before) << record.label << " took more than one undo step";
    }
    EXPECT_GT(changed, 5) << "too few commands changed the scene to tell anything";
}
