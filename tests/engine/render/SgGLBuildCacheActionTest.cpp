#include <gtest/gtest.h>

#include <GL/gl.h>

#include "engine/nodes/object/SgObject.h"
#include "engine/render/SgGLBuildCacheAction.h"
#include "engine/render/SgGLRenderCache.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "tests/engine/render/RenderFrameFixture.h"

using rendertest::Near;
using rendertest::Pixel;
using rendertest::RenderFrameFixture;

namespace {

constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kGreen{0, 255, 0};
constexpr Pixel kBlue = rendertest::kBackground;

GLuint ListOf(SgSeparator *separator)
{
    SgGLRenderCache *cache = SgGLBuildCacheAction::GetRenderCache(separator, false);
    return cache && cache->IsValid() ? cache->GetListID() : 0;
}

class DisplayListTest : public RenderFrameFixture {};

TEST_F(DisplayListTest, AListIsCompiledWhenTheSeparatorIsMetAgainUnchangedAndCalledInLaterFrames)
{
    SgSeparator *cube = ColouredCube(Color(1, 0, 0));
    m_scene->AddChild(cube);
    ASSERT_TRUE(Render());
    EXPECT_EQ(ListOf(cube), 0u) << "the first frame draws the new separator without a list";
    EXPECT_TRUE(Near(Centre(), kRed));
    ASSERT_TRUE(Render());
    const GLuint list = ListOf(cube);
    ASSERT_NE(list, 0u) << "the second frame compiles the separator";
    EXPECT_TRUE(glIsList(list));
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(Render());
        EXPECT_EQ(ListOf(cube), list) << "frame " << frame << " calls the same list";
        EXPECT_TRUE(Near(Centre(), kRed)) << "frame " << frame;
    }
}

TEST_F(DisplayListTest, AChangeInsideTheSeparatorIsDrawnInTheNextFrame)
{
    SgSeparator *cube = ColouredCube(Color(1, 0, 0));
    m_scene->AddChild(cube);
    ASSERT_TRUE(Render());
    ASSERT_TRUE(Render());
    ASSERT_NE(ListOf(cube), 0u);
    auto *material = static_cast<SgMaterial *>(cube->GetChild(0));
    const Color green(0, 1, 0);
    material->m_diffuseColor.SetVals(1, &green);
    ASSERT_TRUE(Render());
    EXPECT_TRUE(Near(Centre(), kGreen)) << "the list compiled with red is not called again";
    ASSERT_TRUE(Render());
    EXPECT_TRUE(Near(Centre(), kGreen));
    EXPECT_NE(ListOf(cube), 0u) << "a new list replaces it once the separator stays unchanged";
}

TEST_F(DisplayListTest, AListBuiltUnderAnotherMaterialIsBypassedNotRecompiled)
{
    // One separator drawn twice, under two materials, that its polygon reads.
    SgRef<SgSeparator> shared = new SgSeparator;
    auto *square = new SgPolygon;
    const Vec3 corners[4] = {{-0.8, -0.8, 0}, {-0.8, 0.8, 0}, {0.8, 0.8, 0}, {0.8, -0.8, 0}};
    square->AddLoop(4, corners);
    shared->AddChild(square);
    auto material = [](const Color &colour) {
        auto *node = new SgMaterial;
        node->m_diffuseColor.SetVals(1, &colour);
        return node;
    };
    auto shift = [](double x) {
        auto *node = new SgTransform;
        node->m_translation.Set(Vec3(x, 0, 0));
        return node;
    };
    m_scene->AddChild(material(Color(1, 0, 0)));
    m_scene->AddChild(shift(-1.0));
    m_scene->AddChild(shared.get());
    m_scene->AddChild(material(Color(0, 1, 0)));
    m_scene->AddChild(shift(2.0));
    m_scene->AddChild(shared.get());
    ASSERT_TRUE(Render());
    const GLuint list = ListOf(shared.get());
    ASSERT_NE(list, 0u);
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Render());
        EXPECT_TRUE(Near(At(kSize / 2 - 13, kSize / 2), kRed)) << "frame " << frame << ": first use";
        EXPECT_TRUE(Near(At(kSize / 2 + 13, kSize / 2), kGreen)) << "frame " << frame << ": second use";
        EXPECT_EQ(ListOf(shared.get()), list) << "frame " << frame << ": the list stays the one compiled first";
    }
}

TEST_F(DisplayListTest, NestedSeparatorsGetTheirOwnListsAndHiddenObjectsNone)
{
    auto *outer = new SgSeparator;
    SgSeparator *inner = ColouredCube(Color(1, 0, 0));
    outer->AddChild(inner);
    m_scene->AddChild(outer);
    auto *hidden = new SgObject;
    hidden->AddChild(ColouredCube(Color(0, 1, 0), 3.0));
    hidden->m_hide.Set(1);
    m_scene->AddChild(hidden);
    ASSERT_TRUE(Render());
    ASSERT_TRUE(Render());
    EXPECT_NE(ListOf(inner), 0u);
    EXPECT_NE(ListOf(outer), 0u);
    EXPECT_NE(ListOf(inner), ListOf(outer));
    EXPECT_EQ(SgGLBuildCacheAction::GetRenderCache(hidden, false), nullptr) << "a hidden object is never compiled";
    EXPECT_TRUE(Near(Centre(), kRed));
}

TEST_F(DisplayListTest, PassesWithCachingDisabledNeitherBuildNorCallLists)
{
    SgSeparator *cube = ColouredCube(Color(1, 0, 0));
    m_scene->AddChild(cube);
    SgGLRenderAction printing(&m_viewport);
    printing.SetCacheDisabled(true);
    ASSERT_TRUE(Render(printing));
    EXPECT_EQ(SgGLBuildCacheAction::GetRenderCache(cube, false), nullptr);
    EXPECT_TRUE(Near(Centre(), kRed));
}

TEST_F(DisplayListTest, ListsOfAContextThatIsNotCurrentAreNotCalled)
{
    SgSeparator *cube = ColouredCube(Color(1, 0, 0));
    m_scene->AddChild(cube);
    ASSERT_TRUE(Render());
    ASSERT_TRUE(Render());
    ASSERT_NE(ListOf(cube), 0u);
    OffscreenGLContext other(kSize, kSize);
    ASSERT_TRUE(other.MakeCurrent());
    ASSERT_TRUE(Render());
    EXPECT_TRUE(Near(Centre(), kRed)) << "drawn in the other context too";
    EXPECT_TRUE(glIsList(ListOf(cube))) << "with a list of its own";
    ASSERT_TRUE(m_context.MakeCurrent());
}

} // namespace

TEST_F(DisplayListTest, ClearingASeparatorsCachesKeepsItInTheListsAboveIt)
{
    SgSeparator *cube = ColouredCube(Color(1, 0, 0));
    auto *outer = new SgSeparator;
    outer->AddChild(cube);
    m_scene->AddChild(outer);
    ASSERT_TRUE(Render());
    ASSERT_TRUE(Render());
    ASSERT_NE(ListOf(outer), 0u);
    cube->ClearAllCaches();
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Render());
        EXPECT_TRUE(Near(Centre(), kRed)) << "frame " << frame << ": the cube is still drawn through the outer list";
    }
}

TEST_F(DisplayListTest, AChildUnlinkedFromACompiledSeparatorIsNoLongerDrawn)
{
    SgSeparator *cube = ColouredCube(Color(1, 0, 0));
    auto *outer = new SgSeparator;
    outer->AddChild(cube);
    m_scene->AddChild(outer);
    ASSERT_TRUE(Render());
    ASSERT_TRUE(Render());
    ASSERT_NE(ListOf(outer), 0u);
    ASSERT_TRUE(Near(Centre(), kRed));
    // The unlinked entry's reference goes on with the caller.
    SgRef<SgSeparator> kept(cube);
    SgFieldMngr::Release(cube);
    ASSERT_EQ(outer->RemoveChild(cube), 1);
    EXPECT_EQ(ListOf(outer), 0u) << "the list that drew the child is dropped";
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Render());
        EXPECT_TRUE(Near(Centre(), kBlue)) << "frame " << frame << ": the unlinked cube is not drawn";
    }
}
