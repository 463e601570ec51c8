// Binary STL export: what is drawn is written, in world coordinates, with
// one head whose count matches the records, facet normals of the
// transformed triangles, outward winding under mirroring, and every write
// checked. Every file written here passes admesh without errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgTransform.h"
#include "solids/GmBoxBuilder.h"
#include "solids/GmGeom.h"
#include "solids/GmMeshBuilder.h"
#include "solids/SgExportStlAction.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "tests/solids/StlTestUtil.h"

using namespace solvane;
using stltest::ReadStl;
using stltest::StlFile;

namespace {

class StlExport : public ::testing::Test {
protected:
    void SetUp() override { Solvane::Init(); }

    std::string TempPath(const char *name) const
    {
        return ::testing::TempDir() + "stl_" + name + ".stl";
    }

    // Writes each node with one action into one file.
    std::string Export(const char *name, const std::vector<SgNode *> &nodes)
    {
        const std::string path = TempPath(name);
        std::FILE *file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        SgExportStlAction stl;
        stl.SetFile(file);
        for (SgNode *n : nodes)
            EXPECT_TRUE(stl.Apply(n)) << stl.GetWriteError();
        EXPECT_TRUE(stl.Finish()) << stl.GetWriteError();
        std::fclose(file);
        return path;
    }

    // A separator with a transform and the shape.
    static SgRef<SgSeparator> Placed(SgNode *shape, const Vec3 &translation, const Rotation &rotation = Rotation(),
                                     const Vec3 &scale = Vec3(1, 1, 1))
    {
        SgRef<SgSeparator> sep(new SgSeparator);
        auto *t = new SgTransform;
        t->m_translation.Set(translation);
        t->m_rotation.Set(rotation);
        t->m_scaleFactor.Set(scale);
        sep->AddChild(t);
        sep->AddChild(shape);
        return sep;
    }
};

TEST_F(StlExport, ACubeUnderATranslationIsWrittenInWorldCoordinates)
{
    SgRef<SgSeparator> object = Placed(new SgSolvane(makeBox(2, 2, 2)), Vec3(10, 0, 0));
    const std::string path = Export("translated", {object.get()});
    StlFile stl = ReadStl(path);
    EXPECT_EQ(stl.bytes, 684u);
    EXPECT_EQ(stl.count, 12u);
    ASSERT_EQ(stl.records.size(), 12u);
    for (const auto &r : stl.records)
        for (const Vec3 &v : r.v) {
            EXPECT_GE(v.x, 9.0 - 1e-5);
            EXPECT_LE(v.x, 11.0 + 1e-5);
        }
    EXPECT_NEAR(stl.Volume(), 8.0, 1e-4);
    EXPECT_TRUE(stltest::AdmeshClean(path));
}

// Two objects: one head, whose count is the sum of both (the count at
// offset 80 is brought up to date after each object).
TEST_F(StlExport, TwoObjectsShareOneHeadWithTheSumOfTheirTriangles)
{
    SgRef<SgSeparator> a = Placed(new SgSolvane(makeBox(2, 2, 2)), Vec3(10, 0, 0));
    SgRef<SgSeparator> b = Placed(new SgSolvane(makeBox(2, 2, 2)), Vec3(-10, 0, 0));
    const std::string path = Export("two", {a.get(), b.get()});
    StlFile stl = ReadStl(path);
    EXPECT_EQ(stl.bytes, 1284u);
    EXPECT_EQ(stl.count, 24u);
    EXPECT_EQ(stl.records.size(), 24u);
    EXPECT_TRUE(stltest::AdmeshClean(path));

    // The same through the selection's paths.
    SgRef<SgSeparator> root(new SgSeparator);
    root->AddChild(a.get());
    root->AddChild(b.get());
    SgPathList paths;
    for (SgNode *n : {static_cast<SgNode *>(a.get()), static_cast<SgNode *>(b.get())}) {
        SgPath p;
        p.Append(root.get());
        p.Append(n);
        paths.Add(p);
    }
    const std::string viaPaths = TempPath("paths");
    std::string error;
    ASSERT_TRUE(SgExportStlAction::ExportPaths(viaPaths, paths, &error)) << error;
    EXPECT_EQ(ReadStl(viaPaths).count, 24u);
    EXPECT_TRUE(stltest::AdmeshClean(viaPaths));
}

// Facet normals are those of the transformed triangles: a rotated cube's
// normals are its rotated face normals; a mirrored cube keeps its facets
// facing out (winding reversed), with positive volume.
TEST_F(StlExport, NormalsAndWindingFollowTheTransform)
{
    struct Case {
        const char *name;
        Rotation rotation;
        Vec3 scale;
    } cases[] = {
        {"rotated", Rotation(Vec3(0, 0, 1), 0.5), Vec3(1, 1, 1)},
        {"tilted", Rotation(Vec3(1, 1, 0), 0.7), Vec3(1, 2, 1)},
        {"mirrored", Rotation(), Vec3(-1, 1, 1)},
        {"mirrored twice", Rotation(Vec3(0, 1, 0), 0.3), Vec3(-1, -1, 1)},
    };
    for (const Case &c : cases) {
        SgRef<SgSeparator> object = Placed(new SgSolvane(makeBox(2, 2, 2)), Vec3(3, 1, 0), c.rotation, c.scale);
        const std::string path = Export(c.name, {object.get()});
        StlFile stl = ReadStl(path);
        ASSERT_EQ(stl.count, 12u) << c.name;
        const Mat3 r = c.rotation.GetMat3();
        for (const auto &rec : stl.records) {
            const Vec3 centroid = (rec.v[0] + rec.v[1] + rec.v[2]) / 3.0;
            EXPECT_GT(rec.n.Dot(centroid - Vec3(3, 1, 0)), 0.0) << c.name << ": a facet faces in";
            EXPECT_NEAR(rec.n.Length(), 1.0, 1e-5) << c.name;
            if (c.scale.x > 0 && c.scale.y == 1.0) {
                // One of the six rotated axis directions.
                double best = 0.0;
                for (Vec3 axis : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)})
                    best = std::max(best, std::abs(rec.n.Dot(r * axis)));
                EXPECT_NEAR(best, 1.0, 1e-5) << c.name << ": not a rotated face normal";
            }
        }
        EXPECT_GT(stl.Volume(), 0.0) << c.name;
        EXPECT_TRUE(stltest::AdmeshClean(path)) << c.name;
    }
}

// Cubes and procedural shapes are exported as drawn; the triangles of a cube
// node come from the same box the solids use.
// Booleans as a user writes them, without materials: the export is one
// closed mesh of the evaluated solid with the volume the operation leaves.
struct BooleanSceneCase {
    const char *name;
    const char *body; // the children of the root separator
    double volume;    // of the exact shapes; the tessellation stays a little below
};

class StlExportBooleanScene : public StlExport, public ::testing::WithParamInterface<BooleanSceneCase> {};

TEST_P(StlExportBooleanScene, ExportsOneClosedMeshOfTheResult)
{
    const BooleanSceneCase &c = GetParam();
    std::istringstream in(std::string("#VRML V1.0 ascii 102\n") + c.body);
    Vrml1InStream stream(in, "boolean.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root = new SgSeparator;
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    ASSERT_TRUE(stream.GetMessages().empty()) << stream.FormatMessages();
    const std::string path = Export(c.name, {root.get()});
    StlFile stl = ReadStl(path);
    EXPECT_GT(stl.count, 0u);
    EXPECT_TRUE(stltest::AdmeshClean(path));
    EXPECT_LT(stl.Volume(), c.volume * 1.02) << c.name;
    EXPECT_GT(stl.Volume(), c.volume * 0.9) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    UserScenes, StlExportBooleanScene,
    ::testing::Values(
        // A sphere of radius 2 drilled through by a cylinder of radius 0.8:
        // 4/3 pi (r^2 - a^2)^(3/2).
        BooleanSceneCase{"SphereMinusCylinder",
                         "Boolean { operation 2 booleanEngine 0\n"
                         "Separator { Separator { Sphere { radius 2 } }\n"
                         "Separator { Cylinder { radius 0.8 height 6 } } } }\n",
                         4.0 / 3.0 * 3.141592653589793 * std::pow(4.0 - 0.64, 1.5)},
        // One operand is the operand itself.
        BooleanSceneCase{"OneOperand",
                         "Boolean { operation 1 booleanEngine 1\n"
                         "Separator { Separator { Sphere { radius 2 } } } }\n",
                         4.0 / 3.0 * 3.141592653589793 * 8.0},
        // (cube 3 with a unit ball on an edge, three quarters outside) less a
        // half ball of radius 1.2 on the front face.
        BooleanSceneCase{"Nested",
                         "Boolean { operation 2 booleanEngine 0\n"
                         "Separator { Separator { Boolean { operation 0 booleanEngine 0\n"
                         "Separator { Separator { Cube { width 3 height 3 depth 3 } }\n"
                         "Separator { Transform { translation (1.5,1.5,0) } Sphere { radius 1 } } } } }\n"
                         "Separator { Transform { translation (0,0,1.5) } Sphere { radius 1.2 } } } }\n",
                         27.0 + 0.75 * 4.0 / 3.0 * 3.141592653589793 - 0.5 * 4.0 / 3.0 * 3.141592653589793 * 1.728},
        // A half ellipsoid of semi-axes (1, 0.5, 1.5), turned in the face, out of a cube.
        BooleanSceneCase{"OperandWithNonUniformScale",
                         "Boolean { operation 2 booleanEngine 1\n"
                         "Separator { Separator { Cube { width 3 height 3 depth 3 } }\n"
                         "Separator { Transform { translation (0,0,1.5) rotation (0,0,1) 0.5 scaleFactor (1,0.5,1.5) }\n"
                         "Sphere { radius 1 } } } }\n",
                         27.0 - 0.5 * 4.0 / 3.0 * 3.141592653589793 * 0.75}),
    [](const ::testing::TestParamInfo<BooleanSceneCase> &info) { return info.param.name; });

TEST_F(StlExport, CubeNodesAreExported)
{
    auto *cube = new SgCube;
    cube->m_width.Set(2.0);
    cube->m_depth.Set(4.0);
    cube->m_height.Set(6.0);
    SgRef<SgSeparator> object = Placed(cube, Vec3(0, 0, 0));
    const std::string path = Export("cube_node", {object.get()});
    StlFile stl = ReadStl(path);
    EXPECT_EQ(stl.count, 12u);
    EXPECT_NEAR(stl.Volume(), 48.0, 1e-3);
    EXPECT_TRUE(stltest::AdmeshClean(path));

    // A procedural shape exports the face set it builds.
    auto *sphere = new SgSphere;
    sphere->m_radius.Set(1.5);
    SgRef<SgSeparator> ball = Placed(sphere, Vec3(0, 0, 5));
    const std::string spherePath = Export("sphere_node", {ball.get()});
    StlFile round = ReadStl(spherePath);
    EXPECT_GT(round.count, 100u);
    EXPECT_EQ(round.count, round.records.size());
    const double ideal = 4.0 / 3.0 * 3.141592653589793 * 1.5 * 1.5 * 1.5;
    EXPECT_GT(round.Volume(), 0.9 * ideal);
    EXPECT_LT(round.Volume(), ideal);
    EXPECT_TRUE(stltest::AdmeshClean(spherePath));
}

// A write that does not reach the file is reported as a failure, never as
// a finished export.
TEST_F(StlExport, ShortWritesAreReportedAsFailure)
{
    std::FILE *full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    SgRef<SgSeparator> object = Placed(new SgSolvane(makeBox(2, 2, 2)), Vec3(0, 0, 0));
    SgExportStlAction stl;
    stl.SetFile(full);
    stl.Apply(object.get());
    EXPECT_FALSE(stl.Finish());
    EXPECT_TRUE(stl.HasWriteFailed());
    EXPECT_FALSE(stl.GetWriteError().empty());
    std::fclose(full);

    SgExportStlAction none;
    EXPECT_FALSE(none.Apply(object.get())) << "no file to write to";

    SgPathList paths;
    SgPath p;
    p.Append(object.get());
    paths.Add(p);
    std::string error;
    EXPECT_FALSE(SgExportStlAction::ExportPaths("/dev/full", paths, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SgExportStlAction::ExportPaths(TempPath("no/such/folder"), paths, &error));
}

}  // namespace

// The bundled sample scene draws two boxes whose indexed face sets take
// their points from a shared point node: both boxes are written.
TEST_F(StlExport, IndexedFaceSetsTakeTheirPointsFromThePointNode)
{
    std::ifstream file(std::string(FENNIX_TEST_DATA) + "/sample_scene.kvrx");
    ASSERT_TRUE(file);
    Vrml1InStream stream(file, "sample_scene.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    const std::string path = Export("sample_scene", {root.get()});
    StlFile stl = ReadStl(path);
    EXPECT_EQ(stl.count, 24u) << "two boxes of six quads each";
    // A box of side 2 and its twin scaled by one half.
    EXPECT_NEAR(stl.Volume(), 8.0 + 1.0, 1e-4);
    EXPECT_TRUE(stltest::AdmeshClean(path));
}

namespace {
SgSeparator *CubeOperand(const Vec3 &centre)
{
    auto *sep = new SgSeparator;
    auto *t = new SgTransform;
    t->m_translation.Set(centre);
    sep->AddChild(t);
    auto *cube = new SgCube;
    cube->m_width.Set(2.0);
    cube->m_height.Set(2.0);
    cube->m_depth.Set(2.0);
    sep->AddChild(cube);
    return sep;
}
}  // namespace

// A boolean under a twist is written twisted, as it is drawn and bounded.
TEST_F(StlExport, ABooleanIsWrittenWithTheModifiersInForce)
{
    SgRef<SgSeparator> root(new SgSeparator);
    auto *twist = new SgTwistModifier;
    twist->m_angle.Set(0.785398163397448);
    twist->m_boxSize.Set(Vec3f(2, 2, 4));
    root->AddChild(twist);
    SgRef<SgBoolean> boolean(new SgBoolean(SgBoolean::kUnion));
    boolean->GetSeparator()->AddChild(CubeOperand(Vec3(0, 0, -0.5)));
    boolean->GetSeparator()->AddChild(CubeOperand(Vec3(0, 0, 0.5)));
    root->AddChild(boolean.get());

    const std::string path = Export("twisted_boolean", {root.get()});
    StlFile stl = ReadStl(path);
    ASSERT_GT(stl.count, 0u);
    Vec3 lo(1e30, 1e30, 1e30), hi(-1e30, -1e30, -1e30);
    for (const auto &r : stl.records)
        for (const Vec3 &v : r.v)
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], v[i]);
                hi[i] = std::max(hi[i], v[i]);
            }
    const Range<Vec3f> drawn = SgBoundingBoxAction::CalcBoundingBox(SgPath(*root));
    EXPECT_GT(hi.x, 1.2) << "the union was written untwisted";
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(lo[i], drawn.GetMin()[i], 1e-4) << "axis " << i;
        EXPECT_NEAR(hi[i], drawn.GetMax()[i], 1e-4) << "axis " << i;
    }
    EXPECT_TRUE(stltest::AdmeshClean(path));
}

// A boolean that cannot be evaluated makes the export fail, and the reason
// names the boolean; a file made by the failed export is not left behind.
TEST_F(StlExport, AFailedBooleanFailsTheExportNamingIt)
{
    SgRef<SgBoolean> boolean(new SgBoolean(SgBoolean::kUnion));
    boolean->SetName("drilled plate");
    boolean->GetSeparator()->AddChild(CubeOperand(Vec3(0, 0, 0)));
    auto *broken = new SgSeparator;
    auto *coords = new SgCoordinate3;
    const double nan = std::nan("");
    const Vec3 p[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {nan, 0, 1}};
    coords->m_point.SetVals(4, p);
    broken->AddChild(coords);
    auto *mesh = new SgIndexedFaceSet;
    const int index[] = {0, 2, 1, -1, 0, 1, 3, -1, 1, 2, 3, -1, 2, 0, 3, -1};
    mesh->m_coordIndex.SetVals(16, index);
    broken->AddChild(mesh);
    boolean->GetSeparator()->AddChild(broken);

    const std::string path = TempPath("failed_boolean");
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    SgExportStlAction stl;
    stl.SetFile(file);
    EXPECT_FALSE(stl.Apply(boolean.get()));
    EXPECT_FALSE(stl.Finish());
    std::fclose(file);
    EXPECT_NE(stl.GetWriteError().find("drilled plate"), std::string::npos) << stl.GetWriteError();

    SgRef<SgSeparator> root(new SgSeparator);
    root->AddChild(boolean.get());
    SgPath at;
    at.Append(root.get());
    at.Append(boolean.get());
    SgPathList paths;
    paths.Add(at);
    const std::string viaPaths = TempPath("failed_boolean_paths");
    std::remove(viaPaths.c_str());
    std::string error;
    EXPECT_FALSE(SgExportStlAction::ExportPaths(viaPaths, paths, &error));
    EXPECT_NE(error.find("drilled plate"), std::string::npos) << error;
    EXPECT_FALSE(std::ifstream(viaPaths).good()) << "the failed export left its file";
}

// A roof that cannot be built is as much a failure as a Boolean that cannot:
// the export fails naming it, and leaves no file of zero triangles behind.
TEST_F(StlExport, ARefusedRoofFailsTheExportNamingIt)
{
    SgRef<SgSkeleton> roof(new SgSkeleton);
    roof->SetName("shed roof");
    SgRef<SgSeparator> root(new SgSeparator);
    root->AddChild(roof.get());
    SgPath at;
    at.Append(root.get());
    at.Append(roof.get());
    SgPathList paths;
    paths.Add(at);
    const std::string path = TempPath("refused_roof");
    std::remove(path.c_str());
    std::string error;
    EXPECT_FALSE(SgExportStlAction::ExportPaths(path, paths, &error));
    EXPECT_NE(error.find("shed roof"), std::string::npos) << error;
    EXPECT_FALSE(std::ifstream(path).good()) << "the failed export left its file";
}
