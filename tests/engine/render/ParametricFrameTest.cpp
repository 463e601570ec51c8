// Two instances of one parametric model in one frame, each drawn with its
// own parameter value.
#include "tests/engine/engines/ParametricTestSupport.h"
#include "tests/engine/render/RenderFrameFixture.h"

using namespace parametrictest;
using namespace rendertest;

namespace {

class ParametricFrameTest : public RenderFrameFixture {};

TEST_F(ParametricFrameTest, EachInstanceShowsItsOwnWidthInOneFrame)
{
    // Width 2w: the upper instance (w = 0.5) is 1 wide, the lower (w = 1.5) 3 wide.
    SgRef<SgParametricModel> model = BoxModel("(* w 2)", 1.0);
    m_scene->AddChild(Instance(model.get(), 0.5, Vec3(0, 1, 0)));
    m_scene->AddChild(Instance(model.get(), 1.5, Vec3(0, -1, 0)));
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Render()) << "frame " << frame;
        const Pixel red{255, 0, 0};
        const int upper = kSize / 2 + 15, lower = kSize / 2 - 15;
        EXPECT_TRUE(Near(At(kSize / 2, upper), red)) << "frame " << frame;
        EXPECT_TRUE(Near(At(kSize / 2, lower), red)) << "frame " << frame;
        // One unit right of the centre: inside the wide box only.
        const int right = kSize / 2 + 15;
        EXPECT_TRUE(Near(At(right, upper), kBackground)) << "frame " << frame;
        EXPECT_TRUE(Near(At(right, lower), red)) << "frame " << frame;
    }
}

} // namespace
