// Whole frames with solids: a solid node drawn by the render action, and the
// drawing compiled into a display list.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <memory>

#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "solids/GmAttributes.h"
#include "solids/GmBoxBuilder.h"
#include "solids/SgGeomAction.h"
#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"
#include "solids/render/GmDraw.h"
#include "solids/modifiers/SgBendModifier.h"
#include "engine/nodes/object/SgObject.h"
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

// A boolean intersection of two cubes draws its result; a second frame with
// nothing changed draws the cached result without visiting an operand.
TEST_F(SolidFrame, ABooleanIsDrawnAndNotEvaluatedAgainForAnUnchangedFrame)
{
    SgRef<SgBoolean> node(new SgBoolean(SgBoolean::kIntersection));
    for (double x : {-0.5, 0.5}) {
        auto *sep = new SgSeparator;
        auto *t = new SgTransform;
        t->m_translation.Set(Vec3(x, 0, 0));
        sep->AddChild(t);
        auto *cube = new SgCube;
        cube->m_width.Set(2.0);
        cube->m_height.Set(2.0);
        cube->m_depth.Set(2.0);
        sep->AddChild(cube);
        node->GetSeparator()->AddChild(sep);
    }
    m_scene->AddChild(node.get());
    const int evaluations = SgGeomAction::GetEvaluationCount();
    ASSERT_TRUE(Render());
    EXPECT_EQ(SgGeomAction::GetEvaluationCount(), evaluations + 1);
    const int visits = SgGeomAction::GetOperandVisitCount();
    // The intersection spans x from -0.5 to 0.5: the centre is covered, a
    // point at x = 1.2 (inside one cube, outside the other) is not.
    EXPECT_FALSE(rendertest::Near(Centre(), rendertest::kBackground));
    const int outside = kSize / 2 + static_cast<int>(kSize * 1.2 / (2 * 5 * 0.41421356)) ;
    EXPECT_TRUE(rendertest::Near(At(outside, kSize / 2), rendertest::kBackground));
    ASSERT_TRUE(Render());
    EXPECT_EQ(SgGeomAction::GetOperandVisitCount(), visits) << "the second frame evaluated the boolean again";
    EXPECT_FALSE(rendertest::Near(Centre(), rendertest::kBackground));
}

// Markers: a node without edges drawn as loose geometry in the palette
// colour of its "Color" attribute, or in the colour of elements outside any
// result when its mark is clear.
TEST_F(SolidFrame, LooseNodesAreDrawnAsMarkersInTheirAttributeColour)
{
    std::unique_ptr<GmGeom> g(SgSolvane::NewGeom());
    GmNode *node = g->add_node(Vec3(0, 0, 0));
    AttrId colour = attribute_registry().check_name("Color", ATTR_BITFIELD);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.05, 0.05, -0.05, 0.05, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    GmDrawSettings settings;
    GmDrawRequest request;
    request.drawLoose = true;
    request.colourByAttribute = true;
    GmDrawGeom(settings, request, *g);
    // The attribute is registered by the first drawing that colours.
    colour = attribute_registry().check_name("Color", ATTR_BITFIELD);
    ASSERT_FALSE(colour.isNull());
    EXPECT_TRUE(rendertest::Near(Centre(), {0, 255, 0})) << "attribute value 0: the first palette entry";
    colour.set(node->attributes, 3);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GmDrawGeom(settings, request, *g);
    EXPECT_TRUE(rendertest::Near(Centre(), {255, 255, 0}));
    node->mark = 0;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GmDrawGeom(settings, request, *g);
    EXPECT_TRUE(rendertest::Near(Centre(), {0, 153, 255})) << "an element outside any result";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A face set cube of edge 1 centred on the origin.
SgFaceSet *UnitCubeFaces()
{
    auto *faces = new SgFaceSet;
    for (int i = 0; i < 8; ++i)
        faces->m_vertices.AddVal(Vec3((i & 1) ? 0.5 : -0.5, (i & 2) ? 0.5 : -0.5, (i & 4) ? 0.5 : -0.5));
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto &q : quads) {
        for (int corner : q)
            faces->m_indexes.AddVal(corner);
        faces->m_sizes.AddVal(4);
        faces->m_loopCount.AddVal(1);
        faces->m_surfID.AddVal(0);
    }
    return faces;
}

// One mesh used twice, bent on the left and plain on the right: only the
// left one is drawn bent, in every frame.
TEST_F(SolidFrame, ASharedFaceSetIsDrawnBentOnlyUnderTheBend)
{
    SgRef<SgFaceSet> cube(UnitCubeFaces());
    const Color white(1, 1, 1, 1);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetVals(1, &white);
    m_scene->AddChild(material);
    for (double x : {-1.4, 1.0}) {
        auto *sep = new SgSeparator;
        auto *t = new SgTransform;
        t->m_translation.Set(Vec3(x, 0, 0));
        sep->AddChild(t);
        if (x < 0) {
            auto *bend = new SgBendModifier;
            bend->m_boxSize.Set(Vec3f(1, 1, 1));
            bend->m_angle.Set(3.14159265358979);
            sep->AddChild(bend);
        }
        sep->AddChild(cube.get());
        m_scene->AddChild(sep);
    }
    // World x to pixel column in the plane z = 0 of the fixture's camera.
    auto column = [](double x) { return kSize / 2 + static_cast<int>(x * kSize / (2 * 5 * 0.41421356)); };
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame == 0 ? "first frame" : "second frame");
        ASSERT_TRUE(Render());
        // The plain cube spans 0.5 .. 1.5 (its top face a little wider on
        // the screen); bent, it would roll out to x = 2.9.
        EXPECT_FALSE(rendertest::Near(At(column(1.0), kSize / 2), rendertest::kBackground)) << "the plain cube";
        EXPECT_TRUE(rendertest::Near(At(column(1.85), kSize / 2), rendertest::kBackground))
            << "the plain cube reaches past its own right face";
        EXPECT_FALSE(rendertest::Near(At(column(-0.5), kSize / 2), rendertest::kBackground))
            << "the bent cube does not reach past its own right face";
    }
}

// The gizmo group of a modifier draws its box as a wire frame: seen down the
// z axis, the edges of its near and far squares show and the faces between
// them stay open.
TEST_F(SolidFrame, AGizmoGroupDrawsItsBoxAsWire)
{
    SgRef<SgObject> object(new SgObject(true, true));
    SgRef<SgBendModifier> bend(new SgBendModifier);
    bend->m_boxSize.Set(Vec3f(2, 2, 2));
    SgRef<SgGroup> group(bend->CreateGizmoGroup(object.get(), false, true));
    ASSERT_NE(group.get(), nullptr);
    m_scene->AddChild(group.get());
    ASSERT_TRUE(Render());
    // The squares at z = 1 and z = -1 seen from z = 5: their right edges
    // project to x = 1.25 and x = 0.83 in the plane z = 0.
    auto column = [](double x) { return kSize / 2 + static_cast<int>(std::lround(x * kSize / (2 * 5 * 0.41421356))); };
    auto lineNear = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            if (!rendertest::Near(At(x + dx, y), rendertest::kBackground))
                return true;
        return false;
    };
    const int middle = kSize / 2;
    EXPECT_TRUE(lineNear(column(1.25), middle)) << "the near square's right edge";
    EXPECT_TRUE(lineNear(column(-1.25), middle)) << "the near square's left edge";
    EXPECT_TRUE(lineNear(column(5.0 / 6.0), middle)) << "the far square's right edge";
    EXPECT_TRUE(rendertest::Near(Centre(), rendertest::kBackground)) << "the box is not filled";
    EXPECT_TRUE(rendertest::Near(At(column(1.05), middle), rendertest::kBackground)) << "between the squares";
    EXPECT_TRUE(rendertest::Near(At(column(1.6), middle), rendertest::kBackground)) << "outside the box";
}

}  // namespace
