#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/controls/SgTreeListModel.h"

namespace {

using Model = SgTreeListModel;
using Item = Model::Item;

// Six pixels a character: widths the tests can reckon with.
int Width(const std::string &text, bool) { return int(text.size()) * 6; }

// A list 200 x (header 20 + 10 rows of 16), one column of 120 and one of 60.
struct TreeList : testing::Test {
    Model list;
    void SetUp() override
    {
        list.SetMeasure(Width);
        list.SetFontMetrics(12, 10);
        list.SetItemHeight(16);
        list.InsertColumn(0, "Name", Model::kAlignLeft, 120);
        list.InsertColumn(1, "Value", Model::kAlignLeft, 60);
        list.SetHeaderHeight(20);
        list.SetClientSize(200, 20 + 10 * 16);
    }
    std::vector<Item> TopLevel(int count)
    {
        std::vector<Item> items;
        for (int k = 0; k < count; ++k)
            items.push_back(list.InsertItem("item" + std::to_string(k)));
        return items;
    }
};

struct IndentCase {
    int asked;
    int set;
};

TEST(TreeListIndent, IsKeptBetweenFiveAndSixtyFour)
{
    for (IndentCase c : {IndentCase{3, 5}, IndentCase{100, 64}, IndentCase{5, 5}, IndentCase{64, 64},
                         IndentCase{19, 19}}) {
        Model list;
        EXPECT_EQ(list.SetIndent(c.asked), c.set) << "asked " << c.asked;
        EXPECT_EQ(list.GetIndent(), c.set);
    }
}

TEST(TreeListColumns, TheThirtyThirdColumnIsRefused)
{
    Model list;
    for (int c = 0; c < Model::kMaxColumns; ++c)
        ASSERT_EQ(list.InsertColumn(c, "c", Model::kAlignLeft, 20), c);
    EXPECT_EQ(list.InsertColumn(Model::kMaxColumns, "one too many", Model::kAlignLeft, 20), -1);
    EXPECT_EQ(list.GetColumnCount(), Model::kMaxColumns);
}

TEST(TreeListColours, IndicesOutsideZeroToTenFail)
{
    Model list;
    EXPECT_EQ(list.SetColor(11, 0x123456), -1);
    EXPECT_EQ(list.GetColor(11), -1);
    EXPECT_EQ(list.SetColor(-1, 0x123456), -1);
    std::int64_t before = list.GetColor(10);
    EXPECT_EQ(list.SetColor(10, 0x00FF00), before);
    EXPECT_EQ(list.GetColor(10), 0x00FF00);
    // -1 returns the index to the system colour it follows.
    list.SetColor(10, -1);
    EXPECT_EQ(list.GetColor(10), list.GetSystemColours().infoBackground);
}

TEST(TreeListUserData, SizeIsFixedOnceItemsExist)
{
    Model list;
    EXPECT_EQ(list.SetUserDataSize(Model::kMaxUserDataSize + 1), -1);
    EXPECT_EQ(list.SetUserDataSize(8), 8);
    Item item = list.InsertItem("a");
    ASSERT_NE(list.GetUserData(item), nullptr);
    EXPECT_EQ(list.SetUserDataSize(16), 8);
    EXPECT_EQ(list.GetUserDataSize(), 8);
}

TEST_F(TreeList, RowsAndItemsAnswerNothingOutsideTheList)
{
    auto items = TopLevel(3);
    EXPECT_EQ(list.GetItemOfRow(2), items[2]);
    EXPECT_EQ(list.GetItemOfRow(3), 0u);
    EXPECT_EQ(list.GetRowOfItem(9999), -1);
    // A number that once named an item never names another.
    list.DeleteItem(items[1]);
    Item fresh = list.InsertItem("new");
    EXPECT_NE(fresh, items[1]);
    EXPECT_EQ(list.GetRowOfItem(items[1]), -1);
    EXPECT_EQ(list.GetItemText(items[1]), "");
}

TEST_F(TreeList, CollapsedChildrenHaveNoRowsAndExpandingShowsThem)
{
    Item parent = list.InsertItem("parent");
    Item child = list.InsertItem("child", parent);
    Item after = list.InsertItem("after");
    EXPECT_EQ(list.GetRowOfItem(child), -1);
    EXPECT_EQ(list.GetRowOfItem(after), 1);
    ASSERT_TRUE(list.Expand(parent, Model::kExpand));
    EXPECT_EQ(list.GetRowOfItem(child), 1);
    EXPECT_EQ(list.GetRowOfItem(after), 2);
}

TEST_F(TreeList, OneWheelNotchScrollsTwoRowsTowardTheTop)
{
    TopLevel(30);
    ASSERT_TRUE(list.SetFirstVisibleRow(10));
    EXPECT_EQ(list.MouseWheel(120, 0), 1);
    EXPECT_EQ(list.GetFirstVisibleRow(), 8);
    EXPECT_EQ(list.MouseWheel(-120, 0), 1);
    EXPECT_EQ(list.GetFirstVisibleRow(), 10);
    // With Shift or a button held the wheel is not ours.
    EXPECT_EQ(list.MouseWheel(120, 0x04), 0);
    EXPECT_EQ(list.GetFirstVisibleRow(), 10);
}

TEST_F(TreeList, ScrolledToTheEndOneEmptyRowShowsBelowTheLast)
{
    TopLevel(30);
    list.VScroll(Model::kBottom);
    EXPECT_EQ(list.GetFirstVisibleRow(), 30 - 10 + 1);
    list.MouseWheel(-1200, 0);
    EXPECT_EQ(list.GetFirstVisibleRow(), 21);
}

TEST_F(TreeList, EnsureVisibleWithMinusTwoMakesTheRowFirstAndMinusOneLast)
{
    auto items = TopLevel(30);
    EXPECT_EQ(list.EnsureVisible(items[15], -2), 1);
    EXPECT_EQ(list.GetFirstVisibleRow(), 15);
    list.SetFirstVisibleRow(0);
    EXPECT_EQ(list.EnsureVisible(items[15], -1), 1);
    EXPECT_EQ(list.GetFirstVisibleRow(), 15 - 10 + 1);
    EXPECT_EQ(list.EnsureVisible(9999, -1), -1);
}

TEST_F(TreeList, EnsureVisibleExpandsAncestorsAndAnswersZero)
{
    Item a = list.InsertItem("a");
    Item b = list.InsertItem("b", a);
    Item c = list.InsertItem("c", b);
    EXPECT_EQ(list.EnsureVisible(c, -1), 0);
    EXPECT_EQ(list.GetRowOfItem(c), 2);
    EXPECT_EQ(list.EnsureVisible(c, -1), 1);
}

TEST_F(TreeList, EnsureVisibleAnswersZeroWhenAnExpansionIsRefused)
{
    struct Refuser : Model::Listener {
        bool ItemExpanding(Item, unsigned) override { return true; }
    } refuser;
    Item a = list.InsertItem("a");
    Item b = list.InsertItem("b", a);
    list.SetListener(&refuser);
    EXPECT_EQ(list.EnsureVisible(b, -1), 0);
    EXPECT_EQ(list.GetRowOfItem(b), -1);
    list.SetListener(nullptr);
}

struct MarkCase {
    bool before;
    int markRow; // row of the mark when the item is in row 1 of three
};

TEST_F(TreeList, TheInsertMarkIsAnEmptyRowBeforeOrAfterTheItem)
{
    for (MarkCase c : {MarkCase{true, 1}, MarkCase{false, 2}}) {
        list.DeleteAllItems();
        auto items = TopLevel(3);
        Item mark = list.SetInsertMark(items[1], c.before);
        ASSERT_NE(mark, 0u);
        EXPECT_EQ(list.GetRowOfItem(mark), c.markRow) << (c.before ? "before" : "after");
        EXPECT_EQ(list.GetItemText(mark), "");
        EXPECT_EQ(list.GetItemBkColor(mark, 0), list.GetColor(Model::kColInsertMark));
        EXPECT_EQ(list.GetItemBkColor(mark, 1), list.GetColor(Model::kColInsertMark));
        EXPECT_EQ(list.GetRowCount(), 4);
        // Item 0 takes the mark away again.
        EXPECT_EQ(list.SetInsertMark(0, false), mark);
        EXPECT_EQ(list.GetRowCount(), 3);
        EXPECT_EQ(list.SetInsertMark(0, false), 0u);
    }
}

TEST_F(TreeList, AMarkDeletedWithItsParentIsForgotten)
{
    Item parent = list.InsertItem("parent");
    Item child = list.InsertItem("child", parent);
    list.Expand(parent, Model::kExpand);
    Item mark = list.SetInsertMark(child, false);
    ASSERT_NE(mark, 0u);
    Item other = list.InsertItem("other");
    list.DeleteItem(parent);
    EXPECT_EQ(list.GetInsertMark(), 0u);
    EXPECT_EQ(list.SetInsertMark(0, false), 0u);
    EXPECT_TRUE(list.Exists(other));
}

TEST_F(TreeList, ATextAsWideAsItsAreaMinusFourGetsATip)
{
    // Column 0 text part: boundary 1 = 119, left = indent 19 (level 0, no
    // lines at root) ... take the rectangle the list gives.
    Item item = list.InsertItem("x");
    Model::Rect rect;
    ASSERT_TRUE(list.GetItemRect(item, 0, true, rect));
    int area = rect.Width();
    ASSERT_GT(area, 10);
    // Texts whose widths are exactly area - 4 and area - 5 (the measure gives
    // six pixels a character, so measure through a table).
    list.SetMeasure([area](const std::string &text, bool) { return text == "wide" ? area - 4 : area - 5; });
    list.SetItemText(item, 0, "wide");
    unsigned flags = 0;
    Item hit = list.HitTest(rect.left + 3, rect.top + 3, &flags);
    ASSERT_EQ(hit, item);
    ASSERT_TRUE(flags & Model::kHtOnItemLabel);
    EXPECT_TRUE(list.UpdateToolTip(hit, flags).shown);
    EXPECT_EQ(list.GetToolTip().text, "wide");
    list.SetItemText(item, 0, "narrow");
    hit = list.HitTest(rect.left + 3, rect.top + 3, &flags);
    EXPECT_FALSE(list.UpdateToolTip(hit, flags).shown);
}

TEST_F(TreeList, ACutCellTextGetsATipAndMovingOffHidesIt)
{
    Item item = list.InsertItem("a");
    list.SetItemText(item, 1, std::string(20, 'v')); // 120 pixels in a 60-pixel column
    Model::Rect rect;
    ASSERT_TRUE(list.GetItemRect(item, 1, true, rect));
    unsigned flags = 0;
    list.GetTextWidth(item, 1); // measured, as a paint would have
    Item hit = list.HitTest(rect.left + 4, rect.top + 2, &flags);
    ASSERT_EQ(hit, item);
    EXPECT_EQ(flags >> 24, 1u);
    EXPECT_TRUE(list.UpdateToolTip(hit, flags).shown);
    EXPECT_EQ(list.GetToolTip().column, 1);
    EXPECT_FALSE(list.UpdateToolTip(0, Model::kHtNowhere).shown);
}

TEST_F(TreeList, ARowScrolledOutAnswersZeroAndAnEmptyRectangle)
{
    auto items = TopLevel(30);
    list.SetFirstVisibleRow(5);
    Model::Rect rect{1, 2, 3, 4};
    EXPECT_FALSE(list.GetItemRect(items[2], 0, false, rect));
    EXPECT_EQ(rect, Model::Rect{});
    EXPECT_FALSE(list.GetItemRect(items[29], 0, false, rect));
    ASSERT_TRUE(list.GetItemRect(items[5], 0, false, rect));
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.bottom, 36);
}

TEST_F(TreeList, HitTestFindsButtonIndentLabelAndCells)
{
    list.SetStyle(Model::kHasButtons | Model::kHasLines | Model::kLinesAtRoot);
    Item parent = list.InsertItem("parent");
    list.InsertItem("child", parent);
    int middle = 20 + 8;
    unsigned flags = 0;
    EXPECT_EQ(list.HitTest(8, middle, &flags), parent);
    EXPECT_EQ(flags, unsigned(Model::kHtOnItemButton));
    EXPECT_EQ(list.HitTest(8, 20 + 1, &flags), parent) << "out of the button's reach vertically";
    EXPECT_EQ(flags, unsigned(Model::kHtOnItemIndent));
    list.GetTextWidth(parent);
    EXPECT_EQ(list.HitTest(19 + 10, middle, &flags), parent);
    EXPECT_EQ(flags, unsigned(Model::kHtOnItemLabel));
    EXPECT_EQ(list.HitTest(19 + 60, middle, &flags), parent);
    EXPECT_EQ(flags, unsigned(Model::kHtOnItemRight));
    EXPECT_EQ(list.HitTest(130, middle, &flags), parent);
    EXPECT_EQ(flags, (1u << 24) | Model::kHtCellOutside);
    EXPECT_EQ(list.HitTest(190, middle, &flags), parent);
    EXPECT_EQ(flags, (2u << 24) | Model::kHtPastColumns);
    EXPECT_EQ(list.HitTest(10, 20 + 16 * 3, &flags), 0u);
    EXPECT_EQ(flags, unsigned(Model::kHtNowhere));
    EXPECT_EQ(list.HitTest(10, 5, &flags), 0u);
    EXPECT_EQ(flags, unsigned(Model::kHtAbove));
    // A press on the button expands.
    list.LeftDown(8, middle, false);
    EXPECT_EQ(list.GetRowCount(), 2);
}

TEST_F(TreeList, AlternatingRowsStartWithColourTwoAtRowZero)
{
    TopLevel(4);
    list.SetExtendedStyle(Model::kExAlternateRows, Model::kExAlternateRows);
    list.SetColor(1, 0xE0E0E0);
    list.SetColor(2, 0xD8D8D8);
    list.SetFirstVisibleRow(1); // counted from the list's top, not the view's
    EXPECT_EQ(list.RowColour(0), 0xD8D8D8u);
    EXPECT_EQ(list.RowColour(1), 0xE0E0E0u);
    EXPECT_EQ(list.RowColour(2), 0xD8D8D8u);
}

TEST_F(TreeList, ACancelledEditChangesNothing)
{
    struct Owner : Model::Listener {
        int ends = 0;
        bool EndLabelEdit(Item, int, const std::optional<std::string> &) override
        {
            ++ends;
            return true;
        }
    } owner;
    list.SetListener(&owner);
    Item item = list.InsertItem("name");
    list.SetItemText(item, 1, "cell");
    ASSERT_TRUE(list.EditLabel(item, 0));
    list.EndEditLabel(std::nullopt);
    EXPECT_EQ(list.GetItemText(item), "name");
    ASSERT_TRUE(list.EditLabel(item, 1));
    list.EndEditLabel(std::nullopt);
    EXPECT_EQ(list.GetItemText(item, 1), "cell");
    ASSERT_TRUE(list.EditLabel(item, 1));
    list.EndEditLabel(std::string("new"));
    EXPECT_EQ(list.GetItemText(item, 1), "new");
    EXPECT_EQ(owner.ends, 3);
    list.SetListener(nullptr);
}

TEST_F(TreeList, DeletingFromTheDeleteNotificationWalksNoDeletedItem)
{
    // An owner that deletes a sibling while it is told about a deletion.
    struct Owner : Model::Listener {
        Model *list = nullptr;
        Item victim = 0;
        std::vector<Item> told;
        void DeleteItem(Item item) override
        {
            told.push_back(item);
            if (victim && item != victim) {
                Item v = victim;
                victim = 0;
                list->DeleteItem(v);
            }
        }
    } owner;
    Item a = list.InsertItem("a");
    Item a1 = list.InsertItem("a1", a);
    Item b = list.InsertItem("b");
    owner.list = &list;
    owner.victim = b;
    list.SetListener(&owner);
    EXPECT_TRUE(list.DeleteItem(Model::kRoot));
    list.SetListener(nullptr);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetRowCount(), 0);
    EXPECT_EQ(owner.told.size(), 3u);
    (void)a1;
}

TEST_F(TreeList, CollapsingMovesAHiddenSelectionToTheParent)
{
    list.SetExtendedStyle(Model::kExColumnSelect);
    Item parent = list.InsertItem("parent");
    Item child = list.InsertItem("child", parent);
    list.Expand(parent, Model::kExpand);
    ASSERT_TRUE(list.SelectItem(child, 1));
    EXPECT_EQ(list.GetSelectionColumn(), 1);
    list.Expand(parent, Model::kCollapse);
    EXPECT_EQ(list.GetSelectedItem(), parent);
    EXPECT_EQ(list.GetSelectionColumn(), 1);
    EXPECT_TRUE(list.GetItemState(parent, 1) & Model::kSelected);
    EXPECT_FALSE(list.GetItemState(child) & Model::kSelected);
}

} // namespace

namespace {

TEST_F(TreeList, LongTextsAreKeptWholeAndTheTipShowsAllOfThem)
{
    // Longer than any fixed display buffer: nothing is cut or overrun.
    const std::string longText(20000, 'n');
    Item item = list.InsertItem(longText);
    list.SetItemText(item, 1, longText + "!");
    EXPECT_EQ(list.GetItemText(item), longText);
    EXPECT_EQ(list.GetItemText(item, 1), longText + "!");
    Model::Rect rect;
    ASSERT_TRUE(list.GetItemRect(item, 0, true, rect));
    list.GetTextWidth(item);
    unsigned flags = 0;
    Item hit = list.HitTest(rect.left + 3, rect.top + 3, &flags);
    ASSERT_TRUE(list.UpdateToolTip(hit, flags).shown);
    EXPECT_EQ(list.GetToolTip().text.size(), longText.size());
}

} // namespace

namespace {

TEST_F(TreeList, AppendingAfterDeletingOrSortingGoesToTheEnd)
{
    auto names = [this] {
        std::string all;
        for (int row = 0; row < list.GetRowCount(); ++row)
            all += list.GetItemText(list.GetItemOfRow(row)) + " ";
        return all;
    };
    Item c = list.InsertItem("c");
    list.InsertItem("a");
    Item b = list.InsertItem("b");
    list.DeleteItem(b);
    list.InsertItem("d");
    EXPECT_EQ(names(), "c a d ");
    list.SortChildren(Model::kRoot);
    list.InsertItem("0", Model::kRoot, Model::kLast);
    EXPECT_EQ(names(), "a c d 0 ");
    list.InsertItem("b", Model::kRoot, Model::kSort);
    list.InsertItem("z", Model::kRoot, Model::kSort);
    EXPECT_EQ(names(), "a b c d 0 z ");
    list.DeleteItem(c);
    list.DeleteAllItems();
    list.InsertItem("only");
    list.InsertItem("next");
    EXPECT_EQ(names(), "only next ");
}

} // namespace

namespace {

TEST_F(TreeList, CheckBoxesToggleByClickOnTheBoxAndBySpace)
{
    list.SetStyle(Model::kCheckBoxes);
    ASSERT_TRUE(list.HasStateImages());
    Item item = list.InsertItem("task");
    EXPECT_EQ(list.GetItemState(item) & Model::kStateImageMask, 0x1000u) << "starts unchecked";
    Model::Rect row;
    ASSERT_TRUE(list.GetItemRect(item, 0, false, row));
    // Level 0 without lines at root: the box starts at the row's left edge.
    unsigned flags = 0;
    ASSERT_EQ(list.HitTest(4, row.top + 4, &flags), item);
    ASSERT_EQ(flags, unsigned(Model::kHtOnItemStateIcon));
    list.LeftDown(4, row.top + 4, false);
    EXPECT_EQ(list.GetItemState(item) & Model::kStateImageMask, 0x2000u);
    EXPECT_EQ(list.GetSelectedItem(), 0u) << "a click on the box does not select";
    list.SelectItem(item);
    list.KeyDown(Model::kKeySpace);
    EXPECT_EQ(list.GetItemState(item) & Model::kStateImageMask, 0x1000u);
}

} // namespace
