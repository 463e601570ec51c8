#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/SgNodara.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgParametric.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "modelbuilder/MabrelDlg.h"
#include "platform/Notifier.h"

namespace {

using Item = CParamListTree::Item;

class RecordingNotifier : public Notifier {
public:
    int Message(const std::string &text, const std::string &caption, Buttons, Icon) override
    {
        messages.push_back(caption + ": " + text);
        return answer;
    }
    std::vector<std::string> messages;
    int answer = Ok;
};

// An object holding a material, a cube and a face set, selected, and the
// builder opened on it: the object is wrapped in a new model.
class MabrelDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous = SetNotifier(&notifier);
        object = new SgObject;
        object->SetName("part");
        material = new SgMaterial;
        cube = new SgCube;
        faces = new SgIndexedFaceSet;
        object->AddChild(material);
        object->AddChild(cube);
        object->AddChild(faces);
        document.GetRoot()->AddChild(object);
        document.GetSelectionHandler()->Select(object, 0);
        // As the builder's window opens it: the wrapping is the builder's.
        CCadDlg::Acting acting(builder);
        builder.OnInitDialog();
    }
    void TearDown() override
    {
        document.DeselectAll();
        SetNotifier(previous);
    }

    const CParamListTree &Tree() const { return builder.GetTree(); }
    std::vector<std::string> Texts(Item parent) const
    {
        std::vector<std::string> texts;
        for (Item child : Tree().GetChildren(parent))
            texts.push_back(Tree().GetItemText(child));
        return texts;
    }
    Item ParamItem(const std::string &name) const
    {
        for (Item child : Tree().GetChildren(Tree().GetRootItem())) {
            if (Tree().GetItemText(child) == "ParameterName: " + name)
                return child;
        }
        return 0;
    }
    Item AddParam(const std::string &name, const char *type, const std::string &value)
    {
        builder.SetNameText(name);
        builder.SelectType(builder.FindType(type));
        builder.SetDefaultText(value);
        builder.OnButtonAddparam();
        return ParamItem(name);
    }
    void Connect(Item param, SgField *field, int index)
    {
        builder.SelectItem(param);
        document.AddToSelectedFieldsList(field, index);
        builder.OnButtonConnect();
    }

    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{(SgNodara::Init(), SgDocument::Create()),
                                                               &SgDocument::Destroy};
    SgDocument &document = *holder;
    RecordingNotifier notifier;
    Notifier *previous = nullptr;
    MabrelDlg builder{&document};
    SgObject *object = nullptr;
    SgMaterial *material = nullptr;
    SgCube *cube = nullptr;
    SgIndexedFaceSet *faces = nullptr;
};

TEST_F(MabrelDlgTest, OpeningOnAnObjectWrapsItInANewModelInItsPlace)
{
    SgParametricModel *model = builder.GetPM();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->GetName(), "PM");
    EXPECT_FALSE(model->GetID().IsNull());
    EXPECT_EQ(Texts(0), std::vector<std::string>{"PM: " + MabrelDlg::IdText(model)});
    EXPECT_EQ(document.GetRoot()->IndexOf(object), -1) << "the object left the root";
    EXPECT_GE(document.GetRoot()->IndexOf(model), 0);
    EXPECT_GE(model->GetInnerGroup()->IndexOf(object), 0);
    // The type list is every field class in id order; entry 0 is chosen.
    ASSERT_FALSE(builder.GetTypeNames().empty());
    EXPECT_EQ(builder.GetTypeSelection(), 0);
    EXPECT_LT(builder.FindType("SgFInt"), builder.FindType("SgVFInt"));
    EXPECT_FALSE(builder.GetEnabled().connect);
    EXPECT_FALSE(builder.GetEnabled().add);
}

TEST_F(MabrelDlgTest, OneUndoTakesTheWrappingBack)
{
    SgParametricModel *model = builder.GetPM();
    document.Undo();
    EXPECT_GE(document.GetRoot()->IndexOf(object), 0);
    EXPECT_EQ(document.GetRoot()->IndexOf(model), -1);
}

// Opened on a model's instance, the builder edits that model; with nothing
// selected it makes an empty model under the scene root.
TEST_F(MabrelDlgTest, OpeningOnAnInstanceOrOnNothing)
{
    SgRef<SgParametricModel> shared = builder.GetPM();
    auto *instance = new SgParametricObject(shared.get());
    document.GetRoot()->AddChild(instance);
    document.DeselectAll();
    document.GetSelectionHandler()->Select(instance, 0);
    MabrelDlg onInstance(&document);
    onInstance.OnInitDialog();
    EXPECT_EQ(onInstance.GetPM(), shared.get());
    EXPECT_EQ(onInstance.GetTree().GetItemText(onInstance.GetTree().GetRootItem()).rfind("PARAMS: ", 0), 0u);

    document.DeselectAll();
    const int children = document.GetRoot()->GetChildsCount();
    MabrelDlg onNothing(&document);
    onNothing.OnInitDialog();
    ASSERT_NE(onNothing.GetPM(), nullptr);
    EXPECT_EQ(document.GetRoot()->GetChildsCount(), children + 1);
    EXPECT_EQ(document.GetRoot()->IndexOf(onNothing.GetPM()), children);
    EXPECT_EQ(onNothing.GetPM()->GetInnerGroup()->GetChildsCount(), 0);
}

// An instance made while the parameter had another type drives the model
// with a value of the new type (the new default), never with the old bytes.
TEST_F(MabrelDlgTest, AnInstanceFollowsAParameterWhoseTypeChanged)
{
    AddParam("w", "SgFInt", "3");
    SgRef<SgParametricObject> instance = new SgParametricObject(builder.GetPM());
    ASSERT_NE(instance->getField("w"), nullptr);
    Item w = AddParam("w", "SgFDouble", "2.5");
    Connect(w, &cube->m_width, 0);
    SgPath path;
    path.Append(instance.get());
    SgBoundingBoxAction::CalcBoundingBox(path);
    ASSERT_NE(instance->getField("w"), nullptr);
    EXPECT_EQ(instance->getField("w")->GetClassID(), builder.GetPM()->getParam("w")->m_iType);
    EXPECT_EQ(cube->m_width.Get(true), 2.5);
}

TEST_F(MabrelDlgTest, AddingAParameterAppliesAtOnceAndReplacesOneOfTheSameName)
{
    Item w = AddParam("w", "SgFDouble", "1.5");
    ASSERT_NE(w, 0u);
    SgPMParam *param = builder.GetPM()->getParam("w");
    ASSERT_NE(param, nullptr);
    EXPECT_EQ(*static_cast<const double *>(param->m_pValue->GetValuePtr(0, false)), 1.5);
    EXPECT_EQ(Texts(w), (std::vector<std::string>{"ParameterType: SgFDouble", "Default Value: 1.5"}));
    EXPECT_EQ(builder.GetNameText(), "");
    EXPECT_EQ(builder.GetDefaultText(), "");

    Connect(w, &cube->m_width, 0);
    ASSERT_EQ(builder.GetPM()->getParam("w")->m_points.size(), 1u);
    Item again = AddParam("w", "SgFInt", "3");
    EXPECT_EQ(builder.GetPM()->m_params.size(), 1u);
    EXPECT_TRUE(builder.GetPM()->getParam("w")->m_points.empty()) << "the old connections went";
    EXPECT_FALSE(Tree().Exists(w)) << "the old item went";
    EXPECT_EQ(Texts(again), (std::vector<std::string>{"ParameterType: SgFInt", "Default Value: 3"}));
}

TEST_F(MabrelDlgTest, ANameNoFormulaCanUseIsRefusedWithItsReason)
{
    AddParam("w", "SgFDouble", "1");
    struct Case {
        const char *name;
        const char *message;
    };
    for (const Case &c : {Case{"(w)", "Error: \"(w)\" is no parameter name: a name is one LISP symbol."},
                          Case{"a b", "Error: \"a b\" is no parameter name: a name is one LISP symbol."},
                          Case{"W", "Error: \"W\" differs from the parameter \"w\" only in letter case; "
                                    "formulas would not tell them apart."}}) {
        notifier.messages.clear();
        AddParam(c.name, "SgFDouble", "2");
        EXPECT_EQ(notifier.messages, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(builder.GetPM()->m_params.size(), 1u) << c.name;
        EXPECT_EQ(builder.GetNameText(), c.name) << "the typed name stays to be mended";
    }
}

TEST_F(MabrelDlgTest, EditsEnableAddAndClearAndANewTypeAsksToCopyTheDefault)
{
    builder.SetNameText("w");
    EXPECT_FALSE(builder.GetEnabled().add);
    EXPECT_TRUE(builder.GetEnabled().clear);
    builder.SetDefaultText("2");
    EXPECT_TRUE(builder.GetEnabled().add);
    builder.SelectType(builder.FindType("SgFVec3"));
    EXPECT_EQ(builder.GetDefaultText(), "Copy now!!!");
    EXPECT_EQ(builder.GetTypeText(), "SgFVec3");
    builder.OnButtonClear();
    EXPECT_EQ(builder.GetNameText(), "");
    EXPECT_EQ(builder.GetTypeSelection(), 0);
    EXPECT_FALSE(builder.GetEnabled().clear);
}

// Types match when the classes are equal or one side is the multi-valued
// class of the other's single-valued class.
TEST_F(MabrelDlgTest, ConnectChecksTheFieldTypesAgainstTheParameter)
{
    struct Case {
        const char *type;
        const char *value;
        SgField *field;
        bool accepted;
        const char *what;
    };
    const Case cases[] = {
        {"SgFInt", "1", &material->m_alphaRef, false, "float field on an integer parameter"},
        {"SgFInt", "1", &material->m_alphaBlend, true, "integer on integer"},
        {"SgFInt", "1", &faces->m_coordIndex, true, "multi-valued integers on a single integer"},
        {"SgFFloat", "1", &material->m_shininess, true, "multi-valued floats on a single float"},
        {"SgVFInt", "[1]", &material->m_alphaBlend, true, "a single integer on multi-valued integers"},
        {"SgFFloat", "1", &material->m_alphaBlend, false, "integer field on a float parameter"},
        {"SgFDouble", "1", &material->m_alphaRef, false, "float field on a double parameter"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        notifier.messages.clear();
        Item param = AddParam("p", c.type, c.value);
        ASSERT_NE(param, 0u);
        Connect(param, c.field, 0);
        const SgPMParam *p = builder.GetPM()->getParam("p");
        EXPECT_TRUE(document.GetSelectedFields().empty()) << "the picked field was taken";
        if (c.accepted) {
            EXPECT_TRUE(notifier.messages.empty()) << notifier.messages.front();
            ASSERT_EQ(p->m_points.size(), 1u);
            EXPECT_EQ(p->m_points[0].field, c.field);
            EXPECT_EQ(Texts(param).back(), "Connections ");
        } else {
            EXPECT_EQ(notifier.messages, std::vector<std::string>{"Error: Fields type do not match."});
            EXPECT_TRUE(p->m_points.empty());
            EXPECT_EQ(Texts(param).size(), 2u) << "no Connections item";
        }
    }
}

// With several picked fields, the field and its element index come from the
// same entry, the last one picked.
TEST_F(MabrelDlgTest, ConnectPairsTheLastPickedFieldWithItsOwnIndex)
{
    Item ids = AddParam("n", "SgFInt", "0");
    builder.SelectItem(ids);
    document.AddToSelectedFieldsList(&material->m_alphaRef, 7);
    document.AddToSelectedFieldsList(&faces->m_coordIndex, 3);
    builder.OnButtonConnect();
    const SgPMParam *p = builder.GetPM()->getParam("n");
    ASSERT_EQ(p->m_points.size(), 1u);
    EXPECT_EQ(p->m_points[0].field, &faces->m_coordIndex);
    EXPECT_EQ(p->m_points[0].index, 3) << "not the first entry's 7";
    EXPECT_TRUE(document.GetSelectedFields().empty());
}

TEST_F(MabrelDlgTest, SecondConnectionJoinsTheItemAndDisconnectingTheLastRemovesIt)
{
    Item w = AddParam("w", "SgFDouble", "1");
    Connect(w, &cube->m_width, 0);
    EXPECT_FALSE(builder.GetEnabled().connect) << "the first connection made the item";
    Item connections = Tree().FindChild(w, "Connections ");
    ASSERT_NE(connections, 0u);
    EXPECT_EQ(Texts(connections),
              std::vector<std::string>{"width SgCube " + MabrelDlg::IdText(cube)});
    EXPECT_FALSE(cube->GetID().IsNull()) << "the connected node got its persistent id";

    Connect(w, &cube->m_height, 0);
    EXPECT_TRUE(builder.GetEnabled().connect) << "a second connection leaves Connect enabled";
    EXPECT_EQ(Tree().GetChildren(w).size(), 3u);
    ASSERT_EQ(Tree().GetChildren(connections).size(), 2u);

    // Disconnect the connections one by one: the last one takes the item along.
    for (int left = 1; left >= 0; --left) {
        builder.SelectItem(Tree().GetChildren(connections).front());
        EXPECT_TRUE(builder.GetEnabled().disconnect);
        builder.OnButtonDisconnect();
        EXPECT_EQ(builder.GetPM()->getParam("w")->m_points.size(), std::size_t(left));
        EXPECT_FALSE(builder.GetEnabled().disconnect);
    }
    EXPECT_FALSE(Tree().Exists(connections));
    EXPECT_EQ(Texts(w), (std::vector<std::string>{"ParameterType: SgFDouble", "Default Value: 1"}));
}

TEST_F(MabrelDlgTest, DisconnectOnTheConnectionsItemDropsThemAll)
{
    Item w = AddParam("w", "SgFDouble", "1");
    Connect(w, &cube->m_width, 0);
    Connect(w, &cube->m_height, 0);
    builder.SelectItem(Tree().FindChild(w, "connections "));
    EXPECT_TRUE(builder.GetEnabled().disconnect);
    EXPECT_FALSE(builder.GetEnabled().connect);
    builder.OnButtonDisconnect();
    EXPECT_TRUE(builder.GetPM()->getParam("w")->m_points.empty());
    EXPECT_EQ(Tree().FindChild(w, "Connections "), 0u);
}

TEST_F(MabrelDlgTest, DisconnectTakesExactlyThePointOfItsItem)
{
    Item n = AddParam("n", "SgFInt", "0");
    Connect(n, &faces->m_coordIndex, 2);
    Connect(n, &faces->m_coordIndex, -1);
    Item connections = Tree().FindChild(n, "Connections ");
    builder.SelectItem(Tree().GetChildren(connections).back());
    builder.OnButtonDisconnect();
    const SgPMParam *p = builder.GetPM()->getParam("n");
    ASSERT_EQ(p->m_points.size(), 1u);
    EXPECT_EQ(p->m_points[0].index, 2) << "the whole-field item took another element's point";
}

TEST_F(MabrelDlgTest, SetAsDefaultCopiesThePickedValue)
{
    cube->m_width = 4.25;
    Item w = AddParam("w", "SgFDouble", "1");
    builder.SelectItem(w);
    builder.SetSetAsDefault(true);
    document.AddToSelectedFieldsList(&cube->m_width, 0);
    builder.OnButtonConnect();
    EXPECT_EQ(*static_cast<const double *>(builder.GetPM()->getParam("w")->m_pValue->GetValuePtr(0, false)), 4.25);
    EXPECT_FALSE(builder.GetSetAsDefault()) << "unchecked once the Connections item was made";
    EXPECT_EQ(Texts(w)[1], "Default Value: 4.25");
}

TEST_F(MabrelDlgTest, RemoveDropsTheParameterAndItsItem)
{
    Item w = AddParam("w", "SgFDouble", "1");
    AddParam("h", "SgFDouble", "2");
    builder.SelectItem(w);
    EXPECT_TRUE(builder.GetEnabled().remove);
    EXPECT_EQ(builder.GetNameText(), "w") << "selecting a parameter shows it in the entry fields";
    builder.OnButtonDelparam();
    EXPECT_EQ(builder.GetPM()->getParam("w"), nullptr);
    EXPECT_NE(builder.GetPM()->getParam("h"), nullptr);
    EXPECT_FALSE(Tree().Exists(w));
    EXPECT_FALSE(builder.GetEnabled().remove);
}

// Getting a field's script, then a model script with no picked field, then
// setting: the text goes to the model script, not to the field.
TEST_F(MabrelDlgTest, ScriptsGoToTheFieldOrTheModelChosenLast)
{
    AddParam("w", "SgFDouble", "2");
    document.AddToSelectedFieldsList(&cube->m_width, 0);
    builder.OnButtonGetScript();
    EXPECT_EQ(builder.GetScriptField(), &cube->m_width);
    EXPECT_EQ(builder.GetScriptText(), "");
    EXPECT_TRUE(builder.GetPM()->m_targets.empty()) << "getting a script makes no target";
    builder.SetScriptText("(* w 3)");
    builder.OnButtonSetScript();
    ASSERT_EQ(builder.GetPM()->m_targets.size(), 1u);
    EXPECT_EQ(cube->m_width.Get(true), 6.0) << "the formula runs at once";
    EXPECT_EQ(Texts(0).back(), "FIELDS: ");

    document.ClearSelectedFields();
    builder.SetModelScriptChoice(MabrelDlg::kBasePoint);
    builder.OnButtonGetScript();
    EXPECT_EQ(builder.GetScriptField(), nullptr);
    builder.SetScriptText("(list 0 0 0)");
    builder.OnButtonSetScript();
    EXPECT_EQ(builder.GetPM()->m_controlPointScripts[MabrelDlg::kBasePoint], "(list 0 0 0)");
    EXPECT_EQ(builder.GetPM()->m_targets[0]->script, "(* w 3)");

    // An emptied formula leaves the field free, with its last value.
    document.AddToSelectedFieldsList(&cube->m_width, 0);
    builder.OnButtonGetScript();
    builder.SetScriptText("");
    builder.OnButtonSetScript();
    EXPECT_TRUE(builder.GetPM()->m_targets.empty());
    EXPECT_EQ(Texts(Tree().GetChildren(0).back()), std::vector<std::string>{});
    cube->m_width = 2.5;
    EXPECT_EQ(cube->m_width.Get(true), 2.5);
}

TEST_F(MabrelDlgTest, GetScriptAsksBeforeDroppingAnEditAndNoKeepsIt)
{
    builder.SetScriptText("(+ 1 2)");
    notifier.answer = Notifier::No;
    builder.OnButtonGetScript();
    EXPECT_EQ(notifier.messages, std::vector<std::string>{"Warning: Script changes may be lost. Discard changes ?"});
    EXPECT_EQ(builder.GetScriptText(), "(+ 1 2)");
    EXPECT_TRUE(builder.IsScriptChanged());
    notifier.answer = Notifier::Yes;
    builder.OnButtonGetScript();
    EXPECT_EQ(builder.GetScriptText(), "");
    EXPECT_FALSE(builder.IsScriptChanged());
}

TEST_F(MabrelDlgTest, ALongScriptIsShownWholeInItsFieldLabel)
{
    std::string script = "(+ 1";
    while (script.size() < 20000)
        script += " 1";
    script += ")\r\n\"x\"";
    const std::string label = MabrelDlg::FieldLabel(&cube->m_width, script);
    EXPECT_EQ(label.rfind("Field  width = (+ 1 1", 0), 0u);
    EXPECT_EQ(label.size(), std::string("Field  width = ").size() + script.size() - 1 + 2);
    EXPECT_EQ(label.substr(label.size() - 7), ")\n\"\"x\"\"");
}

TEST_F(MabrelDlgTest, ReopeningOnTheModelFillsTheTreeFromIt)
{
    Item w = AddParam("w", "SgFDouble", "2");
    Connect(w, &cube->m_height, 0);
    document.AddToSelectedFieldsList(&cube->m_width, 0);
    builder.OnButtonGetScript();
    builder.SetScriptText("(* w 2)");
    builder.OnButtonSetScript();

    document.DeselectAll();
    document.GetSelectionHandler()->Select(builder.GetPM(), 0);
    MabrelDlg again(&document);
    again.OnInitDialog();
    EXPECT_EQ(again.GetPM(), builder.GetPM());
    const CParamListTree &tree = again.GetTree();
    ASSERT_EQ(tree.GetChildren(0).size(), 2u);
    EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), "PARAMS: " + MabrelDlg::IdText(again.GetPM()));
    Item param = tree.GetChildItem(tree.GetRootItem());
    std::vector<std::string> texts;
    for (Item child : tree.GetChildren(param))
        texts.push_back(tree.GetItemText(child));
    EXPECT_EQ(texts, (std::vector<std::string>{"ParameterType: SgFDouble", "Default Value:  2", "Connections "}));
    Item fields = tree.GetChildren(0).back();
    EXPECT_EQ(tree.GetItemText(fields), "FIELDS: ");
    ASSERT_EQ(tree.GetChildren(fields).size(), 1u);
    EXPECT_EQ(tree.GetItemText(tree.GetChildItem(fields)), "Field  width = (* w 2)");
    again.SelectItem(tree.GetChildItem(fields));
    EXPECT_EQ(again.GetScriptField(), &cube->m_width);
    EXPECT_EQ(again.GetScriptText(), "(* w 2)");
}

SgParametricModel *FindModel(SgNode *node)
{
    if (auto *model = dynamic_cast<SgParametricModel *>(node))
        return model;
    if (auto *group = dynamic_cast<SgGroup *>(node)) {
        for (SgNode *child : group->GetChildList()) {
            if (SgParametricModel *found = FindModel(child))
                return found;
        }
    }
    return nullptr;
}

// What the builder made is saved with the scene and read back whole: the
// parameter with its default, its connection and the field's formula.
TEST_F(MabrelDlgTest, ABuiltModelIsSavedAndReadBack)
{
    Item w = AddParam("w", "SgFDouble", "1.25");
    Connect(w, &cube->m_height, 0);
    document.AddToSelectedFieldsList(&cube->m_width, 0);
    builder.OnButtonGetScript();
    builder.SetScriptText("(* w 4)");
    builder.OnButtonSetScript();

    std::ostringstream out;
    ASSERT_NE(document.SaveStream(nullptr, &out, ""), 0);
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> other{SgDocument::Create(), &SgDocument::Destroy};
    std::istringstream in(out.str());
    ASSERT_NE(other->ReadFileStream(in, "built.kvrx", true), 0) << out.str();
    SgParametricModel *model = FindModel(other->GetRoot());
    ASSERT_NE(model, nullptr) << out.str();
    SgPMParam *param = model->getParam("w");
    ASSERT_NE(param, nullptr);
    EXPECT_EQ(*static_cast<const double *>(param->m_pValue->GetValuePtr(0, false)), 1.25);
    ASSERT_EQ(param->m_points.size(), 1u);
    EXPECT_STREQ(param->m_points[0].field->GetFieldName(), "height");
    ASSERT_EQ(model->m_targets.size(), 1u);
    EXPECT_EQ(model->m_targets[0]->script, "(* w 4)");
    auto *read = dynamic_cast<SgCube *>(model->m_targets[0]->field->GetContainer());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->m_width.Get(true), 5.0);
}

class CountingView : public CCadDlg::View {
public:
    void EndDialog(int code) override { ends.push_back(code); }
    std::vector<int> ends;
};

// Cancel hides the window through the base once and never acts on a window
// that has gone; OK also empties the picked fields.
TEST_F(MabrelDlgTest, CancelAndOkOnlyCloseAndNeverReachAGoneWindow)
{
    int reports = 0;
    document.SetCloseDialogCallback([](void *owner, void *) { ++*static_cast<int *>(owner); }, &reports);
    {
        CountingView view;
        builder.SetView(&view);
        builder.Opened();
        builder.OnCancel();
        EXPECT_EQ(view.ends, std::vector<int>{CCadDlg::kIdCancel});
        builder.SetView(nullptr); // the window goes
    }
    builder.Opened();
    builder.OnCancel();
    EXPECT_EQ(reports, 2);
    document.AddToSelectedFieldsList(&cube->m_width, 0);
    builder.Opened();
    builder.OnOK();
    EXPECT_TRUE(document.GetSelectedFields().empty());
    EXPECT_NE(builder.GetPM(), nullptr) << "the model stays";
    document.SetCloseDialogCallback(nullptr, nullptr);
}

TEST_F(MabrelDlgTest, LabelEditsStartOnlyOnLeaves)
{
    Item w = AddParam("w", "SgFDouble", "1");
    EXPECT_FALSE(builder.OnBeginlabeleditTreeParamlist(w));
    EXPECT_TRUE(builder.OnBeginlabeleditTreeParamlist(Tree().GetChildItem(w)));
    EXPECT_FALSE(builder.OnBeginlabeleditTreeParamlist(9999));
}

} // namespace
