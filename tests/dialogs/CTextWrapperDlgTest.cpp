// The text-along-a-path dialog without a window: the text object it puts
// into the scene, the modifier's functions, the profiles and the playback.
#include <memory>

#include <gtest/gtest.h>

#include "dialogs/CTextWrapperDlg.h"
#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgText.h"
#include "engine/nodes/object/SgObject.h"
#include "solids/Solvane.h"
#include "solids/modifiers/SgPathModifier.h"

namespace {

class CTextWrapperDlgTest : public testing::Test {
protected:
    static SgDocument *MakeDocument()
    {
        solvane::Solvane::Init();
        return SgDocument::Create();
    }
    void SetUp() override { CTextWrapperDlg::ResetProfiles(); }

    SgPolyLine *Profile(CTextWrapperDlg &dialog)
    {
        return dynamic_cast<SgPolyLine *>(dialog.GetTextNode()->GetProfile());
    }

    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{MakeDocument(), &SgDocument::Destroy};
    SgDocument &document = *holder;
};

} // namespace

TEST_F(CTextWrapperDlgTest, OpeningWithNothingSelectedAddsTextOnAVerticalSegmentOf06)
{
    const int before = document.GetRoot()->GetNumChildren();
    CTextWrapperDlg dialog(&document);
    dialog.OnInitDialog();
    ASSERT_EQ(document.GetRoot()->GetNumChildren(), before + 1);
    EXPECT_EQ(document.GetRoot()->GetChild(before), dialog.GetTextObject());
    SgPolyLine *profile = Profile(dialog);
    ASSERT_NE(profile, nullptr);
    ASSERT_EQ(profile->m_coordinates.GetCount(), 2);
    EXPECT_NEAR((profile->m_coordinates[1] - profile->m_coordinates[0]).Length(), 0.6, 1e-12);
    EXPECT_EQ(profile->m_coordinates[0].x, 0.0);
    EXPECT_EQ(dialog.GetTextNode()->m_text.Get(true), dialog.GetText());
    EXPECT_EQ(dialog.GetDeltaText(), "0.3");
}

TEST_F(CTextWrapperDlgTest, ChecksSetTheModifierFunctionsAndAnEmptyTextIsIgnored)
{
    CTextWrapperDlg dialog(&document);
    dialog.OnInitDialog();
    SgPathModifier *modifier = dialog.GetModifier();
    dialog.SetCheck(CTextWrapperDlg::kPath, true);
    dialog.SetCheck(CTextWrapperDlg::kOffset, true);
    dialog.SetPhase(1.5);
    dialog.OnChecksOrPhase();
    auto *path = dynamic_cast<CircFunc *>(modifier->m_pathFunc.Get(true));
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->GetPhase(), 1.5);
    const Vec3 at0 = (*path)(0.0);
    EXPECT_NEAR(at0.x, std::cos(1.5) * 4.0, 1e-12);
    EXPECT_NEAR(at0.z, std::sin(1.5) * 4.0, 1e-12);
    EXPECT_NE(modifier->m_offsetFunc.Get(true).get(), nullptr);
    EXPECT_EQ(modifier->m_scaleFunc.Get(true).get(), nullptr);
    EXPECT_EQ(modifier->m_rotationFunc.Get(true).get(), nullptr);
    EXPECT_EQ(modifier->m_offsetParams.GetCount(), 3);
    EXPECT_EQ(modifier->m_phase.Get(true), 1.5);
    dialog.SetCheck(CTextWrapperDlg::kPath, false);
    dialog.OnChecksOrPhase();
    EXPECT_EQ(modifier->m_pathFunc.Get(true), nullptr);

    dialog.OnTextChanged("Curved");
    dialog.OnTextChanged("");
    EXPECT_EQ(dialog.GetTextNode()->m_text.Get(true), "Curved");
}

TEST_F(CTextWrapperDlgTest, ThreeProfilePressesReturnToTheFirstProfile)
{
    CTextWrapperDlg dialog(&document);
    dialog.OnInitDialog();
    const int counts[] = {3, 4, 2};
    for (int count : counts) {
        dialog.OnProfile();
        ASSERT_NE(Profile(dialog), nullptr);
        EXPECT_EQ(Profile(dialog)->m_coordinates.GetCount(), count);
    }
    EXPECT_EQ(CTextWrapperDlg::GetProfileIndex(), 0);
    EXPECT_EQ(Profile(dialog)->m_coordinates[0], Vec3(0, -0.2, 0));
}

TEST_F(CTextWrapperDlgTest, PlaybackAdvancesByDeltaWrapsAbove12AndStopsUndo)
{
    CTextWrapperDlg dialog(&document);
    dialog.OnInitDialog();
    ASSERT_TRUE(document.IsUndoRecording());
    dialog.OnPlay();
    EXPECT_FALSE(document.IsUndoRecording());
    dialog.SetDeltaText("5");
    dialog.SetCheck(CTextWrapperDlg::kPath, true);
    dialog.OnChecksOrPhase();
    EXPECT_EQ(dialog.GetModifier()->m_pathFunc.Get(true), nullptr) << "during playback a check waits for the tick";
    dialog.OnTimer();
    EXPECT_NE(dialog.GetModifier()->m_pathFunc.Get(true), nullptr);
    EXPECT_EQ(dialog.GetPhase(), 5.0);
    dialog.OnTimer();
    dialog.OnTimer();
    EXPECT_EQ(dialog.GetPhase(), 3.0) << "15 wraps to 3";
    dialog.SetDeltaText("not a number");
    dialog.OnTimer();
    EXPECT_EQ(dialog.GetPhase(), 3.0);
    dialog.OnOK();
    EXPECT_FALSE(dialog.IsPlaying());
    EXPECT_TRUE(document.IsUndoRecording());
}
