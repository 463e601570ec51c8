// The scene-file meshes: where an indexed face set takes its coordinates,
// the normals generated for it (from index lists that are not trusted), and
// the fields of the indexed face set, the line set and the point set.
#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgIndexedLineSet.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// Carries the coordinates in force.
class CoordinateStateAction : public SgAction {
    SG_ACTION_HEADER(CoordinateStateAction)
    CoordinateStateAction() { InitState(); }
};
SG_ACTION_SOURCE(CoordinateStateAction, "CoordinateStateAction")
void CoordinateStateAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<PointElement>(s_aiEnabledElements, s_iEnabledCount);
}

SgRef<SgCoordinate3> MakeCoordinates(std::vector<Vec3> points)
{
    SgRef<SgCoordinate3> node = new SgCoordinate3;
    node->m_point.SetVals(static_cast<int>(points.size()), points.data());
    return node;
}

} // namespace

void RegisterIndexedFaceSetTestClasses()
{
    InitTestClasses();
    CoordinateStateAction::InitClass();
}

namespace {

class IndexedFaceSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterIndexedFaceSetTestClasses(); }

    SgRef<SgIndexedFaceSet> m_mesh = new SgIndexedFaceSet;
};

TEST_F(IndexedFaceSetTest, FieldsAndDefaultsOfTheSceneFileShapes)
{
    struct Case {
        SgRef<SgShape> node;
        std::vector<std::string> fields;
        std::vector<std::pair<const char *, int>> intDefaults;
    };
    const Case cases[] = {
        {new SgIndexedFaceSet,
         {"coordIndex", "normalIndex", "materialIndex", "colorIndex", "textureCoordIndex", "coord", "texCoord",
          "solid", "convex"},
         {{"solid", 1}, {"convex", 1}}},
        {new SgIndexedLineSet, {"coordIndex", "colorPerVertex"}, {{"colorPerVertex", 0}}},
        {new SgPointSet, {"startIndex", "numPoints"}, {{"startIndex", 0}, {"numPoints", -1}}},
    };
    for (const Case &c : cases) {
        const char *name = c.node->GetClassName();
        EXPECT_EQ(SgFieldMngr::GetClassIDFromName(name), c.node->GetClassID()) << name << " is not registered";
        EXPECT_TRUE(c.node->IsDerivedFrom(SgShape::ClassID())) << name;
        ASSERT_EQ(c.node->GetFieldsCount(), static_cast<int>(c.fields.size())) << name;
        for (size_t i = 0; i < c.fields.size(); ++i)
            EXPECT_EQ(c.node->GetFieldName(static_cast<int>(i)), c.fields[i]) << name;
        for (const auto &[field, value] : c.intDefaults) {
            auto *f = dynamic_cast<SgFInt *>(c.node->GetFieldAddressByName(field));
            ASSERT_NE(f, nullptr) << name << "." << field;
            EXPECT_EQ(f->Get(), value) << name << "." << field;
        }
    }
}

TEST_F(IndexedFaceSetTest, WhereTheCoordinatesComeFrom)
{
    SgRef<SgCoordinate3> before = MakeCoordinates({{1, 0, 0}, {2, 0, 0}});
    SgRef<SgCoordinate3> emptyBefore = MakeCoordinates({});
    SgRef<SgCoordinate3> own = MakeCoordinates({{3, 0, 0}});
    enum Source { kNone, kStatePoints, kEmptyState, kOwn };
    struct Case {
        const char *name;
        SgCoordinate3 *inState; // null: no coordinate node before the mesh
        bool ownCoord;
        bool withState;
        Source expected;
    };
    const Case cases[] = {
        {"state points only", before.get(), false, true, kStatePoints},
        {"state points win over own", before.get(), true, true, kStatePoints},
        {"empty state, own coord", emptyBefore.get(), true, true, kOwn},
        {"nothing before, own coord", nullptr, true, true, kOwn},
        {"empty state, no coord", emptyBefore.get(), false, true, kEmptyState},
        {"no state, own coord", nullptr, true, false, kOwn},
        {"no state, no coord", nullptr, false, false, kNone},
    };
    for (const Case &c : cases) {
        SgRef<SgIndexedFaceSet> mesh = new SgIndexedFaceSet;
        if (c.ownCoord)
            mesh->m_coord = NodePtr(own.get());
        CoordinateStateAction action;
        if (c.inState)
            c.inState->DoAction(&action);
        SgVecField<Vec3, 7> *found = mesh->GetCoordinates(c.withState ? action.GetState() : nullptr);
        switch (c.expected) {
        case kNone:
            EXPECT_EQ(found, nullptr) << c.name;
            break;
        case kStatePoints:
            EXPECT_EQ(found, &before->m_point) << c.name;
            break;
        case kEmptyState:
            EXPECT_EQ(found, &emptyBefore->m_point) << c.name;
            break;
        case kOwn:
            EXPECT_EQ(found, &own->m_point) << c.name;
            break;
        }
    }
}

TEST_F(IndexedFaceSetTest, DeformedPointsPreferThePointCache)
{
    EXPECT_EQ(m_mesh->GetDeformedPoints(nullptr), nullptr);
    SgRef<SgCoordinate3> own = MakeCoordinates({{3, 0, 0}});
    m_mesh->m_coord = NodePtr(own.get());
    ASSERT_NE(m_mesh->GetDeformedPoints(nullptr), nullptr);
    EXPECT_EQ(m_mesh->GetDeformedPoints(nullptr)[0], Vec3(3, 0, 0));
    Vec3 moved[] = {{9, 9, 9}};
    m_mesh->SetPointCache(moved);
    EXPECT_EQ(m_mesh->GetDeformedPoints(nullptr), moved);
    m_mesh->SetPointCache(nullptr);
}

// Two triangles folded at a right angle along the edge from 0 to 1: the
// first lies in z = 0, the second in y = 0.
const std::vector<Vec3> kFold = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

class NormalGeneratorTest : public IndexedFaceSetTest {
protected:
    SgNormalGenerator &Generate(const std::vector<int> &indexes, double crease = 0.0,
                                const std::vector<Vec3> &points = kFold)
    {
        m_indexes = indexes;
        m_points = points;
        m_generator = std::make_unique<SgNormalGenerator>(crease);
        m_generator->SetInput(static_cast<int>(m_indexes.size()), m_indexes.data(),
                              static_cast<int>(m_points.size()), m_points.data());
        m_generator->GenerateVertexNormals();
        return *m_generator;
    }

    std::vector<int> m_indexes;
    std::vector<Vec3> m_points;
    std::unique_ptr<SgNormalGenerator> m_generator;
};

TEST_F(NormalGeneratorTest, RunsBetweenNegativeEntriesAreFaces)
{
    struct Case {
        const char *name;
        std::vector<int> indexes;
        int faces;
        std::vector<int> firsts;
    };
    const Case cases[] = {
        {"each ended by -1", {0, 1, 2, -1, 0, 3, 1, -1}, 2, {0, 4}},
        {"last without -1", {0, 1, 2, -1, 0, 3, 1}, 2, {0, 4}},
        {"two -1 in a row", {0, 1, 2, -1, -1, 0, 3, 1, -1}, 2, {0, 5}},
        {"runs of two are no face", {0, 1, -1, 0, 1, 2, -1, 3, -1}, 1, {3}},
        {"only separators", {-1, -1}, 0, {}},
        {"empty list", {}, 0, {}},
    };
    for (const Case &c : cases) {
        SgNormalGenerator &g = Generate(c.indexes);
        ASSERT_EQ(g.GetFaceCount(), c.faces) << c.name;
        for (int f = 0; f < c.faces; ++f)
            EXPECT_EQ(g.GetFace(f).firstIndex, c.firsts[f]) << c.name << ", face " << f;
        EXPECT_EQ(g.GetDroppedFaceCount(), 0) << c.name;
    }
}

TEST_F(NormalGeneratorTest, FaceNormalsFaceTheSideTheyRunClockwiseFrom)
{
    // Counter-clockwise seen from +z is clockwise seen from -z.
    SgNormalGenerator &g = Generate({0, 1, 2, -1, 0, 3, 1, -1, 0, 1, 2, 0, -1});
    ASSERT_EQ(g.GetFaceCount(), 3);
    EXPECT_EQ(g.GetFace(0).normal, Vec3f(0, 0, -1));
    EXPECT_EQ(g.GetFace(1).normal, Vec3f(0, -1, 0));
    EXPECT_EQ(g.GetFace(2).normal, Vec3f(0, 0, -1)) << "the general rule disagrees with the triangle rule";

    SgNormalGenerator &degenerate = Generate({0, 1, 1, -1});
    EXPECT_EQ(degenerate.GetFace(0).normal, Vec3f(1, 0, 0)) << "a face without area";
}

TEST_F(NormalGeneratorTest, CreaseAngleDecidesWhatIsSmoothedTogether)
{
    const float h = static_cast<float>(std::sqrt(0.5));
    struct Case {
        double crease;
        Vec3f atSharedCorner; // corner 0 of the first face
    };
    const Case cases[] = {
        {0.0, {0, 0, -1}}, {45.0, {0, 0, -1}}, {100.0, {0, -h, -h}}, {180.0, {0, -h, -h}}, {400.0, {0, -h, -h}}};
    for (const Case &c : cases) {
        SgNormalGenerator &g = Generate({0, 1, 2, -1, 0, 3, 1, -1}, c.crease);
        ASSERT_EQ(g.GetVertexNormalCount(), 8) << "one per entry of the index list";
        const Vec3f n = g.GetVertexNormal(0);
        EXPECT_NEAR(n.x, c.atSharedCorner.x, 1e-6) << "crease " << c.crease;
        EXPECT_NEAR(n.y, c.atSharedCorner.y, 1e-6) << "crease " << c.crease;
        EXPECT_NEAR(n.z, c.atSharedCorner.z, 1e-6) << "crease " << c.crease;
        EXPECT_EQ(g.GetVertexNormal(2), Vec3f(0, 0, -1)) << "corner 2 belongs to one face only";
        EXPECT_EQ(g.GetVertexNormal(3), Vec3f(0, 0, 0)) << "a separator has no normal";
    }
}

TEST_F(NormalGeneratorTest, InputIsTakenOnceOnly)
{
    SgNormalGenerator &g = Generate({0, 1, 2, -1});
    const std::vector<int> other = {0, 3, 1, -1, 0, 1, 2, -1};
    g.SetInput(static_cast<int>(other.size()), other.data(), 4, m_points.data());
    g.GenerateFaceNormals();
    g.GenerateVertexNormals();
    EXPECT_EQ(g.GetFaceCount(), 1);
    EXPECT_EQ(g.GetFace(0).normal, Vec3f(0, 0, -1));
}

TEST_F(NormalGeneratorTest, FacesNamingMissingCoordinatesAreLeftOut)
{
    SgDiagCapture capture;
    SgNormalGenerator &g = Generate({0, 1, 2, -1, 0, 7, 1, -1, 3, 1, 0, -1}, 180.0);
    ASSERT_EQ(capture.Count("Geometry"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("outside 0..3")) << capture.GetText();
    ASSERT_EQ(g.GetFaceCount(), 2);
    EXPECT_EQ(g.GetDroppedFaceCount(), 1);
    EXPECT_EQ(g.GetFace(1).firstIndex, 8);
    EXPECT_EQ(g.GetVertexNormal(5), Vec3f(0, 0, 0)) << "a left-out face got a normal";
    EXPECT_THROW(g.GetFace(2), SgInvalidArgument);
    EXPECT_THROW(g.GetVertexNormal(12), SgInvalidArgument);
}

TEST_F(NormalGeneratorTest, EditsGiveTheMeshAFreshGenerator)
{
    SgRef<SgCoordinate3> own = MakeCoordinates(kFold);
    m_mesh->m_coord = NodePtr(own.get());
    const int indexes[] = {0, 1, 2, -1};
    m_mesh->m_coordIndex.SetVals(4, indexes);

    auto generate = [&] {
        SgNormalGenerator *g = m_mesh->getNormalGenerator();
        SgVecField<Vec3, 7> *points = m_mesh->GetCoordinates(nullptr);
        g->SetInput(m_mesh->m_coordIndex.GetCount(), m_mesh->m_coordIndex.GetValues().data(), points->GetCount(),
                    points->GetValues().data());
        g->GenerateVertexNormals();
        return g->GetFace(0).normal;
    };
    EXPECT_EQ(generate(), Vec3f(0, 0, -1));
    EXPECT_EQ(m_mesh->getNormalGenerator(), m_mesh->getNormalGenerator()) << "the generator is not kept";

    const int turned[] = {0, 2, 1, -1};
    m_mesh->m_coordIndex.SetVals(4, turned);
    EXPECT_EQ(generate(), Vec3f(0, 0, 1)) << "an edit of the index list kept the old normals";

    own->m_point.SetValue(2, Vec3(0, -1, 0));
    EXPECT_EQ(generate(), Vec3f(0, 0, -1)) << "an edit of the coordinate node kept the old normals";
}

// Shapes for the vertex-normal table: points and an index list.
struct MeshCase {
    std::string name;
    std::vector<Vec3> points;
    std::vector<int> indexes;
};

// A sphere of quads split into triangles, with every ring's own points, so
// that the pole triangles have no area (as a sphere mesh read from a file
// often has).
MeshCase UvSphere(int sides, int rings)
{
    MeshCase mesh{"sphere " + std::to_string(sides) + "x" + std::to_string(rings), {}, {}};
    for (int r = 0; r <= rings; ++r) {
        const double phi = 3.141592653589793 * r / rings;
        for (int s = 0; s < sides; ++s) {
            const double theta = 2.0 * 3.141592653589793 * s / sides;
            mesh.points.emplace_back(std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta), std::cos(phi));
        }
    }
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const int a = r * sides + s, b = r * sides + (s + 1) % sides, c = a + sides, d = b + sides;
            mesh.indexes.insert(mesh.indexes.end(), {a, c, d, -1, a, d, b, -1});
        }
    }
    return mesh;
}

// Quads over a grid whose heights ripple with a period of three cells, so
// that neighbouring quads meet at steep and at shallow angles.
MeshCase RippledPatch(int across = 8, int down = 6)
{
    MeshCase mesh{"rippled patch " + std::to_string(across) + "x" + std::to_string(down), {}, {}};
    for (int j = 0; j <= down; ++j)
        for (int i = 0; i <= across; ++i)
            mesh.points.emplace_back(i / double(across), j / double(down), 0.05 * ((i + j) % 3));
    for (int j = 0; j < down; ++j) {
        for (int i = 0; i < across; ++i) {
            const int a = j * (across + 1) + i, b = a + across + 1;
            mesh.indexes.insert(mesh.indexes.end(), {a, b, b + 1, a + 1, -1});
        }
    }
    return mesh;
}

// A closed cylinder: quads round the side, one polygon per cap.
MeshCase Cylinder(int sides)
{
    MeshCase mesh{"cylinder " + std::to_string(sides), {}, {}};
    for (int s = 0; s < sides; ++s) {
        const double theta = 2.0 * 3.141592653589793 * s / sides;
        mesh.points.emplace_back(std::cos(theta), std::sin(theta), 0.0);
        mesh.points.emplace_back(std::cos(theta), std::sin(theta), 2.0);
    }
    for (int s = 0; s < sides; ++s) {
        const int t = (s + 1) % sides;
        mesh.indexes.insert(mesh.indexes.end(), {2 * s, 2 * s + 1, 2 * t + 1, 2 * t, -1});
    }
    for (int s = 0; s < sides; ++s)
        mesh.indexes.push_back(2 * s);
    mesh.indexes.push_back(-1);
    for (int s = sides - 1; s >= 0; --s)
        mesh.indexes.push_back(2 * s + 1);
    mesh.indexes.push_back(-1);
    return mesh;
}

// A cone whose apex is shared by many faces.
MeshCase Cone(int sides, double height)
{
    MeshCase mesh{"cone " + std::to_string(sides), {{0, 0, height}}, {}};
    for (int s = 0; s < sides; ++s) {
        const double theta = 2.0 * 3.141592653589793 * s / sides;
        mesh.points.emplace_back(std::cos(theta), std::sin(theta), 0.0);
    }
    for (int s = 0; s < sides; ++s)
        mesh.indexes.insert(mesh.indexes.end(), {0, 1 + (s + 1) % sides, 1 + s, -1});
    return mesh;
}

// Every corner's normal as defined: its face's normal plus those of the
// other faces around its coordinate (each counted once) whose normals are
// within the crease angle of its face's, made unit long; summed in double.
std::vector<Vec3> DefinedVertexNormals(const SgNormalGenerator &g, const std::vector<int> &indexes, double crease)
{
    const double angle = std::clamp(crease, 0.0, 180.0) * 3.141592653589793 / 180.0;
    const float limit = static_cast<float>(std::cos(angle));
    std::vector<std::vector<int>> around;
    for (int f = 0; f < g.GetFaceCount(); ++f) {
        const SgNormalGenerator::FaceRecord &face = g.GetFace(f);
        for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
            const size_t v = static_cast<size_t>(indexes[static_cast<size_t>(k)]);
            if (around.size() <= v)
                around.resize(v + 1);
            if (around[v].empty() || around[v].back() != f)
                around[v].push_back(f);
        }
    }
    std::vector<Vec3> normals(indexes.size());
    for (int f = 0; f < g.GetFaceCount(); ++f) {
        const SgNormalGenerator::FaceRecord &face = g.GetFace(f);
        const Vec3f own = face.normal;
        for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
            Vec3 sum(own);
            for (int other : around[static_cast<size_t>(indexes[static_cast<size_t>(k)])]) {
                const Vec3f n = g.GetFace(other).normal;
                if (other != f && n.x * own.x + n.y * own.y + n.z * own.z > limit)
                    sum += Vec3(n);
            }
            const double length = sum.Length();
            normals[static_cast<size_t>(k)] = length > 0.0 ? sum / length : sum;
        }
    }
    return normals;
}

TEST_F(NormalGeneratorTest, VertexNormalsFollowTheirDefinitionOnATableOfShapes)
{
    // The last two are large enough for their corners to be shared out over
    // threads.
    std::vector<MeshCase> meshes = {UvSphere(64, 32), UvSphere(32, 16),  UvSphere(320, 40),      RippledPatch(),
                                    Cylinder(16),     Cone(40, 0.3),     Cone(40, 30.0),         UvSphere(320, 80),
                                    RippledPatch(160, 160)};
    MeshCase cube{"cube", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                  {0, 1, 2, 3, -1, 4, 7, 6, 5, -1, 0, 4, 5, 1, -1, 1, 5, 6, 2, -1, 2, 6, 7, 3, -1, 3, 7, 4, 0, -1}};
    meshes.push_back(cube);
    // Runs that pass a corner twice, small and large; a triangle with its
    // back twin, whose normals sum to nothing; a run naming a missing
    // coordinate; a trailing run without a separator.
    meshes.push_back({"odd runs",
                      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0.5}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0.2}},
                      {0, 1, 2, 0, 3, -1, 1, 4, 5, 6, 7, 5, 4, 1, 2, 3, -1, 0, 2, 1, -1, 0, 1, 2, -1, 2, 9, 3, -1,
                       4, 6, 5}});
    const double creases[] = {0.0, 0.05, 1.0, 20.0, 30.0, 45.0, 60.0, 100.0, 180.0};
    for (const MeshCase &mesh : meshes) {
        for (double crease : creases) {
            SgDiagCapture quiet;
            SgNormalGenerator &g = Generate(mesh.indexes, crease, mesh.points);
            ASSERT_EQ(g.GetVertexNormalCount(), static_cast<int>(mesh.indexes.size())) << mesh.name;
            const std::vector<Vec3> defined = DefinedVertexNormals(g, mesh.indexes, crease);
            int wrong = 0;
            for (size_t k = 0; k < defined.size(); ++k) {
                const Vec3f n = g.GetVertexNormal(static_cast<int>(k));
                const double off = (Vec3(n) - defined[k]).Length();
                if (off > 1e-5 && ++wrong <= 3)
                    ADD_FAILURE() << mesh.name << ", crease " << crease << ": corner " << k << " is (" << n.x
                                  << ", " << n.y << ", " << n.z << "), defined (" << defined[k].x << ", "
                                  << defined[k].y << ", " << defined[k].z << ")";
            }
            EXPECT_EQ(wrong, 0) << mesh.name << ", crease " << crease;
        }
    }
}

// What a worker thread makes (one mesh, no threads of its own, nothing
// reported) is what the owner's thread makes, to the bit; the report of
// left-out faces comes with the owner's next call, once.
TEST_F(NormalGeneratorTest, PreparedNormalsAreTheGeneratedOnes)
{
    MeshCase odd{"odd runs with a missing coordinate",
                 {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0.5}},
                 {0, 1, 2, 0, 3, -1, 0, 2, 1, -1, 2, 9, 3, -1, 1, 4, 2, -1, 0, 0, 0, -1}};
    const MeshCase meshes[] = {UvSphere(320, 80), RippledPatch(160, 160), RippledPatch(), odd};
    for (const MeshCase &mesh : meshes) {
        for (double crease : {0.0, 30.0, 180.0}) {
            SgNormalGenerator generated(crease), prepared(crease);
            for (SgNormalGenerator *g : {&generated, &prepared})
                g->SetInput(static_cast<int>(mesh.indexes.size()), mesh.indexes.data(),
                            static_cast<int>(mesh.points.size()), mesh.points.data());
            {
                SgDiagCapture capture;
                generated.GenerateVertexNormals();
                EXPECT_EQ(capture.Count("Geometry"), generated.GetDroppedFaceCount() > 0 ? 1 : 0) << mesh.name;
            }
            {
                SgDiagCapture capture;
                ASSERT_TRUE(prepared.PrepareVertexNormals()) << mesh.name;
                EXPECT_TRUE(prepared.VertexNormalsDone());
                EXPECT_EQ(capture.Count("Geometry"), 0) << mesh.name << ": a worker reported";
                prepared.GenerateVertexNormals();
                prepared.GenerateVertexNormals();
                EXPECT_EQ(capture.Count("Geometry"), generated.GetDroppedFaceCount() > 0 ? 1 : 0)
                    << mesh.name << ": the left-out faces were not reported once by the owner";
            }
            ASSERT_EQ(prepared.GetFaceCount(), generated.GetFaceCount()) << mesh.name;
            ASSERT_EQ(prepared.GetVertexNormalCount(), generated.GetVertexNormalCount()) << mesh.name;
            int differ = 0;
            for (int f = 0; f < generated.GetFaceCount(); ++f)
                differ += std::memcmp(&prepared.GetFace(f).normal, &generated.GetFace(f).normal, sizeof(Vec3f)) != 0;
            for (int k = 0; k < generated.GetVertexNormalCount(); ++k)
                differ += std::memcmp(&prepared.GetVertexNormal(k), &generated.GetVertexNormal(k), sizeof(Vec3f)) != 0;
            EXPECT_EQ(differ, 0) << mesh.name << ", crease " << crease;
        }
    }
}

TEST_F(NormalGeneratorTest, ANewCreaseAngleSmoothsAgainFromTheSameFaces)
{
    const MeshCase patch = RippledPatch();
    SgNormalGenerator &g = Generate(patch.indexes, 180.0, patch.points);
    const Vec3f wide = g.GetVertexNormal(1);
    for (double crease : {0.0, 30.0, 180.0}) {
        g.SetCreaseAngle(crease);
        g.GenerateVertexNormals();
        const std::vector<Vec3> defined = DefinedVertexNormals(g, patch.indexes, crease);
        for (size_t k = 0; k < defined.size(); ++k)
            ASSERT_LT((Vec3(g.GetVertexNormal(static_cast<int>(k))) - defined[k]).Length(), 1e-5)
                << "crease " << crease << ", corner " << k;
    }
    EXPECT_EQ(g.GetVertexNormal(1), wide) << "the same angle gave other normals the second time";
}

TEST_F(IndexedFaceSetTest, PointSetRangeStaysInsideThePoints)
{
    struct Case {
        int start, num, available;
        bool any;
        int first, count;
    };
    const Case cases[] = {
        {0, -1, 5, true, 0, 5},  {2, -1, 5, true, 2, 3}, {1, 2, 5, true, 1, 2},   {3, 10, 5, true, 3, 2},
        {5, -1, 5, false, 5, 0}, {-2, 1, 5, false, -2, 0}, {0, 0, 5, false, 0, 0}, {0, -7, 5, true, 0, 5},
        {0, -1, 0, false, 0, 0},
    };
    for (const Case &c : cases) {
        SgRef<SgPointSet> points = new SgPointSet;
        points->m_startIndex = c.start;
        points->m_numPoints = c.num;
        int first = 99, count = 99;
        EXPECT_EQ(points->GetPointRange(c.available, first, count), c.any)
            << "start " << c.start << " num " << c.num << " of " << c.available;
        EXPECT_EQ(count, c.count) << "start " << c.start << " num " << c.num << " of " << c.available;
        if (c.any) {
            EXPECT_EQ(first, c.first);
        }
    }
}

} // namespace
