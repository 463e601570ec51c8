// Sub-object editing of a face set: picking coincident vertices, moving them
// together, extrusions, splits and deletions; after every command the face
// set is still valid, and one Undo and one Redo take the command back and
// forth (compared on the written scene text).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/viewer/SgViewer.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/tools/SgEditSubObjectTool.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

// Two unit quads side by side; the shared edge's vertices are stored twice
// (1 = 4 and 2 = 7), as meshes built face by face keep them.
void FillTwoQuads(SgFaceSet *mesh)
{
    const Vec3 v[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}};
    const int indexes[] = {0, 1, 2, 3, 4, 5, 6, 7};
    const unsigned short sizes[] = {4, 4};
    const unsigned short loops[] = {1, 1};
    const unsigned short surf[] = {0, 0};
    const int dup[] = {0, 1, 2, 3, 1, 5, 6, 2};
    mesh->m_vertices.SetVals(8, v);
    mesh->m_indexes.SetVals(8, indexes);
    mesh->m_sizes.SetVals(2, sizes);
    mesh->m_loopCount.SetVals(2, loops);
    mesh->m_surfID.SetVals(2, surf);
    mesh->m_vertexDuplication.SetVals(8, dup);
}

// Indices in range, loop sizes adding up to the corner list, one loop count
// per face and one representative per vertex.
::testing::AssertionResult Valid(SgFaceSet *mesh)
{
    const int vertices = mesh->m_vertices.GetCount();
    for (int i : mesh->m_indexes.GetValues())
        if (i < 0 || i >= vertices)
            return ::testing::AssertionFailure() << "index " << i << " of " << vertices << " vertices";
    int loops = 0;
    for (unsigned short c : mesh->m_loopCount.GetValues())
        loops += c;
    if (loops != mesh->m_sizes.GetCount())
        return ::testing::AssertionFailure() << loops << " loops counted, " << mesh->m_sizes.GetCount() << " sizes";
    int corners = 0;
    for (unsigned short s : mesh->m_sizes.GetValues())
        corners += s;
    if (corners != mesh->m_indexes.GetCount())
        return ::testing::AssertionFailure() << corners << " corners sized, " << mesh->m_indexes.GetCount() << " indexes";
    if (mesh->m_vertexDuplication.GetCount() != vertices)
        return ::testing::AssertionFailure() << "vertexDuplication has " << mesh->m_vertexDuplication.GetCount();
    for (int r : mesh->m_vertexDuplication.GetValues())
        if (r < 0 || r >= vertices)
            return ::testing::AssertionFailure() << "representative " << r;
    return ::testing::AssertionSuccess();
}

// A closed unit cube of six quads over eight shared vertices, wound outwards.
void FillCube(SgFaceSet *mesh)
{
    std::vector<Vec3> v;
    for (int i = 0; i < 8; ++i)
        v.push_back(Vec3(i & 1, (i >> 1) & 1, (i >> 2) & 1));
    const int indexes[] = {0, 2, 3, 1, 4, 5, 7, 6, 0, 1, 5, 4, 2, 6, 7, 3, 0, 4, 6, 2, 1, 3, 7, 5};
    const std::vector<unsigned short> sizes(6, 4), loops(6, 1), surf(6, 0);
    std::vector<int> dup(8);
    for (int i = 0; i < 8; ++i)
        dup[i] = i;
    mesh->m_vertices.SetVals(8, v.data());
    mesh->m_indexes.SetVals(24, indexes);
    mesh->m_sizes.SetVals(6, sizes.data());
    mesh->m_loopCount.SetVals(6, loops.data());
    mesh->m_surfID.SetVals(6, surf.data());
    mesh->m_vertexDuplication.SetVals(8, dup.data());
}

// Every edge of a closed mesh is the side of exactly two faces, once in
// each direction.
::testing::AssertionResult Closed(SgFaceSet *mesh)
{
    const std::vector<int> &dup = mesh->m_vertexDuplication.GetValues();
    std::map<std::pair<int, int>, int> sides;
    int corner = 0;
    for (unsigned short n : mesh->m_sizes.GetValues()) {
        for (int k = 0; k < n; ++k) {
            const int a = dup[mesh->m_indexes.GetValue(corner + k)];
            const int b = dup[mesh->m_indexes.GetValue(corner + (k + 1) % n)];
            ++sides[{a, b}];
        }
        corner += n;
    }
    for (const auto &[side, count] : sides) {
        const auto back = sides.find({side.second, side.first});
        if (count != 1 || back == sides.end() || back->second != 1)
            return ::testing::AssertionFailure() << "edge " << side.first << "-" << side.second << " used " << count
                                                 << " times this way";
    }
    return ::testing::AssertionSuccess();
}

class SubObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_object = new SgObject(true, true);
        // Open, so both sides are drawn and picked whatever the winding.
        auto *hints = new SgShapeHints;
        hints->m_shapeType.Set(0);
        m_object->AddPropertyNode(hints, false);
        m_mesh = new SgFaceSet;
        FillTwoQuads(m_mesh);
        m_object->AddChild(m_mesh);
        m_h.Document()->GetRoot()->AddChild(m_object);
        m_tool = new SgEditSubObjectTool;
        m_h.Document()->GetRoot()->AddChild(m_tool);
        SgPath path;
        path.Append(m_h.Document()->GetRoot());
        path.Append(m_object);
        m_tool->Init(path, nullptr);
        ASSERT_TRUE(m_tool->SetEditedShape(m_mesh));
        m_h.Document()->ResetUndo();
        m_h.Paint();
    }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    // Runs the command and checks validity, one undo and one redo.
    void Command(const std::function<void()> &command)
    {
        const std::string before = SceneText();
        const int undo = m_h.Document()->GetUndoCursor();
        command();
        EXPECT_TRUE(Valid(m_mesh));
        EXPECT_FALSE(m_h.Document()->IsInKeyPoint()) << "no key point left open";
        const std::string after = SceneText();
        ASSERT_NE(after, before) << "the command changed the scene";
        m_h.Document()->Undo();
        EXPECT_EQ(SceneText(), before) << "one Undo takes the command back";
        EXPECT_EQ(m_h.Document()->GetUndoCursor(), undo);
        m_h.Document()->Redo();
        EXPECT_EQ(SceneText(), after) << "one Redo does it again";
        EXPECT_TRUE(Valid(m_mesh));
    }
    int Faces() { return m_mesh->m_loopCount.GetCount(); }

    WindowHarness m_h{640, 480};
    SgObject *m_object = nullptr;
    SgFaceSet *m_mesh = nullptr;
    SgEditSubObjectTool *m_tool = nullptr;
};

TEST_F(SubObjectTest, ClickingASharedVertexSelectsOneAndMovesBothCopies)
{
    m_tool->m_iMode = SgEditSubObjectTool::kVertices;
    m_tool->Start(nullptr);
    // Inside the left quad, next to the shared vertex (1, 0, 0).
    const Vec2i at = m_h.Project(Vec3(0.95, 0.05, 0));
    m_h.Down(Button::Left, at);
    m_h.Up(Button::Left, at);
    EXPECT_EQ(m_tool->SelectionCount(), 1);
    EXPECT_EQ(m_tool->GetSelected(), std::set<int>({1}));
    EXPECT_EQ(m_tool->GetMoved(), std::set<int>({1, 4}));
    Mat4 gizmo = m_tool->GetKeptMatrix();
    gizmo.Set(2, 3, gizmo.Get(2, 3) + 0.5);
    Command([&] {
        SgKeyPoint keyPoint(m_h.Document());
        EXPECT_TRUE(m_tool->ApplyGizmoStep(gizmo));
    });
    EXPECT_EQ(m_mesh->m_vertices.GetValue(1), Vec3(1, 0, 0.5));
    EXPECT_EQ(m_mesh->m_vertices.GetValue(4), Vec3(1, 0, 0.5));
    EXPECT_EQ(m_mesh->m_vertices.GetValue(2), Vec3(1, 1, 0));
    EXPECT_NEAR(m_mesh->BoundingBox().GetMax()[2], 0.5, 1e-6) << "the box follows the edit";
    // A second step from the new place moves by its own amount only.
    gizmo.Set(2, 3, gizmo.Get(2, 3) + 0.25);
    m_tool->ApplyGizmoStep(gizmo);
    EXPECT_EQ(m_mesh->m_vertices.GetValue(4), Vec3(1, 0, 0.75));
}

TEST_F(SubObjectTest, DraggingTheGizmoArrowMovesTheSelectedCopies)
{
    m_tool->m_iMode = SgEditSubObjectTool::kVertices;
    m_tool->Start(nullptr);
    const int passes = m_h.Viewer()->GetPassCount();
    const Vec2i at = m_h.Project(Vec3(0.95, 0.05, 0));
    m_h.Down(Button::Left, at);
    m_h.Up(Button::Left, at);
    EXPECT_EQ(m_h.Viewer()->GetPassCount(), passes) << "the refinement setting comes back after a click";
    ASSERT_NE(m_tool->GetGizmoTool(), nullptr) << "the gizmo carries a move tool";
    m_h.Paint();
    m_h.Document()->ResetUndo();
    const std::string before = SceneText();
    // Along the gizmo's x arrow, which starts at the selected vertex (1, 0, 0).
    m_h.Drag(Button::Left, m_h.Project(Vec3(1.7, 0, 0)), m_h.Project(Vec3(2.2, 0, 0)), 4);
    EXPECT_NEAR(m_mesh->m_vertices.GetValue(1).x, 1.5, 0.02);
    EXPECT_NEAR(m_mesh->m_vertices.GetValue(4).x, 1.5, 0.02) << "both coincident copies move";
    EXPECT_EQ(m_mesh->m_vertices.GetValue(1), m_mesh->m_vertices.GetValue(4));
    EXPECT_EQ(m_mesh->m_vertices.GetValue(2), Vec3(1, 1, 0));
    EXPECT_TRUE(Valid(m_mesh));
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    m_h.Document()->Undo();
    EXPECT_EQ(SceneText(), before) << "the drag is one undo step";
    // A step reported again through the selection handler moves nothing more.
    SgSelectionHandler *handler = m_h.Document()->GetSelectionHandler();
    ASSERT_NE(handler->GetAfterMoveCB(), nullptr);
    m_h.Document()->Redo();
    const Vec3 moved = m_mesh->m_vertices.GetValue(1);
    handler->GetAfterMoveCB()(nullptr, handler->GetAfterMoveData());
    EXPECT_EQ(m_mesh->m_vertices.GetValue(1), moved);
    m_tool->Finish(nullptr);
    EXPECT_EQ(handler->GetAfterMoveCB(), nullptr) << "the handler is given back as it was";
    EXPECT_FALSE(handler->m_bSubObject);
    EXPECT_EQ(m_tool->GetDisplayGroup(), nullptr);
    EXPECT_EQ(m_object->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true), nullptr);
}

TEST_F(SubObjectTest, ARubberBandSelectsTheVerticesInside)
{
    m_tool->m_iMode = SgEditSubObjectTool::kVertices;
    m_tool->Start(nullptr);
    const int passes = m_h.Viewer()->GetPassCount();
    // Around the left edge: vertices 0 and 3.
    m_h.Drag(Button::Left, m_h.Project(Vec3(-0.2, 1.2, 0)), m_h.Project(Vec3(0.2, -0.2, 0)), 3);
    EXPECT_EQ(m_tool->GetSelected(), std::set<int>({0, 3}));
    EXPECT_EQ(m_tool->GetMoved(), std::set<int>({0, 3}));
    EXPECT_FALSE(m_h.Viewer()->HasRubberBand());
    EXPECT_EQ(m_h.Viewer()->GetPassCount(), passes);
    // Around the shared edge: its two vertices and their copies.
    m_h.Drag(Button::Left, m_h.Project(Vec3(0.8, 1.2, 0)), m_h.Project(Vec3(1.2, -0.2, 0)), 3);
    EXPECT_EQ(m_tool->GetMoved(), std::set<int>({1, 2, 4, 7}));
    // Around nothing: the selection is emptied.
    m_h.Drag(Button::Left, m_h.Project(Vec3(-1.8, -1.2, 0)), m_h.Project(Vec3(-1.2, -1.8, 0)), 3);
    EXPECT_EQ(m_tool->SelectionCount(), 0);
    EXPECT_TRUE(m_tool->GetMoved().empty());
}

TEST_F(SubObjectTest, ASingularKeptMatrixSkipsTheStep)
{
    m_tool->m_iMode = SgEditSubObjectTool::kVertices;
    m_tool->SelectNearest(Vec3(0, 0, 0), false);
    Mat4 flat = m_tool->GetKeptMatrix();
    flat.Set(0, 0, 0.0);
    m_tool->ApplyGizmoStep(flat); // the kept matrix is now singular
    const std::vector<Vec3> before = m_mesh->m_vertices.GetValues();
    EXPECT_FALSE(m_tool->ApplyGizmoStep(Mat4()));
    EXPECT_EQ(m_mesh->m_vertices.GetValues(), before);
}

TEST_F(SubObjectTest, PlainExtrusionOfFaceZeroAddsOneSideFace)
{
    m_tool->m_iMode = SgEditSubObjectTool::kFaces;
    m_tool->SelectNearest(Vec3(0.5, 0.5, 0), false);
    ASSERT_EQ(m_tool->GetSelected(), std::set<int>({0}));
    Command([&] { m_tool->StartExtrude(false); });
    EXPECT_EQ(Faces(), 3) << "only the side shared with face 1 gets a side face";
    EXPECT_EQ(m_mesh->m_vertices.GetCount(), 10);
}

TEST_F(SubObjectTest, InsetExtrusionShrinksTheQuadAroundItsMean)
{
    m_tool->m_iMode = SgEditSubObjectTool::kFaces;
    m_tool->SelectNearest(Vec3(1.5, 0.5, 0), false);
    ASSERT_EQ(m_tool->GetSelected(), std::set<int>({1}));
    Command([&] { m_tool->StartExtrude(true); });
    EXPECT_EQ(m_mesh->m_vertices.GetCount(), 12);
    EXPECT_EQ(Faces(), 6);
    // Face 1's corners are the four new vertices, at 80 % around (1.5, 0.5).
    const int expectedCorners[][2] = {{8, 0}, {9, 1}, {10, 2}, {11, 3}};
    const Vec3 quad[] = {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}};
    for (const auto &[vertex, corner] : expectedCorners) {
        EXPECT_EQ(m_mesh->m_indexes.GetValue(4 + corner), vertex);
        const Vec3 want = quad[corner] * 0.8 + Vec3(1.5, 0.5, 0) * 0.2;
        EXPECT_NEAR((m_mesh->m_vertices.GetValue(vertex) - want).Length(), 0.0, 1e-12);
    }
}

TEST_F(SubObjectTest, SplitFaceAlongADiagonal)
{
    Command([&] { m_tool->SplitFace(0, 2, 0); });
    ASSERT_EQ(Faces(), 3);
    const std::vector<int> want = {0, 1, 2, 4, 5, 6, 7, 2, 3, 0};
    EXPECT_EQ(m_mesh->m_indexes.GetValues(), want);
    EXPECT_EQ(m_mesh->m_sizes.GetValues(), std::vector<unsigned short>({3, 4, 3}));
    EXPECT_EQ(m_mesh->m_surfID.GetCount(), 3);
}

TEST_F(SubObjectTest, SplitWithoutTwoMatchingCornersChangesNothing)
{
    const std::string before = SceneText();
    m_tool->SplitFace(0, 5, 0);
    m_tool->SplitFace(0, 2, 7);
    EXPECT_EQ(SceneText(), before);
    EXPECT_EQ(m_h.Document()->GetUndoCount(), 0);
}

TEST_F(SubObjectTest, DeletingFacesTwoAndFiveRemovesFiveFirst)
{
    // Six faces: split both quads into triangles twice over is not needed;
    // four more quads are appended, with surface ids 0..5.
    std::vector<int> indexes = m_mesh->m_indexes.GetValues();
    for (int f = 0; f < 4; ++f)
        indexes.insert(indexes.end(), {0, 1, 2, 3});
    m_mesh->m_indexes.SetVals(int(indexes.size()), indexes.data());
    const std::vector<unsigned short> sizes(6, 4), loops(6, 1), surf = {0, 1, 2, 3, 4, 5};
    m_mesh->m_sizes.SetVals(6, sizes.data());
    m_mesh->m_loopCount.SetVals(6, loops.data());
    m_mesh->m_surfID.SetVals(6, surf.data());
    m_h.Document()->ResetUndo();
    m_tool->SetEditedShape(m_mesh);
    m_tool->m_iMode = SgEditSubObjectTool::kFaces;
    const std::vector<Vec3> &centres = m_tool->GetFaceCentres();
    ASSERT_EQ(centres.size(), 6u);
    // Faces 2 and 5 share a centre with 0, so they are selected by set here.
    m_tool->SelectNearest(Vec3(1.5, 0.5, 0), false); // face 1 ...
    Command([&] {
        // ... replaced by 2 and 5 through Ctrl-less picks would need
        // distinct centres; delete faces 2 and 5 directly.
        const_cast<std::set<int> &>(m_tool->GetSelected()) = {2, 5};
        m_tool->DeleteSelection(3);
    });
    EXPECT_EQ(Faces(), 4);
    EXPECT_EQ(m_mesh->m_surfID.GetValues(), std::vector<unsigned short>({0, 1, 3, 4}));
    EXPECT_EQ(m_tool->SelectionCount(), 0) << "the selection is reset";
}

TEST_F(SubObjectTest, CreaseEdgesAreSetOnceAndCleared)
{
    m_tool->m_iMode = SgEditSubObjectTool::kEdges;
    m_tool->SelectNearest(Vec3(1, 0.5, 0), false);
    ASSERT_EQ(m_tool->GetSelectedEdges(), (std::set<std::pair<int, int>>{{1, 2}}));
    Command([&] { m_tool->CreaseSelection(1, 1); });
    m_tool->CreaseSelection(1, 1);
    EXPECT_EQ(m_mesh->m_creaseEdges.GetValues(), std::vector<int>({1, 2})) << "once, not twice";
    m_tool->CreaseSelection(1, 0);
    EXPECT_EQ(m_mesh->m_creaseEdges.GetCount(), 0);
}

TEST_F(SubObjectTest, BridgingTwoVerticesOfOneFaceSplitsIt)
{
    m_tool->m_iMode = SgEditSubObjectTool::kVertices;
    m_tool->SelectNearest(Vec3(0, 0, 0), false);
    m_tool->SelectNearest(Vec3(1, 1, 0), true);
    ASSERT_EQ(m_tool->SelectionCount(), 2);
    Command([&] { m_tool->BridgeSelection(0); });
    EXPECT_EQ(Faces(), 3);
}

TEST_F(SubObjectTest, BridgingTheSharedEdgeSplitsItOnceForBothFaces)
{
    m_tool->m_iMode = SgEditSubObjectTool::kEdges;
    m_tool->SelectNearest(Vec3(1, 0.5, 0), false);
    Command([&] { m_tool->BridgeSelection(1); });
    EXPECT_EQ(m_mesh->m_vertices.GetCount(), 9);
    EXPECT_EQ(m_mesh->m_sizes.GetValues(), std::vector<unsigned short>({5, 5}));
    EXPECT_EQ(m_mesh->m_vertices.GetValue(8), Vec3(1, 0.5, 0));
}

TEST_F(SubObjectTest, ExtrusionsOfAClosedCubeKeepItClosed)
{
    FillCube(m_mesh);
    ASSERT_TRUE(Closed(m_mesh));
    m_h.Document()->ResetUndo();
    m_tool->SetEditedShape(m_mesh);
    m_tool->m_iMode = SgEditSubObjectTool::kFaces;
    // The top face (z = 1) lifted: four side faces join it to the rest.
    m_tool->SelectNearest(Vec3(0.5, 0.5, 1.0), false);
    ASSERT_EQ(m_tool->GetSelected(), std::set<int>({1}));
    Command([&] { m_tool->StartExtrude(false); });
    EXPECT_EQ(Faces(), 10);
    EXPECT_TRUE(Closed(m_mesh));
    // The lifted face moves with the gizmo.
    Mat4 up = m_tool->GetKeptMatrix();
    up.Set(2, 3, up.Get(2, 3) + 1.0);
    m_tool->ApplyGizmoStep(up);
    EXPECT_NEAR(m_mesh->BoundingBox().GetMax()[2], 2.0, 1e-6) << "the box follows";
    // The side faces stand upright now: their normals are level.
    m_mesh->EvaluateFaceNormals(false);
    for (int f = 6; f < 10; ++f) {
        // Level but for the small sideways lift the new vertices start with.
        EXPECT_NEAR(m_mesh->GetFaceNormal(f).z, 0.0, 2e-3) << "side face " << f;
        EXPECT_NEAR(m_mesh->GetFaceNormal(f).Length(), 1.0, 1e-9);
    }
    EXPECT_TRUE(Closed(m_mesh));

    m_tool->SelectNearest(Vec3(0.5, 0.5, 0.0), false);
    ASSERT_EQ(m_tool->GetSelected(), std::set<int>({0}));
    Command([&] { m_tool->StartExtrude(true); });
    EXPECT_EQ(Faces(), 14);
    EXPECT_TRUE(Closed(m_mesh));
    EXPECT_TRUE(Valid(m_mesh));
}

TEST_F(SubObjectTest, RefusesShapesItCannotEdit)
{
    auto *tool = new SgEditSubObjectTool;
    SgRef<SgEditSubObjectTool> hold(tool);
    EXPECT_FALSE(tool->SetEditedShape(nullptr));
    EXPECT_FALSE(tool->SelectNearest(Vec3(), false));
    tool->StartExtrude(true);
    tool->DeleteSelection(3);
    EXPECT_EQ(tool->SelectionCount(), 0);
}

} // namespace

namespace {

// An open polyline of two loops: (0,0) (1,0) (2,0) and (0,1) (1,1).
class SubObjectCurveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto *object = new SgObject(true, true);
        m_curve = new SgPolyLine;
        const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}};
        m_curve->m_coordinates.SetVals(5, points);
        const int jumps[] = {3};
        m_curve->m_jumps.SetVals(1, jumps);
        object->AddChild(m_curve);
        m_h.Document()->GetRoot()->AddChild(object);
        m_tool = new SgEditSubObjectTool;
        m_h.Document()->GetRoot()->AddChild(m_tool);
        ASSERT_TRUE(m_tool->SetEditedShape(m_curve));
        m_h.Document()->ResetUndo();
    }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    void UndoRedo(const std::string &before)
    {
        const std::string after = SceneText();
        m_h.Document()->Undo();
        EXPECT_EQ(SceneText(), before);
        m_h.Document()->Redo();
        EXPECT_EQ(SceneText(), after);
    }

    WindowHarness m_h{640, 480};
    SgPolyLine *m_curve = nullptr;
    SgEditSubObjectTool *m_tool = nullptr;
};

TEST_F(SubObjectCurveTest, ExtrudingAnEdgeSplitsItOffTheCurve)
{
    m_tool->m_iMode = SgEditSubObjectTool::kEdges;
    ASSERT_TRUE(m_tool->SelectNearest(Vec3(1.5, 0.1, 0), false));
    ASSERT_EQ(m_tool->GetSelectedEdges(), (std::set<std::pair<int, int>>{{1, 2}}));
    const std::string before = SceneText();
    m_tool->StartExtrude(false);
    ASSERT_EQ(m_curve->m_coordinates.GetCount(), 7);
    EXPECT_EQ(m_curve->m_jumps.GetValues(), std::vector<int>({5}));
    EXPECT_EQ(m_tool->GetMoved(), std::set<int>({2, 3})) << "the pulled copies";
    EXPECT_EQ(m_tool->GetSelectedEdges(), (std::set<std::pair<int, int>>{{2, 3}}));
    EXPECT_EQ(m_curve->m_coordinates.GetValue(2), Vec3(1, 0, 0));
    EXPECT_EQ(m_curve->m_coordinates.GetValue(3), Vec3(2, 0, 0));
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    UndoRedo(before);
}

TEST_F(SubObjectCurveTest, DeletingAWholeLoopRemovesItFromJumps)
{
    m_tool->m_iMode = SgEditSubObjectTool::kVertices;
    m_tool->SelectNearest(Vec3(0, 1, 0), false);
    m_tool->SelectNearest(Vec3(1, 1, 0), true);
    ASSERT_EQ(m_tool->GetCentreSet(), std::set<int>({3, 4}));
    const std::string before = SceneText();
    m_tool->DeleteSelection(0);
    EXPECT_EQ(m_curve->m_coordinates.GetCount(), 3);
    EXPECT_EQ(m_curve->m_jumps.GetCount(), 0);
    EXPECT_EQ(m_tool->SelectionCount(), 0);
    UndoRedo(before);
}

} // namespace

namespace {

TEST_F(SubObjectTest, AFaceWithoutCornersAndEmptyFieldsAreGuarded)
{
    // One face that names a loop no "sizes" or "indexes" entry describes.
    const unsigned short one[] = {1};
    m_mesh->m_loopCount.SetVals(1, one);
    m_mesh->m_sizes.SetVals(0, nullptr);
    m_mesh->m_indexes.SetVals(0, nullptr);
    m_mesh->m_surfID.SetVals(0, nullptr);
    ASSERT_TRUE(m_tool->SetEditedShape(m_mesh));
    ASSERT_EQ(m_tool->GetFaceCentres().size(), 1u);
    EXPECT_EQ(m_tool->GetFaceCentres()[0], Vec3()) << "no corners: no division by zero";
    m_tool->m_iMode = SgEditSubObjectTool::kFaces;
    EXPECT_TRUE(m_tool->SelectNearest(Vec3(5, 5, 0), false));
    m_tool->StartExtrude(true);
    m_tool->StartExtrude(false);
    m_tool->SplitFace(0, 1, 0);
    EXPECT_EQ(m_mesh->m_indexes.GetCount(), 0);
    m_tool->DeleteSelection(3);
    EXPECT_EQ(m_mesh->m_loopCount.GetCount(), 0);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
}

} // namespace
