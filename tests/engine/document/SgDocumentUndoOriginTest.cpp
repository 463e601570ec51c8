// Records carry their origin: a modeless dialog's stay is taken back or kept
// as exactly what it did, while the main window's edits made meanwhile (with
// or without key points of their own) stay the window's.
#include <gtest/gtest.h>

#include <memory>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgUndoInfo.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/core/TestNodes.h"
#include "utilities/math/Vec3.h"

namespace {

class UndoOriginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitTestClasses();
        m_document.reset(SgDocument::Create());
        ASSERT_NE(m_document, nullptr);
        m_root = m_document->GetNodara();
        for (SgObject *&object : m_objects) {
            object = new SgObject;
            m_root->AddChild(object);
        }
        m_document->ResetUndo();
        m_dialog = m_document->NewUndoOrigin();
    }
    static double X(SgObject *object) { return object->GetTransform(false)->m_translation.Get(false)[0]; }
    static void MoveTo(SgObject *object, double x) { object->GetTransform(false)->m_translation = Vec3(x, 0, 0); }
    // What the dialog does while its own code runs: inside the key point it
    // keeps open between the user's actions.
    void DialogMoves(SgObject *object, double x)
    {
        SgUndoOriginScope acting(m_document.get(), m_dialog);
        MoveTo(object, x);
    }
    void DialogOpensKeyPoint()
    {
        SgUndoOriginScope acting(m_document.get(), m_dialog);
        m_document->StartKeyPoint();
    }
    void DialogEndsKeyPoint()
    {
        SgUndoOriginScope acting(m_document.get(), m_dialog);
        m_document->EndKeyPoint();
    }

    std::unique_ptr<SgDocument> m_document;
    SgSeparator *m_root = nullptr;
    SgObject *m_objects[3] = {};
    SgObject *&a = m_objects[0];
    SgObject *&b = m_objects[1];
    SgObject *&c = m_objects[2];
    int m_dialog = 0;
};

} // namespace

TEST_F(UndoOriginTest, AWindowKeyPointDoesNotJoinTheKeyPointADialogKeepsOpen)
{
    DialogOpensKeyPoint();
    DialogMoves(a, 1);
    int window = 0;
    {
        SgKeyPoint step(m_document.get());
        window = step.GetNumber();
        MoveTo(b, 2);
    }
    MoveTo(c, 3); // a window edit outside any key point
    DialogMoves(a, 4);
    DialogEndsKeyPoint();
    ASSERT_EQ(m_document->GetUndoCount(), 4);
    EXPECT_EQ(m_document->GetUndoInfo(0)->GetOrigin(), m_dialog);
    EXPECT_EQ(m_document->GetUndoInfo(1)->GetOrigin(), SgDocument::kWindowOrigin);
    EXPECT_EQ(m_document->GetUndoInfo(1)->GetKeyPoint(), window);
    EXPECT_NE(window, m_document->GetUndoInfo(0)->GetKeyPoint());
    EXPECT_EQ(m_document->GetUndoInfo(2)->GetKeyPoint(), 0) << "the window's plain edit is a step of its own";
    EXPECT_FALSE(m_document->IsInKeyPoint());
}

// Cancel: the dialog's changes go, the window's stay, in every order.
TEST_F(UndoOriginTest, TakingBackADialogLeavesTheWindowsEditsMadeMeanwhile)
{
    MoveTo(c, 9); // before the dialog: stays
    DialogOpensKeyPoint();
    DialogMoves(a, 1);
    {
        SgKeyPoint step(m_document.get());
        MoveTo(b, 2);
    }
    DialogMoves(a, 5);
    DialogEndsKeyPoint();
    MoveTo(c, 3);

    EXPECT_EQ(m_document->TakeBackOrigin(m_dialog), 0);
    EXPECT_EQ(X(a), 0) << "the dialog's move is taken back";
    EXPECT_EQ(X(b), 2) << "the window's key-pointed edit stays";
    EXPECT_EQ(X(c), 3) << "the window's plain edit stays";
    ASSERT_EQ(m_document->GetUndoCount(), 3);
    EXPECT_FALSE(m_document->IsRedoStackNonEmpty());
    // The window's history is whole: undone in its own order.
    m_document->Undo();
    EXPECT_EQ(X(c), 9);
    m_document->Undo();
    EXPECT_EQ(X(b), 0);
    m_document->Undo();
    EXPECT_EQ(X(c), 0);
}

// A window edit of the very field the dialog changed is never lost: the
// dialog's change of it stays (now the window's), its other changes go.
TEST_F(UndoOriginTest, ADialogChangeTheWindowChangedAgainStaysAndIsCounted)
{
    DialogOpensKeyPoint();
    DialogMoves(a, 1);
    DialogMoves(b, 4);
    DialogEndsKeyPoint();
    MoveTo(a, 2);

    EXPECT_EQ(m_document->TakeBackOrigin(m_dialog), 1);
    EXPECT_EQ(X(a), 2) << "the window's later edit of the same field stays";
    EXPECT_EQ(X(b), 0) << "the dialog's change of another field goes";
    m_document->Undo();
    EXPECT_EQ(X(a), 1);
    m_document->Undo();
    EXPECT_EQ(X(a), 0) << "the kept change is undone as an ordinary step";
}

// A dialog's child added and then edited by the window stays too.
TEST_F(UndoOriginTest, AChildTheDialogAddedAndTheWindowEditedStays)
{
    auto *added = new SgObject;
    {
        SgUndoOriginScope acting(m_document.get(), m_dialog);
        m_root->AddChild(added);
    }
    MoveTo(added, 7);
    EXPECT_EQ(m_document->TakeBackOrigin(m_dialog), 1);
    EXPECT_GE(m_root->IndexOf(added), 0) << "the added child stays in the scene";
    EXPECT_EQ(X(added), 7);
}

// OK: one Undo takes back the dialog's changes, even when the window edited
// something else between them; the window's edit stays its own step.
TEST_F(UndoOriginTest, JoiningADialogMakesOneStepAfterTheWindowsEdits)
{
    DialogOpensKeyPoint();
    DialogMoves(a, 1);
    DialogEndsKeyPoint();
    MoveTo(b, 2);
    DialogOpensKeyPoint(); // an Apply: a second key point of the dialog
    DialogMoves(a, 3);
    DialogMoves(c, 4);
    DialogEndsKeyPoint();

    EXPECT_TRUE(m_document->JoinOrigin(m_dialog));
    m_document->Undo();
    EXPECT_EQ(X(a), 0);
    EXPECT_EQ(X(c), 0);
    EXPECT_EQ(X(b), 2) << "one Undo after OK takes back the dialog only";
    m_document->Undo();
    EXPECT_EQ(X(b), 0);
    m_document->Redo();
    m_document->Redo();
    EXPECT_EQ(X(a), 3);
    EXPECT_EQ(X(c), 4);
}

TEST_F(UndoOriginTest, JoiningKeepsTheOrderWhenTheWindowChangedTheSameField)
{
    DialogMoves(a, 1);
    MoveTo(a, 2);
    DialogMoves(c, 4);
    EXPECT_FALSE(m_document->JoinOrigin(m_dialog));
    m_document->Undo();
    EXPECT_EQ(X(c), 0);
    EXPECT_EQ(X(a), 2);
    m_document->Undo();
    EXPECT_EQ(X(a), 1) << "the window's edit comes off before the dialog's under it";
}

// Taking back one key point of the dialog (an Apply redone) leaves its
// earlier ones and the window's.
TEST_F(UndoOriginTest, TakingBackOneKeyPointOfADialogLeavesItsOthers)
{
    DialogOpensKeyPoint();
    DialogMoves(a, 1);
    DialogEndsKeyPoint();
    int second = 0;
    {
        SgUndoOriginScope acting(m_document.get(), m_dialog);
        second = m_document->StartKeyPoint();
    }
    DialogMoves(c, 4);
    MoveTo(b, 2);
    DialogEndsKeyPoint();
    EXPECT_EQ(m_document->TakeBackOrigin(m_dialog, second), 0);
    EXPECT_EQ(X(a), 1);
    EXPECT_EQ(X(b), 2);
    EXPECT_EQ(X(c), 0);
}

// Two fields of one node are independent: taking back the dialog's colour
// leaves the transparency the window gave the same material afterwards, and
// on OK the dialog's step moves after the window's as for two nodes.
TEST_F(UndoOriginTest, TwoFieldsOfOneNodeAreTakenBackAndJoinedApart)
{
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "OK" : "Cancel");
        SgRef<SgMaterial> material = new SgMaterial;
        m_root->AddChild(material.get());
        m_document->ResetUndo();
        const Color before = material->m_diffuseColor.GetValue(0);
        const Color red(1, 0, 0, 1);
        {
            SgUndoOriginScope acting(m_document.get(), m_dialog);
            material->m_diffuseColor.SetValue(0, red);
        }
        material->m_transparency.SetValue(0, 0.5f);
        if (keep) {
            EXPECT_TRUE(m_document->JoinOrigin(m_dialog));
            m_document->Undo();
            EXPECT_EQ(material->m_transparency.GetValue(0), 0.5f) << "one Undo after OK is the dialog's";
        } else {
            EXPECT_EQ(m_document->TakeBackOrigin(m_dialog), 0) << "nothing of the dialog stays";
            EXPECT_EQ(m_document->GetUndoCount(), 1);
        }
        EXPECT_EQ(material->m_diffuseColor.GetValue(0), before);
        EXPECT_EQ(material->m_transparency.GetValue(0), 0.5f) << "the window's edit of the other field stays";
        m_document->Undo();
        EXPECT_EQ(material->m_transparency.GetValue(0), 0.0f);
        m_root->DeleteChild(material.get());
        m_dialog = m_document->NewUndoOrigin();
    }
}

// A node the dialog placed through a node-pointer field is the dialog's as
// a child it added is: what the window does to it, or to anything inside it,
// keeps it there; what the window does elsewhere does not.
TEST_F(UndoOriginTest, ANodePlacedThroughANodeFieldStaysWhenTheWindowEditedIt)
{
    struct Case {
        const char *what;
        bool editInside; // the window edits the placed node's own child
        bool editPlaced;
        int kept;
    };
    for (const Case &c : {Case{"the window edits the placed node", false, true, 1},
                          Case{"the window edits a node inside the placed one", true, false, 1},
                          Case{"the window edits another node", false, false, 0}}) {
        SCOPED_TRACE(c.what);
        SgRef<TestShape> holder = new TestShape;
        m_root->AddChild(holder.get());
        SgRef<TestShape> inner = new TestShape;
        SgRef<TestShape> placed = new TestShape;
        placed->m_profile = SgRef<SgNode>(inner.get());
        m_document->ResetUndo();
        {
            SgUndoOriginScope acting(m_document.get(), m_dialog);
            holder->m_profile = SgRef<SgNode>(placed.get());
        }
        if (c.editPlaced)
            placed->m_radius = 7.0;
        else if (c.editInside)
            inner->m_radius = 7.0;
        else
            MoveTo(a, 7);
        EXPECT_EQ(m_document->TakeBackOrigin(m_dialog), c.kept);
        EXPECT_EQ(holder->m_profile.Get(false).get(), c.kept ? placed.get() : nullptr);
        EXPECT_EQ(c.editPlaced ? placed->m_radius.Get(false) : c.editInside ? inner->m_radius.Get(false) : X(a), 7.0)
            << "the window's edit stays";
        m_root->DeleteChild(holder.get());
        MoveTo(a, 0);
        m_dialog = m_document->NewUndoOrigin();
    }
}

// However many steps the window takes while a dialog is open, Cancel takes
// back all the dialog did: its records are kept until it closes, and the
// history is trimmed to its length once they are joined or gone.
TEST_F(UndoOriginTest, AnOpenDialogsRecordsOutliveTheUndoLevels)
{
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "OK" : "Cancel");
        m_document->ResetUndo();
        m_document->SetUndoLevels(3);
        DialogMoves(a, 1);
        for (int step = 1; step <= 6; ++step)
            MoveTo(b, step);
        EXPECT_EQ(m_document->GetUndoCount(), 7) << "nothing is dropped while the dialog is open";
        if (keep)
            m_document->JoinOrigin(m_dialog);
        else
            EXPECT_EQ(m_document->TakeBackOrigin(m_dialog), 0);
        EXPECT_EQ(X(a), keep ? 1 : 0);
        EXPECT_EQ(X(b), 6);
        EXPECT_EQ(m_document->GetUndoCount(), 3) << "the levels hold again once the dialog closed";
        m_document->SetUndoLevels(SgDocument::kDefaultUndoLevels);
        MoveTo(a, 0);
        MoveTo(b, 0);
        m_dialog = m_document->NewUndoOrigin();
    }
}
