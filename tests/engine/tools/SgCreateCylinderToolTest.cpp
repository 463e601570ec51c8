// The primitive creation tool driven through a headless window: one script
// per row of the facade's creation table (click, drag, click ...), the
// cylinder's numbers, the start and finish callbacks, undo of a creation,
// and a discarded empty creation.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/GenericCreateHandler.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgToolFields.h"
#include "engine/viewer/SgViewer.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

struct Calls {
    int start = 0;
    int finish = 0;
    void *lastStart = nullptr;
    void *lastFinish = nullptr;
};
Calls g_calls;

// The field-edit reports of a creation: the fields of each report, by name.
std::vector<std::vector<std::string>> g_reported;
void OnFieldEdit(SgDocument *, const double *values, int count, int kind, int fieldCount, SgField *const *fields,
                 int, int)
{
    std::vector<std::string> names;
    for (int i = 0; i < fieldCount; ++i)
        names.push_back(fields[i]->GetFieldName());
    EXPECT_EQ(kind, SgDocument::kEditDoubleFields);
    EXPECT_EQ(count, fieldCount);
    for (int i = 0; i < count; ++i) {
        double value = 0.0;
        SgField::CastNumericFieldToDouble(fields[i], &value);
        EXPECT_DOUBLE_EQ(values[i], value) << names[i];
    }
    g_reported.push_back(names);
}

void OnStart(SgDocument *, int, void *object)
{
    ++g_calls.start;
    g_calls.lastStart = object;
}
void OnFinish(SgDocument *, int, void *object)
{
    ++g_calls.finish;
    g_calls.lastFinish = object;
}

class CreateToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls = Calls();
        SgCreateCylinderTool::ResetObjectCounter();
        m_h.Document()->SetToolNotify(0, &OnStart);
        m_h.Document()->SetToolNotify(1, &OnFinish);
    }

    SgCreateCylinderTool *AddTool(int kind, std::vector<int> codes)
    {
        codes.push_back(0);
        auto *tool = new SgCreateCylinderTool;
        tool->Setup(kind, codes.data());
        m_h.Document()->GetRoot()->AddChild(tool);
        m_h.Paint();
        return tool;
    }
    void Click(Vec2i at)
    {
        m_h.Down(Button::Left, at);
        m_h.Up(Button::Left, at);
    }
    Vec2i Centre() { return {320, 240}; }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    static SgNode *ShapeOf(SgNode *node)
    {
        if (!node)
            return nullptr;
        if (node->IsShape())
            return node;
        for (int i = 0; i < node->GetNumChildren(); ++i)
            if (SgNode *found = ShapeOf(node->GetChild(i)))
                return found;
        return nullptr;
    }

    WindowHarness m_h{640, 480};
    // A box or torus of no size yet says so while it is dragged out.
    SgDiagCapture m_diagnostics;
};

double Field(SgNode *node, const char *name)
{
    return SgToolFields::GetDouble(node, name);
}

TEST_F(CreateToolTest, CylinderIsClickDragClickDragClick)
{
    SgCreateCylinderTool *tool = AddTool(SgCylinder::ClassID(), {2, 3});
    g_reported.clear();
    m_h.Document()->SetFieldEditCallback(&OnFieldEdit);
    const Vec2i c = Centre();
    Click(c);
    EXPECT_EQ(tool->GetStage(), 1);
    EXPECT_EQ(g_calls.start, 1);
    SgObject *object = tool->GetCreatedObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetName(), "SgCylinder1");
    m_h.Move({c.x + 50, c.y});
    m_h.Move({c.x + 100, c.y});
    m_h.Down(Button::Left, {c.x + 100, c.y});
    m_h.Up(Button::Left, {c.x + 100, c.y});
    EXPECT_EQ(tool->GetStage(), 2);
    SgNode *shape = tool->GetShape();
    ASSERT_NE(shape, nullptr);
    const double radius = Field(shape, "radius");
    const Vec2i rim = m_h.Project(Vec3(radius, 0, 0));
    EXPECT_NEAR(rim.x, c.x + 100, 1) << "radius " << radius << " lands 100 pixels right of the centre";
    m_h.Move({c.x + 100, c.y});
    m_h.Move({c.x + 100, c.y - 100});
    m_h.Down(Button::Left, {c.x + 100, c.y - 100});
    m_h.Up(Button::Left, {c.x + 100, c.y - 100});
    EXPECT_EQ(tool->GetStage(), 0);
    EXPECT_EQ(ShapeOf(object), shape) << "the finished shape lives in the object";
    EXPECT_DOUBLE_EQ(Field(shape, "radius"), radius);
    EXPECT_NEAR(Field(shape, "height"), 1.0, 1e-9) << "100 pixels up at 100 pixels per unit";
    EXPECT_NEAR(object->GetTransform()->m_translation.Get().z, 0.5, 1e-9);
    EXPECT_EQ(g_calls.start, 1);
    EXPECT_EQ(g_calls.finish, 1);
    EXPECT_EQ(g_calls.lastFinish, object);
    EXPECT_FALSE(m_h.ToolActive());
    EXPECT_FALSE(m_h.HasCapture());
    // Every move reported the fields it set: radius and height while the
    // extent is dragged, the height after.
    const std::vector<std::vector<std::string>> expected = {
        {"radius", "height"}, {"radius", "height"}, {"height"}, {"height"}};
    EXPECT_EQ(g_reported, expected);
    m_h.Document()->SetFieldEditCallback(nullptr);
}

} // namespace

namespace {

// One row of the facade's creation table: the class, its stage codes, and a
// field the drags must have set.
struct CreationRow {
    const char *name;
    int (*kind)();
    std::vector<int> codes;
    const char *extentField;
    const char *heightField; // null for flat shapes
};

const CreationRow kCreationTable[] = {
    {"sphere", &SgSphere::ClassID, {2}, "radius", nullptr},
    {"box", &SgBox::ClassID, {2, 3}, "width", "height"},
    {"cylinder", &SgCylinder::ClassID, {2, 3}, "radius", "height"},
    {"cone", &SgCone::ClassID, {2, 3}, "bottomRadius", "height"},
    {"ngon", &SgNGon::ClassID, {2, 2}, "radius", nullptr},
    {"star", &SgNStar::ClassID, {2, 2}, "radius", nullptr},
    {"circle", &SgCircle::ClassID, {2}, "radius", nullptr},
    {"arc", &SgArc::ClassID, {2, 2}, "radius", nullptr},
    {"helix", &SgHelix::ClassID, {2, 3}, "radius", "height"},
    {"torus", &SgTorus::ClassID, {2, 2}, "radius1", nullptr},
    {"torusKnot", &SgTorusKnot::ClassID, {2, 2}, "radius1", nullptr},
    {"plane", &SgPlane::ClassID, {2}, "width", nullptr},
    {"geoSphere", &SgGeoSphere::ClassID, {2}, "radius", nullptr},
    {"prism", &SgPrizm::ClassID, {1, 3}, nullptr, "height"},
};

class CreationTableTest : public CreateToolTest {};

// A square outline around the origin for the prism to stand on.
SgObject *AddSquareCurve(SgDocument *document)
{
    auto *object = new SgObject(true, true);
    auto *curve = new SgPolyLine;
    // Small, so that the view over it stays within the steep-view cone where
    // heights follow the mouse in pixels.
    const Vec3 corners[] = {{-0.3, -0.3, 0}, {0.3, -0.3, 0}, {0.3, 0.3, 0}, {-0.3, 0.3, 0}};
    curve->m_coordinates.SetVals(4, corners);
    curve->m_closed.Set(1);
    object->AddChild(curve);
    document->GetRoot()->AddChild(object);
    return object;
}

TEST_F(CreationTableTest, EveryRowCreatesItsShapeFromItsClicks)
{
    int made = 0;
    for (const CreationRow &row : kCreationTable) {
        SCOPED_TRACE(row.name);
        const bool prism = row.codes.front() == 1;
        if (prism)
            AddSquareCurve(m_h.Document());
        SgCreateCylinderTool *tool = AddTool(row.kind(), row.codes);
        g_calls = Calls();
        // Off the centre, so that a point taken in the wrong frame shows.
        const Vec2i a = prism ? m_h.Project(Vec3(0.3, 0, 0)) : Vec2i{260, 280};
        int releases = 0;
        Click(a);
        ++releases;
        ASSERT_EQ(g_calls.start, 1);
        SgObject *object = tool->GetCreatedObject();
        ASSERT_NE(object, nullptr);
        SgNode *shape = tool->GetShape();
        ASSERT_NE(shape, nullptr);
        ++made;
        EXPECT_EQ(object->GetName(), std::string(shape->GetClassName()) + std::to_string(made));
        Vec2i at = a;
        for (size_t stage = prism ? 1 : 0; stage < row.codes.size(); ++stage) {
            ASSERT_TRUE(tool->IsStarted()) << "stage " << stage;
            const int code = row.codes[stage];
            m_h.Move(at);
            at = code == 3 ? Vec2i{at.x, at.y - 100} : Vec2i{at.x + 100 + 50 * int(stage), at.y};
            m_h.Move(at);
            if (stage == 0 && row.extentField && std::string(row.extentField) == "radius" &&
                row.kind() != SgNGon::ClassID() && row.kind() != SgNStar::ClassID()) {
                // The radius is the distance on the work plane from the first point.
                const Vec3 centre = object->GetTransform()->m_translation.Get();
                const double r = Field(shape, "radius");
                EXPECT_NEAR(m_h.Project(centre).x, a.x, 1);
                EXPECT_NEAR(m_h.Project(centre + Vec3(r, 0, 0)).x, a.x + 100, 1);
            }
            m_h.Down(Button::Left, at);
            m_h.Up(Button::Left, at);
            ++releases;
        }
        EXPECT_FALSE(tool->IsStarted()) << "the release that meets code 0 finishes";
        EXPECT_EQ(releases, int(row.codes.size()) + (prism ? 0 : 1));
        EXPECT_EQ(g_calls.start, 1);
        EXPECT_EQ(g_calls.finish, 1);
        EXPECT_EQ(ShapeOf(object), shape);
        if (row.extentField) {
            EXPECT_GT(Field(shape, row.extentField), 0.1);
        }
        if (row.heightField) {
            EXPECT_NEAR(Field(shape, row.heightField), 1.0, 1e-9);
        } else if (std::string(row.name) != "plane") {
            EXPECT_EQ(Field(shape, "height"), 0.0) << "a flat shape keeps no height";
        }
        m_h.Document()->GetRoot()->DeleteChild(tool);
        m_h.Document()->GetRoot()->DeleteChild(object);
    }
}

TEST_F(CreateToolTest, ACreationIsOneUndoStep)
{
    AddTool(SgSphere::ClassID(), {2});
    const std::string before = SceneText();
    Click({300, 240});
    m_h.Move({350, 240});
    Click({350, 240});
    const std::string after = SceneText();
    ASSERT_NE(after.find("SgSphere1"), std::string::npos);
    m_h.Document()->Undo();
    EXPECT_EQ(SceneText(), before);
    m_h.Document()->Redo();
    EXPECT_EQ(SceneText(), after);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
}

TEST_F(CreateToolTest, AnEmptyCreationIsDiscardedWhenAsked)
{
    SgCreateCylinderTool *tool = AddTool(SgSphere::ClassID(), {2});
    EXPECT_FALSE(tool->m_bDiscardEmpty) << "off unless the owner sets it";
    tool->m_bDiscardEmpty = true;
    const int children = m_h.Document()->GetRoot()->GetNumChildren();
    const std::string before = SceneText();
    // The window centre looks at the origin: the first point is (0, 0, 0).
    Click({320, 240});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_EQ(g_calls.start, 0);
    EXPECT_EQ(m_h.Document()->GetRoot()->GetNumChildren(), children);
    EXPECT_EQ(SceneText(), before);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    // The tool goes on working.
    Click({300, 240});
    EXPECT_TRUE(tool->IsStarted());
}

// A procedural shape whose result is a curve (an offset of a square) serves
// a prism as a curve node does: the prism stands on a copy of that curve.
TEST_F(CreateToolTest, APrismStartsOnAnOffsetCurve)
{
    auto *object = new SgObject(true, true);
    auto *square = new SgPolyLine;
    const Vec3 corners[] = {{-0.3, -0.3, 0}, {0.3, -0.3, 0}, {0.3, 0.3, 0}, {-0.3, 0.3, 0}};
    square->m_coordinates.SetVals(4, corners);
    square->m_closed.Set(1);
    auto *offset = new SgOffset;
    offset->SetPolyline(square, 0, true);
    offset->m_offset.Set(0.1f);
    object->AddChild(offset);
    m_h.Document()->GetRoot()->AddChild(object);
    SgCreateCylinderTool *tool = AddTool(SgPrizm::ClassID(), {1, 3});
    const Vec2i edge = m_h.Project(Vec3(0.4, 0, 0));
    Click(edge);
    ASSERT_TRUE(tool->IsStarted()) << "the offset's curve is a curve to stand on";
    auto *prism = dynamic_cast<SgPrizm *>(tool->GetShape());
    ASSERT_NE(prism, nullptr);
    auto *profile = dynamic_cast<SgPolyLine *>(prism->GetSlotNode(0));
    ASSERT_NE(profile, nullptr);
    EXPECT_NE(profile, static_cast<SgNode *>(offset->GetResultCache())) << "a copy, not the offset's own result";
    EXPECT_GE(profile->m_coordinates.GetCount(), 4);
    m_h.Move(edge);
    m_h.Move({edge.x, edge.y - 50});
    Click({edge.x, edge.y - 50});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_NEAR(Field(prism, "height"), 0.5, 1e-9);
    EXPECT_EQ(g_calls.finish, 1);
}

TEST_F(CreateToolTest, APrismClickBesideACurveDoesNothing)
{
    SgCreateCylinderTool *tool = AddTool(SgPrizm::ClassID(), {1, 3});
    Click({100, 100});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_EQ(g_calls.start, 0);
}

TEST_F(CreateToolTest, ShiftAndCtrlChangeTheSidesOfAPolygonWithinItsLimits)
{
    SgCreateCylinderTool *tool = AddTool(SgNGon::ClassID(), {2, 2});
    Click({300, 240});
    SgNode *shape = tool->GetShape();
    SgToolFields::SetDouble(shape, "sides", 4);
    m_h.KeyDown(16);
    EXPECT_EQ(Field(shape, "sides"), 5);
    m_h.KeyDown(17);
    m_h.KeyDown(17);
    m_h.KeyDown(17);
    EXPECT_EQ(Field(shape, "sides"), 3) << "never fewer than three sides";
}

} // namespace

namespace {

// A handler that counts what the tool asks of it and builds a plain object.
class CountingHandler : public GenericCreateHandler {
public:
    explicit CountingHandler(SgDocument *document) : GenericCreateHandler(kParameters), m_document(document) {}
    void Update() override
    {
        ++updates;
        lastDistance = m_distance;
    }
    SgObject *Create() override
    {
        ++creates;
        auto *object = new SgObject(true, true);
        m_document->GetRoot()->AddChild(object);
        return object;
    }
    void CleanUp() override { ++cleanUps; }

    int updates = 0;
    int creates = 0;
    int cleanUps = 0;
    double lastDistance = 0.0;

private:
    static constexpr int kParameters[8] = {0, 0, 2, 0, 0, 0, 0, 0};
    SgDocument *m_document;
};

TEST_F(CreateToolTest, AHandlerGetsThePointsAndTheCreationIsOneKeyPoint)
{
    CountingHandler handler(m_h.Document());
    auto *tool = new SgCreateCylinderTool;
    tool->Setup(&handler);
    EXPECT_EQ(tool->GetStageCodes()[0], 2);
    m_h.Document()->GetRoot()->AddChild(tool);
    m_h.Paint();
    Click({300, 240});
    EXPECT_EQ(handler.creates, 1);
    EXPECT_TRUE(m_h.Document()->IsInKeyPoint()) << "the handler's creation is one key point";
    m_h.Move({300, 240});
    m_h.Move({400, 240});
    EXPECT_GT(handler.updates, 0);
    EXPECT_GT(handler.lastDistance, 0.5);
    Click({400, 240});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_EQ(handler.cleanUps, 1);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint()) << "and the key point is closed at the end";
    EXPECT_EQ(g_calls.start, 1);
    EXPECT_EQ(g_calls.finish, 1);
    m_h.Document()->GetRoot()->DeleteChild(tool);
}

TEST_F(CreateToolTest, ABoxWithoutDepthYetIsReportedOnceNotAtEveryMove)
{
    SgCreateCylinderTool *tool = AddTool(SgBox::ClassID(), {2, 3});
    const Vec2i c = Centre();
    Click(c);
    // Straight to the right: the box has width but no depth at every step.
    for (int s = 1; s <= 5; ++s) {
        m_h.Move({c.x + 20 * s, c.y});
        m_h.Paint();
    }
    EXPECT_LE(m_diagnostics.Count("Geometry"), 1) << "one failure, said once";
    m_h.Move({c.x + 100, c.y + 40});
    m_h.Paint();
    m_h.Move({c.x + 100, c.y});
    m_h.Paint();
    EXPECT_LE(m_diagnostics.Count("Geometry"), 2) << "a box that had depth and lost it again is said again";
    tool->Finish(nullptr);
    m_h.Document()->GetRoot()->DeleteChild(tool);
}

TEST_F(CreateToolTest, AClassThatMakesNoShapeCreatesNothing)
{
    const int children = m_h.Document()->GetRoot()->GetNumChildren();
    SgCreateCylinderTool *tool = AddTool(SgObject::ClassID(), {2});
    EXPECT_EQ(tool->GetKind(), 0);
    EXPECT_EQ(m_diagnostics.Count("CreateTool"), 1);
    Click({300, 240});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_EQ(m_h.Document()->GetRoot()->GetNumChildren(), children + 1) << "only the tool joined the scene";
    EXPECT_EQ(g_calls.start, 0);
}

} // namespace

namespace {

TEST_F(CreateToolTest, AConeDraggedBelowItsBaseIsFlipped)
{
    SgCreateCylinderTool *tool = AddTool(SgCone::ClassID(), {2, 3});
    Click({300, 240});
    m_h.Move({300, 240});
    m_h.Move({360, 240});
    Click({360, 240});
    m_h.Move({360, 240});
    m_h.Move({360, 340}); // 100 pixels down: below the base plane
    SgObject *object = tool->GetCreatedObject();
    Click({360, 340});
    const Rotation turn = object->GetTransform()->m_rotation.Get();
    EXPECT_NEAR(std::abs(turn.GetAngle()), std::numbers::pi, 1e-12);
    EXPECT_NEAR(object->GetTransform()->m_translation.Get().z, -0.5, 1e-9) << "centred half a height below";
    EXPECT_NEAR(Field(ShapeOf(object), "height"), 1.0, 1e-9);
}

TEST_F(CreateToolTest, AnArcSweepStaysContinuousAndWithinAFullTurn)
{
    SgCreateCylinderTool *tool = AddTool(SgArc::ClassID(), {2, 2});
    const Vec2i c{320, 240};
    Click({c.x + 1, c.y});
    m_h.Move({c.x + 80, c.y});
    Click({c.x + 80, c.y});
    SgNode *arc = tool->GetShape();
    // Round the centre anticlockwise on the screen, past the start direction.
    for (int step = 1; step <= 40; ++step) {
        const double a = step * 2 * std::numbers::pi / 36;
        m_h.Move({c.x + int(std::lround(80 * std::cos(a))), c.y - int(std::lround(80 * std::sin(a)))});
        EXPECT_LE(std::abs(Field(arc, "angle")), 360.0);
    }
    EXPECT_NEAR(std::abs(Field(arc, "angle")), 360.0, 1e-9) << "a drag past a full turn stops at 360";
}

} // namespace
