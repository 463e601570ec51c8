#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/SgNodara.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgInfo.h"
#include "treepanel/Arbelo.h"
#include "treepanel/CArbeloCtrl.h"
#include "treepanel/StClassImages.h"
#include "treepanel/StMemoryTree.h"
#include "treepanel/StTreeDlg.h"

namespace {

using arbelo::CArbeloCtrl;

// The field's text without blanks.
std::string Text(SgField &field)
{
    std::ostringstream out;
    field.WriteToStream(out);
    std::string text;
    for (char c : out.str())
        if (c != ' ')
            text += c;
    return text;
}

void Set(SgField &field, const std::string &text)
{
    std::istringstream in(text);
    field.ReadFromStream(in, false);
}

// A document whose root holds an unnamed box, an unnamed object and a face
// set with three indices; the panel shows it in a tree kept in memory.
class CArbeloCtrlTest : public testing::Test {
protected:
    void SetUp() override
    {
        arbelo::Arbelo::Init();
        SgSeparator *root = document.GetRoot();
        box = new SgBox;
        root->AddChild(box);
        object = new SgObject;
        root->AddChild(object);
        faces = new SgIndexedFaceSet;
        Set(faces->m_coordIndex, "[10, 20, 30]");
        root->AddChild(faces);
        panel.SetView(&tree);
        panel.SetDocument(&document);
        panel.InitTree();
    }
    void TearDown() override
    {
        if (SgSelectionHandler *handler = document.GetSelectionHandler())
            handler->DeselectAll();
        panel.SetDocument(nullptr);
    }

    std::vector<std::string> Labels(StItem parent) const
    {
        std::vector<std::string> labels;
        for (StItem c = tree.GetFirstChild(parent); c; c = tree.GetNextSibling(c))
            labels.push_back(tree.GetText(c));
        return labels;
    }
    // The first child whose label starts so.
    StItem Child(StItem parent, const std::string &start) const
    {
        for (StItem c = tree.GetFirstChild(parent); c; c = tree.GetNextSibling(c))
            if (tree.GetText(c).rfind(start, 0) == 0)
                return c;
        return 0;
    }
    StItem Top() const { return tree.GetFirstChild(0); }
    StItem Open(StItem item)
    {
        EXPECT_TRUE(panel.OnItemExpanding(item, true));
        tree.Expand(item);
        return item;
    }
    StItem CoordIndexItem() { return Open(Child(Open(Child(Top(), "IndexedFaceSet")), "coordIndex")); }

    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{(SgNodara::Init(), SgDocument::Create()),
                                                               &SgDocument::Destroy};
    SgDocument &document = *holder;
    StMemoryTree tree;
    CArbeloCtrl panel;
    SgBox *box = nullptr;
    SgObject *object = nullptr;
    SgIndexedFaceSet *faces = nullptr;
};

TEST_F(CArbeloCtrlTest, LabelsNodesByNameElseByClassWithoutItsPrefix)
{
    // The root's item is open; its children are built, their contents not.
    ASSERT_NE(Top(), 0u);
    StItem boxItem = Child(Top(), "Box");
    ASSERT_NE(boxItem, 0u) << "children: " << ::testing::PrintToString(Labels(Top()));
    EXPECT_NE(Child(Top(), "Object"), 0u);
    EXPECT_TRUE(tree.HasChildren(boxItem));
    EXPECT_EQ(tree.GetFirstChild(boxItem), 0u) << "a node's contents wait for its expansion";

    // A node named like its class reads the same; a name shows as it is.
    box->SetName("SgBox");
    panel.RefreshTree();
    EXPECT_NE(Child(Top(), "Box"), 0u);
    object->SetName("lamp");
    panel.RefreshTree();
    EXPECT_NE(Child(Top(), "lamp"), 0u);
    EXPECT_EQ(Child(Top(), "Object"), 0u);
}

TEST_F(CArbeloCtrlTest, FieldItemsShowTheFirstValueAndMarkMore)
{
    StItem faceItem = Open(Child(Top(), "IndexedFaceSet"));
    StItem coordIndex = Child(faceItem, "coordIndex");
    ASSERT_NE(coordIndex, 0u) << ::testing::PrintToString(Labels(faceItem));
    EXPECT_EQ(tree.GetText(coordIndex), "coordIndex - 10...");
    EXPECT_TRUE(tree.HasChildren(coordIndex));
    StItem solid = Child(faceItem, "solid");
    ASSERT_NE(solid, 0u);
    EXPECT_EQ(tree.GetText(solid), "solid - 1");
    EXPECT_FALSE(tree.HasChildren(solid));
    EXPECT_EQ(tree.GetImage(solid), arbelo::kImgField);

    Open(coordIndex);
    EXPECT_EQ(Labels(coordIndex), (std::vector<std::string>{"[0] - 10", "[1] - 20", "[2] - 30"}));
    EXPECT_EQ(tree.GetImage(tree.GetFirstChild(coordIndex)), arbelo::kImgValue);
}

TEST_F(CArbeloCtrlTest, AFieldOf250ValuesShows100ValueItems)
{
    std::string text = "[";
    for (int i = 0; i < 250; ++i)
        text += std::to_string(i) + (i < 249 ? ", " : "]");
    Set(faces->m_coordIndex, text);
    panel.RefreshTree();
    StItem coordIndex = CoordIndexItem();
    const std::vector<std::string> labels = Labels(coordIndex);
    ASSERT_EQ(labels.size(), 100u);
    EXPECT_EQ(labels.front(), "[0] - 0");
    EXPECT_EQ(labels.back(), "[99] - 99");
}

TEST_F(CArbeloCtrlTest, TypingThreeValuesIntoValueItemZeroInsertsTwoAndRenumbers)
{
    document.SetUndoRecording(true);
    StItem coordIndex = CoordIndexItem();
    StItem first = tree.GetFirstChild(coordIndex);
    EXPECT_EQ(panel.OnBeginLabelEdit(first), std::optional<std::string>("10"));
    EXPECT_TRUE(panel.OnEndLabelEdit(first, std::string("1, 2, 3")));
    EXPECT_EQ(Text(faces->m_coordIndex), "[1,2,3,20,30]");
    EXPECT_EQ(Labels(coordIndex),
              (std::vector<std::string>{"[0] - 1", "[1] - 2", "[2] - 3", "[3] - 20", "[4] - 30"}));

    // One undo step takes the whole edit back, and the tree follows.
    document.Undo();
    EXPECT_EQ(Text(faces->m_coordIndex), "[10,20,30]");
    EXPECT_TRUE(panel.SyncShown());
    EXPECT_EQ(Labels(coordIndex), (std::vector<std::string>{"[0] - 10", "[1] - 20", "[2] - 30"}));
}

TEST_F(CArbeloCtrlTest, EmptyingValueItemOneRemovesItAndRenumbers)
{
    StItem coordIndex = CoordIndexItem();
    StItem second = tree.GetNextSibling(tree.GetFirstChild(coordIndex));
    EXPECT_TRUE(panel.OnEndLabelEdit(second, std::string("")));
    EXPECT_EQ(Text(faces->m_coordIndex), "[10,30]");
    EXPECT_EQ(Labels(coordIndex), (std::vector<std::string>{"[0] - 10", "[1] - 30"}));
}

TEST_F(CArbeloCtrlTest, ACancelledEditChangesNothing)
{
    StItem coordIndex = CoordIndexItem();
    StItem second = tree.GetNextSibling(tree.GetFirstChild(coordIndex));
    EXPECT_FALSE(panel.OnEndLabelEdit(second, std::nullopt));
    EXPECT_EQ(Text(faces->m_coordIndex), "[10,20,30]");
    EXPECT_EQ(Labels(coordIndex).size(), 3u);

    object->SetName("lamp");
    panel.RefreshTree();
    StItem lamp = Child(Top(), "lamp");
    EXPECT_FALSE(panel.OnEndLabelEdit(lamp, std::nullopt));
    EXPECT_EQ(object->GetName(), "lamp");
    EXPECT_EQ(tree.GetText(lamp), "lamp");
}

TEST_F(CArbeloCtrlTest, RenamingANodeIsOneUndoStep)
{
    document.SetUndoRecording(true);
    StItem item = Child(Top(), "Object");
    EXPECT_EQ(panel.OnBeginLabelEdit(item), std::optional<std::string>("Object"));
    EXPECT_TRUE(panel.OnEndLabelEdit(item, std::string("lamp")));
    EXPECT_EQ(object->GetName(), "lamp");
    EXPECT_EQ(tree.GetText(item), "lamp");
    document.Undo();
    EXPECT_EQ(object->GetName(), "");
    EXPECT_TRUE(panel.SyncShown());
    EXPECT_EQ(tree.GetText(item), "Object");
    document.Redo();
    EXPECT_EQ(object->GetName(), "lamp");
}

TEST_F(CArbeloCtrlTest, ALongValueIsCutVisiblyAndEditedWhole)
{
    auto *info = new SgInfo;
    const std::string longText(10000, 'x');
    info->m_data = longText;
    document.GetRoot()->AddChild(info);
    panel.RefreshTree();
    StItem data = Child(Open(Child(Top(), "Info")), "data");
    ASSERT_NE(data, 0u) << ::testing::PrintToString(Labels(Child(Top(), "Info")));
    const std::string label = tree.GetText(data);
    EXPECT_LT(label.size(), 4200u);
    EXPECT_NE(label.find("more characters)"), std::string::npos);
    const std::optional<std::string> edit = panel.OnBeginLabelEdit(data);
    ASSERT_TRUE(edit);
    EXPECT_NE(edit->find(longText), std::string::npos) << "the edit box holds the whole value";
}

TEST_F(CArbeloCtrlTest, ItemsAndSelectionFollowEachOther)
{
    // A click on the object's item selects the object.
    StItem item = Child(Top(), "Object");
    EXPECT_TRUE(panel.OnSelectItem(item));
    SgSelectionHandler *handler = document.GetSelectionHandler();
    ASSERT_EQ(handler->GetSelCount(), 1);
    EXPECT_EQ(handler->GetPathList().GetAt(handler->GetPathList().GetFirst()).GetNodes().back(), object);
    // A shape's item selects nothing.
    EXPECT_FALSE(panel.OnSelectItem(Child(Top(), "Box")));

    // An object selected elsewhere, deep in a group not opened yet: the
    // tree opens down to it and highlights it.
    handler->DeselectAll();
    auto *outer = new SgSeparator;
    outer->SetName("outer");
    auto *inner = new SgObject;
    inner->SetName("inner");
    outer->AddChild(inner);
    document.GetRoot()->AddChild(outer);
    panel.RefreshTree();
    tree.Highlight(0);
    SgPath path;
    path.CreateFromNode(inner);
    handler->Select(path, 0);
    ASSERT_NE(tree.GetHighlighted(), 0u);
    EXPECT_EQ(tree.GetText(tree.GetHighlighted()), "inner");
    EXPECT_EQ(panel.FindItem(inner), tree.GetHighlighted());
    // Nothing selected: nothing highlighted.
    handler->DeselectAll();
    EXPECT_EQ(tree.GetHighlighted(), 0u);
}

// The selection is told again (a manipulator added, a redraw) after the user
// moved from the object's item to one of its fields: the highlight stays on
// the field, where the next key or F2 acts, instead of jumping back.
TEST_F(CArbeloCtrlTest, ARepeatedSelectionLeavesTheHighlightInsideTheSelectedObject)
{
    StItem item = Child(Top(), "Object");
    ASSERT_TRUE(panel.OnSelectItem(item));
    tree.Highlight(item);
    StItem field = tree.GetFirstChild(Open(item));
    ASSERT_NE(field, 0u);
    tree.Highlight(field);
    document.NotifySelectionChanged();
    EXPECT_EQ(tree.GetHighlighted(), field) << tree.GetText(tree.GetHighlighted());

    // Another object selected elsewhere still moves the highlight to it.
    auto *other = new SgObject;
    other->SetName("other");
    document.GetRoot()->AddChild(other);
    panel.RefreshTree();
    tree.Highlight(field);
    SgPath path;
    path.CreateFromNode(other);
    document.GetSelectionHandler()->DeselectAll();
    document.GetSelectionHandler()->Select(path, 0);
    ASSERT_NE(tree.GetHighlighted(), 0u);
    EXPECT_EQ(tree.GetText(tree.GetHighlighted()), "other");
}

// A selection adds a manipulator below the object; the tree shows such a
// change by adding (or removing) that node's item alone, so the object's
// other items, the row the user moved to and an edit box opened on it stay
// where they are (the object's items were all made again, between two keys).
TEST_F(CArbeloCtrlTest, ANodeAddedBelowAShownObjectKeepsTheOtherItemsAndTheHighlightedRow)
{
    const auto itemsBelow = [this](StItem parent) {
        std::vector<StItem> items;
        for (StItem c = tree.GetFirstChild(parent); c; c = tree.GetNextSibling(c))
            items.push_back(c);
        return items;
    };
    int scheduled = 0;
    panel.SetRebuildScheduler([&] { ++scheduled; });
    const std::vector<StItem> top = itemsBelow(0);
    const StItem item = Child(Top(), "Object");
    Open(item);
    ASSERT_TRUE(panel.OnSelectItem(item));
    panel.SyncShown();
    const std::vector<StItem> before = itemsBelow(item);
    ASSERT_FALSE(before.empty());
    const StItem field = before.front();
    tree.Highlight(field);

    auto *added = new SgInfo;
    added->SetName("added");
    ASSERT_TRUE(object->AddPropertyNode(added, false));
    EXPECT_TRUE(panel.SyncShown());
    const std::vector<StItem> after = itemsBelow(item);
    EXPECT_EQ(after.size(), before.size() + 1);
    for (StItem kept : before)
        EXPECT_NE(std::find(after.begin(), after.end(), kept), after.end()) << "an item that stood was made again";
    EXPECT_NE(Child(item, "added"), 0u);
    EXPECT_EQ(tree.GetHighlighted(), field) << tree.GetText(tree.GetHighlighted());
    EXPECT_EQ(itemsBelow(0), top) << "the top level was built again";

    object->DeletePropertyNode(added);
    EXPECT_TRUE(panel.SyncShown());
    EXPECT_EQ(itemsBelow(item), before);
    EXPECT_EQ(tree.GetHighlighted(), field);
    EXPECT_EQ(scheduled, 0);
    panel.SetRebuildScheduler(nullptr);
}

TEST_F(CArbeloCtrlTest, ANodeDeletedWhileShownLeavesNoDanglingRecord)
{
    document.SetUndoRecording(true);
    StItem coordIndex = CoordIndexItem();
    StItem value = tree.GetFirstChild(coordIndex);
    StItem objectItem = Child(Top(), "Object");
    {
        SgKeyPoint keyPoint(&document);
        document.GetRoot()->DeleteChild(faces);
        document.GetRoot()->DeleteChild(object);
    }
    // The records kept the nodes alive; acting on their items rebuilds.
    EXPECT_FALSE(panel.OnEndLabelEdit(value, std::string("5")));
    EXPECT_EQ(Child(Top(), "IndexedFaceSet"), 0u);
    EXPECT_FALSE(panel.OnSelectItem(objectItem));
    EXPECT_EQ(Child(Top(), "Object"), 0u);
    EXPECT_EQ(document.GetSelectionHandler()->GetSelCount(), 0);

    // Undo puts them back; the shown tree follows at its next check.
    document.Undo();
    EXPECT_TRUE(panel.SyncShown());
    EXPECT_NE(Child(Top(), "IndexedFaceSet"), 0u);
    EXPECT_NE(Child(Top(), "Object"), 0u);
}

TEST_F(CArbeloCtrlTest, AnItemReachesOnlyItsOwnRecord)
{
    StItem coordIndex = CoordIndexItem();
    StItem oldValue = tree.GetFirstChild(coordIndex);
    // Collapse and expand again: the value items are new, the old one is gone.
    EXPECT_TRUE(panel.OnItemExpanding(coordIndex, false));
    EXPECT_TRUE(panel.OnItemExpanding(coordIndex, true));
    EXPECT_EQ(tree.Find(oldValue), nullptr);
    EXPECT_EQ(panel.GetRecord(oldValue), nullptr);
    // An item carrying another item's record serial is refused.
    StItem stranger = tree.InsertItem(0, 0, "stranger", -1, false, tree.GetData(coordIndex));
    EXPECT_EQ(panel.GetRecord(stranger), nullptr);
    EXPECT_FALSE(panel.OnSelectItem(stranger));
    EXPECT_FALSE(panel.OnBeginLabelEdit(stranger));
}

TEST_F(CArbeloCtrlTest, DoubleClickAddsFieldsToTheSelectedFields)
{
    StItem coordIndex = CoordIndexItem();
    StItem second = tree.GetNextSibling(tree.GetFirstChild(coordIndex));
    panel.OnDoubleClick(second);
    StItem solid = Child(tree.GetParent(coordIndex), "solid");
    panel.OnDoubleClick(solid);
    panel.OnDoubleClick(coordIndex);
    const auto &selected = document.GetSelectedFields();
    ASSERT_EQ(selected.size(), 3u);
    EXPECT_EQ(selected[0].field, &faces->m_coordIndex);
    EXPECT_EQ(selected[0].value, 1);
    EXPECT_EQ(selected[1].field, &faces->m_solid);
    EXPECT_EQ(selected[1].value, 0);
    EXPECT_EQ(selected[2].value, -1);
    document.ClearSelectedFields();
}

TEST_F(CArbeloCtrlTest, ContextMenuInsertsAndDeletesNodes)
{
    // Fields and value items have no menu.
    StItem coordIndex = CoordIndexItem();
    EXPECT_FALSE(panel.BuildContextMenu(coordIndex).show);
    EXPECT_FALSE(panel.BuildContextMenu(tree.GetFirstChild(coordIndex)).show);

    document.SetUndoRecording(true);
    StItem boxItem = Child(Top(), "Box");
    const CArbeloCtrl::ContextMenu menu = panel.BuildContextMenu(boxItem);
    ASSERT_TRUE(menu.show);
    ASSERT_EQ(menu.addAfter.size(), 18u);
    ASSERT_EQ(menu.addAfter.front().label, "Material");
    EXPECT_EQ(menu.addAfter.front().id % 16, CArbeloCtrl::kModeAfter);
    EXPECT_GT(menu.addAfter.front().id / 16, 0);
    EXPECT_EQ(menu.tail.front().label, "Delete Node\tCtrl+D");

    const int before = document.GetRoot()->GetNumChildren();
    EXPECT_TRUE(panel.RunMenuCommand(boxItem, menu.addAfter.front().id));
    ASSERT_EQ(document.GetRoot()->GetNumChildren(), before + 1);
    std::vector<std::string> labels = Labels(Top());
    auto boxAt = std::find(labels.begin(), labels.end(), "Box");
    ASSERT_NE(boxAt, labels.end());
    ASSERT_NE(boxAt + 1, labels.end());
    EXPECT_EQ(*(boxAt + 1), "Material") << ::testing::PrintToString(labels);

    // The new item is a new tree's: delete it through its menu.
    StItem added = Child(Top(), "Box");
    added = tree.GetNextSibling(added);
    ASSERT_EQ(tree.GetText(added), "Material");
    EXPECT_TRUE(panel.RunMenuCommand(added, CArbeloCtrl::kCmdDelete));
    EXPECT_EQ(document.GetRoot()->GetNumChildren(), before);
    EXPECT_EQ(tree.GetText(tree.GetNextSibling(Child(Top(), "Box"))), "Object");
    document.Undo();
    EXPECT_EQ(document.GetRoot()->GetNumChildren(), before + 1);

    // The top item has no parent to delete from.
    EXPECT_FALSE(panel.RunMenuCommand(Top(), CArbeloCtrl::kCmdDelete));
}

TEST_F(CArbeloCtrlTest, ANodeBehindANodeFieldIsLabelledWithTheFieldName)
{
    faces->m_coord = NodePtr(new SgCoordinate3);
    panel.RefreshTree();
    StItem faceItem = Open(Child(Top(), "IndexedFaceSet"));
    StItem coord = Child(faceItem, "coord ");
    ASSERT_NE(coord, 0u) << ::testing::PrintToString(Labels(faceItem));
    EXPECT_EQ(tree.GetText(coord), "coord ");
    EXPECT_TRUE(panel.GetRecord(coord)->bNode);
    // A null node field gives no item.
    EXPECT_EQ(Child(faceItem, "texCoord"), 0u);
}

TEST_F(CArbeloCtrlTest, TheRootAndAttributeEntriesOnlyRebuild)
{
    SgNode *root = document.GetRoot();
    root->SetName("ROOT");
    panel.RefreshTree();
    EXPECT_FALSE(panel.BuildContextMenu(Top()).show);
    const int children = document.GetRoot()->GetNumChildren();
    StItem boxItem = Child(Top(), "Box");
    EXPECT_TRUE(panel.RunMenuCommand(boxItem, CArbeloCtrl::kCmdSetAttribute));
    EXPECT_EQ(document.GetRoot()->GetNumChildren(), children);
    EXPECT_EQ(panel.GetRecord(boxItem), nullptr) << "the tree was rebuilt";
    EXPECT_NE(Child(Top(), "Box"), 0u);
}

TEST_F(CArbeloCtrlTest, AWindowRunsTheRebuildAfterItsEvent)
{
    int scheduled = 0;
    panel.SetRebuildScheduler([&] { ++scheduled; });
    StItem boxItem = Child(Top(), "Box");
    EXPECT_TRUE(panel.RunMenuCommand(boxItem, CArbeloCtrl::kCmdSetAttribute));
    EXPECT_EQ(scheduled, 1);
    EXPECT_NE(panel.GetRecord(boxItem), nullptr) << "the item stands until the event is over";
    panel.RunPendingRebuild();
    EXPECT_EQ(panel.GetRecord(boxItem), nullptr);
    panel.SetRebuildScheduler(nullptr);
}

TEST_F(CArbeloCtrlTest, TheDialogSwitchesPointersAndUndo)
{
    arbelo::StTreeDlg dialog(&document);
    StMemoryTree dialogTree;
    dialog.GetTree().SetView(&dialogTree);
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.GetProcessEnter());
    EXPECT_TRUE(dialog.GetTree().IsUndoEnabled());
    const std::string plain = dialogTree.GetText(dialogTree.GetFirstChild(dialogTree.GetFirstChild(0)));
    dialog.OnPointers(true);
    const std::string withPointers = dialogTree.GetText(dialogTree.GetFirstChild(dialogTree.GetFirstChild(0)));
    EXPECT_NE(plain, withPointers);
    EXPECT_NE(withPointers.find("NFathers = "), std::string::npos);
    dialog.OnUndo(false);
    EXPECT_FALSE(dialog.GetTree().IsUndoEnabled());
    dialog.GetTree().SetDocument(nullptr);
}

} // namespace
