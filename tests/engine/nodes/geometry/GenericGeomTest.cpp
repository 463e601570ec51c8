// The geometry sink and its adapters: what producers that do not know the
// node classes write into face sets, indexed face sets and polylines.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/FaceSetGeomAdapter.h"
#include "engine/nodes/geometry/GenericGeom.h"
#include "engine/nodes/geometry/IndexedFaceSetGeomAdapter.h"
#include "engine/nodes/geometry/PolylineGeomAdapter.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

class GenericGeomTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTestClasses(); }

    // Adds the corners of the unit triangle and returns their handles.
    static std::vector<void *> AddTriangle(GenericGeom &sink)
    {
        return {sink.AddVertex(Vec3f(0, 0, 0)), sink.AddVertex(Vec3(1, 0, 0)), sink.AddVertex(Vec3f(0, 1, 0))};
    }
};

TEST_F(GenericGeomTest, TheBaseSinkTakesNothing)
{
    GenericGeom sink;
    EXPECT_EQ(sink.AddVertex(Vec3(1, 2, 3)), nullptr);
    void *none[3] = {};
    EXPECT_EQ(sink.AddFace(3, none), nullptr);
    EXPECT_EQ(sink.VertexCount(), 0u);
    EXPECT_EQ(sink.EdgeCount(), 0u);
    EXPECT_EQ(sink.GetVertex(5), Vec3(0, 0, 0));
    EXPECT_EQ(sink.VertexDupIndex(7), 7);
}

TEST_F(GenericGeomTest, FaceSetAdapterWritesTrianglesWithSurfaceZero)
{
    struct Case {
        int count;
        std::vector<int> expected;
    };
    for (const Case &c : {Case{3, {0, 1, 2}}, Case{-3, {2, 1, 0}}}) {
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        FaceSetGeomAdapter sink(*mesh);
        std::vector<void *> corners = AddTriangle(sink);
        EXPECT_EQ(GenericGeom::ToIndex(corners[2]), 2);
        EXPECT_NE(sink.AddFace(c.count, corners.data()), nullptr) << "count " << c.count;
        ASSERT_EQ(mesh->GetFaceCount(), 1) << "count " << c.count;
        EXPECT_EQ(mesh->m_indexes.GetValues(), c.expected) << "count " << c.count;
        EXPECT_EQ(mesh->m_surfID.GetValue(0), 0) << "count " << c.count;
        EXPECT_EQ(mesh->m_sizes.GetValue(0), 3) << "count " << c.count;
        EXPECT_EQ(sink.VertexCount(), 3u);
        EXPECT_EQ(sink.GetVertex(1), Vec3(1, 0, 0));
    }
}

TEST_F(GenericGeomTest, FaceSetAdapterRefusesWhatIsNotThere)
{
    SgRef<SgFaceSet> mesh = new SgFaceSet;
    FaceSetGeomAdapter sink(*mesh);
    std::vector<void *> corners = AddTriangle(sink);
    corners[1] = GenericGeom::ToHandle(3);
    {
        SgDiagCapture capture;
        EXPECT_EQ(sink.AddFace(3, corners.data()), nullptr);
        EXPECT_EQ(capture.Count("Geometry"), 1);
    }
    EXPECT_EQ(mesh->GetFaceCount(), 0) << "a face naming a missing vertex was stored";

    EXPECT_THROW(sink.VertexDupIndex(0), SgInvalidArgument) << "no duplicate table to read";
    EXPECT_THROW(sink.GetVertex(3), SgInvalidArgument);
    EXPECT_THROW(sink.SetVertex(3, Vec3(1, 1, 1)), SgInvalidArgument);
    EXPECT_EQ(mesh->GetVertexCount(), 3) << "setting a missing vertex grew the mesh";

    sink.SetVertex(2, Vec3(0, 2, 0));
    EXPECT_EQ(mesh->BoundingBox().GetMax(), Vec3f(1, 2, 0));
    const int duplicates[] = {0, 0, 2};
    mesh->m_vertexDuplication.SetVals(3, duplicates);
    EXPECT_EQ(sink.VertexDupIndex(1), 0);
    EXPECT_EQ(sink.GetNonDupVertex(1), Vec3(0, 0, 0));
}

TEST_F(GenericGeomTest, IndexedFaceSetAdapterWritesIntoAFreshCoordinateNode)
{
    SgRef<SgIndexedFaceSet> mesh = new SgIndexedFaceSet;
    SgRef<SgCoordinate3> old = new SgCoordinate3;
    old->m_point.AddVal(Vec3(5, 5, 5));
    mesh->m_coord = NodePtr(old.get());

    IndexedFaceSetGeomAdapter sink(*mesh);
    ASSERT_NE(sink.GetCoordinates(), nullptr);
    EXPECT_NE(sink.GetCoordinates(), old.get());
    EXPECT_EQ(mesh->m_coord.Get().get(), sink.GetCoordinates()) << "the face set does not hold the new node";
    EXPECT_EQ(old->m_point.GetCount(), 1) << "the old node was written to";

    std::vector<void *> corners = AddTriangle(sink);
    EXPECT_NE(sink.AddFace(3, corners.data()), nullptr);
    EXPECT_NE(sink.AddFace(-3, corners.data()), nullptr);
    corners[0] = GenericGeom::ToHandle(-4);
    {
        SgDiagCapture capture;
        EXPECT_EQ(sink.AddFace(3, corners.data()), nullptr);
        EXPECT_EQ(capture.Count("Geometry"), 1);
    }
    EXPECT_EQ(mesh->m_coordIndex.GetValues(), std::vector<int>({0, 1, 2, -1, 2, 1, 0, -1}));
    EXPECT_EQ(sink.GetCoordinates()->m_point.GetCount(), 3);
    EXPECT_EQ(mesh->GetCoordinates(nullptr)->GetValue(1), Vec3(1, 0, 0));
}

TEST_F(GenericGeomTest, PolylineAdapterWorksOnTheStoredPoints)
{
    struct Case {
        const char *name;
        std::vector<int> loops; // points per loop
        bool closed;
        unsigned edges;
    };
    const Case cases[] = {
        {"open line", {3}, false, 2},
        {"closed loop", {3}, true, 3},
        {"two open loops", {3, 2}, false, 3},
        {"two closed loops", {3, 2}, true, 5},
        {"single point", {1}, true, 0},
        {"no points", {}, false, 0},
    };
    for (const Case &c : cases) {
        SgRef<SgPolyLine> line = new SgPolyLine;
        for (int n : c.loops) {
            std::vector<Vec3> points;
            for (int i = 0; i < n; ++i)
                points.emplace_back(i, n, 0);
            line->AddLoop(n, points.data());
        }
        line->m_closed = c.closed ? 1 : 0;
        PolylineGeomAdapter sink(*line);
        EXPECT_EQ(sink.EdgeCount(), c.edges) << c.name;
    }

    SgRef<SgPolyLine> line = new SgPolyLine;
    PolylineGeomAdapter sink(*line);
    EXPECT_EQ(GenericGeom::ToIndex(sink.AddVertex(Vec3f(1, 2, 3))), 0);
    EXPECT_EQ(GenericGeom::ToIndex(sink.AddVertex(Vec3(4, 5, 6))), 1);
    EXPECT_EQ(sink.VertexCount(), 2u);
    sink.SetVertex(0, Vec3(7, 8, 9));
    EXPECT_EQ(line->m_coordinates.GetValue(0), Vec3(7, 8, 9));
    EXPECT_EQ(sink.GetNonDupVertex(1), Vec3(4, 5, 6));
    EXPECT_THROW(sink.SetVertex(2, Vec3()), SgInvalidArgument);
    EXPECT_THROW(sink.GetVertex(-1), SgInvalidArgument);
}

} // namespace
