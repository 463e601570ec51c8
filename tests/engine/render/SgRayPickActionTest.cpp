// Selection records turned into picked points: the record layout, the
// ordering of hits, and names that must never become nodes (forged,
// stale, or naming a node that is not where the record says).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/actions/PickedPointQuery.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/SgGLNameTable.h"
#include "engine/nodes/geometry/SgCube.h"

namespace {

constexpr std::uint32_t kEnd = SgRayPickAction::kEndOfNodes;

class PickRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = new SgSeparator;
        m_group = new SgGroup;
        m_cube = new SgCube;
        m_other = new SgCube;
        m_group->AddChild(m_cube);
        m_root->AddChild(m_group);
        m_root->AddChild(m_other);
    }

    static std::uint32_t Name(SgNode *node) { return SgGLNameTable::GetName(node); }

    // One record: names with the depths given as fractions of the range.
    static void Record(std::vector<std::uint32_t> &buffer, double zmin, double zmax,
                       const std::vector<std::uint32_t> &names)
    {
        buffer.push_back(static_cast<std::uint32_t>(names.size()));
        buffer.push_back(static_cast<std::uint32_t>(zmin * 4294967295.0));
        buffer.push_back(static_cast<std::uint32_t>(zmax * 4294967295.0));
        buffer.insert(buffer.end(), names.begin(), names.end());
    }

    SgRef<SgSeparator> m_root;
    SgGroup *m_group = nullptr;
    SgCube *m_cube = nullptr;
    SgCube *m_other = nullptr;
};

TEST_F(PickRecordTest, NamesBecomeThePathAndTheRestIndices)
{
    std::vector<std::uint32_t> buffer;
    Record(buffer, 0.25, 0.3, {Name(m_root.get()), Name(m_group), Name(m_cube), 5});
    SgRayPickAction pick;
    pick.ParseHitBuffer(buffer.data(), static_cast<int>(buffer.size()), 1, m_root.get());
    ASSERT_EQ(pick.m_Hits.size(), 1u);
    const SgPickedPoint &hit = pick.m_Hits.front();
    ASSERT_EQ(hit.m_Path.GetCount(), 3);
    EXPECT_EQ(hit.m_Path[0], m_root.get());
    EXPECT_EQ(hit.m_Path[1], m_group);
    EXPECT_EQ(hit.m_Path[2], m_cube);
    EXPECT_EQ(hit.GetIndex(0), 5) << "the part name after a shape is its first index";
    EXPECT_EQ(hit.GetIndex(1), -1);
    EXPECT_NEAR(hit.m_dDistance, 0.25, 1e-6);
    EXPECT_NEAR(hit.m_dDepthMax, 0.3, 1e-6);
}

TEST_F(PickRecordTest, EndMarkerEndsTheNodesAndSkipsTheNameAfterIt)
{
    std::vector<std::uint32_t> buffer;
    Record(buffer, 0.5, 0.5, {Name(m_root.get()), Name(m_group), kEnd, 99, 7, 8});
    SgRayPickAction pick;
    pick.ParseHitBuffer(buffer.data(), static_cast<int>(buffer.size()), 1, m_root.get());
    ASSERT_EQ(pick.m_Hits.size(), 1u);
    const SgPickedPoint &hit = pick.m_Hits.front();
    EXPECT_EQ(hit.m_Path.GetCount(), 2);
    EXPECT_EQ(hit.GetIndex(0), 7);
    EXPECT_EQ(hit.GetIndex(1), 8);
}

TEST_F(PickRecordTest, NamesThatAreNoNodesOfTheDrawnPathAreNeverTaken)
{
    SgRef<SgCube> stranger = new SgCube; // named, but not in the picked graph
    struct Case {
        const char *what;
        std::vector<std::uint32_t> names;
        int pathLength;
    };
    const std::vector<Case> cases = {
        {"a forged name", {Name(m_root.get()), 0x7FFFFFF0u, Name(m_other)}, 2},
        {"a node outside the graph", {Name(m_root.get()), Name(stranger.get())}, 1},
        {"a node under another parent", {Name(m_root.get()), Name(m_cube)}, 1},
        {"no name at all", {SgGLNameTable::kNoName}, 0},
    };
    for (const Case &c : cases) {
        std::vector<std::uint32_t> buffer;
        Record(buffer, 0.1, 0.2, c.names);
        SgRayPickAction pick;
        pick.ParseHitBuffer(buffer.data(), static_cast<int>(buffer.size()), 1, m_root.get());
        ASSERT_EQ(pick.m_Hits.size(), 1u) << c.what;
        EXPECT_EQ(pick.m_Hits.front().m_Path.GetCount(), c.pathLength) << c.what;
        for (SgNode *node : pick.m_Hits.front().m_Path.GetNodes())
            EXPECT_NE(node, stranger.get()) << c.what;
    }
}

TEST_F(PickRecordTest, RecordsRunningPastTheBufferAreNotRead)
{
    std::vector<std::uint32_t> buffer;
    Record(buffer, 0.1, 0.2, {Name(m_root.get()), Name(m_other)});
    buffer.push_back(1000); // a second record claiming more names than follow
    buffer.push_back(0);
    buffer.push_back(0);
    buffer.push_back(Name(m_root.get()));
    SgRayPickAction pick;
    pick.ParseHitBuffer(buffer.data(), static_cast<int>(buffer.size()), 2, m_root.get());
    EXPECT_EQ(pick.m_Hits.size(), 1u);
}

TEST_F(PickRecordTest, EqualDepthsOrderByRecord)
{
    std::vector<std::uint32_t> buffer;
    Record(buffer, 0.4, 0.4, {Name(m_root.get()), Name(m_group), Name(m_cube)});
    Record(buffer, 0.4, 0.4, {Name(m_root.get()), Name(m_other)});
    Record(buffer, 0.6, 0.6, {Name(m_root.get())});
    SgRayPickAction pick;
    pick.ParseHitBuffer(buffer.data(), static_cast<int>(buffer.size()), 3, m_root.get());
    ASSERT_EQ(pick.m_Hits.size(), 3u);

    PickedPointQuery all;
    SgPickedPoint nearest = pick.GetNearestPoint1(&all);
    ASSERT_FALSE(nearest.m_Path.IsEmpty());
    EXPECT_EQ(nearest.m_Path.GetLastElement(), m_other) << "among equal depths the later record wins";

    SgRayPickAction::HitList &sorted = pick.GetPickedPoints(true);
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(sorted.front().m_Path.GetLastElement(), m_cube) << "the earlier record is listed first";
    EXPECT_NEAR(sorted.back().m_dDistance, 0.6, 1e-6);

    struct RejectAll : PickedPointQuery {
        bool Accept(SgPickedPoint &) override { return false; }
    } reject;
    const SgPickedPoint nothing = pick.GetNearestPoint1(&reject);
    EXPECT_TRUE(nothing.m_Path.IsEmpty());
    EXPECT_TRUE(nothing.m_bPointSet);
}

} // namespace
