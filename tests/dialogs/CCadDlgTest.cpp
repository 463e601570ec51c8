#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs/CCadDlg.h"
#include "engine/SgNodara.h"
#include "engine/document/SgDocument.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

// The facade's side of the closing, as a test double: counts the reports and
// keeps a table of open dialogs by id.
struct OpenDialogs {
    std::vector<unsigned> open;
    std::vector<const void *> reported;
    void *owner = nullptr;

    static void Closed(void *owner, void *dialog)
    {
        auto *self = static_cast<OpenDialogs *>(owner);
        self->owner = owner;
        self->reported.push_back(dialog);
        auto *closed = static_cast<CCadDlg *>(dialog);
        std::erase(self->open, closed->GetID());
    }
};

// Records what the window was told.
struct ViewDouble : CCadDlg::View {
    std::vector<int> codes;
    void EndDialog(int code) override { codes.push_back(code); }
};

class CCadDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        SgNodara::Init();
        document.SetCloseDialogCallback(&OpenDialogs::Closed, &dialogs);
    }

    // Opens a dialog as the facade does: made, shown, entered in the table.
    std::unique_ptr<CCadDlg> Open(unsigned id)
    {
        auto dialog = std::make_unique<CCadDlg>(&document, id);
        dialog->SetView(&view);
        dialog->Opened();
        dialogs.open.push_back(id);
        return dialog;
    }

    SgDocument document;
    OpenDialogs dialogs;
    ViewDouble view;
};

TEST_F(CCadDlgTest, EachClosingPathReportsOnceAndEndsTheWindow)
{
    struct Path {
        const char *name;
        void (*close)(CCadDlg &);
        int code;
    };
    const Path paths[] = {
        {"OK", [](CCadDlg &d) { d.OnOK(); }, CCadDlg::kIdOK},
        {"Cancel", [](CCadDlg &d) { d.OnCancel(); }, CCadDlg::kIdCancel},
        // The close box: OnClose, then the default close processing's OnCancel.
        {"close box", [](CCadDlg &d) { d.OnClose(); d.OnCancel(); }, CCadDlg::kIdCancel},
    };
    for (const Path &path : paths) {
        dialogs.reported.clear();
        view.codes.clear();
        auto dialog = Open(2021);
        path.close(*dialog);
        EXPECT_EQ(dialogs.reported, std::vector<const void *>{dialog.get()}) << path.name;
        EXPECT_EQ(dialogs.owner, &dialogs) << path.name;
        EXPECT_TRUE(dialogs.open.empty()) << path.name;
        ASSERT_FALSE(view.codes.empty()) << path.name;
        EXPECT_EQ(view.codes.front(), path.code) << path.name;
    }
}

TEST_F(CCadDlgTest, AClosedDialogCanBeOpenedAgainAndReportsItsNextClosing)
{
    auto first = Open(2021);
    first->OnClose();
    first->OnCancel();
    ASSERT_EQ(dialogs.reported.size(), 1u);
    first.reset();
    auto second = Open(2021);
    EXPECT_EQ(dialogs.open, std::vector<unsigned>{2021});
    second->OnOK();
    EXPECT_EQ(dialogs.reported.size(), 2u);
    EXPECT_TRUE(dialogs.open.empty());
    // The same object shown again reports again.
    second->Opened();
    second->OnCancel();
    EXPECT_EQ(dialogs.reported.size(), 3u);
}

TEST_F(CCadDlgTest, WithoutACallbackOrViewClosingDoesNothingElse)
{
    SgDocument bare;
    CCadDlg dialog(&bare, 7);
    dialog.Opened();
    dialog.OnOK();
    EXPECT_FALSE(dialog.IsOpen());
    CCadDlg orphan(nullptr, 8);
    orphan.Opened();
    orphan.OnCancel();
    EXPECT_TRUE(dialogs.reported.empty());
}

TEST_F(CCadDlgTest, ProcessEnterIsOffUntilSet)
{
    CCadDlg dialog(&document, 1);
    EXPECT_FALSE(dialog.GetProcessEnter());
    dialog.SetProcessEnter(true);
    EXPECT_TRUE(dialog.GetProcessEnter());
}

TEST_F(CCadDlgTest, InitSpinCtrlKeepsEverythingButShowingForAHiddenSpin)
{
    CCadDlg::SpinSetup spin;
    spin.position = 9;
    CCadDlg::InitSpinCtrl(spin, 1012, -5.7, 100000.0, false);
    EXPECT_EQ(spin.buddyId, 1012u);
    EXPECT_EQ(spin.low, -5);
    EXPECT_EQ(spin.high, 32767);
    EXPECT_EQ(spin.position, 0);
    EXPECT_FALSE(spin.shown);
}

TEST(CCadDlgViewerTest, TheViewerIsTheDocumentsFirstReadAtEachCall)
{
    windowtest::WindowHarness h(64, 48);
    CCadDlg dialog(h.Document(), 3);
    EXPECT_EQ(dialog.GetViewer(), h.Viewer());
    EXPECT_EQ(dialog.GetViewerAtConstruction(), h.Viewer());

    SgDiagCapture capture;
    SgDocument bare;
    CCadDlg lonely(&bare, 4);
    EXPECT_EQ(lonely.GetViewer(), nullptr);
    EXPECT_TRUE(capture.Contains("no viewer"));
}

} // namespace
