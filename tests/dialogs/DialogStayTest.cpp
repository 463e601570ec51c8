// Every dialog on the sample scene: Cancel gives back the scene text of its
// opening, and so does OK followed by one Undo, whatever kinds of fields the
// user changed meanwhile (radio buttons, numbers, check boxes, Apply).
#include <gtest/gtest.h>

#include "dialogs/CAlignDlg.h"
#include "dialogs/CColorDlg.h"
#include "dialogs/CDisplayDlg.h"
#include "dialogs/CFontDlg.h"
#include "dialogs/CLayersDlg.h"
#include "dialogs/CLightDlg.h"
#include "dialogs/CTextWrapperDlg.h"
#include "dialogs/CTextureDlg.h"
#include "tests/dialogs/DialogStayHarness.h"

namespace {

class DialogStayTest : public testing::Test {
protected:
    SampleSceneDocument scene;
};

} // namespace

TEST_F(DialogStayTest, LightDialogLeavesNoLightBehind)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box"}); },
        [&] {
            auto dialog = std::make_unique<CLightDlg>(&scene.document);
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CLightDlg &>(base);
            dialog.OnLight(CLightDlg::kDirectional);
            dialog.SetAlpha(90);
            dialog.SetOn(true);
            dialog.SetColor(10, 200, 30);
            dialog.SetIntensity(40);
            dialog.InitLightSelection(); // "Refresh"
            dialog.OnLight(CLightDlg::kSpot);
            dialog.SetLocation(1, 4.5);
            dialog.SetCutOffAngle(30);
        });
}

TEST_F(DialogStayTest, LightDialogOnTheViewSceneLeavesItsLightAsItWas)
{
    CheckDialogStay(
        scene, [&] { scene.Select({}); },
        [&] {
            auto dialog = std::make_unique<CLightDlg>(&scene.document);
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CLightDlg &>(base);
            dialog.OnLight(CLightDlg::kPoint);
            dialog.SetLocation(0, -2);
            dialog.OnDeleteLight();
            dialog.OnLight(CLightDlg::kSpot);
            dialog.SetDropOffRate(12);
        });
}

TEST_F(DialogStayTest, FontDialogApplyThenCancelKeepsNoFont)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box"}); },
        [&] {
            auto dialog = std::make_unique<CFontDlg>(&scene.document);
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CFontDlg &>(base);
            dialog.SetFace("DejaVu Sans");
            dialog.SetPointSize(30);
            dialog.SetBold(true);
            dialog.SetItalic(true);
            dialog.OnApply();
            dialog.SetPointSize(12);
            dialog.OnApply();
        });
}

TEST_F(DialogStayTest, TextAlongAPathLeavesNoTextObject)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"ring"}); },
        [&] {
            auto dialog = std::make_unique<CTextWrapperDlg>(&scene.document);
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CTextWrapperDlg &>(base);
            dialog.OnTextChanged("Curved words");
            dialog.SetCheck(CTextWrapperDlg::kPath, true);
            dialog.SetCheck(CTextWrapperDlg::kScale, true);
            dialog.SetPhase(2.0);
            dialog.OnChecksOrPhase();
            dialog.OnProfile();
        });
}

TEST_F(DialogStayTest, ColourDialogApplyThenCancelRestoresTheOpening)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box", "ring"}); },
        [&] {
            auto dialog = std::make_unique<CColorDlg>(&scene.document);
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CColorDlg &>(base);
            dialog.SetRed(12);
            dialog.OnApply();
            dialog.SetShininessEdit(0.9);
            dialog.SetTransparentSlider(30);
            dialog.SetLinkAmbient(false);
            dialog.OnDisconnect();
            dialog.SetBlue(250);
        });
}

TEST_F(DialogStayTest, AlignDialogApplyThenCancelRestoresTheOpening)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box", "twin box", "ring"}); },
        [&] {
            auto dialog = std::make_unique<CAlignDlg>(&scene.document);
            dialog->SetSelectionList(scene.document.GetSelectionHandler()->GetPathList());
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CAlignDlg &>(base);
            dialog.SetPosition(0, true);
            dialog.OnApply();
            dialog.SetPosition(1, true);
            dialog.SetObjectsPoint(CAlignDlg::kMinimum);
            dialog.SetOrientation(2, true);
            dialog.SetPosition(1, false);
        });
}

TEST_F(DialogStayTest, DisplayDialogHidingIsTakenBack)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box"}); },
        [&] { return std::make_unique<CDisplayDlg>(&scene.document); },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CDisplayDlg &>(base);
            dialog.OnHideUnselected();
            dialog.OnUnhideAll();
            dialog.OnHideSelected();
        });
}

TEST_F(DialogStayTest, LayersDialogNewLayerAndMoveAreTakenBack)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box"}); },
        [&] {
            auto dialog = std::make_unique<CLayersDlg>(&scene.document);
            dialog->OnInitDialog();
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CLayersDlg &>(base);
            dialog.OnAddLayer();
            dialog.OnAddToLayer();
        });
}

TEST_F(DialogStayTest, TextureDialogApplyThenCancelLeavesNoTexture)
{
    CheckDialogStay(
        scene, [&] { scene.Select({"box", "ring"}); },
        [&] {
            auto dialog = std::make_unique<CTextureDlg>(&scene.document);
            dialog->SetPathList(scene.document.GetSelectionHandler()->GetPathList());
            dialog->InitTextureSelection(0);
            return dialog;
        },
        [](CCadDlg &base) {
            auto &dialog = static_cast<CTextureDlg &>(base);
            dialog.OnRotation(45);
            dialog.OnMoveSlider(0, 120);
            dialog.OnApply();
            dialog.OnModel(2);
            dialog.OnWraps(false, true);
            dialog.OnAddLayer();
            dialog.OnBlendEdit(30);
        });
}
