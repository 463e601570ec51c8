// The control's docking panes without a window: ToolBarConfig at start-up,
// the H key's toggle, OpenDialog's single panes, and the scene-tree pane's
// sizes kept in the settings file with their minimums.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "control/FennixControl.h"
#include "control/FennixPanes.h"
#include "control/FennixPropertyPage.h"
#include "facade/CDrevon.h"
#include "platform/Settings.h"
#include "tests/control/ControlTestSupport.h"

using namespace fennix;

namespace {

// Panes as a window would show them, with a count of layouts asked for.
class FakePanes : public DockPanes::PaneView {
public:
    bool HasPane(int slot) const override { return slot >= 0 && slot < DockPanes::kSlotCount && present[slot]; }
    bool IsPaneShown(int slot) const override { return shown[slot]; }
    void ShowPane(int slot, bool show) override
    {
        shown[slot] = show;
        ++changes;
    }
    void PanesChanged() override { ++layouts; }

    bool present[DockPanes::kSlotCount] = {true, true, true, true};
    bool shown[DockPanes::kSlotCount] = {true, true, true, true};
    int changes = 0;
    int layouts = 0;
};

std::string Shown(const FakePanes &panes)
{
    std::string text;
    for (bool shown : panes.shown)
        text += shown ? '1' : '0';
    return text;
}

} // namespace

TEST(DockPanesTest, ToolBarConfigZeroStartsWithEveryPaneHiddenAndOneToggleShowsThemAll)
{
    FakePanes panes;
    DockPanes docks(panes);
    docks.Start(0);
    EXPECT_EQ(Shown(panes), "0000");
    EXPECT_FALSE(docks.ArePanesShown());
    docks.ShowAllDocable(-1);
    EXPECT_EQ(Shown(panes), "1111");

    // Any other value shows them all, also panes hidden before.
    for (int config : {1, -1, 7, 0x40000000}) {
        FakePanes other;
        other.shown[1] = other.shown[3] = false;
        DockPanes otherDocks(other);
        otherDocks.Start(config);
        EXPECT_EQ(Shown(other), "1111") << config;
        EXPECT_TRUE(otherDocks.ArePanesShown());
    }
}

TEST(DockPanesTest, ToggleTwiceRestoresExactlyThePanesThatWereVisible)
{
    // (Visible before) for a few mixes, the tree pane among them.
    for (const char *before : {"1111", "1010", "0001", "0000", "0110"}) {
        FakePanes panes;
        for (int slot = 0; slot < DockPanes::kSlotCount; ++slot)
            panes.shown[slot] = before[slot] == '1';
        DockPanes docks(panes);
        docks.ShowAllDocable(-1);
        EXPECT_EQ(Shown(panes), "0000") << before;
        docks.ShowAllDocable(-1);
        EXPECT_EQ(Shown(panes), before);
    }
}

TEST(DockPanesTest, ShowAllThenToggleHidesWhatShowAllShowed)
{
    FakePanes panes;
    DockPanes docks(panes);
    docks.Start(0);
    // S shows all; H then hides them instead of showing a remembered set.
    docks.ShowAllDocable(1);
    EXPECT_EQ(Shown(panes), "1111");
    docks.ShowAllDocable(-1);
    EXPECT_EQ(Shown(panes), "0000");
}

TEST(DockPanesTest, OpenPaneTogglesOneSlotAndLeavesOtherValues)
{
    FakePanes panes;
    DockPanes docks(panes);
    EXPECT_TRUE(docks.OpenPane(20));
    EXPECT_EQ(Shown(panes), "1110");
    EXPECT_TRUE(docks.OpenPane(22));
    EXPECT_EQ(Shown(panes), "1010");
    EXPECT_TRUE(docks.OpenPane(20));
    EXPECT_EQ(Shown(panes), "1011");
    EXPECT_TRUE(docks.OpenPane(24));
    EXPECT_EQ(Shown(panes), "0000");
    for (int other : {19, 25, 80, -1}) {
        const int changes = panes.changes;
        EXPECT_FALSE(docks.OpenPane(other)) << other;
        EXPECT_EQ(panes.changes, changes);
    }
}

TEST(DockPanesTest, MissingOrUnknownSlotsAreLeftAlone)
{
    FakePanes panes;
    panes.present[1] = false;
    DockPanes docks(panes);
    docks.ShowDockable(1, 0);
    docks.ShowDockable(4, 0);
    docks.ShowDockable(-1, 0);
    EXPECT_EQ(panes.changes, 0);
    EXPECT_EQ(panes.layouts, 0);
    docks.ShowAllDocable(-1);
    EXPECT_EQ(Shown(panes), "0100");
    docks.ShowAllDocable(-1);
    EXPECT_EQ(Shown(panes), "1111");
}

namespace {

// Settings in a folder of the test's own.
class BarSizesTest : public ::testing::Test {
protected:
    controltest::ConfigHomeOfItsOwn m_home{"fennix-bars"};
};

} // namespace

TEST_F(BarSizesTest, SavedSizesComeBackUnderTheirSection)
{
    BarSizes sizes;
    sizes.Set(BarSizes::kHorz, {310, 90});
    sizes.Set(BarSizes::kVert, {150, 400});
    sizes.Set(BarSizes::kFloat, {260, 330});
    ASSERT_TRUE(sizes.Save("Fennix", 1234));

    // The file holds the keys under the section of the profile and the id.
    std::ifstream in(Settings::FilePath());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Fennix-SCBar-1234.sizeVertCX=150"), std::string::npos) << text;
    EXPECT_NE(text.find("Fennix-SCBar-1234.sizeFloatCY=330"), std::string::npos) << text;

    BarSizes read;
    read.Load("Fennix", 1234);
    EXPECT_EQ(read.Get(BarSizes::kHorz), (BarSizes::Size{310, 90}));
    EXPECT_EQ(read.Get(BarSizes::kVert), (BarSizes::Size{150, 400}));
    EXPECT_EQ(read.Get(BarSizes::kFloat), (BarSizes::Size{260, 330}));
    // Another id is another section: nothing there, the defaults stay.
    BarSizes other;
    other.Load("Fennix", 1235);
    EXPECT_EQ(other.Get(BarSizes::kFloat), (BarSizes::Size{200, 300}));
}

TEST_F(BarSizesTest, AValueBelowItsMinimumOrNoSizeAtAllIsIgnored)
{
    BarSizes sizes;
    sizes.Set(BarSizes::kHorz, {300, 100});
    sizes.Set(BarSizes::kVert, {120, 250});
    // (key, text written by hand) -> the size stays as it was.
    const char *const bad[][2] = {
        {"sizeHorzCX", "42"},   // under 43
        {"sizeHorzCY", "31"},   // under 32
        {"sizeVertCX", "32"},   // under 33
        {"sizeVertCY", "-5"},
        {"sizeFloatCX", "36"},  // under 37
        {"sizeFloatCY", "12x"},
    };
    for (const auto &entry : bad)
        Settings::Set(std::string("Fennix-SCBar-1234.") + entry[0], entry[1]);
    sizes.Load("Fennix", 1234);
    EXPECT_EQ(sizes.Get(BarSizes::kHorz), (BarSizes::Size{300, 100}));
    EXPECT_EQ(sizes.Get(BarSizes::kVert), (BarSizes::Size{120, 250}));
    EXPECT_EQ(sizes.Get(BarSizes::kFloat), (BarSizes::Size{200, 300}));

    // At the minimum counts; past the largest size does not.
    Settings::Set("Fennix-SCBar-1234.sizeHorzCX", "43");
    Settings::Set("Fennix-SCBar-1234.sizeVertCY", "99999999999");
    sizes.Load("Fennix", 1234);
    EXPECT_EQ(sizes.Get(BarSizes::kHorz), (BarSizes::Size{43, 100}));
    EXPECT_EQ(sizes.Get(BarSizes::kVert), (BarSizes::Size{120, 250}));
}

TEST_F(BarSizesTest, SizesSetBelowTheMinimumAreRaisedToIt)
{
    BarSizes sizes;
    sizes.Set(BarSizes::kVert, {5, -20});
    EXPECT_EQ(sizes.Get(BarSizes::kVert), BarSizes::kMinVert);
    sizes.Set(BarSizes::kFloat, {10, 500});
    EXPECT_EQ(sizes.Get(BarSizes::kFloat), (BarSizes::Size{37, 500}));
    // A profile name that cannot name a key is refused, not thrown.
    EXPECT_FALSE(sizes.Save("bad=name", 1));
}

// ---- the property page's rows ----------------------------------------------------

TEST(PropertyPageTest, RowsShowThePropertiesAndEditsGoThroughTheirTypes)
{
    FennixControl control;
    control.Properties().cookies = "a=b";
    control.Properties().toolBarConfig = 5;
    std::vector<PropertyRow> rows = PropertyRows(control);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_STREQ(rows[0].name, "FileName");
    EXPECT_EQ(rows[1].text, "a=b");
    EXPECT_EQ(rows[3].text, std::to_string(0xFFFF));
    EXPECT_EQ(rows[5].text, "5");

    // (row, text) -> accepted, and the property afterwards.
    EXPECT_TRUE(SetPropertyText(control, rows[5], "0").ok);
    EXPECT_EQ(control.Properties().toolBarConfig, 0);
    EXPECT_TRUE(SetPropertyText(control, rows[4], "-1").ok);
    EXPECT_EQ(control.Properties().clientFrame, -1);
    EXPECT_TRUE(SetPropertyText(control, rows[1], "x=1; y=2").ok);
    EXPECT_EQ(control.Properties().cookies, "x=1; y=2");
    for (const char *bad : {"", "12a", "0x", "seven", "0x-5", "99999999999999999999"}) {
        EXPECT_FALSE(SetPropertyText(control, rows[5], bad).ok) << bad;
        EXPECT_EQ(control.Properties().toolBarConfig, 0) << bad;
    }
    // A short property refuses a number it cannot hold.
    EXPECT_FALSE(SetPropertyText(control, rows[4], "70000").ok);
    EXPECT_EQ(control.Properties().clientFrame, -1);
}

// ---- the dispatch table's pane values, through the facade to the window's panes --

namespace {

class PaneDispatchTest : public controltest::ControlTest {};

} // namespace

TEST_F(PaneDispatchTest, OpenDialogTogglesOnePaneOrAllOfThemThroughTheFacade)
{
    Create();
    drevon::CDrevon *facade = m_control.GetFacade();
    // Without a window's panes the values do nothing and say nothing.
    EXPECT_TRUE(m_control.Call("OpenDialog", {DispValue::Int(20), DispValue::Str("")}).ok);

    FakePanes panes;
    DockPanes docks(panes);
    drevon::HostSubscription slotToken =
        facade->GetHostEvents().SubscribeDockableSlot([&](int slot, int show) { docks.ShowDockable(slot, show); });
    drevon::HostSubscription allToken = facade->GetHostEvents().SubscribeDockable([&](int how) { docks.ShowAllDocable(how); });
    // (value) -> the panes shown afterwards: 20 the tree, 21-23 the toolbars, 24 all.
    const std::pair<int, const char *> steps[] = {
        {20, "1110"}, {21, "0110"}, {23, "0100"}, {22, "0000"}, {24, "0000"}, {24, "0000"}, {20, "0001"}, {24, "0000"},
        {24, "0001"},
    };
    for (const auto &[value, shown] : steps) {
        EXPECT_TRUE(m_control.Call("OpenDialog", {DispValue::Int(value), DispValue::Str("")}).ok) << value;
        EXPECT_EQ(Shown(panes), shown) << value;
    }
    // Other values leave the panes alone.
    const int changes = panes.changes;
    EXPECT_TRUE(m_control.Call("OpenDialog", {DispValue::Int(19), DispValue::Str("")}).ok);
    EXPECT_TRUE(m_control.Call("OpenDialog", {DispValue::Int(25), DispValue::Str("")}).ok);
    EXPECT_EQ(panes.changes, changes);
    slotToken.Reset();
    allToken.Reset();
}
