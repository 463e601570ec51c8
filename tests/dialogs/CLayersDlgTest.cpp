#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs/CLayersDlg.h"
#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"

namespace {

using Model = SgTreeListModel;
using Item = Model::Item;

int Width(const std::string &text, bool) { return int(text.size()) * 6; }

// A document with "Layer0" and two objects on it, one of them unnamed, and
// the dialog's list in a model of 300 x 200 pixels.
class CLayersDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        SgNodara::Init();
        document.EnsureLayersNode();
        named = AddObject("box");
        unnamed = AddObject("");
        model.SetMeasure(Width);
        model.SetItemHeight(16);
        model.SetClientSize(300, 200);
        model.SetHeaderHeight(20);
        model.SetListener(&dialog.GetList());
        dialog.GetList().Attach(model);
        dialog.OnInitDialog();
    }
    void TearDown() override
    {
        model.SetListener(nullptr);
        if (SgSelectionHandler *handler = document.GetSelectionHandler())
            handler->DeselectAll();
    }
    SgObject *AddObject(const char *name)
    {
        auto *object = new SgObject;
        object->SetName(name);
        document.GetRoot()->AddChild(object);
        return object;
    }
    std::vector<std::string> Texts(Item parent)
    {
        std::vector<std::string> texts;
        for (Item c = model.GetChildItem(parent); c; c = model.GetNextSiblingItem(c))
            texts.push_back(model.GetItemText(c));
        return texts;
    }
    // A press on the cell of `column` in the item's row.
    void Click(Item item, int column)
    {
        Model::Rect r;
        model.EnsureVisible(item, -1);
        ASSERT_TRUE(model.GetItemRect(item, column, true, r));
        model.LeftDown(r.left + 2, r.top + 3, false);
    }

    // Made first and gone last: the dialog and the list hold into it.
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{(SgNodara::Init(), SgDocument::Create()),
                                                               &SgDocument::Destroy};
    SgDocument &document = *holder;
    Model model;
    CLayersDlg dialog{&document};
    SgObject *named = nullptr;
    SgObject *unnamed = nullptr;
};

TEST_F(CLayersDlgTest, ListsLayersWithTheirObjectsAndNamesTheUnnamedObject)
{
    ASSERT_EQ(model.GetColumnCount(), 4);
    EXPECT_EQ(model.GetColumnText(0), "Layer");
    EXPECT_EQ(model.GetColumnText(3), "Hide");
    ASSERT_EQ(Texts(Model::kRoot), std::vector<std::string>{"Layer0"});
    Item layer = dialog.GetList().GetLayerItem(0);
    EXPECT_EQ(Texts(layer), (std::vector<std::string>{"box", "Object"}));
    EXPECT_EQ(model.GetItemText(layer, 1), "0");
    EXPECT_EQ(model.GetItemImage(layer, 2), CLayersList::kImgCurrentLayer);
    EXPECT_EQ(model.GetItemImage(layer, 3), CLayersList::kImgVisible);
}

TEST_F(CLayersDlgTest, AddLayerMakesLayerOneCurrentAndMovesTheSelection)
{
    document.GetSelectionHandler()->Select(named, 0);
    dialog.OnAddLayer();
    ASSERT_EQ(document.GetLayerCount(), 2);
    EXPECT_EQ(document.GetLayerName(1), "Layer1");
    EXPECT_EQ(document.GetCurrentLayer(), 1);
    EXPECT_EQ(named->m_layer.Get(false), 1);
    EXPECT_EQ(unnamed->m_layer.Get(false), 0);
    EXPECT_EQ(Texts(dialog.GetList().GetLayerItem(1)), std::vector<std::string>{"box"});
    EXPECT_EQ(model.GetItemImage(dialog.GetList().GetLayerItem(1), 2), CLayersList::kImgCurrentLayer);
    EXPECT_EQ(model.GetItemImage(dialog.GetList().GetLayerItem(0), 2), CLayersList::kImgOtherLayer);
}

TEST_F(CLayersDlgTest, ClickingTheHideCellHidesTheLayerWithoutRenaming)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    Click(layer, 0);
    Click(layer, 3);
    EXPECT_TRUE(document.GetLayerFlags(0) & CLayersList::kLayerHidden);
    EXPECT_EQ(model.GetItemImage(layer, 3), CLayersList::kImgHidden);
    EXPECT_FALSE(model.IsEditing());
    Click(layer, 0);
    EXPECT_FALSE(model.IsEditing()) << "the Hide click took the selection away";
    // A second click on the name of the selected layer starts renaming.
    Click(layer, 0);
    ASSERT_TRUE(model.IsEditing());
    model.EndEditLabel(std::string("Walls"));
    EXPECT_EQ(document.GetLayerName(0), "Walls");
}

TEST_F(CLayersDlgTest, ACancelledRenameChangesNothing)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    model.Expand(layer, Model::kExpand);
    Item object = model.GetChildItem(layer);
    ASSERT_TRUE(model.EditLabel(object, 0));
    model.EndEditLabel(std::nullopt);
    EXPECT_EQ(named->GetName(), "box");
    EXPECT_EQ(model.GetItemText(object), "box");
    ASSERT_TRUE(model.EditLabel(object, 0));
    model.EndEditLabel(std::string("crate"));
    EXPECT_EQ(named->GetName(), "crate");
}

TEST_F(CLayersDlgTest, ClickingAnObjectsHideCellTogglesItsHideField)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    model.Expand(layer, Model::kExpand);
    Item object = model.GetChildItem(layer);
    Click(object, 3);
    EXPECT_EQ(named->m_hide.Get(false), 1);
    Click(object, 3);
    EXPECT_EQ(named->m_hide.Get(false), 0);
}

TEST_F(CLayersDlgTest, ACollapsedLayerStaysCollapsedAfterRefresh)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    model.Expand(layer, Model::kExpand);
    EXPECT_TRUE(document.GetLayerFlags(0) & CLayersList::kLayerExpanded);
    dialog.OnRefresh();
    layer = dialog.GetList().GetLayerItem(0);
    EXPECT_TRUE(model.GetItemState(layer) & Model::kExpanded);
    model.Expand(layer, Model::kCollapse);
    dialog.OnRefresh();
    EXPECT_FALSE(model.GetItemState(dialog.GetList().GetLayerItem(0)) & Model::kExpanded);
}

TEST_F(CLayersDlgTest, DeletingSeveralSelectedLayersDeletesEachOnce)
{
    document.AddLayer(CLayer{0, "Layer1"});
    document.AddLayer(CLayer{0, "Layer2"});
    dialog.OnRefresh();
    model.SelectItem(dialog.GetList().GetLayerItem(1));
    model.ToggleSelect(dialog.GetList().GetLayerItem(2), 0);
    dialog.OnDelLayer();
    EXPECT_EQ(document.GetLayerCount(), 1);
    EXPECT_EQ(document.GetLayerName(0), "Layer0");
    EXPECT_EQ(Texts(Model::kRoot), std::vector<std::string>{"Layer0"});
}

TEST_F(CLayersDlgTest, AddToSelectSelectsTheChosenObjects)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    model.Expand(layer, Model::kExpand);
    Item object = model.GetChildItem(layer);
    model.SelectItem(object);
    dialog.OnAddToSelect();
    EXPECT_EQ(document.GetSelectionHandler()->GetSelCount(), 1);
}

TEST_F(CLayersDlgTest, AnObjectDeletedFromTheSceneLeavesNoDanglingRecord)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    model.Expand(layer, Model::kExpand);
    Item object = model.GetChildItem(layer);
    document.GetRoot()->DeleteChild(named);
    // The list's entry still holds the object, so a click on it is safe.
    Click(object, 3);
    dialog.OnRefresh();
    EXPECT_EQ(Texts(dialog.GetList().GetLayerItem(0)), std::vector<std::string>{"Object"});
}

} // namespace

namespace {

TEST_F(CLayersDlgTest, ANewSceneEmptiesTheListOfItsObjects)
{
    Item layer = dialog.GetList().GetLayerItem(0);
    ASSERT_EQ(Texts(layer).size(), 2u);
    // The objects go with the scene: the list drops its items and holds no
    // record of them.
    document.ClearScene(true);
    layer = dialog.GetList().GetLayerItem(0);
    ASSERT_NE(layer, 0u);
    EXPECT_TRUE(Texts(layer).empty());
}

} // namespace

// An object on a layer the document's table lacks is listed under that
// layer's number, marked missing: found, hidden from there, and moved onto
// the current layer, after which the missing layer goes from the list.
TEST_F(CLayersDlgTest, AnObjectOnAMissingLayerIsListedAndCanBeHiddenAndMoved)
{
    SgObject *stray = AddObject("ring");
    stray->m_layer = 2;
    dialog.OnRefresh();
    Item missing = 0;
    for (Item item = model.GetChildItem(Model::kRoot); item; item = model.GetNextSiblingItem(item))
        if (model.GetItemText(item) == CLayersList::MissingLayerText(2))
            missing = item;
    ASSERT_NE(missing, 0u) << "the ring is listed nowhere";
    EXPECT_EQ(model.GetItemText(missing, CLayersList::kColNumber), "2");
    EXPECT_EQ(Texts(missing), std::vector<std::string>{"ring"});
    const int current = document.GetCurrentLayer();
    Click(missing, CLayersList::kColSelect);
    EXPECT_EQ(document.GetCurrentLayer(), current) << "a missing layer cannot be current";
    Click(missing, CLayersList::kColHide);
    EXPECT_EQ(stray->m_hide.Get(false), 1);
    Click(missing, CLayersList::kColHide);
    EXPECT_EQ(stray->m_hide.Get(false), 0);
    if (model.EditLabel(missing, 0))
        model.EndEditLabel(std::string("x"));
    EXPECT_EQ(model.GetItemText(missing), CLayersList::MissingLayerText(2)) << "a missing layer has no name to change";
    EXPECT_EQ(document.GetLayerCount(), 1);

    document.GetSelectionHandler()->Select(stray, 0);
    dialog.OnAddToLayer();
    EXPECT_EQ(stray->m_layer.Get(false), current);
    for (Item item = model.GetChildItem(Model::kRoot); item; item = model.GetNextSiblingItem(item))
        EXPECT_NE(model.GetItemText(item), CLayersList::MissingLayerText(2));
}
