// A large mesh fills the render action's shared vertex array in one sizing:
// the batch is made big enough for what the shape emits before its first
// polygon, rather than grown (and copied) again and again as the polygons
// arrive. The picture stays whole: every cell of the grid is drawn.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <dlfcn.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/render/GLVertexArray.h"
#include "platform/glentry/GLEntryPoints.h"
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

// What reaches the driver while it stands: the corners of each array draw
// and the flushes between them. Every other GL call goes to the library the
// offscreen context loaded, as before.
class DriverDrawLog {
public:
    DriverDrawLog()
    {
        s_log = this;
        s_drawArrays = reinterpret_cast<DrawArrays>(GLEntry::Target("glDrawArrays"));
        s_flush = reinterpret_cast<Flush>(GLEntry::Target("glFlush"));
        Dl_info info{};
        if (s_drawArrays && dladdr(reinterpret_cast<void *>(s_drawArrays), &info) && info.dli_fname)
            s_library = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
        if (s_library)
            GLEntry::SetSource(&Lookup);
    }
    ~DriverDrawLog()
    {
        // Back to the offscreen library alone (which the process keeps
        // loaded: the entry points look their targets up again later).
        if (s_library)
            GLEntry::SetSource(&Library);
        s_log = nullptr;
    }
    DriverDrawLog(const DriverDrawLog &) = delete;
    DriverDrawLog &operator=(const DriverDrawLog &) = delete;

    bool Watching() const { return s_library != nullptr; }
    int Corners() const { return m_corners; }
    // The most corners the driver held unflushed at any draw.
    int MostUnflushed() const { return m_mostUnflushed; }

private:
    using DrawArrays = void(GLAPIENTRY *)(GLenum, GLint, GLsizei);
    using Flush = void(GLAPIENTRY *)();

    static void *Library(const char *name) { return dlsym(s_library, name); }
    static void *Lookup(const char *name)
    {
        if (std::string(name) == "glDrawArrays")
            return reinterpret_cast<void *>(&LoggedDrawArrays);
        if (std::string(name) == "glFlush")
            return reinterpret_cast<void *>(&LoggedFlush);
        return Library(name);
    }
    static void GLAPIENTRY LoggedDrawArrays(GLenum mode, GLint first, GLsizei count)
    {
        s_log->m_corners += count;
        s_log->m_unflushed += count;
        s_log->m_mostUnflushed = std::max(s_log->m_mostUnflushed, s_log->m_unflushed);
        s_drawArrays(mode, first, count);
    }
    static void GLAPIENTRY LoggedFlush()
    {
        s_log->m_unflushed = 0;
        s_flush();
    }

    static inline DriverDrawLog *s_log = nullptr;
    static inline void *s_library = nullptr;
    static inline DrawArrays s_drawArrays = nullptr;
    static inline Flush s_flush = nullptr;
    int m_corners = 0;
    int m_unflushed = 0;
    int m_mostUnflushed = 0;
};

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

// A software rasteriser keeps every triangle it is given until the frame is
// flushed: a mesh of hundreds of thousands of corners handed over in one
// draw made it hold (and fault in) tens of megabytes of bins before it drew
// a pixel, which cost the first picture of a large scene most of its drawing
// time and peak. The driver never holds more than one piece of a batch
// unflushed; the picture is whole and the same.
TEST_P(FaceBatchSizingTest, ALargeMeshReachesTheDriverInFlushedPieces)
{
    auto *material = new SgMaterial;
    const Color yellow(1, 1, 0, 1);
    material->m_diffuseColor.SetVals(1, &yellow);
    m_scene->AddChild(material);
    m_scene->AddChild(GetParam().make());

    SgGLRenderAction action(&m_viewport);
    action.SetCacheDisabled(true);
    DriverDrawLog log;
    ASSERT_TRUE(log.Watching()) << "the offscreen library's draws cannot be watched";
    ASSERT_TRUE(Render(action));
    const int vertices = (kCells * kCells / 2) * 4 + (kCells * kCells / 2) * 6;
    EXPECT_EQ(log.Corners(), vertices) << "every corner drawn once";
    EXPECT_LE(log.MostUnflushed(), GLVertexArray::DRAW_PIECE);
    EXPECT_GT(vertices, 4 * GLVertexArray::DRAW_PIECE) << "the grid is several pieces large";

    for (int y = kSize / 4; y < 3 * kSize / 4; ++y)
        for (int x = kSize / 4; x < 3 * kSize / 4; ++x)
            ASSERT_TRUE(Near(At(x, y), kGridColour)) << "pixel " << x << "," << y;
    EXPECT_TRUE(Near(At(0, 0), rendertest::kBackground)) << "the grid stays inside its square";
}

INSTANTIATE_TEST_SUITE_P(Meshes, FaceBatchSizingTest,
                         ::testing::Values(SizingCase{"IndexedFaceSet", &IndexedGrid},
                                           SizingCase{"FaceSet", &FaceSetGrid}),
                         [](const ::testing::TestParamInfo<SizingCase> &info) { return info.param.name; });
