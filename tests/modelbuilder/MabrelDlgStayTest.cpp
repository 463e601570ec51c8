// The model builder on the sample scene: opening it wraps the selected
// object in a new model, and Cancel (or OK and one Undo) gives back the
// scene text of the opening exactly, DEF names included: no name is left on
// the object the model held, nor on a node a parameter was connected to.
#include <gtest/gtest.h>

#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "modelbuilder/MabrelDlg.h"
#include "platform/Notifier.h"
#include <sstream>
#include <string>

#include "tests/dialogs/DialogStayHarness.h"

namespace {

class SilentNotifier : public Notifier {
public:
    int Message(const std::string &, const std::string &, Buttons, Icon) override { return Ok; }
};

} // namespace

namespace {

// A parameter "w" with a default, and its script.
void AddParameterW(MabrelDlg &builder)
{
    builder.SetNameText("w");
    builder.SelectType(builder.FindType("SgFFloat"));
    builder.SetDefaultText("0.5");
    builder.OnButtonAddparam();
    builder.SetModelScriptChoice(MabrelDlg::kSetParameter);
    builder.SetScriptText("(setq w 0.25)");
    builder.OnButtonSetScript();
}

// "w" connected to the shininess of the ring's own material: the material is
// marked connected, and written named, while the connection holds.
void ConnectWToTheShininess(MabrelDlg &builder, SampleSceneDocument &scene)
{
    const CParamListTree &tree = builder.GetTree();
    CParamListTree::Item w = 0;
    for (CParamListTree::Item item : tree.GetChildren(tree.GetRootItem()))
        if (tree.GetItemText(item) == "ParameterName: w")
            w = item;
    ASSERT_NE(w, 0);
    auto *material = static_cast<SgMaterial *>(scene.Find("ring")->FindPropertyNode(SgMaterial::ClassID()));
    ASSERT_NE(material, nullptr);
    builder.SelectItem(w);
    scene.document.AddToSelectedFieldsList(&material->m_shininess, 0);
    builder.OnButtonConnect();
    ASSERT_TRUE(material->IsConnected());
}

std::unique_ptr<CCadDlg> MakeBuilder(SgDocument &document) { return std::make_unique<MabrelDlg>(&document); }

void OpenBuilder(CCadDlg &base) { static_cast<MabrelDlg &>(base).OnInitDialog(); }

} // namespace

TEST(MabrelDlgStayTest, CancelAndOkThenUndoLeaveTheSceneAsOpened)
{
    SilentNotifier notifier;
    Notifier *previous = SetNotifier(&notifier);
    SampleSceneDocument scene;
    CheckDialogStay(scene, {"ModelBuilder", {"box"}, MakeBuilder, OpenBuilder,
                            [](CCadDlg &base) { AddParameterW(static_cast<MabrelDlg &>(base)); }});
    CheckDialogStay(scene, {"ModelBuilderConnected", {"box"}, MakeBuilder, OpenBuilder, [&](CCadDlg &base) {
                                auto &builder = static_cast<MabrelDlg &>(base);
                                AddParameterW(builder);
                                ConnectWToTheShininess(builder, scene);
                            }});
    SetNotifier(previous);
}

// A builder made before its document is known takes it before it opens.
TEST(MabrelDlgStayTest, ABuilderTakesItsDocumentBeforeItOpens)
{
    SampleSceneDocument scene;
    scene.Select({"twin box"});
    MabrelDlg builder(nullptr);
    EXPECT_EQ(builder.GetDocument(), nullptr);
    builder.SetDocument(&scene.document);
    const std::string opening = scene.SceneText();
    {
        CCadDlg::Acting acting(builder);
        builder.OnInitDialog();
    }
    ASSERT_NE(builder.GetPM(), nullptr);
    EXPECT_NE(scene.SceneText(), opening) << "the twin box is wrapped in a new model";
    builder.OnCancel();
    EXPECT_EQ(scene.SceneText(), opening);
}
