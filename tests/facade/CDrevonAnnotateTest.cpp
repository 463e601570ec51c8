// Rubber lines, annotations, the measure tape and the test links: wired once,
// kept up to date by the dataflow as their ends move.
#include <sstream>
#include <string>

#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgScanAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgText.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

class AnnotateTest : public FacadeTest {
protected:
    SgObject *AddBall(const char *name, const Vec3 &at, bool withMaterial = true)
    {
        auto *object = new SgObject(true, true);
        object->SetName(name);
        if (withMaterial) {
            auto *material = new SgMaterial;
            material->m_diffuseColor.SetValue(0, Color(0.5f, 0.5f, 0.5f, 1.0f));
            object->AddPropertyNode(material, false);
        }
        object->AddChild(new SgSphere);
        object->GetTransform(true)->m_translation = at;
        m_facade->GetRoot()->AddChild(object);
        return object;
    }
    // What a viewer's scan before each draw does: the sensors learn where
    // their objects are.
    void Scan()
    {
        SgScanAction scan;
        scan.Apply(m_facade->GetRoot());
    }
    static SgPolyLine *LineOf(SgObject *object)
    {
        return dynamic_cast<SgPolyLine *>(FindNodeByClassID::Lookup(SgPolyLine::ClassID(), object));
    }
    static Vec3 Point(SgObject *lineObject, int i)
    {
        SgPolyLine *line = LineOf(lineObject);
        return line ? line->m_coordinates.GetValue(i, true) : Vec3(-99, -99, -99);
    }
    static Color Diffuse(SgObject *object)
    {
        auto *material = dynamic_cast<SgMaterial *>(object->FindFirstNode(SgMaterial::ClassID(), {}, nullptr, false));
        return material ? material->m_diffuseColor.GetValue(0, true) : Color(-9, -9, -9, -9);
    }
    static std::string LabelText(SgNode *under)
    {
        auto *text = dynamic_cast<SgBText *>(FindNodeByClassID::Lookup(SgBText::ClassID(), under));
        return text ? text->m_text.Get(true) : std::string("<no label>");
    }
    int RootChildren() const { return m_facade->GetRoot()->GetNumChildren(); }
};

TEST_F(AnnotateTest, ARubberLineWithSensorsKeepsJoiningItsObjectsAfterEitherMoves)
{
    SgObject *a = AddBall("A", Vec3(0, 0, 0));
    SgObject *b = AddBall("B", Vec3(2, 0, 0));
    SgObject *line = m_facade->GetAnnotations().CreateRubberLine(a, b, true);
    ASSERT_NE(line, nullptr);
    m_facade->GetRoot()->AddChild(line);
    Scan();
    EXPECT_EQ(Point(line, 0), Vec3(0, 0, 0));
    EXPECT_EQ(Point(line, 1), Vec3(2, 0, 0));
    b->GetTransform()->m_translation = Vec3(3, 1, 0);
    Scan();
    EXPECT_EQ(Point(line, 1), Vec3(3, 1, 0)) << "the second end followed B";
    a->GetTransform()->m_translation = Vec3(-1, 0, 2);
    Scan();
    EXPECT_EQ(Point(line, 0), Vec3(-1, 0, 2)) << "the first end followed A";
    EXPECT_EQ(Point(line, 1), Vec3(3, 1, 0));
}

TEST_F(AnnotateTest, ARubberLineWithoutSensorsFollowsTheTranslations)
{
    SgObject *a = AddBall("A", Vec3(0, 0, 0));
    SgObject *b = AddBall("B", Vec3(2, 0, 0));
    SgRef<SgObject> line = m_facade->GetAnnotations().CreateRubberLine(a, b, false);
    b->GetTransform()->m_translation = Vec3(0, 5, 0);
    EXPECT_EQ(Point(line.get(), 1), Vec3(0, 5, 0)) << "no draw needed";
    EXPECT_EQ(m_facade->GetAnnotations().CreateRubberLine(a, nullptr, false), nullptr);
}

TEST_F(AnnotateTest, TestLinksDriveColours)
{
    SgObject *a = AddBall("A", Vec3(2, -1, 0.5));
    SgObject *b = AddBall("B", Vec3(0, 0, 0));
    m_facade->GetSelectionEditing().ChangeSelection(0);
    m_facade->GetAnnotations().TestRubber(3);
    EXPECT_EQ(Diffuse(b), Color(1, 0, 1, 1)) << "B is magenta";
    m_facade->GetAnnotations().TestRubber(2);
    EXPECT_EQ(Diffuse(b), Color(2, -1, 0.5f, 1)) << "B's colour is A's position, outside 0 to 1 as it stands";
    a->GetTransform()->m_translation = Vec3(0.25, 0.5, 0.75);
    EXPECT_EQ(Diffuse(b), Color(0.25f, 0.5f, 0.75f, 1)) << "and follows it";
    m_facade->GetAnnotations().TestRubber(1);
    EXPECT_EQ(Diffuse(a), Diffuse(b)) << "A follows B";
    const int children = RootChildren();
    m_facade->GetAnnotations().TestRubber(0);
    EXPECT_EQ(RootChildren(), children + 1) << "a rubber line joins them";
}

TEST_F(AnnotateTest, TestLinksNeedExactlyTwoObjects)
{
    SgObject *a = AddBall("A", Vec3(0, 0, 0));
    const int children = RootChildren();
    for (int mode = 0; mode <= 3; ++mode) {
        m_facade->GetSelectionEditing().ChangeSelection(1);
        m_facade->GetAnnotations().TestRubber(mode);
        m_facade->GetSelectionEditing().ChangeSelection(0);
        m_facade->GetAnnotations().TestRubber(mode);
    }
    EXPECT_EQ(Diffuse(a), Color(0.5f, 0.5f, 0.5f, 1)) << "one object is no pair";
    EXPECT_EQ(RootChildren(), children) << "nothing was added";
}

TEST_F(AnnotateTest, AnAnnotationNeedsExactlyOneSelectedObject)
{
    AddBall("A", Vec3(0, 0, 0));
    SgObject *b = AddBall("B", Vec3(2, 0, 0));
    m_facade->GetSelectionEditing().ChangeSelection(0);
    const int children = RootChildren();
    m_facade->GetAnnotations().OnAnnotation();
    EXPECT_EQ(RootChildren(), children) << "two selected objects are not annotated";
    m_facade->GetSelectionEditing().ChangeSelection(1);
    m_facade->GetAnnotations().OnAnnotation();
    EXPECT_EQ(RootChildren(), children);

    Selection()->Select(b, 0);
    ASSERT_EQ(Selection()->GetSelCount(), 1);
    m_facade->GetAnnotations().OnAnnotation();
    ASSERT_EQ(RootChildren(), children + 2) << "the line and the label";
    EXPECT_EQ(LabelText(m_facade->GetRoot()->GetChild(children + 1)), "Annotation");
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_EQ(RootChildren(), children) << "an annotation is one step";
}

TEST_F(AnnotateTest, TheTapeLabelShowsTheDistanceOfItsTips)
{
    SgTransform *transforms[2] = {};
    SgObject *objects[4] = {};
    SgObject *tape = m_facade->GetAnnotations().CreateMeasureTape(transforms, objects, 0);
    ASSERT_NE(tape, nullptr);
    ASSERT_NE(transforms[1], nullptr);
    EXPECT_EQ(objects[0]->GetName(), "Tip1");
    EXPECT_EQ(objects[1]->GetName(), "Tip2");
    EXPECT_EQ(objects[2]->GetName(), "RBand");
    EXPECT_EQ(std::stod(LabelText(objects[3])), 1.0);
    transforms[1]->m_translation = Vec3(3, 4, 0);
    EXPECT_EQ(std::stod(LabelText(objects[3])), 5.0) << "the label follows the tips";
    // The label sits at the middle of the band.
    EXPECT_EQ(objects[3]->GetTransform()->m_translation.Get(true), Vec3(1.5, 2, 0));
}

TEST_F(AnnotateTest, TheDimensionTapeLiftsItsLineAboveTheHigherTip)
{
    SgTransform *transforms[2] = {};
    SgObject *objects[4] = {};
    SgObject *tape = m_facade->GetAnnotations().CreateMeasureTape(transforms, objects, 1);
    ASSERT_NE(tape, nullptr);
    transforms[0]->m_translation = Vec3(0, 0, 1);
    transforms[1]->m_translation = Vec3(2, 0, 0.25);
    // The two dashed marks are unselectable objects of the tape.
    std::vector<SgObject *> marks;
    SgSeparator *parts = tape->GetGroupHolder(false);
    for (int i = 0; i < parts->GetNumChildren(); ++i)
        if (auto *object = dynamic_cast<SgObject *>(parts->GetChild(i)))
            if (object->m_selectMode.Get() == 0 && object->GetTransform() && !LineOf(object) && object != objects[3])
                marks.push_back(object);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0]->GetTransform()->m_translation.Get(true), Vec3(0, 0, 1.5));
    EXPECT_EQ(marks[1]->GetTransform()->m_translation.Get(true), Vec3(2, 0, 1.5));
}

TEST_F(AnnotateTest, TapeTipsCannotBePickedWhileTheTapeIsStretched)
{
    AddViewer();
    m_facade->GetAnnotations().OnCreateCompoundTool(10);
    EXPECT_EQ(m_states.Last(76), 1);
    const int children = RootChildren();
    auto send = [this](unsigned message, unsigned buttons, int x, int y) {
        m_window->Send(message, buttons, SgWM::MakePoint(x, y));
    };
    send(SgWM::kLButtonDown, SgWM::kLeftButtonBit, 60, 60);
    send(SgWM::kLButtonUp, 0, 60, 60);
    send(SgWM::kMouseMove, 0, 120, 60);
    auto *tip1 = dynamic_cast<SgObject *>(FindNodeByName::Lookup("Tip1", m_facade->GetRoot()));
    auto *tip2 = dynamic_cast<SgObject *>(FindNodeByName::Lookup("Tip2", m_facade->GetRoot()));
    ASSERT_NE(tip1, nullptr);
    ASSERT_NE(tip2, nullptr);
    EXPECT_FALSE(tip1->Selectable());
    EXPECT_FALSE(tip2->Selectable());
    const Vec3 first = tip1->GetTransform()->m_translation.Get(true);
    const Vec3 second = tip2->GetTransform()->m_translation.Get(true);
    EXPECT_GT((second - first).Length(), 0.1) << "the drag moved the second tip";
    send(SgWM::kLButtonDown, SgWM::kLeftButtonBit, 120, 60);
    send(SgWM::kLButtonUp, 0, 120, 60);
    EXPECT_TRUE(tip1->Selectable()) << "after finishing the tips can be picked";
    EXPECT_TRUE(tip2->Selectable());
    EXPECT_NEAR(std::stod(LabelText(m_facade->GetRoot())), (second - first).Length(), 1e-5);
    EXPECT_EQ(RootChildren(), children + 1);
    m_facade->GetSelectionEditing().Undo(false);
    EXPECT_EQ(FindNodeByName::Lookup("Tip1", m_facade->GetRoot()), nullptr) << "the tape is one step";
    EXPECT_EQ(m_states.Last(76), 0) << "undo ends the tool and its button";
}

} // namespace

namespace {

// Written and read back, a tape still measures and a colour link still
// drives its colour.
TEST_F(AnnotateTest, ATapeReadBackStillMeasures)
{
    SgTransform *transforms[2] = {};
    SgObject *objects[4] = {};
    ASSERT_NE(m_facade->GetAnnotations().CreateMeasureTape(transforms, objects, 0), nullptr);
    transforms[1]->m_translation = Vec3(0, 2, 0);
    const std::string text = m_facade->GetFiles().SaveToStringFix();
    std::istringstream in(text);
    m_facade->GetFiles().ReadFileStream(in, true, "tape.kvrx");
    auto *tip2 = dynamic_cast<SgObject *>(FindNodeByName::Lookup("Tip2", m_facade->GetRoot()));
    ASSERT_NE(tip2, nullptr) << text;
    EXPECT_EQ(std::stod(LabelText(m_facade->GetRoot())), 2.0);
    tip2->GetTransform()->m_translation = Vec3(0, 0, 7);
    EXPECT_EQ(std::stod(LabelText(m_facade->GetRoot())), 7.0) << "the label still follows the tips";
}

TEST_F(AnnotateTest, AColourLinkSurvivesWriting)
{
    AddBall("A", Vec3(0.25, 0.5, 0.75));
    AddBall("B", Vec3(0, 0, 0));
    m_facade->GetSelectionEditing().ChangeSelection(0);
    m_facade->GetAnnotations().TestRubber(2);
    const std::string text = m_facade->GetFiles().SaveToStringFix();
    std::istringstream in(text);
    m_facade->GetFiles().ReadFileStream(in, true, "link.kvrx");
    auto *a = dynamic_cast<SgObject *>(FindNodeByName::Lookup("A", m_facade->GetRoot()));
    auto *b = dynamic_cast<SgObject *>(FindNodeByName::Lookup("B", m_facade->GetRoot()));
    ASSERT_NE(a, nullptr) << text;
    ASSERT_NE(b, nullptr) << text;
    EXPECT_EQ(Diffuse(b), Color(0.25f, 0.5f, 0.75f, 1)) << text;
    a->GetTransform()->m_translation = Vec3(0.5, 0, 1);
    EXPECT_EQ(Diffuse(b), Color(0.5f, 0, 1, 1)) << "the link still drives B";
}

} // namespace

namespace {

// The commands that work on the selection leave the scene as it was when the
// selection is not theirs: none, one object where two are needed, three.
TEST_F(AnnotateTest, SelectionCommandsOnASelectionTheyCannotUseChangeNothing)
{
    SgObject *balls[3] = {AddBall("A", Vec3(0, 0, 0)), AddBall("B", Vec3(1, 0, 0)), AddBall("C", Vec3(2, 0, 0))};
    using Run = void (*)(drevon::CDrevon &);
    const struct {
        const char *name;
        Run run;
        std::vector<int> refused;  // selection sizes the command leaves alone
    } commands[] = {
        {"OnAnnotation", [](drevon::CDrevon &f) { f.GetAnnotations().OnAnnotation(); }, {0, 2, 3}},
        {"TestRubber(0)", [](drevon::CDrevon &f) { f.GetAnnotations().TestRubber(0); }, {0, 1, 3}},
        {"TestRubber(1)", [](drevon::CDrevon &f) { f.GetAnnotations().TestRubber(1); }, {0, 1, 3}},
        {"TestRubber(2)", [](drevon::CDrevon &f) { f.GetAnnotations().TestRubber(2); }, {0, 1, 3}},
        {"TestRubber(3)", [](drevon::CDrevon &f) { f.GetAnnotations().TestRubber(3); }, {0, 1, 3}},
        {"TestRubber(4)", [](drevon::CDrevon &f) { f.GetAnnotations().TestRubber(4); }, {0, 1, 2, 3}},
        {"TestRubber(-1)", [](drevon::CDrevon &f) { f.GetAnnotations().TestRubber(-1); }, {0, 1, 2, 3}},
    };
    for (const auto &command : commands) {
        for (int size : command.refused) {
            m_facade->GetSelectionEditing().ChangeSelection(1);
            for (int i = 0; i < size; ++i)
                Selection()->Select(balls[i], 0);
            ASSERT_EQ(Selection()->GetSelCount(), size);
            const std::string before = m_facade->GetFiles().SaveToStringFix();
            const bool undoable = Document()->IsUndoStackNonEmpty();
            command.run(*m_facade);
            EXPECT_EQ(m_facade->GetFiles().SaveToStringFix(), before)
                << command.name << " with " << size << " selected";
            EXPECT_EQ(Document()->IsUndoStackNonEmpty(), undoable) << command.name << " with " << size;
        }
    }
}

} // namespace
