#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgVolume.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "engine/nodes/helpers/SgSnap.h"
#include "engine/nodes/object/SgObject.h"
#include "tests/engine/core/TestNodes.h"

namespace {

class SgGridTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

std::vector<double> LineXs(SgPolyLine *lines)
{
    std::vector<double> xs;
    const int n = lines->m_coordinates.GetCount();
    for (int i = 0; i < n; i += 2)
        xs.push_back(lines->m_coordinates.GetValue(i).x);
    return xs;
}

} // namespace

TEST_F(SgGridTest, LinesPerSetting)
{
    struct Case {
        const char *what;
        double dimension;
        double space;
        int subdivision;
        std::vector<double> major;
        int minorCount;
    };
    const Case cases[] = {
        {"defaults", 12, 5, 5, {0, 5, 10}, 10},
        {"every line major", 12, 5, 1, {0, 5, 10}, 0},
        {"thirds", 5, 4, 3, {0, 4}, 2},
        {"negative dimension", -3, 5, 5, {}, 0},
        {"dimension below a step", 0.5, 5, 5, {0}, 0},
        {"subdivision 0 taken as 1", 12, 5, 0, {0, 5, 10}, 0},
        {"zero space", 12, 0, 5, {}, 0},
    };
    for (const Case &c : cases) {
        SgRef<SgGrid> grid = new SgGrid;
        grid->m_dimension.Set(c.dimension);
        grid->m_space.Set(c.space);
        grid->m_subdivision.Set(c.subdivision);
        const std::vector<double> major = LineXs(grid->GetMajorLines());
        ASSERT_EQ(major.size(), c.major.size()) << c.what;
        for (size_t i = 0; i < major.size(); ++i)
            EXPECT_NEAR(major[i], c.major[i], 1e-12) << c.what;
        EXPECT_EQ(int(LineXs(grid->GetMinorLines()).size()), c.minorCount) << c.what;
        // Each line is a two-point loop of its own.
        SgPolyLine *m = grid->GetMajorLines();
        EXPECT_EQ(m->NumLoops(), std::max<int>(1, int(c.major.size()))) << c.what;
        for (int j = 0; j < m->m_jumps.GetCount(); ++j)
            EXPECT_EQ(m->m_jumps.GetValue(j), 2 * (j + 1)) << c.what;
        for (int l = 0; l < int(c.major.size()); ++l)
            EXPECT_EQ(m->LoopSize(l), 2) << c.what;
    }
    SgRef<SgGrid> grid = new SgGrid;
    EXPECT_EQ(grid->GetMajorLines()->m_coordinates.GetCount() + grid->GetMinorLines()->m_coordinates.GetCount(), 26);
    EXPECT_TRUE(grid->IsHelper());
    // Huge ratios are capped, not counted out.
    grid->m_dimension.Set(1e12);
    grid->m_space.Set(1e-6);
    const int lines =
        (grid->GetMajorLines()->m_coordinates.GetCount() + grid->GetMinorLines()->m_coordinates.GetCount()) / 2;
    EXPECT_EQ(lines, SgGrid::kMaxLines + 1);
}

TEST_F(SgGridTest, VolumeBox)
{
    SgRef<SgVolume> v = new SgVolume;
    Range<Vec3f> box = v->BoundingBox();
    EXPECT_EQ(box.GetMin(), Vec3f(-0.5f, -0.5f, -0.5f));
    EXPECT_EQ(box.GetMax(), Vec3f(0.5f, 0.5f, 0.5f));
    v->m_width.Set(2.0);
    v->m_height.Set(4.0);
    v->m_depth.Set(6.0);
    box = v->BoundingBox();
    EXPECT_EQ(box.GetMin(), Vec3f(-1, -3, -2));
    EXPECT_EQ(box.GetMax(), Vec3f(1, 3, 2));
    EXPECT_EQ(v->m_dims.Get(), Vec3(256, 256, 256));
}

TEST_F(SgGridTest, SnapMarkerAndHelper)
{
    const int id = SgFieldMngr::GetClassIDFromName("SgSnap");
    ASSERT_NE(id, 0);
    SgRef<SgNode> snap = SgNode::Create(id);
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->GetFieldsCount(), 0);
    SgRef<SgObject> plain = new SgObject;
    EXPECT_FALSE(plain->IsHelper());
}
