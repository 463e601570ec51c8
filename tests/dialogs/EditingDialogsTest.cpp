// The editing dialogs' logic against a document: the material colour, light,
// alignment, animation, display and font dialogs, as their windows drive them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "dialogs/CAlignDlg.h"
#include "dialogs/CAnimationDlg.h"
#include "dialogs/CColorDlg.h"
#include "dialogs/CDisplayDlg.h"
#include "dialogs/CFontDlg.h"
#include "dialogs/CLightDlg.h"
#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/tools/SgAlign.h"
#include "platform/SgChoosers.h"
#include "engine/render/SgViewport.h"
#include "tests/engine/viewer/WindowHarness.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/handlers/SgManipulator.h"

namespace {

// A document that records undo, with objects added on demand.
class EditingDialogsTest : public testing::Test {
protected:
    void SetUp() override { document.SetUndoRecording(true); }
    void TearDown() override { Selection()->DeselectAll(); }

    SgSelectionHandler *Selection() { return document.GetSelectionHandler(); }
    // An object holding a cube of size 2 centred at `at`.
    SgObject *Box(const Vec3 &at)
    {
        auto *object = new SgObject(true, true);
        auto *cube = new SgCube;
        cube->m_width.Set(2.0);
        cube->m_height.Set(2.0);
        cube->m_depth.Set(2.0);
        object->AddChild(cube);
        object->SetMove(at);
        document.GetRoot()->AddChild(object);
        return object;
    }
    SgMaterial *MaterialOf(SgObject *object)
    {
        return static_cast<SgMaterial *>(object->FindPropertyNode(SgMaterial::ClassID()));
    }
    SgMaterial *GiveMaterial(SgObject *object, const Color &diffuse, const Color &specular)
    {
        auto *material = new SgMaterial;
        material->m_diffuseColor.SetValue(0, diffuse);
        material->m_specularColor.SetValue(0, specular);
        object->AddPropertyNode(material, true);
        return material;
    }

    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{(SgNodara::Init(), SgDocument::Create()),
                                                               &SgDocument::Destroy};
    SgDocument &document = *holder;
};

} // namespace

// ---- Material colour -------------------------------------------------------------------------

TEST_F(EditingDialogsTest, ColourDialogQuantisesTheDiffuseColourAndGreysTheSpecular)
{
    SgObject *box = Box(Vec3(0, 0, 0));
    SgMaterial *material = GiveMaterial(box, Color(0.5, 0.25, 0.999, 0.5), Color(0.2, 0.5, 0.7, 1));
    Selection()->Select(box, 0);
    CColorDlg dialog(&document);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.GetRed(), 127);
    EXPECT_EQ(dialog.GetGreen(), 63);
    EXPECT_EQ(dialog.GetBlue(), 254);
    EXPECT_EQ(dialog.GetTransparentSlider(), 50);
    const Color diffuse = material->m_diffuseColor.GetValue(0);
    EXPECT_FLOAT_EQ(diffuse.r, 127 / 255.0f);
    EXPECT_FLOAT_EQ(diffuse.g, 63 / 255.0f);
    EXPECT_FLOAT_EQ(diffuse.b, 254 / 255.0f);
    EXPECT_FLOAT_EQ(diffuse.a, 0.5f);
    const Color specular = material->m_specularColor.GetValue(0);
    EXPECT_FLOAT_EQ(specular.r, 0.2f);
    EXPECT_FLOAT_EQ(specular.g, 0.2f);
    EXPECT_FLOAT_EQ(specular.b, 0.2f);
    dialog.OnOK();
}

TEST_F(EditingDialogsTest, ColourEditsStayWithinTheirRanges)
{
    SgObject *box = Box(Vec3(0, 0, 0));
    Selection()->Select(box, 0);
    CColorDlg dialog(&document);
    dialog.OnInitDialog();
    const struct {
        int channel;
        int typed;
        int kept;
    } cases[] = {{0, 300, 255}, {1, -5, 0}, {2, 256, 255}, {0, 128, 128}};
    for (const auto &c : cases) {
        dialog.SetChannel(c.channel, c.typed);
        EXPECT_EQ(dialog.GetChannel(c.channel), c.kept) << c.typed;
        const Color diffuse = MaterialOf(box)->m_diffuseColor.GetValue(0);
        EXPECT_LE(diffuse[c.channel], 1.0f);
        EXPECT_GE(diffuse[c.channel], 0.0f);
    }
    dialog.SetTransparentEdit(1.7);
    EXPECT_EQ(dialog.GetTransparentSlider(), 100);
    dialog.SetSpecularEdit(4.0);
    EXPECT_LE(MaterialOf(box)->m_specularColor.GetValue(0).r, 1.0f);
    dialog.OnOK();
}

// Apply shows the colour in the scene; Cancel still takes back everything
// since the dialog opened, Apply's colour included.
TEST_F(EditingDialogsTest, CancelAfterApplyRevertsToTheOpening)
{
    SgObject *box = Box(Vec3(0, 0, 0));
    SgMaterial *material = GiveMaterial(box, Color(0, 0, 0, 1), Color(0, 0, 0, 1));
    Selection()->Select(box, 0);
    CColorDlg dialog(&document);
    CCadDlg::Acting acting(dialog); // as the dialog's window drives it
    dialog.OnInitDialog();
    dialog.SetRed(200);
    dialog.OnApply();
    EXPECT_FLOAT_EQ(material->m_diffuseColor.GetValue(0).r, 200 / 255.0f);
    dialog.SetGreen(100);
    dialog.SetBlue(50);
    dialog.OnCancel();
    const Color diffuse = material->m_diffuseColor.GetValue(0);
    EXPECT_FLOAT_EQ(diffuse.r, 0.0f);
    EXPECT_FLOAT_EQ(diffuse.g, 0.0f);
    EXPECT_FLOAT_EQ(diffuse.b, 0.0f);
}

TEST_F(EditingDialogsTest, CancelWithoutApplyRevertsEverything)
{
    SgObject *box = Box(Vec3(0, 0, 0));
    SgMaterial *material = GiveMaterial(box, Color(0, 0, 0, 1), Color(0, 0, 0, 1));
    Selection()->Select(box, 0);
    CColorDlg dialog(&document);
    CCadDlg::Acting acting(dialog); // as the dialog's window drives it
    dialog.OnInitDialog();
    dialog.SetRed(200);
    dialog.OnCancel();
    EXPECT_FLOAT_EQ(material->m_diffuseColor.GetValue(0).r, 0.0f);
}

TEST_F(EditingDialogsTest, FirstObjectWithoutMaterialGetsOneTheOthersShare)
{
    SgObject *first = Box(Vec3(0, 0, 0));
    SgObject *second = Box(Vec3(3, 0, 0));
    GiveMaterial(second, Color(1, 0, 0, 1), Color(0, 0, 0, 1));
    Selection()->Select(first, 0);
    Selection()->Select(second, 0);
    ASSERT_EQ(Selection()->GetSelCount(), 2);
    CColorDlg dialog(&document);
    dialog.OnInitDialog();
    ASSERT_NE(MaterialOf(first), nullptr);
    EXPECT_EQ(MaterialOf(first), MaterialOf(second));
    EXPECT_EQ(MaterialOf(first), dialog.GetMaterial());
    // Disconnect gives them a copy of their own, still shared by the selection.
    SgMaterial *before = dialog.GetMaterial();
    dialog.OnDisconnect();
    EXPECT_NE(dialog.GetMaterial(), before);
    EXPECT_EQ(MaterialOf(first), dialog.GetMaterial());
    EXPECT_EQ(MaterialOf(second), dialog.GetMaterial());
    dialog.OnOK();
}

TEST_F(EditingDialogsTest, ColourPreviewDrawsTheSphereInTheEditedColour)
{
    SgObject *box = Box(Vec3(0, 0, 0));
    Selection()->Select(box, 0);
    CColorDlg dialog(&document);
    dialog.OnInitDialog();
    dialog.SetColor(255, 0, 0);
    std::vector<unsigned char> rgb;
    ASSERT_TRUE(dialog.RenderPreview(48, 48, rgb));
    ASSERT_EQ(rgb.size(), size_t(48 * 48 * 3));
    const unsigned char *centre = &rgb[(24 * 48 + 24) * 3];
    EXPECT_GT(centre[0], centre[1] + 60) << int(centre[0]) << "," << int(centre[1]) << "," << int(centre[2]);
    EXPECT_GT(centre[0], centre[2] + 60);
    dialog.SetColor(0, 0, 255);
    ASSERT_TRUE(dialog.RenderPreview(48, 48, rgb));
    centre = &rgb[(24 * 48 + 24) * 3];
    EXPECT_GT(centre[2], centre[0] + 60) << "the preview follows the material";
    EXPECT_EQ(document.GetViewerCount(), 0) << "the preview's viewer is the dialog's own";
    EXPECT_FALSE(dialog.RenderPreview(0, 10, rgb));
    dialog.OnOK();
}

// ---- Light -----------------------------------------------------------------------------------

TEST_F(EditingDialogsTest, LightAnglesAndDirectionsConvert)
{
    Vec3 direction;
    CLightDlg::AngleToDirection(direction, 90, 0);
    EXPECT_NEAR(direction.x, 1.0, 1e-12);
    EXPECT_NEAR(direction.y, 0.0, 1e-12);
    EXPECT_NEAR(direction.z, 0.0, 1e-12);
    double alpha = 0, beta = 0;
    CLightDlg::DirectionToAngle(Vec3(0, 1, 0), alpha, beta);
    EXPECT_NEAR(beta, 90.0, 1e-9);
    // A vector too short to measure takes y itself.
    CLightDlg::DirectionToAngle(Vec3(0, 1e-6, 0), alpha, beta);
    EXPECT_NEAR(beta, std::asin(1e-6) * 180 / 3.14159265358979, 1e-9);
}

TEST_F(EditingDialogsTest, LightOfTheSelectedObjectIsEditedAndTurnedOff)
{
    SgObject *lamp = Box(Vec3(0, 0, 0));
    SgLight *light = lamp->AddLight(nullptr, SgDirLight::ClassID());
    ASSERT_NE(light, nullptr);
    Selection()->Select(lamp, 0);
    CLightDlg dialog(&document);
    CCadDlg::Acting acting(dialog); // as the dialog's window drives it
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.GetActiveID(), CLightDlg::kDirectional);
    EXPECT_TRUE(dialog.GetGroups().direction);
    EXPECT_FALSE(dialog.GetGroups().location);
    dialog.SetAlpha(90);
    const Vec3 direction = static_cast<SgDirLight *>(light)->m_direction.Get();
    EXPECT_NEAR(direction.x, 1.0, 1e-9);
    EXPECT_NEAR(direction.z, 0.0, 1e-9);
    EXPECT_STREQ(dialog.GetOnCaption(), "Light ON");
    dialog.SetOn(false);
    EXPECT_STREQ(dialog.GetOnCaption(), "Light OFF");
    EXPECT_EQ(light->m_on.Get(), 0);
    dialog.SetColor(300, 0, 255);
    EXPECT_FLOAT_EQ(light->m_color.Get().r, 1.0f);
    dialog.OnCancel();
    EXPECT_EQ(light->m_on.Get(), 1) << "Cancel reverts the changes";
}

TEST_F(EditingDialogsTest, SpotLightReplacesTheDirectionalOneAndTwoObjectsHaveNone)
{
    SgObject *lamp = Box(Vec3(0, 0, 0));
    lamp->AddLight(nullptr, SgDirLight::ClassID());
    Selection()->Select(lamp, 0);
    {
        CLightDlg dialog(&document);
        dialog.OnInitDialog();
        dialog.OnLight(CLightDlg::kSpot);
        EXPECT_EQ(dialog.GetActiveID(), CLightDlg::kSpot);
        ASSERT_NE(lamp->GetLight(), nullptr);
        EXPECT_EQ(lamp->GetLight()->GetClassID(), SgSpotLight::ClassID());
        dialog.OnLight(CLightDlg::kNoLight);
        EXPECT_EQ(lamp->GetLight(), nullptr);
        dialog.OnOK();
    }
    Selection()->Select(Box(Vec3(3, 0, 0)), 0);
    CLightDlg dialog(&document);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.GetActiveID(), CLightDlg::kNoLight);
    const CLightDlg::Groups groups = dialog.GetGroups();
    EXPECT_FALSE(groups.direction || groups.location || groups.cutOff || groups.dropOff);
    dialog.OnOK();
}

// The light the dialog makes is the first view's light, and counted there:
// undone and forgotten by the history, it is still a live light the view
// names. Cancel gives the view back the light it had at the opening.
TEST(LightDialogViewTest, ANewLightIsTheFirstViewsLightAndOutlivesItsUndo)
{
    SgNodara::Init();
    windowtest::WindowHarness h(64, 48);
    SgDocument *document = h.Document();
    document->SetUndoRecording(true);
    SgObject *lamp = h.AddCube(Color(1, 0, 0, 1));
    document->GetSelectionHandler()->Select(lamp, 0);
    SgViewport *view = h.Viewport();
    ASSERT_NE(view, nullptr);
    SgLight *opening = view->GetHeadLight();
    {
        CLightDlg dialog(document);
        CCadDlg::Acting acting(dialog);
        dialog.OnInitDialog();
        dialog.OnLight(CLightDlg::kSpot);
        ASSERT_NE(lamp->GetLight(), nullptr);
        EXPECT_EQ(view->GetHeadLight(), lamp->GetLight());
        dialog.OnCancel();
    }
    EXPECT_EQ(lamp->GetLight(), nullptr);
    EXPECT_EQ(view->GetHeadLight(), opening) << "Cancel gives the view its light back";
    {
        CLightDlg dialog(document);
        CCadDlg::Acting acting(dialog);
        dialog.OnInitDialog();
        dialog.OnLight(CLightDlg::kPoint);
        dialog.OnOK();
    }
    SgLight *made = lamp->GetLight();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(view->GetHeadLight(), made);
    document->Undo();
    EXPECT_EQ(lamp->GetLight(), nullptr);
    document->ResetUndo(); // the history lets go of the light it took out
    ASSERT_EQ(view->GetHeadLight(), made);
    EXPECT_EQ(view->GetHeadLight()->GetClassID(), SgPointLight::ClassID()) << "the view names a live light";
}

// ---- Alignment -------------------------------------------------------------------------------

TEST_F(EditingDialogsTest, AlignmentDefaultReferenceAlignsTheMaxima)
{
    SgObject *moved = Box(Vec3(0, 0, 0));
    SgObject *reference = Box(Vec3(10, 0, 0));
    reference->SetScale(Vec3(2, 1, 1));  // spans [8, 12] in x
    Selection()->Select(moved, 0);
    Selection()->Select(reference, 0);
    CAlignDlg dialog(&document);
    CCadDlg::Acting acting(dialog); // as the dialog's window drives it
    dialog.SetSelectionList(Selection()->GetPathList());
    dialog.OnInitDialog();
    ASSERT_EQ(dialog.GetObjectCount(), 1);
    dialog.SetObjectsPoint(CAlignDlg::kMaximum);
    EXPECT_STREQ(CAlignDlg::kPointNames[dialog.GetReferencePoint()], "DEFAULT");
    dialog.SetPosition(0, true);
    SgPath movedPath, referencePath;
    movedPath.CreateFromNode(moved);
    referencePath.CreateFromNode(reference);
    EXPECT_NEAR(SgAlign::AlignCoordinate(movedPath, SgAlign::kMax, SgAlign::kX),
                SgAlign::AlignCoordinate(referencePath, SgAlign::kMax, SgAlign::kX), 1e-5);
    EXPECT_GT(moved->GetMove().x, 10.0);
    // Unchecking goes back to the start.
    dialog.SetPosition(0, false);
    EXPECT_NEAR(moved->GetMove().x, 0.0, 1e-6);
    dialog.SetPosition(0, true);
    dialog.OnCancel();
    EXPECT_NEAR(moved->GetMove().x, 0.0, 1e-6);
}

// What is hung into a selected object to be drawn at a size that follows
// the view (the selection's manipulator, a modifier's gizmo) is no part of
// the box it is aligned by.
TEST_F(EditingDialogsTest, AlignmentUsesTheGeometryOnlyNotWhatIsHungIntoTheObjects)
{
    const struct {
        const char *holder;
        SgGroup *(*make)();
    } cases[] = {{"manipulator", [] { return static_cast<SgGroup *>(new SgManipulator); }},
                 {"gizmo", [] { return static_cast<SgGroup *>(new SgGizmoGroup); }}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.holder);
        SgObject *a = Box(Vec3(-3, 0, 0));
        SgObject *b = Box(Vec3(3, 1, 0));
        for (SgObject *object : {a, b}) {
            SgGroup *holder = c.make();
            auto *big = new SgCube;
            big->m_height.Set(object == a ? 7.3 : 0.9);
            holder->AddChild(big);
            object->AddPropertyNode(holder, true);
        }
        Selection()->DeselectAll();
        Selection()->Select(a, 0);
        Selection()->Select(b, 0);
        CAlignDlg dialog(&document);
        dialog.SetSelectionList(Selection()->GetPathList());
        dialog.OnInitDialog();
        dialog.SetObjectsPoint(CAlignDlg::kCenter);
        dialog.SetPosition(1, true);
        EXPECT_EQ(a->GetMove(), Vec3(-3, 1, 0));
        EXPECT_EQ(b->GetMove(), Vec3(3, 1, 0));
        dialog.OnOK();
        document.GetRoot()->DeleteChild(a);
        document.GetRoot()->DeleteChild(b);
    }
}

TEST_F(EditingDialogsTest, AlignmentOrientationAxisIsMinusOneForSeveralAndOneObjectAlignsNothing)
{
    SgObject *moved = Box(Vec3(0, 0, 0));
    Selection()->Select(moved, 0);
    Selection()->Select(Box(Vec3(5, 0, 0)), 0);
    CAlignDlg dialog(&document);
    dialog.SetSelectionList(Selection()->GetPathList());
    dialog.OnInitDialog();
    dialog.SetOrientation(0, true);
    EXPECT_EQ(dialog.GetLastOrientationAxis(), 0);
    dialog.SetOrientation(1, true);
    EXPECT_EQ(dialog.GetLastOrientationAxis(), -1);
    dialog.OnOK();

    Selection()->DeselectAll();
    Selection()->Select(moved, 0);
    CAlignDlg alone(&document);
    alone.SetSelectionList(Selection()->GetPathList());
    alone.OnInitDialog();
    EXPECT_EQ(alone.GetObjectCount(), 0);
    const Vec3 before = moved->GetMove();
    alone.SetPosition(0, true);
    alone.SetOrientation(2, true);
    EXPECT_NEAR(moved->GetMove().x, before.x, 1e-9);
    alone.OnOK();
}

// ---- Animation -------------------------------------------------------------------------------

TEST_F(EditingDialogsTest, AnimationResolutionAndWrapPastTheLastKey)
{
    CAnimationDlg dialog(&document);
    dialog.OnInitDialog();
    dialog.OnResolutionSlider(50);
    EXPECT_NEAR(dialog.GetResolution(), 0.316, 0.001);
    dialog.OnResolutionSlider(0);
    EXPECT_NEAR(dialog.GetResolution(), 0.1, 1e-12);
    dialog.OnResolutionSlider(100);
    EXPECT_NEAR(dialog.GetResolution(), 1.0, 1e-12);

    SgAnimationMngr *manager = document.GetAnimationMngr();
    ASSERT_NE(manager, nullptr);
    const double last = manager->GetLastFrameTime();
    const double first = manager->GetFirstFrameTime();
    ASSERT_GT(last, first);
    CAnimationDlg::SetCurrentTime(last - 0.5);
    dialog.OnPlayPause();
    ASSERT_TRUE(dialog.IsPlaying());
    dialog.OnTimer();
    EXPECT_DOUBLE_EQ(CAnimationDlg::GetCurrentTime(), first);
    // Record while playing records nothing; the frame slider does not play.
    dialog.OnFrameSlider(40);
    EXPECT_DOUBLE_EQ(CAnimationDlg::GetCurrentTime(), first);
    dialog.OnPlayPause();
    dialog.OnFrameSlider(40);
    EXPECT_DOUBLE_EQ(CAnimationDlg::GetCurrentTime(), 40.0);
    EXPECT_EQ(dialog.GetFrameNumber(), 40);
    dialog.OnNextKey();
    EXPECT_DOUBLE_EQ(CAnimationDlg::GetCurrentTime(), last);
    EXPECT_EQ(dialog.GetFrameSlider(), static_cast<int>(last));
}

TEST_F(EditingDialogsTest, PathMakesTheFirstObjectFollowTheSecondsCurveAndWantsTwoObjects)
{
    SgObject *moved = Box(Vec3(0, 0, 0));
    auto *track = new SgObject(true, true);
    auto *curve = new SgBSpline;
    const Vec3 points[] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}, {15, 0, 0}};
    curve->m_coordinates.SetVals(4, points);
    track->AddChild(curve);
    document.GetRoot()->AddChild(track);
    CAnimationDlg dialog(&document);
    dialog.OnInitDialog();
    Selection()->Select(moved, 0);
    EXPECT_FALSE(dialog.OnAnimationAlongPath()) << "one object";
    Selection()->Select(track, 0);
    ASSERT_TRUE(dialog.OnAnimationAlongPath());
    dialog.OnFrameSlider(0);
    const double start = moved->GetMove().x;
    dialog.OnFrameSlider(100);
    EXPECT_GT(moved->GetMove().x, start + 5.0) << "the object moved along the curve";
    Selection()->Select(Box(Vec3(0, 3, 0)), 0);
    EXPECT_FALSE(dialog.OnAnimationAlongPath()) << "three objects";
}

// ---- Display ---------------------------------------------------------------------------------

TEST_F(EditingDialogsTest, HideUnselectedWithNothingSelectedHidesEveryObject)
{
    SgObject *a = Box(Vec3(0, 0, 0));
    SgObject *b = Box(Vec3(3, 0, 0));
    CDisplayDlg dialog(&document);
    dialog.OnHideUnselected();
    EXPECT_EQ(a->m_hide.Get(), 1);
    EXPECT_EQ(b->m_hide.Get(), 1);
    // Unhide All leaves a value other than 1.
    b->m_hide = 2;
    dialog.OnUnhideAll();
    EXPECT_EQ(a->m_hide.Get(), 0);
    EXPECT_EQ(b->m_hide.Get(), 2);
    Selection()->Select(a, 0);
    dialog.OnHideSelected();
    EXPECT_EQ(a->m_hide.Get(), 1);
}

TEST_F(EditingDialogsTest, HideByHitHidesTheNextObjectClickedOnlyAndLetsGo)
{
    SgObject *a = Box(Vec3(0, 0, 0));
    SgObject *b = Box(Vec3(3, 0, 0));
    Selection()->Select(a, 0);
    CDisplayDlg dialog(&document);
    bool toolDropped = false;
    dialog.SetDeleteActiveTool([&] { toolDropped = true; });
    dialog.OnHideByHit();
    EXPECT_TRUE(toolDropped);
    EXPECT_EQ(Selection()->GetSelCount(), 0);
    SgPath empty;
    EXPECT_FALSE(CDisplayDlg::HideByHit(&empty));
    ASSERT_TRUE(dialog.IsHideByHitArmed());
    Selection()->Select(a, 0);
    EXPECT_EQ(a->m_hide.Get(), 1);
    EXPECT_FALSE(dialog.IsHideByHitArmed()) << "one object per arming";
    Selection()->DeselectAll();
    Selection()->Select(b, 0);
    EXPECT_EQ(b->m_hide.Get(), 0) << "the second click hid again";

    // Closing the dialog disarms it.
    dialog.Opened();
    dialog.OnHideByHit();
    dialog.OnClose();
    EXPECT_FALSE(dialog.IsHideByHitArmed());
    EXPECT_EQ(Selection()->GetClickListenerCount(), 0);
}

// ---- Font ------------------------------------------------------------------------------------

TEST_F(EditingDialogsTest, FontApplyGivesTheSelectedObjectItsOwnFontAndOkEditsTheFont)
{
    SgObject *text = Box(Vec3(0, 0, 0));
    Selection()->Select(text, 0);
    CFontDlg dialog(&document);
    dialog.OnInitDialog();
    ASSERT_EQ(dialog.GetEditedFont(), document.GetDefaultFont());
    dialog.SetFace(std::string(60, 'F'));
    EXPECT_EQ(dialog.GetFace().size(), size_t(LF_FACESIZE - 1));
    dialog.SetFace("Serif");
    dialog.SetPointSize(20);
    dialog.SetBold(true);
    dialog.OnApply();
    auto *own = static_cast<SgFont *>(text->FindPropertyNode(SgFont::ClassID()));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->m_name.Get(), "Serif");
    EXPECT_EQ(own->m_style.Get() & SgFont::kBold, SgFont::kBold);
    dialog.OnOK();
    EXPECT_EQ(document.GetDefaultFont()->m_name.Get(), "Serif");
}

// "Choose Color..." asks the colour chooser the host installs, starting at
// the present colour; a cancelled choice changes nothing.
TEST_F(EditingDialogsTest, ColourButtonsAskTheColourChooser)
{
    SgObject *box = Box(Vec3(0, 0, 0));
    Selection()->Select(box, 0);
    std::vector<SgRgb8> asked;
    std::optional<SgRgb8> answer;
    ColorChooser previous = SetColorChooser([&](const SgRgb8 &initial) {
        asked.push_back(initial);
        return answer;
    });
    CColorDlg colour(&document);
    colour.OnInitDialog();
    colour.SetColor(1, 2, 3);
    colour.OnChooseColor();
    EXPECT_EQ(colour.GetRed(), 1) << "cancelled";
    answer = SgRgb8{10, 20, 30};
    colour.OnChooseColor();
    EXPECT_EQ(colour.GetRed(), 10);
    EXPECT_EQ(colour.GetBlue(), 30);
    colour.OnOK();
    CLightDlg light(&document);
    light.OnInitDialog();
    light.OnLight(CLightDlg::kPoint);
    answer = SgRgb8{255, 0, 51};
    light.OnChooseColor();
    EXPECT_FLOAT_EQ(light.GetColor().r, 1.0f);
    EXPECT_FLOAT_EQ(light.GetColor().b, 0.2f);
    light.OnOK();
    SetColorChooser(previous);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], (SgRgb8{1, 2, 3}));
}
