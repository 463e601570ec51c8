// Turning or panning the view changes only where the scene is seen from:
// the objects' compiled geometry (display lists with their normals and
// vertex arrays) is drawn again as it is, never built anew.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "engine/nodes/object/SgObject.h"
#include "engine/render/SgGLBuildCacheAction.h"
#include "engine/render/SgGLRenderCache.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

unsigned ListOf(SgSeparator *separator)
{
    SgGLRenderCache *cache = SgGLBuildCacheAction::GetRenderCache(separator, false);
    return cache && cache->IsValid() ? cache->GetListID() : 0;
}

struct Gesture {
    const char *name;
    Button button;
};

class ViewTurnCacheTest : public testing::TestWithParam<Gesture> {};

TEST_P(ViewTurnCacheTest, TheObjectsListIsCalledAgainAfterTheViewMoves)
{
    WindowHarness h(320, 240);
    SgObject *cube = h.AddCube(Color(1, 0, 0, 1), 1.0);
    h.AddViewHandler(new SgExamineViewHandler);
    h.Paint();
    h.Paint();
    h.Paint();
    const unsigned list = ListOf(cube);
    ASSERT_NE(list, 0u) << "the cube is compiled after a few frames";
    for (int step = 0; step < 3; ++step) {
        h.Drag(GetParam().button, {160, 120}, {170 + 10 * step, 125}, 2);
        h.Paint();
        EXPECT_EQ(ListOf(cube), list) << GetParam().name << " step " << step << " rebuilt the cube";
    }
}

INSTANTIATE_TEST_SUITE_P(Gestures, ViewTurnCacheTest,
                         testing::Values(Gesture{"turn", Button::Left}, Gesture{"pan", Button::Middle}),
                         [](const testing::TestParamInfo<Gesture> &info) { return std::string(info.param.name); });

} // namespace
