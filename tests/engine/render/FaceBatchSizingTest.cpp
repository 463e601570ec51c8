// A large mesh fills the render action's shared vertex array in one sizing:
// the batch is made big enough for what the shape emits before its first
// polygon, rather than grown (and copied) again and again as the polygons
// arrive. The picture stays whole: every cell of the grid is drawn.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <functional>
#include <ostream>
#include <vector>

#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/render/GLVertexArray.h"
#include "tests/engine/render/RenderFrameFixture.h"

using rendertest::Near;
using rendertest::Pixel;
using rendertest::RenderFrameFixture;

namespace {

// Cells along a side of the grid: half of them quads, half two triangles,
// far more vertices than the array starts with.
constexpr int kCells = 120;
constexpr double kHalf = 1.5;
constexpr Pixel kGridColour{255, 255, 0};

Vec3 GridPoint(int i, int j)
{
    return {-kHalf + 2 * kHalf * i / kCells, -kHalf + 2 * kHalf * j / kCells, 0};
}

int GridIndex(int i, int j)
{
    return j * (kCells + 1) + i;
}

std::vector<Vec3> GridPoints()
{
    std::vector<Vec3> points;
    for (int j = 0; j <= kCells; ++j)
        for (int i = 0; i <= kCells; ++i)
            points.push_back(GridPoint(i, j));
    return points;
}

// Calls `quad` or `triangle` with the corner indexes of each polygon.
void ForEachGridPolygon(const std::function<void(int, int, int, int)> &quad,
                        const std::function<void(int, int, int)> &triangle)
{
    for (int j = 0; j < kCells; ++j) {
        for (int i = 0; i < kCells; ++i) {
            const int a = GridIndex(i, j), b = GridIndex(i + 1, j);
            const int c = GridIndex(i + 1, j + 1), d = GridIndex(i, j + 1);
            if ((i + j) % 2 == 0) {
                quad(a, b, c, d);
            } else {
                triangle(a, b, c);
                triangle(a, c, d);
            }
        }
    }
}

SgNode *IndexedGrid()
{
    auto *separator = new SgSeparator;
    auto *coordinates = new SgCoordinate3;
    const std::vector<Vec3> points = GridPoints();
    coordinates->m_point.SetVals(static_cast<int>(points.size()), points.data());
    std::vector<int> index;
    ForEachGridPolygon([&](int a, int b, int c, int d) { index.insert(index.end(), {a, b, c, d, -1}); },
                       [&](int a, int b, int c) { index.insert(index.end(), {a, b, c, -1}); });
    auto *mesh = new SgIndexedFaceSet;
    mesh->m_coordIndex.SetVals(static_cast<int>(index.size()), index.data());
    separator->AddChild(coordinates);
    separator->AddChild(mesh);
    return separator;
}

SgNode *FaceSetGrid()
{
    auto *faces = new SgFaceSet;
    const std::vector<Vec3> points = GridPoints();
    faces->m_vertices.SetVals(static_cast<int>(points.size()), points.data());
    ForEachGridPolygon([&](int a, int b, int c, int d) { faces->InsertFace(a, b, c, d, 0); },
                       [&](int a, int b, int c) { faces->InsertFace3(a, b, c, 0); });
    return faces;
}

struct SizingCase {
    const char *name;
    SgNode *(*make)();
};

void PrintTo(const SizingCase &c, std::ostream *out)
{
    *out << c.name;
}

class FaceBatchSizingTest : public RenderFrameFixture, public ::testing::WithParamInterface<SizingCase> {};

} // namespace

TEST_P(FaceBatchSizingTest, ALargeMeshIsBatchedWithoutRegrowingAndDrawnWhole)
{
    auto *material = new SgMaterial;
    const Color yellow(1, 1, 0, 1);
    material->m_diffuseColor.SetVals(1, &yellow);
    m_scene->AddChild(material);
    m_scene->AddChild(GetParam().make());

    SgGLRenderAction action(&m_viewport);
    action.SetCacheDisabled(true);
    ASSERT_TRUE(Render(action));
    const GLVertexArray *array = action.GetVertexArray();
    const int vertices = (kCells * kCells / 2) * 4 + (kCells * kCells / 2) * 6;
    EXPECT_EQ(array->getQuadCount() + array->getTriangleVertexCount(), vertices) << "every polygon batched";
    EXPECT_LE(array->getGrowthCount(), 1) << "the batch is sized once for the shape";
    EXPECT_EQ(array->getBytesMoved(), 0u) << "nothing batched is copied into a grown array";

    // The grid covers the middle of the view: no cell is missing.
    for (int y = kSize / 4; y < 3 * kSize / 4; ++y)
        for (int x = kSize / 4; x < 3 * kSize / 4; ++x)
            ASSERT_TRUE(Near(At(x, y), kGridColour)) << "pixel " << x << "," << y;
    EXPECT_TRUE(Near(At(0, 0), rendertest::kBackground)) << "the grid stays inside its square";

    // A second frame reuses the room it has.
    const int growths = array->getGrowthCount();
    ASSERT_TRUE(Render(action));
    EXPECT_EQ(array->getGrowthCount(), growths);
}

INSTANTIATE_TEST_SUITE_P(Meshes, FaceBatchSizingTest,
                         ::testing::Values(SizingCase{"IndexedFaceSet", &IndexedGrid},
                                           SizingCase{"FaceSet", &FaceSetGrid}),
                         [](const ::testing::TestParamInfo<SizingCase> &info) { return info.param.name; });
