// The facade's table of open dialogs, with a factory of windowless dialogs:
// one instance per dialog, the same dialog twice refused and brought to the
// front, a dialog that fails to be made gives its slot back, sixteen at most,
// slots freed when a dialog reports its closing, and no dialog outlives the
// document.
#include <functional>
#include <map>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagHandler.h"
#include "tests/facade/FacadeTestSupport.h"

namespace {

using drevon::CDrevon;
using drevon::DialogInstance;
using drevon::DialogRequest;

// What the test sees of the windows the factory made.
struct Windows {
    int made = 0;
    int shown = 0;
    int raised = 0;
    int destroyed = 0;
    int deleted = 0;
    // Runs at each raise (what the user saw by then).
    std::function<void()> onRaise;
};

class FakeView : public CCadDlg::View {
public:
    void EndDialog(int code) override { lastCode = code; }
    int lastCode = 0;
};

class FakeInstance : public DialogInstance {
public:
    FakeInstance(SgDocument *document, unsigned id, bool fails, Windows &windows)
        : m_dialog(document, id), m_fails(fails), m_windows(windows)
    {
        m_dialog.SetView(&m_view);
    }
    ~FakeInstance() override { ++m_windows.deleted; }
    CCadDlg *GetDialog() override { return &m_dialog; }
    bool Create() override
    {
        ++m_windows.made;
        return !m_fails;
    }
    void Show() override
    {
        ++m_windows.shown;
        m_dialog.Opened();
    }
    void Raise() override
    {
        ++m_windows.raised;
        if (m_windows.onRaise)
            m_windows.onRaise();
    }
    void DestroyWindow() override { ++m_windows.destroyed; }

    CCadDlg m_dialog;
    FakeView m_view;
    bool m_fails;
    Windows &m_windows;
};

class FakeFactory : public drevon::DialogFactory {
public:
    bool CanMake(int button) const override { return button != 81; }
    std::unique_ptr<DialogInstance> Make(CDrevon &facade, const DialogRequest &request) override
    {
        lastRequest = request;
        unsigned id = request.dialogId;
        // Custom dialogs of different names count as different dialogs here,
        // so that the table can be filled.
        if (request.button == 95 && request.name)
            id = 5000 + static_cast<unsigned>(std::stoi(request.name));
        auto instance = std::make_unique<FakeInstance>(facade.GetDocument(), id, failing, windows);
        made[request.button] = instance.get();
        return instance;
    }
    FakeInstance *Made(int button) { return made[button]; }

    Windows windows;
    bool failing = false;
    DialogRequest lastRequest;
    std::map<int, FakeInstance *> made;
};

class DialogTableTest : public facadetest::FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        m_facade->GetDialogs().SetFactory(&factory);
    }
    void TearDown() override
    {
        FacadeTest::TearDown();  // the facade goes first: it deletes its dialogs
    }
    void SelectOne()
    {
        auto *object = new SgObject;
        Document()->GetRoot()->AddChild(object);
        Selection()->Select(object, 0);
    }

    FakeFactory factory;
    SgDiagCapture messages;
};

} // namespace

TEST_F(DialogTableTest, OpensOnceAndASecondOpenRaisesItWithAMessage)
{
    ASSERT_EQ(m_facade->GetDialogs().Open(82), 1);
    EXPECT_TRUE(m_facade->GetDialogs().IsOpen(82));
    EXPECT_EQ(factory.windows.shown, 1);
    EXPECT_EQ(m_states.Last(82), 1);
    // The message box comes first, so that the dialog raised after it keeps
    // the focus.
    bool toldBeforeRaise = false;
    factory.windows.onRaise = [&] { toldBeforeRaise = messages.Contains("Cannot open the same dialog"); };
    EXPECT_EQ(m_facade->GetDialogs().Open(82), 0);
    EXPECT_TRUE(messages.Contains("Cannot open the same dialog"));
    EXPECT_EQ(factory.windows.raised, 1);
    EXPECT_TRUE(toldBeforeRaise);
    EXPECT_EQ(factory.windows.made, 1);
    EXPECT_EQ(m_facade->GetDialogs().GetOpenCount(), 1);
}

TEST_F(DialogTableTest, ClosingFreesTheSlotAndTheButtonAndTheNextOpeningReapsIt)
{
    ASSERT_EQ(m_facade->GetDialogs().Open(85), 1);
    FakeInstance *first = factory.Made(85);
    first->m_dialog.OnOK();  // the document's callback reaches the facade
    EXPECT_FALSE(m_facade->GetDialogs().IsOpen(85));
    EXPECT_EQ(m_states.Last(85), 0);
    EXPECT_EQ(factory.windows.deleted, 0) << "the dialog's code still runs after its callback";
    ASSERT_EQ(m_facade->GetDialogs().Open(85), 1);
    EXPECT_EQ(factory.windows.deleted, 1);
    EXPECT_TRUE(m_facade->GetDialogs().IsOpen(85));
}

TEST_F(DialogTableTest, TheButtonThatOpenedItAnswers)
{
    ASSERT_EQ(m_facade->GetDialogs().Open(84), 1);
    EXPECT_TRUE(m_facade->GetDialogs().IsOpen(84));
    EXPECT_FALSE(m_facade->GetDialogs().IsOpen(93));
    EXPECT_EQ(m_facade->GetDialogs().Open(93), 0) << "the same dialog through its other button";
    EXPECT_FALSE(m_facade->GetDialogs().IsOpen(0));
}

TEST_F(DialogTableTest, TooFewSelectedObjectsOpenNothingAndNoFactoryOffersNothing)
{
    EXPECT_EQ(m_facade->GetDialogs().Open(80), 1);
    EXPECT_EQ(factory.windows.made, 0);
    EXPECT_FALSE(m_facade->GetDialogs().CanOpen(80));
    SelectOne();
    EXPECT_TRUE(m_facade->GetDialogs().CanOpen(80));
    EXPECT_FALSE(m_facade->GetDialogs().CanOpen(81)) << "a dialog this host lacks shows disabled";
    EXPECT_EQ(m_facade->GetDialogs().Open(81), 0);
    EXPECT_EQ(m_facade->GetDialogs().Open(80), 1);
    EXPECT_TRUE(m_facade->GetDialogs().IsOpen(80));
    m_facade->GetDialogs().SetFactory(nullptr);
    EXPECT_FALSE(m_facade->GetDialogs().CanOpen(82));
    EXPECT_EQ(m_facade->GetDialogs().Open(82), 0);
    EXPECT_EQ(m_facade->GetDialogs().Open(7), 0) << "no dialog button";
}

TEST_F(DialogTableTest, ADialogThatCannotBeMadeGivesItsSlotBack)
{
    factory.failing = true;
    EXPECT_EQ(m_facade->GetDialogs().Open(82), 0);
    EXPECT_TRUE(messages.Contains("Error creating Dialog"));
    EXPECT_FALSE(m_facade->GetDialogs().IsOpen(82));
    EXPECT_EQ(m_facade->GetDialogs().GetOpenCount(), 0);
    factory.failing = false;
    EXPECT_EQ(m_facade->GetDialogs().Open(82), 1) << "the failed opening left no slot behind";
}

TEST_F(DialogTableTest, SixteenDialogsAtMostThenARefusalWithAMessage)
{
    for (int i = 0; i < drevon::DialogTable::kSlots; ++i)
        ASSERT_EQ(m_facade->GetDialogs().Open(95, std::to_string(i).c_str()), 1) << i;
    messages.Clear();
    EXPECT_EQ(m_facade->GetDialogs().Open(95, "99"), 0);
    EXPECT_TRUE(messages.Contains("Too many dialogs")) << messages.GetText();
    EXPECT_EQ(m_facade->GetDialogs().GetOpenCount(), drevon::DialogTable::kSlots);
    EXPECT_EQ(factory.windows.made, drevon::DialogTable::kSlots) << "refused before anything was made";
}

TEST_F(DialogTableTest, CloseAllDestroysTheWindowsAndTheDocumentTakesTheRestWithIt)
{
    ASSERT_EQ(m_facade->GetDialogs().Open(82), 1);
    ASSERT_EQ(m_facade->GetDialogs().Open(87), 1);
    m_facade->GetDialogs().CloseAll();
    EXPECT_EQ(factory.windows.destroyed, 2);
    EXPECT_FALSE(m_facade->GetDialogs().IsOpen(82));
    EXPECT_EQ(m_states.Last(87), 0);
    ASSERT_EQ(m_facade->GetDialogs().Open(90), 1);
    EXPECT_EQ(factory.windows.deleted, 2) << "the next opening deletes the closed dialogs";
    m_facade->DeleteDocument();
    EXPECT_EQ(factory.windows.deleted, 3) << "no dialog outlives the document";
}

// A dialog whose window is closed with all the others (no OK, no Cancel)
// leaves what it did as the window's: nothing lost, and the undo levels,
// which spare an open dialog's records, hold again.
TEST_F(DialogTableTest, DialogsClosedTogetherLeaveTheirChangesAndTheUndoLevelsHoldAgain)
{
    auto *object = new SgObject;
    auto *other = new SgObject;
    Document()->GetRoot()->AddChild(object);
    Document()->GetRoot()->AddChild(other);
    Document()->SetUndoRecording(true);
    Document()->ResetUndo();
    Document()->SetUndoLevels(2);
    ASSERT_EQ(m_facade->GetDialogs().Open(82), 1);
    {
        CCadDlg::Acting acting(factory.Made(82)->m_dialog);
        object->SetMove(Vec3(1, 0, 0));
    }
    for (int step = 1; step <= 3; ++step)
        other->SetMove(Vec3(step, 0, 0));
    EXPECT_EQ(Document()->GetUndoCount(), 4) << "the open dialog's record and all after it are kept";
    m_facade->GetDialogs().CloseAll();
    EXPECT_EQ(object->GetMove(), Vec3(1, 0, 0)) << "the dialog's change stays";
    EXPECT_EQ(Document()->GetUndoCount(), 2);
    Document()->SetUndoLevels(SgDocument::kDefaultUndoLevels);
}

TEST_F(DialogTableTest, AReplacedDocumentClosesTheDialogsOfTheOldOne)
{
    ASSERT_EQ(m_facade->GetDialogs().Open(82), 1);
    SgDocument *other = SgDocument::Create();
    m_facade->SetDocument(other);
    EXPECT_EQ(factory.windows.deleted, 1);
    EXPECT_EQ(m_facade->GetDialogs().GetOpenCount(), 0);
    m_facade->SetDocument(nullptr);
    SgDocument::Destroy(other);
}

TEST_F(DialogTableTest, TheCommandTableOpensDialogs)
{
    const int colour = 32820;
    m_facade->GetButtons().RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(m_facade->GetButtons().ApplyUpdate(colour)) << "nothing selected";
    SelectOne();
    EXPECT_TRUE(m_facade->GetButtons().ApplyUpdate(colour));
    EXPECT_TRUE(m_facade->GetButtons().ApplyButton(colour));
    EXPECT_TRUE(m_facade->GetDialogs().IsOpen(80));
}
