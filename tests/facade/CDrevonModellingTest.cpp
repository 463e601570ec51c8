// Modelling on the selection: compound objects, extrusions, modifiers,
// wrapping, mesh conversion, sub-object editing, bones and skins; each one
// undo step, and each a no-op on a selection it cannot use.
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/actions/SgFindAction.h"
#include "engine/core/GeomUtil.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgRevolve.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgEditSubObjectTool.h"
#include "solids/GmGeom.h"
#include "solids/SgGeomAction.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgFFDBoxModifier.h"
#include "solids/modifiers/SgMeltModifier.h"
#include "solids/modifiers/SgPathModifier.h"
#include "solids/modifiers/SgSimplifyModifier.h"
#include "solids/modifiers/SgSliceModifier.h"
#include "solids/modifiers/SgSmoothMeshModifier.h"
#include "solids/modifiers/SgTriangulateModifier.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "solids/modifiers/SgWaveModifier.h"
#include "solids/surfaces/SgConform.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using drevon::CDrevon;

namespace {

class ModellingTest : public FacadeTest {
protected:
    SgSeparator *Root() const { return m_facade->GetRoot(); }

    SgObject *Add(SgNode *shape, const char *name, const Vec3 &at = Vec3())
    {
        auto *object = new SgObject(true, true);
        object->SetName(name);
        object->GetTransform(true)->m_translation.Set(at);
        object->AddChild(shape);
        Root()->AddChild(object);
        return object;
    }
    SgObject *AddBox(const char *name = "box", const Vec3 &at = Vec3())
    {
        auto *box = new SgBox;
        box->m_width.Set(2.0);
        box->m_depth.Set(2.0);
        box->m_height.Set(2.0);
        return Add(box, name, at);
    }
    SgObject *AddSphere(const char *name = "ball", const Vec3 &at = Vec3())
    {
        auto *sphere = new SgSphere;
        sphere->m_radius.Set(0.8);
        return Add(sphere, name, at);
    }
    SgObject *AddPolyline(const char *name = "line", double shift = 0.0)
    {
        auto *line = new SgPolyLine;
        const Vec3 points[] = {Vec3(0.5 + shift, 0, 0), Vec3(1 + shift, 0.5, 0), Vec3(0.6 + shift, 1, 0)};
        line->m_coordinates.SetVals(3, points);
        return Add(line, name);
    }
    void Select(std::initializer_list<SgObject *> objects)
    {
        Selection()->DeselectAll();
        for (SgObject *object : objects) {
            SgPath path;
            path.Append(Root());
            path.Append(object);
            Selection()->Select(path, 0);
        }
    }
    // The scene exactly as written, the names the writer gives shared
    // nodes included: an undone step kept for Redo must leave none behind.
    std::string SceneText()
    {
        std::ostringstream out;
        Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    // The objects directly under the root, by class of their first content.
    std::vector<SgObject *> Objects() const
    {
        std::vector<SgObject *> objects;
        for (int i = 0; i < Root()->GetNumChildren(); ++i) {
            SgNode *child = Root()->GetChild(i);
            if (child->IsObject() && child->IsDerivedFrom(SgObject::ClassID()))
                objects.push_back(static_cast<SgObject *>(child));
        }
        return objects;
    }
    // The first node of the object's content.
    SgNode *Content(SgObject *object) const
    {
        SgSeparator *inner = object->GetInnerGroup();
        return inner && inner->GetNumChildren() > 0 ? inner->GetChild(0) : nullptr;
    }
    // No face of a single-loop mesh looks towards `inside`, by the mesh's
    // own rule of which way a loop faces (a face without area looks nowhere).
    static void ExpectOutwards(SgFaceSet *faces, const Vec3 &inside)
    {
        const std::vector<Vec3> &points = faces->m_vertices.GetValues();
        const std::vector<int> &indexes = faces->m_indexes.GetValues();
        int corner = 0;
        for (int face = 0; face < faces->GetFaceCount(); ++face) {
            const int count = faces->m_sizes.GetValue(face);
            std::vector<double> loop;
            Vec3 centre;
            for (int k = 0; k < count; ++k) {
                const Vec3 &p = points[indexes[corner + k]];
                loop.insert(loop.end(), {p.x, p.y, p.z});
                centre += p * (1.0 / count);
            }
            corner += count;
            EXPECT_GE(ComputeFaceNormal(loop.data(), nullptr, count).Dot(centre - inside), 0.0) << "face " << face;
        }
    }
    // Runs the operation, checks it changed the scene, then one Undo brings
    // the scene back and one Redo makes the change again.
    void OneUndoStep(const std::function<void()> &operation, const char *what)
    {
        Document()->ResetUndo();
        const std::string before = SceneText();
        operation();
        const std::string after = SceneText();
        ASSERT_NE(after, before) << what << " changed nothing";
        EXPECT_FALSE(Document()->IsInKeyPoint()) << what;
        Selection()->DeselectAll();
        Document()->Undo();
        EXPECT_EQ(SceneText(), before) << what << ": one Undo takes it back";
        EXPECT_FALSE(Document()->IsUndoStackNonEmpty()) << what << ": more than one step";
        Document()->Redo();
        EXPECT_EQ(SceneText(), after) << what << ": one Redo does it again";
    }
};

// ---- Booleans ------------------------------------------------------------------------------------------

TEST_F(ModellingTest, SubtractMovesBothOperandsIntoOneBooleanObjectInSelectionOrder)
{
    SgObject *box = AddBox();
    SgObject *ball = AddSphere("ball", Vec3(0, 0, 1));
    Select({box, ball});
    ASSERT_TRUE(m_facade->GetSelectionEditing().MoreThanOneSelected(111));
    m_facade->GetModelling().BooleanOperation(111);
    const std::vector<SgObject *> objects = Objects();
    ASSERT_EQ(objects.size(), 1u) << "the operands left the root for the compound";
    SgNode *content = Content(objects[0]);
    ASSERT_NE(content, nullptr);
    ASSERT_EQ(content->GetClassID(), SgBoolean::ClassID());
    auto *boolean = static_cast<SgBoolean *>(content);
    EXPECT_EQ(boolean->m_operation.Get(), SgBoolean::kDifferenceFromFirst);
    SgSeparator *operands = boolean->GetSeparator();
    ASSERT_EQ(operands->GetNumChildren(), 2);
    EXPECT_EQ(operands->GetChild(0), box);
    EXPECT_EQ(operands->GetChild(1), ball);
    EXPECT_EQ(Selection()->GetSelCount(), 1) << "the compound is selected";
    // The box (8 units) lost a part of the ball.
    solvane::GmGeom *solid = SgGeomAction::EvaluateBoolean(boolean);
    ASSERT_NE(solid, nullptr);
    EXPECT_LT(solid->volume(), 8.0 - 0.1);
    EXPECT_GT(solid->volume(), 8.0 - 4.0 / 3.0 * 3.1416 * 0.8 * 0.8 * 0.8);
}

TEST_F(ModellingTest, ADifferencesPivotStandsAtTheResultNotBetweenItsOperands)
{
    // Apart, the second box takes nothing from the first: the result is the
    // first box, and the handles belong at its centre.
    SgObject *kept = AddBox("kept", Vec3(0, 0, 0));
    SgObject *apart = AddBox("apart", Vec3(6, 0, 0));
    Select({kept, apart});
    m_facade->GetModelling().BooleanOperation(111);
    const std::vector<SgObject *> objects = Objects();
    ASSERT_EQ(objects.size(), 1u);
    SgTransform *transform = objects[0]->GetTransform();
    ASSERT_NE(transform, nullptr);
    const Vec3 pivot = transform->GetMatrix().TransformPoint(objects[0]->GetCenter());
    EXPECT_NEAR(pivot.x, 0.0, 1e-6) << "the pivot stands midway between the operands";
    EXPECT_NEAR(pivot.y, 0.0, 1e-6);
    EXPECT_NEAR(pivot.z, 0.0, 1e-6);
}

TEST_F(ModellingTest, EachBooleanButtonAndItsValueGiveTheSameOperationAsOneUndoStep)
{
    for (int code = 0; code < 4; ++code) {
        for (int asButton = 0; asButton < 2; ++asButton) {
            Document()->ClearScene(false);
            SgObject *a = AddBox("a");
            SgObject *b = AddSphere("b", Vec3(0.5, 0, 0));
            Select({a, b});
            const int value = asButton ? 109 + code : code;
            OneUndoStep([&] { m_facade->GetModelling().BooleanOperation(value); }, "boolean");
            ASSERT_EQ(Objects().size(), 1u);
            SgNode *content = Content(Objects()[0]);
            ASSERT_EQ(content->GetClassID(), SgBoolean::ClassID()) << value;
            EXPECT_EQ(static_cast<SgBoolean *>(content)->m_operation.Get(), code) << value;
        }
    }
}

TEST_F(ModellingTest, ConformTakesAPlaneFirstAndPointsSecond)
{
    SgObject *plane = Add(new SgPlane, "plane");
    SgObject *points = Add(new SgPointSet, "points", Vec3(2, 0, 0));
    Select({points, plane});
    const std::string before = SceneText();
    m_facade->GetModelling().Conform(0);
    EXPECT_EQ(SceneText(), before) << "points first: nothing";
    Select({plane, points});
    OneUndoStep([&] { m_facade->GetModelling().Conform(0); }, "conform");
    ASSERT_EQ(Objects().size(), 1u);
    SgNode *content = Content(Objects()[0]);
    ASSERT_EQ(content->GetClassID(), SgConform::ClassID());
    EXPECT_EQ(static_cast<SgConform *>(content)->GetSeparator()->GetChild(0), plane);
    EXPECT_EQ(static_cast<SgConform *>(content)->GetSeparator()->GetChild(1), points);
    const Vec3 at = points->GetMove();
    EXPECT_NEAR(at.x, 2.0, 1e-9) << "the points stay where they stood";
    EXPECT_NEAR(at.y, 0.0, 1e-9);
}

TEST_F(ModellingTest, ScatterHoldsTheSourceThenTheTarget)
{
    SgObject *ball = AddSphere("ball");
    SgObject *box = AddBox("box", Vec3(4, 0, 0));
    Select({ball, box});
    OneUndoStep([&] { m_facade->GetModelling().Scatter(118); }, "scatter");
    ASSERT_EQ(Objects().size(), 1u);
    SgNode *content = Content(Objects()[0]);
    ASSERT_EQ(content->GetClassID(), SgScatter::ClassID());
    SgSeparator *held = static_cast<SgScatter *>(content)->GetSeparator();
    ASSERT_EQ(held->GetNumChildren(), 2);
    EXPECT_EQ(held->GetChild(0), ball);
    EXPECT_EQ(held->GetChild(1), box);
}

// ---- Extrusions ----------------------------------------------------------------------------------------

TEST_F(ModellingTest, OnePolylineRevolvesTwoExtrudeWithProfilesNumberedInOrder)
{
    SgObject *first = AddPolyline("first");
    Select({first});
    EXPECT_TRUE(m_facade->GetModelling().UpdateExtrude(113));
    m_facade->GetModelling().OnExtrude(113);
    std::vector<SgObject *> objects = Objects();
    ASSERT_EQ(objects.size(), 2u) << "the profile stays, the solid is new";
    ASSERT_EQ(Content(objects[1])->GetClassID(), SgRevolve::ClassID());

    SgObject *second = AddPolyline("second", 2.0);
    Select({first, second});
    m_facade->GetModelling().OnExtrude(113);
    objects = Objects();
    ASSERT_EQ(objects.size(), 4u);
    SgNode *content = Content(objects[3]);
    ASSERT_EQ(content->GetClassID(), SgExtrude::ClassID());
    auto *extrude = static_cast<SgExtrude *>(content);
    EXPECT_EQ(extrude->GetSlotNode(0), Content(first));
    EXPECT_EQ(extrude->GetSlotNode(1), Content(second));
    EXPECT_NE(Content(objects[3]), nullptr);
    EXPECT_EQ(Content(first)->GetClassID(), SgPolyLine::ClassID()) << "the profiles stay where they were";
}

TEST_F(ModellingTest, ACircleIsAProfileAndACappedExtrusionNeedsTwo)
{
    auto *curve = new SgCircle;
    curve->m_radius.Set(0.5);
    SgObject *circle = Add(curve, "circle", Vec3(2, 0, 0));
    Select({circle});
    ASSERT_TRUE(m_facade->GetModelling().UpdateExtrude(113)) << "a circle is offered as a profile";
    const size_t before = Objects().size();
    m_facade->GetModelling().OnExtrude(113);
    std::vector<SgObject *> objects = Objects();
    ASSERT_EQ(objects.size(), before + 1) << "the entry was enabled and did nothing";
    EXPECT_EQ(Content(objects.back())->GetClassID(), SgRevolve::ClassID());

    Select({circle});
    SgDiagCapture capture;
    m_facade->GetModelling().OnExtrude(117);
    EXPECT_EQ(Objects().size(), before + 1) << "a capped extrusion of one profile made an object";
    EXPECT_TRUE(capture.Contains("two closed curves")) << capture.GetText();
}

TEST_F(ModellingTest, ExtrusionIsOneUndoStepAndNeedsAProfile)
{
    SgObject *line = AddPolyline();
    Select({line});
    OneUndoStep([&] { m_facade->GetModelling().OnExtrude(0); }, "extrude");
    SgObject *ball = AddSphere();
    Select({ball});
    EXPECT_FALSE(m_facade->GetModelling().UpdateExtrude(113));
}

// Undoing a step that made a solid of profiles gives back the text the
// profiles had, names included: the undone solid kept for Redo still holds
// them, and that hold is no reason to name them in the scene.
TEST_F(ModellingTest, UndoOfASolidFromProfilesGivesTheTextBackWithItsNames)
{
    struct Case {
        const char *what;
        int button;
        int profiles;
    };
    const Case cases[] = {{"revolve", 113, 1}, {"extrude", 113, 2}, {"offset", 115, 1}, {"capped extrusion", 117, 2}};
    for (const Case &c : cases) {
        Document()->ClearScene(false);
        std::vector<SgObject *> lines;
        for (int i = 0; i < c.profiles; ++i)
            lines.push_back(AddPolyline(i == 0 ? "first" : "second", 2.0 * i));
        if (c.profiles == 1)
            Select({lines[0]});
        else
            Select({lines[0], lines[1]});
        Document()->ResetUndo();
        const std::string before = SceneText();
        m_facade->GetModelling().OnExtrude(c.button);
        const std::string after = SceneText();
        ASSERT_NE(after, before) << c.what << " made nothing";
        EXPECT_NE(after.find("DEF "), std::string::npos) << c.what << ": the solid shares its profile";
        Selection()->DeselectAll();
        Document()->Undo();
        EXPECT_EQ(SceneText(), before) << c.what << ": Undo left a name behind";
        Document()->Redo();
        EXPECT_EQ(SceneText(), after) << c.what << ": Redo wrote other names";
    }
}

// ---- Modifiers -----------------------------------------------------------------------------------------

TEST_F(ModellingTest, EachModifierKindAddsItsClassOnceAndOtherValuesNothing)
{
    const int classes[] = {0,
                           SgSmoothMeshModifier::ClassID(),
                           SgSimplifyModifier::ClassID(),
                           SgMeltModifier::ClassID(),
                           SgWaveModifier::ClassID(),
                           SgTwistModifier::ClassID(),
                           SgBendModifier::ClassID(),
                           SgFFDBoxModifier::ClassID(),
                           SgSliceModifier::ClassID(),
                           SgTriangulateModifier::ClassID()};
    for (int kind = 1; kind <= 9; ++kind) {
        Document()->ClearScene(false);
        SgObject *box = AddBox();
        Select({box});
        OneUndoStep([&] { m_facade->GetModelling().OnAddModifier(kind); }, "modifier");
        Select({box});
        m_facade->GetModelling().OnAddModifier(kind);
        SgFindAction find;
        FindNodeByClassID match(classes[kind]);
        find.m_pFunc = &match;
        find.m_bFirstOnly = false;
        find.Apply(box);
        EXPECT_EQ(find.m_Found.size(), 1u) << "kind " << kind << " twice";
    }
    // Values that name no kind, an address among them, change nothing.
    Document()->ClearScene(false);
    SgObject *box = AddBox();
    Select({box});
    SgRef<SgBendModifier> foreign(new SgBendModifier);
    const std::string before = SceneText();
    for (long long value : {0LL, -1LL, 10LL, 0x7fffffffLL, static_cast<long long>(reinterpret_cast<intptr_t>(foreign.get()))})
        m_facade->GetModelling().OnAddModifier(static_cast<int>(value));
    EXPECT_EQ(SceneText(), before);
    EXPECT_EQ(foreign->GetFatherList().size(), 0u);
}

// ---- Wrapping ------------------------------------------------------------------------------------------

TEST_F(ModellingTest, WrapNeedsTheObjectFirstAndTheCurveSecond)
{
    SgObject *box = AddBox();
    SgObject *curve = AddPolyline();
    Select({curve, box});
    const std::string before = SceneText();
    m_facade->GetModelling().WrapAlongSpline(116);
    EXPECT_EQ(SceneText(), before) << "curve first: nothing";
    Select({box, curve});
    OneUndoStep([&] { m_facade->GetModelling().WrapAlongSpline(116); }, "wrap");
    auto *modifier = static_cast<SgPathModifier *>(FindNodeByClassID::Lookup(SgPathModifier::ClassID(), box));
    ASSERT_NE(modifier, nullptr);
    EXPECT_EQ(modifier->m_pathCurve.Get(true).get(), Content(curve));
}

// ---- Meshes --------------------------------------------------------------------------------------------

TEST_F(ModellingTest, ConvertToMeshAddsAFaceSetObjectAndLeavesTheSource)
{
    SgObject *box = AddBox("box", Vec3(1, 2, 3));
    Select({box});
    OneUndoStep([&] { m_facade->GetModelling().ConvertToMesh(127); }, "convert");
    std::vector<SgObject *> objects = Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(Content(box)->GetClassID(), SgBox::ClassID());
    SgNode *mesh = Content(objects[1]);
    ASSERT_EQ(mesh->GetClassID(), SgFaceSet::ClassID());
    EXPECT_GE(static_cast<SgFaceSet *>(mesh)->GetFaceCount(), 6);
    EXPECT_EQ(objects[1]->GetMove(), Vec3(1, 2, 3)) << "the mesh stands where the box stands";
    ExpectOutwards(static_cast<SgFaceSet *>(mesh), Vec3(0, 0, 1));

    // A boolean's solid becomes a mesh too; a curve gives nothing.
    Document()->ClearScene(false);
    SgObject *a = AddBox("a");
    SgObject *b = AddSphere("b", Vec3(0, 0, 1));
    Select({a, b});
    m_facade->GetModelling().BooleanOperation(111);
    SgObject *compound = Objects()[0];
    SgGeomAction::EvaluateBoolean(Content(compound));
    Select({compound});
    m_facade->GetModelling().ConvertToMesh(127);
    ASSERT_EQ(Objects().size(), 2u);
    mesh = Content(Objects()[1]);
    ASSERT_EQ(mesh->GetClassID(), SgFaceSet::ClassID());
    EXPECT_GT(static_cast<SgFaceSet *>(mesh)->GetFaceCount(), 6);

    // A cube evaluates to a solid, so it converts too.
    auto *cube = new SgCube;
    SgObject *block = Add(cube, "block");
    Select({block});
    m_facade->GetModelling().ConvertToMesh(127);
    ASSERT_EQ(Objects().size(), 4u);
    mesh = Content(Objects()[3]);
    ASSERT_EQ(mesh->GetClassID(), SgFaceSet::ClassID());
    EXPECT_EQ(static_cast<SgFaceSet *>(mesh)->GetFaceCount(), 6);
    // Its faces look outwards, as the box's own mesh does.
    ExpectOutwards(static_cast<SgFaceSet *>(mesh), Vec3());

    SgObject *line = AddPolyline();
    Select({line});
    const std::string before = SceneText();
    m_facade->GetModelling().ConvertToMesh(127);
    EXPECT_EQ(SceneText(), before);
}

// ---- Sub-objects ---------------------------------------------------------------------------------------

TEST_F(ModellingTest, SubObjectButtonsPickTheirModesAndTheFacesButtonTwoWays)
{
    SgObject *box = AddBox();
    Select({box});
    m_facade->GetModelling().ConvertToMesh(127);
    SgObject *mesh = Objects()[1];
    struct Case {
        int button;
        int mode;
    } cases[] = {{124, 0}, {125, 1}, {126, 3}, {127, 3}, {0, 0}, {1, 1}, {3, 3}};
    for (const Case &c : cases) {
        m_facade->GetCreation().OnSelect();
        Select({mesh});
        m_facade->GetModelling().EditSubObject(c.button);
        auto *tool = dynamic_cast<SgEditSubObjectTool *>(m_facade->GetCreation().GetActiveTool());
        ASSERT_NE(tool, nullptr) << c.button;
        EXPECT_EQ(tool->m_iMode, c.mode) << c.button;
        EXPECT_TRUE(m_facade->GetModelling().IsEditingSubObjects());
    }
    // Another mode while editing: a new tool on the same shape.
    SgEventHandler *faces = m_facade->GetCreation().GetActiveTool();
    m_facade->GetModelling().EditSubObject(124);
    auto *vertices = dynamic_cast<SgEditSubObjectTool *>(m_facade->GetCreation().GetActiveTool());
    ASSERT_NE(vertices, nullptr);
    EXPECT_NE(vertices, faces);
    EXPECT_EQ(vertices->GetEditedShape(), Content(mesh));
    EXPECT_EQ(vertices->m_iMode, 0);
    // The same mode again keeps the running tool.
    m_facade->GetModelling().EditSubObject(124);
    EXPECT_EQ(m_facade->GetCreation().GetActiveTool(), vertices);
    EXPECT_EQ(m_facade->GetButtons().GetButtonState(124), 1) << "the vertices button shows the mode";
    EXPECT_EQ(m_facade->GetButtons().GetButtonState(126), 0);
    m_facade->GetCreation().OnSelect();
    EXPECT_FALSE(m_facade->GetModelling().IsEditingSubObjects());
    EXPECT_EQ(m_facade->GetButtons().GetButtonState(124), 0) << "editing ended: no mode shows";
}

// ---- Characters ----------------------------------------------------------------------------------------

TEST_F(ModellingTest, BoneSkinAndBackToSkin)
{
    m_facade->GetModelling().CreateBone();
    ASSERT_EQ(Objects().size(), 1u);
    SgObject *bone = Objects()[0];
    EXPECT_STREQ(Content(bone)->GetClassName(), "SgBone");

    SgObject *box = AddBox();
    Select({box});
    m_facade->GetModelling().ConvertToMesh(127);
    SgObject *skin = Objects()[2];
    // The skeleton comes second.
    Select({bone, skin});
    const std::string before = SceneText();
    m_facade->GetModelling().SkinSkeleton(0);
    EXPECT_EQ(SceneText(), before);
    Select({skin, bone});
    OneUndoStep([&] { m_facade->GetModelling().SkinSkeleton(0); }, "skin");
    auto *anim = static_cast<SgCharAnim *>(FindNodeByClassID::Lookup(SgCharAnim::ClassID(), skin));
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->m_skeleton.Get(true).get(), bone);
    Select({skin});
    m_facade->GetModelling().BackToSkin(0);
    EXPECT_EQ(anim->m_skeleton.Get(true).get(), nullptr);
}

// ---- Selections the commands cannot use ------------------------------------------------------------------

// Every modelling command on an empty selection and on selections of the
// wrong kind, count or order: the scene text and the undo list stay as they
// were.
TEST_F(ModellingTest, CommandsOnASelectionTheyCannotUseChangeNothing)
{
    SgObject *box = AddBox();
    SgObject *ball = AddSphere("ball", Vec3(3, 0, 0));
    SgObject *line = AddPolyline();
    struct Command {
        const char *name;
        std::function<void()> run;
    };
    CDrevon &f = *m_facade;
    const std::vector<Command> commands = {
        {"union", [&] { f.GetModelling().BooleanOperation(109); }},
        {"intersection", [&] { f.GetModelling().BooleanOperation(110); }},
        {"difference", [&] { f.GetModelling().BooleanOperation(111); }},
        {"difference from the last", [&] { f.GetModelling().BooleanOperation(112); }},
        {"conform", [&] { f.GetModelling().Conform(0); }},
        {"scatter", [&] { f.GetModelling().Scatter(118); }},
        {"wrap", [&] { f.GetModelling().WrapAlongSpline(116); }},
        {"revolve or extrude", [&] { f.GetModelling().OnExtrude(113); }},
        {"roof", [&] { f.GetModelling().OnExtrude(114); }},
        {"offset", [&] { f.GetModelling().OnExtrude(115); }},
        {"capped extrusion", [&] { f.GetModelling().OnExtrude(117); }},
        {"smooth", [&] { f.GetModelling().OnAddModifier(1); }},
        {"bend", [&] { f.GetModelling().OnAddModifier(6); }},
        {"slice", [&] { f.GetModelling().OnAddModifier(8); }},
        {"convert to mesh", [&] { f.GetModelling().ConvertToMesh(127); }},
        {"vertices", [&] { f.GetModelling().EditSubObject(124); }},
        {"edges", [&] { f.GetModelling().EditSubObject(125); }},
        {"faces", [&] { f.GetModelling().EditSubObject(126); }},
        {"bridge", [&] { f.GetModelling().BridgeSubObject(130); }},
        {"crease", [&] { f.GetModelling().CreaseSubObject(128); }},
        {"uncrease", [&] { f.GetModelling().CreaseSubObject(129); }},
        {"extrude faces", [&] { f.GetModelling().ExtrudeSubObject(131); }},
        {"inset faces", [&] { f.GetModelling().ExtrudeSubObject(132); }},
        {"skin", [&] { f.GetModelling().SkinSkeleton(0); }},
        {"back to skin", [&] { f.GetModelling().BackToSkin(0); }},
    };
    struct Picked {
        const char *name;
        std::vector<SgObject *> objects;
        std::vector<const char *> excused;  // commands this selection suits
    };
    const std::vector<Picked> selections = {
        {"nothing", {}, {}},
        // One solid: too few for compounds, no profile, no curve; modifiers
        // and conversion suit it (so are left out here).
        {"one box", {box}, {"smooth", "bend", "slice", "convert to mesh"}},
        // Three objects: more than any command but a boolean takes.
        {"three objects", {box, ball, line}, {"union", "intersection", "difference", "difference from the last",
                                             "revolve or extrude", "roof", "capped extrusion", "offset"}},
        // A curve then a solid: the wrong order for wrapping, no mesh to
        // skin, no skeleton.
        {"curve then box", {line, box}, {"union", "intersection", "difference", "difference from the last",
                                        "scatter", "revolve or extrude", "roof", "capped extrusion", "offset"}},
    };
    for (const Picked &selection : selections) {
        for (const Command &command : commands) {
            bool excused = false;
            for (const char *name : selection.excused)
                excused = excused || std::string(name) == command.name;
            if (excused)
                continue;
            m_facade->GetCreation().OnSelect();
            Select({});
            for (SgObject *object : selection.objects) {
                SgPath path;
                path.Append(Root());
                path.Append(object);
                Selection()->Select(path, 0);
            }
            Document()->ResetUndo();
            const std::string before = SceneText();
            command.run();
            EXPECT_EQ(SceneText(), before) << command.name << " on " << selection.name;
            EXPECT_FALSE(Document()->IsUndoStackNonEmpty()) << command.name << " on " << selection.name;
            EXPECT_FALSE(m_facade->GetModelling().IsEditingSubObjects()) << command.name << " on " << selection.name;
        }
    }
}

} // namespace
