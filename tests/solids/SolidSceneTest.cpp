// The solid node in the scene: drawing solids (triangles gathered as the
// drawing makes them), conversion of the engine's meshes
// into solids, and registration into the engine. Whole frames are in
// render/SolidFrameTest.cpp.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "platform/SgDiagHandler.h"
#include "solids/GmBoxBuilder.h"
#include "solids/GmGeom.h"
#include "solids/GmMeshBuilder.h"
#include "solids/GmTriangulate.h"
#include "solids/GmValidity.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"
#include "solids/render/GmDraw.h"

using namespace solvane;

namespace {

class SolidScene : public ::testing::Test {
protected:
    void SetUp() override { Solvane::Init(); }
};

// A face set from plain loops (face set loops run clockwise about their
// normal, so these are given as seen from behind).
SgRef<SgFaceSet> FaceSet(const std::vector<Vec3> &points, const std::vector<std::vector<int>> &faces,
                         unsigned short surf = 0)
{
    SgRef<SgFaceSet> fs(new SgFaceSet);
    fs->m_vertices.SetVals(static_cast<int>(points.size()), points.data());
    for (const auto &f : faces)
        fs->InsertFace(f.data(), static_cast<int>(f.size()), surf);
    return fs;
}

double VolumeOf(const GmTriangles &t)
{
    double v = 0.0;
    for (int k = 0; k < t.count(); ++k) {
        const Vec3 a(t.points[3 * k]), b(t.points[3 * k + 1]), c(t.points[3 * k + 2]);
        v += a.Dot(b.Cross(c)) / 6.0;
    }
    return v;
}

TEST_F(SolidScene, TheLibraryRegistersItsClassesIntoTheEngine)
{
    const int id = SgFieldMngr::GetClassIDFromName("SgSolvane");
    ASSERT_NE(id, 0);
    SgFieldMngr *made = SgFieldMngr::Create(id);
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->GetClassName(), "SgSolvane");
    EXPECT_TRUE(made->IsDerivedFrom(SgShape::ClassID()));
    SgFieldMngr::Destroy(made);
}

// Every face goes through the tessellator when gathering: a box gives 12
// triangles of the box's volume, a face with a hole 8, a flat pentagon 3.
TEST_F(SolidScene, GatheringTriangulatesEveryFaceAsDrawn)
{
    std::unique_ptr<GmGeom> box(makeBox(2, 2, 2));
    GmTriangles t = GmCollectTriangles(*box);
    EXPECT_EQ(t.count(), 12);
    EXPECT_NEAR(VolumeOf(t), 8.0, 1e-5);

    std::unique_ptr<GmGeom> holed(SgSolvane::NewGeom());
    std::vector<GmNode *> outer, inner;
    for (Vec3 p : {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)})
        outer.push_back(holed->add_node(p));
    for (Vec3 p : {Vec3(-0.5, -0.5, 0), Vec3(-0.5, 0.5, 0), Vec3(0.5, 0.5, 0), Vec3(0.5, -0.5, 0)})
        inner.push_back(holed->add_node(p));
    holed->add_face_loops({outer, inner});
    GmTriangles h = GmCollectTriangles(*holed);
    EXPECT_EQ(h.count(), 8) << "a square with a square hole";
    double area = 0.0;
    for (int k = 0; k < h.count(); ++k) {
        const Vec3 a(h.points[3 * k]), b(h.points[3 * k + 1]), c(h.points[3 * k + 2]);
        area += (b - a).Cross(c - a).z / 2.0;
    }
    EXPECT_NEAR(area, 3.0, 1e-5) << "the hole is left open and the triangles face the normal";

    std::unique_ptr<GmGeom> pentagon(SgSolvane::NewGeom());
    std::vector<GmNode *> ring;
    for (int i = 0; i < 5; ++i)
        ring.push_back(pentagon->add_node(Vec3(std::cos(i * 1.2566370614359172), std::sin(i * 1.2566370614359172), 0)));
    pentagon->add_face_loops({ring});
    EXPECT_EQ(GmCollectTriangles(*pentagon).count(), 3);
}

// The tessellation store grows for a face with more points than it starts
// with, instead of writing past it.
TEST_F(SolidScene, AFaceLargerThanTheTessellationStoreIsDrawnWhole)
{
    const int n = kGmTessStoreSize + 5000;
    std::unique_ptr<GmGeom> g(SgSolvane::NewGeom());
    std::vector<GmNode *> ring;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * 3.141592653589793 * i / n;
        ring.push_back(g->add_node(Vec3(std::cos(a), std::sin(a), 0.0), true, nullptr, false));
    }
    g->add_face_loops({ring});
    EXPECT_EQ(GmCollectTriangles(*g).count(), n - 2);
}

// Smooth normals come per smoothing group: a box whose faces share one group
// gets averaged corner normals; faces of group 0 keep their face normal.
TEST_F(SolidScene, SmoothNormalsFollowTheSmoothingGroups)
{
    for (uint32_t group : {0u, 7u}) {
        std::unique_ptr<GmGeom> box(makeBox(2, 2, 2));
        for (GmFace *f : box->liveFaces())
            f->setGroup(group);
        GmTriangles t = GmCollectTriangles(*box, true);
        ASSERT_EQ(t.count(), 12);
        for (size_t i = 0; i < t.normals.size(); ++i) {
            const Vec3 n(t.normals[i]);
            const Vec3 p(t.points[i]);
            if (group == 0)
                EXPECT_NEAR(std::abs(n.x) + std::abs(n.y) + std::abs(n.z), 1.0, 1e-5) << "flat face normal";
            else
                EXPECT_NEAR(n.Dot(p / p.Length()), 1.0, 1e-5) << "corner normal of the shared group";
        }
    }
}

TEST_F(SolidScene, PaletteColoursByAttributeValue)
{
    unsigned char c[4];
    GmPaletteColour(1, c);
    EXPECT_EQ(c[0], 255);
    EXPECT_EQ(c[1], 0);
    GmPaletteColour(18 + 7, c);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[1], 128);
    EXPECT_EQ(c[2], 255);
    EXPECT_EQ(c[3], 255);
}

// However many conversions a session makes, a face's tag is its surface
// id plus a base that fits the group field: never wrapped into another tag
// or into 0 ("no group").
TEST_F(SolidScene, FaceTagsFitTheGroupFieldAfterManyConversions)
{
    for (int i = 0; i < 25000; ++i) {
        for (int base : {SgSolvane::NextFaceSetTagBase(), SgSolvane::NextIndexedFaceSetTagBase()}) {
            ASSERT_GT(base, 0) << "conversion " << i;
            ASSERT_LE(base + 0xFFFF, 0x3FFFFF) << "conversion " << i;
        }
    }
    SgRef<SgFaceSet> fs = FaceSet({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 2, 1}}, 3);
    std::unique_ptr<GmGeom> g(SgSolvane::ConvertToGeom(fs.get(), 0));
    ASSERT_TRUE(g);
    const uint32_t group = g->liveFaces().front()->group();
    EXPECT_EQ(group % SgSolvane::kTagStep, (SgSolvane::kTagBaseStart + 3) % SgSolvane::kTagStep);
}

TEST_F(SolidScene, FaceSetConversionSharesDuplicatesAndTagsFaces)
{
    // A unit cube given clockwise from outside, vertex 5 a duplicate of 2
    // stored at the same place.
    std::vector<Vec3> p = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
                           {1, 0, 1}};
    // Faces (clockwise seen from outside): bottom, top, sides; vertex 5 used
    // for corner 2 in two of them.
    std::vector<std::vector<int>> faces = {{0, 1, 5, 3}, {4, 7, 6, 8}, {0, 4, 8, 1},
                                           {1, 8, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
    SgRef<SgFaceSet> fs = FaceSet(p, faces, 3);
    std::vector<int> dup = {0, 1, 2, 3, 4, 2, 6, 7, 8};
    fs->m_vertexDuplication.SetVals(static_cast<int>(dup.size()), dup.data());
    std::unique_ptr<GmGeom> g(SgSolvane::ConvertToGeom(fs.get(), 0));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->nodeCount(), 8);
    EXPECT_EQ(g->edgeCount(), 12);
    EXPECT_EQ(g->faceCount(), 6);
    g->build_solids(1);
    GmValidityReport r = check_validity(*g);
    EXPECT_TRUE(r.ok) << r.text();
    EXPECT_NEAR(g->volume(), 1.0, 1e-9) << "face set loops turned to the kernel's orientation";
    const uint32_t group = g->liveFaces().front()->group();
    EXPECT_EQ(group % SgSolvane::kTagStep, (SgSolvane::kTagBaseStart + 3) % SgSolvane::kTagStep);

    // Triangle mode: a quad gives two triangles on the diagonal b-d; a
    // pentagon gives nothing and the face after it still reads its own
    // indexes.
    std::vector<Vec3> q = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 1.5, 0}, {3, 0, 0}, {4, 0, 0}, {3, 1, 0}};
    SgRef<SgFaceSet> mixed = FaceSet(q, {{0, 1, 2, 3}, {0, 1, 2, 4, 3}, {5, 6, 7, 5}});
    std::unique_ptr<GmGeom> tri(SgSolvane::ConvertToGeom(mixed.get(), 1));
    ASSERT_TRUE(tri);
    EXPECT_EQ(tri->faceCount(), 2 + 1);
}

TEST_F(SolidScene, MeshConversionRefusesFacesOutsideItsArrays)
{
    std::vector<Vec3> p = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    struct Case {
        const char *what;
        std::vector<int> index;
        int faces;
        bool reported;
    } cases[] = {
        {"well formed", {0, 1, 2, -1, 0, 2, 3, -1}, 2, false},
        {"index past the points", {0, 1, 7, -1, 0, 2, 3, -1}, 1, true},
        {"no terminator at the end", {0, 1, 2, -1, 0, 2, 3}, 1, true},
        {"two terminators in a row", {0, 1, 2, -1, -1, 0, 2, 3, -1}, 2, true},
        {"negative index inside", {0, -5, 1, 2, -1}, 0, true},
    };
    for (const Case &c : cases) {
        SgRef<SgIndexedFaceSet> mesh(new SgIndexedFaceSet);
        mesh->m_coordIndex.SetVals(static_cast<int>(c.index.size()), c.index.data());
        SgDiagCapture capture;
        std::unique_ptr<GmGeom> g(SgSolvane::ConvertToGeom(mesh.get(), 4, p.data()));
        ASSERT_TRUE(g) << c.what;
        EXPECT_EQ(g->faceCount(), c.faces) << c.what;
        EXPECT_EQ(capture.Count("Solvane") > 0, c.reported) << c.what;
    }
    // A face set whose sizes run past its indexes.
    SgRef<SgFaceSet> fs = FaceSet(p, {{0, 1, 2, 3}});
    unsigned short sizes[] = {9};
    fs->m_sizes.SetVals(1, sizes);
    SgDiagCapture capture;
    std::unique_ptr<GmGeom> g(SgSolvane::ConvertToGeom(fs.get(), 0));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->faceCount(), 0);
    EXPECT_GT(capture.Count("Solvane"), 0);
}

TEST_F(SolidScene, ConversionOfAnyShapeTakesOnlyTheThreeMeshClasses)
{
    SgRef<SgSphere> sphere(new SgSphere);
    EXPECT_EQ(SgSolvane::ConvertToGeom(sphere.get(), nullptr), nullptr);
    SgRef<SgSolvane> solid(new SgSolvane(makeBox(1, 2, 3)));
    std::unique_ptr<GmGeom> copy(SgSolvane::ConvertToGeom(solid.get(), nullptr));
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), solid->GetGeom());
    EXPECT_EQ(copy->faceCount(), 6);
    Range<Vec3f> box = solid->BoundingBox();
    EXPECT_NEAR(box.GetMax().z, 1.5f, 1e-5);
    SgRef<SgSolvane> empty(new SgSolvane);
    EXPECT_EQ(SgSolvane::ConvertToGeom(empty.get(), nullptr), nullptr);
}

// A non-planar quad is cut into two triangles by the kernel's triangulation;
// a flat pentagon stays one face (and is drawn as three triangles).
TEST_F(SolidScene, NonPlanarQuadBecomesTwoTrianglesAndAFlatPentagonStaysOneFace)
{
    std::vector<Vec3> p = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0.3}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0}, {4.3, 1, 0},
                           {3.5, 1.6, 0}, {2.7, 1, 0}};
    SgRef<SgFaceSet> fs = FaceSet(p, {{0, 1, 2, 3}, {4, 5, 6, 7, 8}});
    std::unique_ptr<GmGeom> g(SgSolvane::ConvertToGeom(fs.get(), 0));
    ASSERT_TRUE(g);
    ASSERT_EQ(g->faceCount(), 2);
    GmTriangulateStats s = triangulate(*g, 1e-4);
    EXPECT_EQ(g->faceCount(), 3) << "split " << s.split << ", tessellated " << s.tessellated;
    EXPECT_EQ(GmCollectTriangles(*g).count(), 2 + 3);
}

// A solid node has no fields for its solid: saving one that holds a solid
// writes the empty block and says so, never silently.
TEST_F(SolidScene, SavingASolidNodeSaysItsSolidIsNotWritten)
{
    for (bool withSolid : {false, true}) {
        SgRef<SgSeparator> root(new SgSeparator);
        root->AddChild(withSolid ? new SgSolvane(makeBox(1, 1, 1)) : new SgSolvane);
        std::ostringstream text;
        Vrml1Stream stream(text);
        SgSaveAction save(false);
        save.SetStream(&stream);
        save.WriteHeader(Vrml1Format::kWriterVersion);
        SgDiagCapture capture;
        ASSERT_TRUE(save.Apply(root.get()));
        EXPECT_NE(text.str().find("Solvane {\n}"), std::string::npos) << text.str();
        EXPECT_EQ(capture.Count("Solvane"), withSolid ? 1 : 0);
    }
}

}  // namespace
