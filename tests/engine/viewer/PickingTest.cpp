// Picking through the viewer as a user clicks: every drawn face of every
// kind of shape is found, with the face it hit and that face's normal.
#include "tests/engine/viewer/ViewerFixture.h"

#include <cmath>
#include <functional>
#include <sstream>
#include <string>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgRayPickAction.h"

namespace {

using namespace viewertest;

using ViewerPickTest = ViewerFixtureT<64, 64>;

const Color kGreen(0, 1, 0, 1);

// The nodes of a scene text, without a document.
SgRef<SgSeparator> ReadNodes(const std::string &text)
{
    std::istringstream in("#VRML V1.0 ascii 102\n" + text);
    Vrml1InStream stream(in, "picked.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root = new SgSeparator;
    EXPECT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    return root;
}

SgPolyLine *Line(const std::vector<Vec3> &points, bool closed)
{
    auto *line = new SgPolyLine;
    line->AddLoop(static_cast<int>(points.size()), points.data());
    line->m_closed.Set(closed ? 1 : 0);
    return line;
}

struct ShapeCase {
    const char *name;
    std::function<void(SgObject *)> fill;
};
void PrintTo(const ShapeCase &c, std::ostream *out)
{
    *out << c.name;
}

void AddAll(SgObject *object, const std::string &text)
{
    SgRef<SgSeparator> nodes = ReadNodes(text);
    for (int i = 0; i < nodes->GetChildsCount(); ++i)
        object->AddChild(nodes->GetChild(i));
}

const ShapeCase kShapes[] = {
    {"Sphere", [](SgObject *o) { AddAll(o, "Sphere { radius 1.6 }"); }},
    {"TrianglesAndQuads",
     [](SgObject *o) {
         // A triangle on the left, a quad on the right.
         AddAll(o, "Coordinate3 { point [(-2,-1,0), (-2,1,0), (-0.2,0,0), (0.2,-1,0), (0.2,1,0), (2,1,0), (2,-1,0)] }\n"
                   "IndexedFaceSet { coordIndex [0, 1, 2, -1, 3, 4, 5, 6, -1] }");
     }},
    {"Torus", [](SgObject *o) { AddAll(o, "Torus { radius1 1.3 radius2 0.5 }"); }},
    {"Cylinder",
     [](SgObject *o) { AddAll(o, "Cylinder { radius 1.2 }"); }},
    {"Cone", [](SgObject *o) { AddAll(o, "Cone { bottomRadius 1.5 height 2 }"); }},
    {"Extrusion",
     [](SgObject *o) {
         auto *extrude = new SgExtrude;
         extrude->SetPolyline(Line({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, true), SgExtrude::kProfileSlot,
                              true);
         extrude->SetPolyline(Line({{0, 0, -1}, {0, 0, 1}}, false), SgExtrude::kSpineSlot, true);
         o->AddChild(extrude);
     }},
};

class PickEveryShapeTest : public ViewerPickTest, public ::testing::WithParamInterface<ShapeCase> {};

// Over a grid of points, every one where the shape was drawn picks it.
TEST_P(PickEveryShapeTest, EveryDrawnPointPicksTheShape)
{
    Unlit();
    auto *object = new SgObject(true, true);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetVals(1, &kGreen);
    object->AddPropertyNode(material, false);
    // Turned a little, so that the sides show as well as the front.
    object->GetTransform(true)->m_rotation.Set(Rotation(Vec3(1, 1, 0), 0.5));
    GetParam().fill(object);
    Root()->AddChild(object);
    Render();
    Render();

    int drawn = 0;
    std::string missed, missedByTraversal;
    for (int gy = 0; gy < 9; ++gy) {
        for (int gx = 0; gx < 9; ++gx) {
            const int x = 4 + gx * 7;
            const int y = 4 + gy * 7;
            if (Near(At(x, y), BackgroundColour(), 20))
                continue;
            ++drawn;
            SgRayPickAction pick(Viewport());
            pick.SetWindowPoint(x, kHeight - 1 - y);
            pick.m_dPickWidth = pick.m_dPickHeight = 1.0;
            ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
            PickedPointQuery all;
            const SgPickedPoint hit = pick.GetNearestPoint1(&all);
            if (hit.m_Path.GetPosition(object) < 0)
                missed += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
            // Picking by traversal, without drawing, finds the same shape;
            // its ray runs through the pixel's corner, not its centre, so
            // points on the outline are left to the drawn pick.
            bool inner = true;
            for (int d = 0; d < 4 && inner; ++d)
                inner = !Near(At(x + (d == 0) - (d == 1), y + (d == 2) - (d == 3)), BackgroundColour(), 20);
            if (!inner)
                continue;
            SgRayPickAction traversal(Viewport());
            traversal.m_bTraversePick = true;
            traversal.SetWindowPoint(x, kHeight - 1 - y);
            ASSERT_TRUE(traversal.Apply(Viewport()->GetNodara()));
            if (traversal.GetNearestPoint1(&all).m_Path.GetPosition(object) < 0)
                missedByTraversal += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
    }
    EXPECT_GT(drawn, 4) << "the shape must cover part of the view";
    EXPECT_TRUE(missed.empty()) << drawn << " drawn points, missed at" << missed;
    EXPECT_TRUE(missedByTraversal.empty()) << drawn << " drawn points, traversal missed at" << missedByTraversal;
}

INSTANTIATE_TEST_SUITE_P(Shapes, PickEveryShapeTest, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<ShapeCase> &info) { return info.param.name; });

SgGeometricShape *FindShape(SgNode *node)
{
    if (auto *shape = dynamic_cast<SgGeometricShape *>(node))
        return shape;
    for (int i = 0; i < node->GetNumChildren(); ++i)
        if (SgGeometricShape *shape = FindShape(node->GetChild(i)))
            return shape;
    return nullptr;
}

// The normal and the first corner of a face of a face set.
struct FacePlane {
    Vec3 normal;
    Vec3 corner;
};
bool PlaneOf(SgFaceSet &mesh, int face, FacePlane &plane)
{
    if (face < 0 || face >= mesh.GetFaceCount())
        return false;
    mesh.EvaluateFaceNormals(true);
    int loopAt = 0, indexAt = 0;
    for (int f = 0; f < face; ++f) {
        for (int l = 0; l < mesh.m_loopCount.GetValue(f); ++l)
            indexAt += mesh.m_sizes.GetValue(loopAt + l);
        loopAt += mesh.m_loopCount.GetValue(f);
    }
    plane.normal = mesh.GetFaceNormal(face);
    plane.corner = mesh.GetDeformedPoints()[mesh.m_indexes.GetValue(indexAt)];
    return true;
}

const ShapeCase kProcedural[] = {
    {"Sphere", [](SgObject *o) { AddAll(o, "Sphere { radius 1.6 }"); }},
    {"Cone", [](SgObject *o) { AddAll(o, "Cone { bottomRadius 1.5 height 2 }"); }},
    {"Cylinder", [](SgObject *o) { AddAll(o, "Cylinder { radius 1.2 }"); }},
    {"Torus", [](SgObject *o) { AddAll(o, "Torus { radius1 1.3 radius2 0.5 }"); }},
    {"Box", [](SgObject *o) { AddAll(o, "Box { width 2 depth 2 }"); }},
    {"Plane", [](SgObject *o) { AddAll(o, "Plane { width 3 height 3 }"); }},
};

class PickProceduralFaceTest : public ViewerPickTest, public ::testing::WithParamInterface<ShapeCase> {};

// A pick on a procedural shape names the face of its mesh that lies under
// the point, and the normal is that face's, turned towards the viewer.
TEST_P(PickProceduralFaceTest, PickNamesTheFaceUnderThePointAndItsNormal)
{
    Unlit();
    auto *object = new SgObject(true, true);
    object->GetTransform(true)->m_rotation.Set(Rotation(Vec3(1, 1, 0), 0.6));
    GetParam().fill(object);
    Root()->AddChild(object);
    Render();
    auto *shape = FindShape(object);
    ASSERT_NE(shape, nullptr);
    auto *mesh = dynamic_cast<SgFaceSet *>(shape->GetResultCache());
    ASSERT_NE(mesh, nullptr);
    const Transform3 place = object->GetTransform(true)->GetMatrix();

    int picked = 0;
    for (const auto &[x, y] : {std::pair{32, 32}, {40, 40}, {24, 40}, {40, 24}, {26, 26}}) {
        if (Near(At(x, y), BackgroundColour(), 20))
            continue;
        SgRayPickAction pick(Viewport());
        pick.SetWindowPoint(x, kHeight - 1 - y);
        pick.m_dPickWidth = pick.m_dPickHeight = 1.0;
        ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
        PickedPointQuery all;
        SgPickedPoint hit = pick.GetNearestPoint1(&all);
        ASSERT_FALSE(hit.m_Path.IsEmpty()) << x << "," << y;
        EXPECT_EQ(hit.m_Path.GetLastElement(), shape) << "the path ends at the shape";
        FacePlane plane;
        ASSERT_TRUE(PlaneOf(*mesh, hit.GetIndex(0), plane)) << "index " << hit.GetIndex(0) << " names no face";
        const Vec3 local = place.Inverse().TransformPoint(hit.m_Point);
        EXPECT_NEAR((local - plane.corner).Dot(plane.normal), 0.0, 0.05)
            << "the point lies in the plane of the named face at " << x << "," << y;
        const Vec3 normal = hit.GetNormal();
        EXPECT_NEAR(normal.Length(), 1.0, 1e-6);
        EXPECT_GT(normal.z, 0.0) << "the picked face looks at the viewer";
        const Vec3 turned = place.TransformPoint(plane.normal) - place.TransformPoint(Vec3(0, 0, 0));
        EXPECT_NEAR((normal - turned.Normalized(0.0)).Length(), 0.0, 1e-6) << "the named face's normal";
        ++picked;
    }
    EXPECT_GT(picked, 0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PickProceduralFaceTest, ::testing::ValuesIn(kProcedural),
                         [](const ::testing::TestParamInfo<ShapeCase> &info) { return info.param.name; });

// Under a non-uniform scale a picked normal stays perpendicular to the
// surface: a plane tilted 45 degrees, squashed to a tenth in z, faces
// almost straight up.
TEST_F(ViewerPickTest, NormalsStayPerpendicularUnderNonUniformScale)
{
    Unlit();
    auto *object = new SgObject(true, true);
    SgTransform *transform = object->GetTransform(true);
    transform->m_scaleFactor.Set(Vec3(1, 1, 0.1));
    AddAll(object, "Coordinate3 { point [(-2,-2,-2), (-2,2,2), (2,2,2), (2,-2,-2)] }\n"
                   "IndexedFaceSet { coordIndex [0, 1, 2, 3, -1] }");
    Root()->AddChild(object);
    Render();
    SgRayPickAction pick(Viewport());
    pick.SetWindowPoint(kWidth / 2, kHeight / 2);
    ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
    PickedPointQuery all;
    SgPickedPoint hit = pick.GetNearestPoint1(&all);
    ASSERT_FALSE(hit.m_Path.IsEmpty());
    ASSERT_EQ(hit.GetIndex(0), 0);
    // The face's plane y - z = 0 becomes y - 10 z = 0: normal (0, -1, 10)
    // or its opposite, whichever way the face runs.
    const Vec3 normal = hit.GetNormal();
    const Vec3 want = Vec3(0, -1, 10).Normalized(0.0);
    EXPECT_NEAR(std::fabs(normal.Dot(want)), 1.0, 1e-6) << normal.x << " " << normal.y << " " << normal.z;
}

// Picking by traversal (without drawing) finds the cube under the point,
// the face it hit and a point on that face.
TEST_F(ViewerPickTest, TraversalPickFindsTheShapeUnderThePoint)
{
    Unlit();
    auto *object = new SgObject(true, true);
    object->GetTransform(true)->m_translation.Set(Vec3(0.5, 0, 0));
    AddAll(object, "Cube { width 2 height 2 depth 2 }");
    Root()->AddChild(object);
    Render();
    SgRayPickAction pick(Viewport());
    pick.m_bTraversePick = true;
    pick.SetWindowPoint(kWidth / 2, kHeight / 2);
    ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
    PickedPointQuery all;
    SgPickedPoint hit = pick.GetNearestPoint1(&all);
    ASSERT_FALSE(hit.m_Path.IsEmpty()) << "no hit";
    EXPECT_GE(hit.m_Path.GetPosition(object), 0);
    EXPECT_NEAR(hit.m_Point.z, 1.0, 1e-4) << "on the front face";
    EXPECT_NEAR(hit.m_Point.x, 0.0, 1e-3);
    EXPECT_NEAR(hit.m_LocalPoint.x, -0.5, 1e-3) << "the point in the cube's own coordinates";
    const Vec3 normal = hit.GetNormal();
    EXPECT_NEAR(normal.z, 1.0, 1e-6);

    SgRayPickAction miss(Viewport());
    miss.m_bTraversePick = true;
    miss.SetWindowPoint(2, 2);
    ASSERT_TRUE(miss.Apply(Viewport()->GetNodara()));
    EXPECT_TRUE(miss.GetNearestPoint1(&all).m_Path.IsEmpty()) << "nothing beside the cube";
}

} // namespace
