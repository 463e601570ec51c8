// The everyday edits on a selection: copy and paste leave the source as it
// was, and every command is one undo step that gives the scene text back
// exactly and is redone as one.
#include <functional>
#include <string>
#include <vector>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "facade/CommandRecord.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

class EditStepsTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        ASSERT_EQ(m_facade->GetFiles().OpenFile(FENNIX_TEST_DATA "/sample_scene.kvrx", true),
                  SgDocumentFiles::kReadDone);
        Document()->ResetUndo();
    }

    std::string Text() { return m_facade->GetFiles().SaveToStringFix(); }

    SgObject *Named(const char *name) { return AsSgObject(Document()->FindNode(name)); }

    void SelectNamed(const char *name)
    {
        SgObject *object = Named(name);
        ASSERT_NE(object, nullptr) << name;
        SgPath path(*m_facade->GetRoot());
        path.Append(object);
        Selection()->Select(path, 0);
    }

    // The block an object is written as: from its name line to the next
    // object's start.
    static std::string ObjectBlock(const std::string &text, const std::string &name)
    {
        const size_t at = text.find("NodeName\t\"" + name + "\"");
        if (at == std::string::npos)
            return std::string();
        const size_t end = text.find("Object {", at);
        return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }

    int UndoSteps()
    {
        int steps = 0;
        while (Document()->IsUndoStackNonEmpty() && steps < 100) {
            m_facade->GetSelectionEditing().Undo(false);
            ++steps;
        }
        return steps;
    }
};

TEST_F(EditStepsTest, PasteLeavesTheSourceAsItWasAndTheCopyMovesAlone)
{
    const std::string before = Text();
    const std::string boxBlock = ObjectBlock(before, "box");
    ASSERT_FALSE(boxBlock.empty());
    SgObject *box = Named("box");
    const int children = m_facade->GetRoot()->GetNumChildren();

    SelectNamed("box");
    m_facade->GetSelectionEditing().OnEdit(103);
    m_facade->GetSelectionEditing().OnEdit(104);

    ASSERT_EQ(m_facade->GetRoot()->GetNumChildren(), children + 1) << "one copy should be pasted";
    auto *copy = AsSgObject(m_facade->GetRoot()->GetChildList().back());
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, box);
    EXPECT_EQ(box->GetName(), "box") << "the source keeps its name";
    EXPECT_FALSE(copy->IsClone()) << "a paste is an independent copy";
    EXPECT_EQ(ObjectBlock(Text(), "box"), boxBlock) << "the source keeps its text byte for byte";
    ASSERT_EQ(Selection()->GetSelCount(), 1) << "the copy is what is selected after the paste";
    EXPECT_EQ(AsSgObject(Selection()->GetPathList().GetAt(Selection()->GetPathList().GetFirst()).GetObject(true)), copy);

    const Vec3 sourcePlace = box->GetMove();
    copy->SetMove(Vec3(7, 7, 7));
    EXPECT_EQ(box->GetMove(), sourcePlace) << "moving the copy moved the source";

    EXPECT_EQ(UndoSteps(), 2) << "the paste and the move are one step each";
    EXPECT_EQ(Text(), before) << "undoing the paste gives the scene text back exactly";
}

// A linked paste is its own command: an instance that shows the source
// itself, which keeps its name, place and text (it only gains the name the
// text shares it under); one Undo gives the scene text back exactly.
TEST_F(EditStepsTest, PasteLinkedShowsTheSourceWithoutTouchingIt)
{
    const drevon::CommandRecord *record = drevon::FindCommand(drevon::cmd::kPasteLinked);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->menu, "Edit");
    EXPECT_STREQ(record->label, "Paste Lin&ked");
    EXPECT_FALSE(drevon::IsCommandEnabled(drevon::cmd::kPasteLinked, *m_facade)) << "nothing was copied";

    const std::string before = Text();
    const std::string boxBlock = ObjectBlock(before, "box");
    ASSERT_FALSE(boxBlock.empty());
    SgObject *box = Named("box");
    const Vec3 sourcePlace = box->GetMove();
    const int at = m_facade->GetRoot()->IndexOf(box);
    const int children = m_facade->GetRoot()->GetNumChildren();

    SelectNamed("box");
    m_facade->GetSelectionEditing().OnEdit(103);
    ASSERT_TRUE(drevon::IsCommandEnabled(drevon::cmd::kPasteLinked, *m_facade));
    struct NoWindow : drevon::CommandWindow {
        void Print() override {}
        void Exit() override {}
        void ShowToolbar(drevon::Toolbar, bool) override {}
        bool IsToolbarShown(drevon::Toolbar) const override { return true; }
        void About() override {}
    } window;
    ASSERT_TRUE(drevon::RunCommand(drevon::cmd::kPasteLinked, *m_facade, window));

    ASSERT_EQ(m_facade->GetRoot()->GetNumChildren(), children + 1) << "one instance should be pasted";
    auto *instance = AsSgObject(m_facade->GetRoot()->GetChildList().back());
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(instance->IsClone());
    EXPECT_EQ(box->GetName(), "box") << "the source keeps its name";
    EXPECT_EQ(box->GetMove(), sourcePlace) << "the source keeps its place";
    EXPECT_EQ(m_facade->GetRoot()->IndexOf(box), at);
    const std::string linked = ObjectBlock(Text(), "box");
    EXPECT_NE(linked.find(boxBlock), std::string::npos) << "the source's own text changed:\n" << linked;
    ASSERT_EQ(Selection()->GetSelCount(), 1) << "the instance is what is selected after the paste";

    instance->SetMove(Vec3(0, 5, 0));
    EXPECT_EQ(box->GetMove(), sourcePlace) << "moving the instance moved the source";

    EXPECT_EQ(UndoSteps(), 2) << "the paste and the move are one step each";
    EXPECT_EQ(Text(), before) << "undoing the linked paste gives the scene text back exactly";
}

TEST_F(EditStepsTest, SelectionCommandsAreOneUndoStepThatGivesTheTextBack)
{
    struct Case {
        const char *what;
        int button;
        std::vector<const char *> selected; // empty: every object
        std::function<void(drevon::CDrevon &)> run;
    };
    using F = drevon::CDrevon;
    const Case cases[] = {
        {"delete", 102, {}, [](F &f) { f.GetSelectionEditing().OnEdit(102); }},
        {"group", 100, {}, [](F &f) { f.GetSelectionEditing().OnEdit(100); }},
        {"ungroup of a group", 101, {}, [](F &f) { f.GetSelectionEditing().OnEdit(101); }},
        {"paste", 104, {}, [](F &f) { f.GetSelectionEditing().OnEdit(104); }},
        {"difference", 110, {"box", "twin box"}, [](F &f) { f.GetModelling().BooleanOperation(110); }},
        {"rubber line", drevon::Annotations::kRubberLineButton, {"box", "twin box"},
         [](F &f) { f.GetAnnotations().OnRubberLineButton(0); }},
        {"annotation", drevon::Annotations::kAnnotationButton, {"box"}, [](F &f) { f.GetAnnotations().OnAnnotationButton(0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Selection()->DeselectAll();
        if (c.selected.empty())
            Selection()->SelectAll(m_facade->GetRoot());
        for (const char *name : c.selected)
            SelectNamed(name);
        if (c.button == 101) {
            // A group to take apart, made and then forgotten by the history.
            m_facade->GetSelectionEditing().OnEdit(100);
            Document()->ResetUndo();
        }
        if (c.button == 104)
            m_facade->GetSelectionEditing().OnEdit(103);
        const std::string before = Text();
        ASSERT_GT(Selection()->GetSelCount(), 0);
        c.run(*m_facade);
        const std::string after = Text();
        ASSERT_NE(after, before) << "the command changed nothing";
        m_facade->GetSelectionEditing().Undo(false);
        EXPECT_EQ(Text(), before) << "one undo step gives the text back";
        EXPECT_FALSE(Document()->IsUndoStackNonEmpty()) << "the command left more than one step";
        m_facade->GetSelectionEditing().Undo(true);
        EXPECT_EQ(Text(), after) << "one redo makes the command again";
        m_facade->GetSelectionEditing().Undo(false);
        Document()->ResetUndo();
    }
}

TEST_F(EditStepsTest, RedoPutsARemovedObjectBackAtItsPlace)
{
    // The sibling before the new object leaves while the command still runs,
    // as a creation tool standing last does.
    auto *tool = new SgSeparator;
    m_facade->GetRoot()->AddChild(tool);
    Document()->ResetUndo();
    auto *made = new SgObject(true, true);
    made->SetName("made");
    m_facade->GetRoot()->AddChild(made);
    {
        SgUndoRecordingPause pause(Document());
        m_facade->GetRoot()->DeleteChild(tool);
    }
    const int at = m_facade->GetRoot()->IndexOf(made);
    const std::string after = Text();
    m_facade->GetSelectionEditing().Undo(false);
    m_facade->GetSelectionEditing().Undo(true);
    EXPECT_EQ(m_facade->GetRoot()->IndexOf(made), at);
    EXPECT_EQ(Text(), after);
}

} // namespace

namespace {

TEST_F(EditStepsTest, AFailedSaveAsKeepsTheOldNameAndTheChanges)
{
    ScriptedChooser chooser;
    const std::string name = Document()->GetFileName();
    ASSERT_FALSE(name.empty());
    SelectNamed("box");
    m_facade->GetSelectionEditing().OnEdit(102);
    ASSERT_TRUE(m_facade->GetFiles().IsModified());
    chooser.Answer(std::string("/proc/fennix-cannot-write-here.kvrx"));
    {
        SgDiagCapture capture;
        m_facade->GetFiles().OnFile(106);
        EXPECT_TRUE(capture.Contains("Cannot")) << capture.GetText();
    }
    EXPECT_EQ(Document()->GetFileName(), name) << "the document took the name it could not be written under";
    EXPECT_TRUE(m_facade->GetFiles().IsModified()) << "the changes look saved";
}

} // namespace
