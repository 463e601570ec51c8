// Every dialog on the sample scene: Cancel gives back the scene text of its
// opening, and so does OK followed by one Undo, whatever kinds of fields the
// user changed meanwhile (radio buttons, numbers, check boxes, Apply).
#include <gtest/gtest.h>

#include "dialogs/CAlignDlg.h"
#include "dialogs/CAnimationDlg.h"
#include "dialogs/CColorDlg.h"
#include "dialogs/CDisplayDlg.h"
#include "dialogs/CFontDlg.h"
#include "dialogs/CLayersDlg.h"
#include "dialogs/CLightDlg.h"
#include "dialogs/CTextWrapperDlg.h"
#include "dialogs/CTextureDlg.h"
#include "dialogs/CustomDlg.h"
#include "dialogs/MovieDlg.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/dialogs/DialogStayHarness.h"
#include "tests/dialogs/SplineSceneNodes.h"

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

// The selected object's place, moved as the user moves it between two keys.
void MoveFirstSelected(CCadDlg &dialog, const Vec3 &to)
{
    const SgPathList &selected = dialog.GetDocument()->GetSelectionHandler()->GetPathList();
    POSITION at = selected.GetFirst();
    const SgPath path = selected.GetNext(at);
    auto *object = dynamic_cast<SgObject *>(path.GetObject(true));
    ASSERT_NE(object, nullptr);
    object->GetTransform(true)->m_translation = to;
}

// The nodes by which the custom spline dialog named "L1" finds its fields.
void AddSplineNodes(SampleSceneDocument &scene)
{
    RegisterSplineSceneNodes();
    auto *params = new SgSplineParamsTest;
    params->SetName("SplineParamsL1");
    auto *length = new SgSplineLenTest;
    length->SetName("SplineLenL1");
    scene.document.GetRoot()->AddChild(params);
    scene.document.GetRoot()->AddChild(length);
}

std::unique_ptr<CCadDlg> MakeCustomDialog(SgDocument &document)
{
    return std::make_unique<CustomDlg>(&document, "L1");
}

// A movie maker that only answers: what it writes is tested with the facade.
std::unique_ptr<CCadDlg> MakeMovieDialog(SgDocument &document)
{
    auto dialog = std::make_unique<MovieDlg>(&document);
    dialog->SetMovieFunction([](const MovieDlg::Request &) { return 1; });
    return dialog;
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
    {"AnimationDialogRecordingLeavesNoKeys", {"box"}, MakeStayDialog<CAnimationDlg>,
     As<CAnimationDlg>([](CAnimationDlg &dialog) { dialog.OnInitDialog(); }),
     As<CAnimationDlg>([](CAnimationDlg &dialog) {
         dialog.OnFrameSlider(0);
         dialog.OnRecord();
         MoveFirstSelected(dialog, Vec3(1, 2, 3));
         dialog.OnFrameEdit(40);
         dialog.OnRecord();
         MoveFirstSelected(dialog, Vec3(-1, 0, 5));
         dialog.OnFrameSlider(80);
         dialog.OnRecord();
         dialog.OnFrameSlider(40); // a key replaced
         MoveFirstSelected(dialog, Vec3(0, 1, 0));
         dialog.OnRecord();
         dialog.OnResolutionSlider(20);
         dialog.SetAutoStep(5);
         dialog.OnPrevKey();
         dialog.OnFrameSlider(60); // played between two keys
     })},
    {"CustomSplineDialogMarginsAndWireAreTakenBack", {}, MakeCustomDialog,
     As<CustomDlg>([](CustomDlg &dialog) { dialog.OnInitDialog(); }),
     As<CustomDlg>([](CustomDlg &dialog) {
         dialog.SetMargins(10, 35);
         dialog.OnWireType(4);
         dialog.OnTimer();
         dialog.OnReset();
         dialog.SetMargins(5, 60);
     }),
     AddSplineNodes},
    {"MovieDialogChangesNothingInTheScene", {"box"}, MakeMovieDialog, nullptr,
     As<MovieDlg>([](MovieDlg &dialog) {
         EXPECT_TRUE(dialog.SelectFormatByExtension("gif"));
         EXPECT_TRUE(dialog.TakeText(MovieDlg::Box::kWidth, "320"));
         EXPECT_FALSE(dialog.TakeText(MovieDlg::Box::kHeight, "abc"));
         EXPECT_TRUE(dialog.TakeText(MovieDlg::Box::kQuality, "250"));
         EXPECT_TRUE(dialog.TakeText(MovieDlg::Box::kClipStart, "10"));
         dialog.file = testing::TempDir() + "stay.gif";
         EXPECT_EQ(dialog.OnCreate(), 1);
     }),
     nullptr, false},
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
