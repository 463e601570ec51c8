// A modeless dialog stays open while the user goes on editing in the main
// window: Cancel takes back the dialog's changes only, OK followed by one Undo
// too, and an edit the window made of what the dialog had changed is never
// lost.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dialogs/CColorDlg.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "tests/dialogs/DialogStayHarness.h"
#include "utilities/math/Color.h"
#include "utilities/math/Vec3.h"

namespace {

// What the main window does meanwhile: a command that is one undo step (a
// key point of its own) and a field edit outside any key point, as the
// field editor makes one.
void EditInTheWindow(SampleSceneDocument &scene)
{
    {
        SgKeyPoint command(&scene.document);
        scene.Find("ring")->GetTransform(false)->m_translation = Vec3(5, 0, 0);
    }
    scene.Find("twin box")->m_hide = 1;
}

std::string WindowEditAlone()
{
    SampleSceneDocument reference;
    EditInTheWindow(reference);
    return reference.SceneText();
}

class DialogWindowEditsTest : public testing::Test {
protected:
    // The colour dialog on "box", opened as the facade opens it, one slider
    // moved by the user.
    std::unique_ptr<CColorDlg> OpenAndChange()
    {
        scene.Select({"box"});
        auto dialog = std::make_unique<CColorDlg>(&scene.document);
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
        dialog->Opened();
        dialog->SetRed(12);
        return dialog;
    }

    SampleSceneDocument scene;
};

} // namespace

TEST_F(DialogWindowEditsTest, CancelKeepsWhatTheWindowDidMeanwhile)
{
    const std::string expected = WindowEditAlone();
    std::unique_ptr<CColorDlg> dialog = OpenAndChange();
    EditInTheWindow(scene);
    {
        CCadDlg::Acting acting(*dialog);
        dialog->SetBlue(250); // the dialog again, after the window
    }
    dialog->OnCancel();
    EXPECT_EQ(scene.SceneText(), expected);
    // The window's steps are whole: two Undos take them back.
    scene.document.Undo();
    scene.document.Undo();
    EXPECT_EQ(scene.SceneText(), SampleSceneDocument().SceneText());
}

TEST_F(DialogWindowEditsTest, OkThenOneUndoTakesBackTheDialogOnly)
{
    const std::string expected = WindowEditAlone();
    std::unique_ptr<CColorDlg> dialog = OpenAndChange();
    EditInTheWindow(scene);
    dialog->OnOK();
    EXPECT_NE(scene.SceneText(), expected) << "OK keeps the dialog's change";
    scene.document.Undo();
    EXPECT_EQ(scene.SceneText(), expected);
}

// The window changes the very colour the dialog had changed: Cancel keeps
// the window's colour (and says that the dialog's change of it stayed)
// instead of taking it back with the dialog's.
TEST_F(DialogWindowEditsTest, CancelNeverUndoesAWindowEditOfWhatTheDialogChanged)
{
    std::unique_ptr<CColorDlg> dialog = OpenAndChange();
    SgMaterial *material = dialog->GetMaterial();
    ASSERT_NE(material, nullptr);
    material->m_diffuseColor.SetValue(0, Color(0.5, 0.25, 0.125, 1.0));
    SgDiagCapture capture;
    dialog->OnCancel();
    EXPECT_EQ(material->m_diffuseColor.GetValue(0), Color(0.5, 0.25, 0.125, 1.0));
    EXPECT_TRUE(capture.Contains("changes of the dialog stayed") || capture.Contains("change of the dialog stayed"))
        << capture.GetText();
}
