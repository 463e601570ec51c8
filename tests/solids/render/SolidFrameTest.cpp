// Whole frames with solids: a solid node drawn by the render action, and the
// drawing compiled into a display list.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "solids/GmBoxBuilder.h"
#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"
#include "solids/render/GmDraw.h"
#include "tests/engine/render/RenderFrameFixture.h"

using namespace solvane;

namespace {

class SolidFrame : public rendertest::RenderFrameFixture {
protected:
    void SetUp() override
    {
        Solvane::Init();
        RenderFrameFixture::SetUp();
    }
};

TEST_F(SolidFrame, ASolidNodeIsDrawn)
{
    SgRef<SgSolvane> solid(new SgSolvane(makeBox(2, 2, 2)));
    m_scene->AddChild(solid.get());
    ASSERT_TRUE(Render());
    EXPECT_FALSE(rendertest::Near(Centre(), rendertest::kBackground)) << "the solid covers the centre";
    EXPECT_TRUE(rendertest::Near(At(1, 1), rendertest::kBackground));
}

// With a list name the drawing is compiled, not drawn, and the list draws
// it later.
TEST_F(SolidFrame, TheDrawingCompilesIntoADisplayList)
{
    std::unique_ptr<GmGeom> box(makeBox(2, 2, 2));
    const GLuint list = glGenLists(1);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -5, 5);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    GmDrawSettings settings;
    GmDrawRequest request;
    request.listName = list;
    GmDrawStats stats = GmDrawGeom(settings, request, *box);
    EXPECT_EQ(stats.faces, 6);
    EXPECT_EQ(stats.direct, 6) << "quads go straight to the vertex array";
    EXPECT_TRUE(rendertest::Near(Centre(), rendertest::kBackground)) << "compiling draws nothing";
    glCallList(list);
    EXPECT_TRUE(rendertest::Near(Centre(), {255, 255, 255}));
    glDeleteLists(list, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
