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

template <class Dialog>
std::unique_ptr<CCadDlg> MakeStayDialog(SgDocument &document)
{
    return std::make_unique<Dialog>(&document);
}

// The dialog's own type, for the steps that use what only it has.
template <class Dialog, class Step>
std::function<void(CCadDlg &)> As(Step step)
{
    return [step](CCadDlg &base) { step(static_cast<Dialog &>(base)); };
}

const DialogStayCase kDialogStayCases[] = {
    {"LightDialogLeavesNoLightBehind", {"box"}, MakeStayDialog<CLightDlg>,
     As<CLightDlg>([](CLightDlg &dialog) { dialog.OnInitDialog(); }),
     As<CLightDlg>([](CLightDlg &dialog) {
         dialog.OnLight(CLightDlg::kDirectional);
         dialog.SetAlpha(90);
         dialog.SetOn(true);
         dialog.SetColor(10, 200, 30);
         dialog.SetIntensity(40);
         dialog.InitLightSelection(); // "Refresh"
         dialog.OnLight(CLightDlg::kSpot);
         dialog.SetLocation(1, 4.5);
         dialog.SetCutOffAngle(30);
     })},
    {"LightDialogOnTheViewSceneLeavesItsLightAsItWas", {}, MakeStayDialog<CLightDlg>,
     As<CLightDlg>([](CLightDlg &dialog) { dialog.OnInitDialog(); }),
     As<CLightDlg>([](CLightDlg &dialog) {
         dialog.OnLight(CLightDlg::kPoint);
         dialog.SetLocation(0, -2);
         dialog.OnDeleteLight();
         dialog.OnLight(CLightDlg::kSpot);
         dialog.SetDropOffRate(12);
     })},
    {"FontDialogApplyThenCancelKeepsNoFont", {"box"}, MakeStayDialog<CFontDlg>,
     As<CFontDlg>([](CFontDlg &dialog) { dialog.OnInitDialog(); }),
     As<CFontDlg>([](CFontDlg &dialog) {
         dialog.SetFace("DejaVu Sans");
         dialog.SetPointSize(30);
         dialog.SetBold(true);
         dialog.SetItalic(true);
         dialog.OnApply();
         dialog.SetPointSize(12);
         dialog.OnApply();
     })},
    {"TextAlongAPathLeavesNoTextObject", {"ring"}, MakeStayDialog<CTextWrapperDlg>,
     As<CTextWrapperDlg>([](CTextWrapperDlg &dialog) { dialog.OnInitDialog(); }),
     As<CTextWrapperDlg>([](CTextWrapperDlg &dialog) {
         dialog.OnTextChanged("Curved words");
         dialog.SetCheck(CTextWrapperDlg::kPath, true);
         dialog.SetCheck(CTextWrapperDlg::kScale, true);
         dialog.SetPhase(2.0);
         dialog.OnChecksOrPhase();
         dialog.OnProfile();
     })},
    {"ColourDialogApplyThenCancelRestoresTheOpening", {"box", "ring"}, MakeStayDialog<CColorDlg>,
     As<CColorDlg>([](CColorDlg &dialog) { dialog.OnInitDialog(); }),
     As<CColorDlg>([](CColorDlg &dialog) {
         dialog.SetRed(12);
         dialog.OnApply();
         dialog.SetShininessEdit(0.9);
         dialog.SetTransparentSlider(30);
         dialog.SetLinkAmbient(false);
         dialog.OnDisconnect();
         dialog.SetBlue(250);
     })},
    {"AlignDialogApplyThenCancelRestoresTheOpening", {"box", "twin box", "ring"}, MakeStayDialog<CAlignDlg>,
     As<CAlignDlg>([](CAlignDlg &dialog) {
         dialog.SetSelectionList(dialog.GetDocument()->GetSelectionHandler()->GetPathList());
         dialog.OnInitDialog();
     }),
     As<CAlignDlg>([](CAlignDlg &dialog) {
         dialog.SetPosition(0, true);
         dialog.OnApply();
         dialog.SetPosition(1, true);
         dialog.SetObjectsPoint(CAlignDlg::kMinimum);
         dialog.SetOrientation(2, true);
         dialog.SetPosition(1, false);
     })},
    {"DisplayDialogHidingIsTakenBack", {"box"}, MakeStayDialog<CDisplayDlg>, nullptr,
     As<CDisplayDlg>([](CDisplayDlg &dialog) {
         dialog.OnHideUnselected();
         dialog.OnUnhideAll();
         dialog.OnHideSelected();
     })},
    {"LayersDialogNewLayerAndMoveAreTakenBack", {"box"}, MakeStayDialog<CLayersDlg>,
     As<CLayersDlg>([](CLayersDlg &dialog) { dialog.OnInitDialog(); }),
     As<CLayersDlg>([](CLayersDlg &dialog) {
         dialog.OnAddLayer();
         dialog.OnAddToLayer();
     })},
    {"TextureDialogApplyThenCancelLeavesNoTexture", {"box", "ring"}, MakeStayDialog<CTextureDlg>,
     As<CTextureDlg>([](CTextureDlg &dialog) {
         dialog.SetPathList(dialog.GetDocument()->GetSelectionHandler()->GetPathList());
         dialog.InitTextureSelection(0);
     }),
     As<CTextureDlg>([](CTextureDlg &dialog) {
         dialog.OnRotation(45);
         dialog.OnMoveSlider(0, 120);
         dialog.OnApply();
         dialog.OnModel(2);
         dialog.OnWraps(false, true);
         dialog.OnAddLayer();
         dialog.OnBlendEdit(30);
     })},
};

class DialogStayTest : public testing::TestWithParam<DialogStayCase> {
protected:
    SampleSceneDocument scene;
};

} // namespace

TEST_P(DialogStayTest, CancelAndOkThenUndoGiveTheOpeningBack)
{
    CheckDialogStay(scene, GetParam());
}

INSTANTIATE_TEST_SUITE_P(EveryDialog, DialogStayTest, testing::ValuesIn(kDialogStayCases),
                         [](const testing::TestParamInfo<DialogStayCase> &info) { return info.param.name; });
