// Element sets with their pool of 32 mark bits, and the
// request boundary of mesh conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "solids/GmBoxBuilder.h"
#include "solids/GmElementsSet.h"
#include "solids/GmError.h"
#include "solids/GmGeom.h"
#include "solids/GmMeshBuilder.h"

using namespace solvane;
namespace {

TEST(ElementsSet, ThirtyTwoLiveSetsThenAnErrorAndTheProcessGoesOn)
{
    int before = GmElementsSet::liveCount();
    std::vector<std::unique_ptr<GmElementsSet>> sets;
    for (int i = before; i < GmElementsSet::kMaxLive; ++i) {
        sets.emplace_back(new GmElementsSet());
    }
    EXPECT_EQ(GmElementsSet::liveCount(), 32);
    EXPECT_THROW(GmElementsSet extra, GmInternalError);
    sets.pop_back();
    GmElementsSet again;  // a bit came back
    EXPECT_NE(again.mask(), 0u);
}

TEST(ElementsSet, MarkContainsAndDeleteMarked)
{
    std::unique_ptr<GmGeom> g(makeBox(1, 1, 1));
    {
        GmElementsSet s;
        s.mark(*g, GmElementsSet::FACES);
        EXPECT_EQ(s.size(), 6u);
        EXPECT_TRUE(s.contains(g->liveFaces()[0]));
        EXPECT_FALSE(s.contains(g->liveNodes()[0]));
        s.setInverted(true);
        EXPECT_TRUE(s.contains(g->liveNodes()[0]));
        s.setInverted(false);
        s.deleteMarked(*g, GmElementsSet::FACES);
        EXPECT_EQ(g->faceCount(), 0);
    }
    for (GmNode *n : g->liveNodes()) {
        EXPECT_EQ(n->flags, 0u);
    }
}

TEST(MeshRequest, BadIndexIsAFailureResult)
{
    GmMesh m;
    m.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.polygons = {{0, 1, 7}};
    GmMeshResult r = geom_from_mesh_request(m);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.geom, nullptr);
    m.points.push_back({NAN, 0, 0});
    m.polygons = {{0, 1, 3}};
    r = geom_from_mesh_request(m);
    EXPECT_FALSE(r.ok);
    GmMeshResult good = geom_from_mesh_request(boxMesh({0, 0, 0}, {1, 2, 3}));
    ASSERT_TRUE(good.ok);
    EXPECT_NEAR(good.geom->volume(), 6.0, 1e-12);
}

}  // namespace
