#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgTextureManager.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformConstraint.h"
#include "tests/engine/render/GLStateFixture.h"
#include "tests/utilities/image/ImageTestFiles.h"

using rendertest::GLStateFixture;
using rendertest::Near;
using rendertest::Rgba;

namespace {

template <class T>
SgRef<SgNode> Make(const std::function<void(T &)> &set = {})
{
    SgRef<T> node = new T;
    if (set)
        set(*node);
    return SgRef<SgNode>(node.get());
}

// An image of the given pixels (bytes in the image's own order) on the C heap.
Image2 MakeImage(int width, int height, int depth, const std::vector<unsigned char> &bytes, const char *path = "")
{
    void *data = nullptr;
    if (!bytes.empty()) {
        data = std::malloc(bytes.size());
        std::memcpy(data, bytes.data(), bytes.size());
    }
    return Image2(width, height, depth, Image2::UNSIGNED_BYTE, data, path);
}

// A 2 x 2 checker, bottom row first: red, green / blue, white.
const std::vector<unsigned char> kChecker = {
    0, 0, 255, 255, 0, 255, 0, 255, // blue, green, red, alpha
    255, 0, 0, 255, 255, 255, 255, 255,
};

class PropertyVisitorsTest : public GLStateFixture {
protected:
    // A quad over the whole viewport, texture coordinates 0 to 1, unlit white.
    void DrawTexturedQuad()
    {
        glDisable(GL_LIGHTING);
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
    }
};

// A GL capability that a property node switches.
struct CapabilityCase {
    const char *what;
    std::function<SgRef<SgNode>()> make;
    GLenum capability;
    bool enabled;
    // Nodes that only ever switch a capability on leave it as it was.
    bool onlyEnables = false;
};

} // namespace

TEST_F(PropertyVisitorsTest, PropertyNodesSwitchTheirGLCapabilities)
{
    const CapabilityCase cases[] = {
        {"solid, clockwise shape hints cull", [] { return Make<SgShapeHints>([](SgShapeHints &h) {
             h.m_shapeType = SgShapeHints::SOLID;
         }); }, GL_CULL_FACE, true},
        {"solid shape hints of unknown ordering do not cull", [] { return Make<SgShapeHints>([](SgShapeHints &h) {
             h.m_shapeType = SgShapeHints::SOLID;
             h.m_vertexOrdering = SgShapeHints::UNKNOWN_ORDERING;
         }); }, GL_CULL_FACE, false},
        {"open shape hints do not cull", [] { return Make<SgShapeHints>([](SgShapeHints &h) {
             h.m_shapeType = SgShapeHints::OPEN;
         }); }, GL_CULL_FACE, false},
        {"scale 1.004 normalizes", [] { return Make<SgTransform>([](SgTransform &t) {
             t.m_scaleFactor = Vec3(1, 1, 1.004);
         }); }, GL_NORMALIZE, true},
        {"scale 1.003 does not normalize", [] { return Make<SgTransform>([](SgTransform &t) {
             t.m_scaleFactor = Vec3(1, 1, 1.003);
         }); }, GL_NORMALIZE, false, true},
        {"light model 1 lights", [] { return Make<SgLightModel>(); }, GL_LIGHTING, true},
        {"light model 0 does not light", [] { return Make<SgLightModel>([](SgLightModel &m) {
             m.m_model = 0;
         }); }, GL_LIGHTING, false},
        {"texture enable 1 textures", [] { return Make<SgTextureEnable>([](SgTextureEnable &e) {
             e.m_bEnable = static_cast<unsigned short>(1);
         }); }, GL_TEXTURE_2D, true},
        {"texture enable 0 does not texture", [] { return Make<SgTextureEnable>(); }, GL_TEXTURE_2D, false},
        {"fog type 2 fogs", [] { return Make<SgEnvironment>([](SgEnvironment &e) { e.m_fogType = 2; }); },
         GL_FOG, true},
        {"fog type 0 does not fog", [] { return Make<SgEnvironment>(); }, GL_FOG, false},
        {"diffuse alpha 0.5 blends", [] { return Make<SgMaterial>([](SgMaterial &m) {
             m.m_diffuseColor.SetValue(0, Color(1, 0, 0, 0.5));
         }); }, GL_BLEND, true},
        {"opaque diffuse does not blend", [] { return Make<SgMaterial>(); }, GL_BLEND, false},
        {"alphaBlend 1 tests alpha", [] { return Make<SgMaterial>([](SgMaterial &m) { m.m_alphaBlend = 1; }); },
         GL_ALPHA_TEST, true},
        {"alphaBlend 0 does not test alpha", [] { return Make<SgMaterial>(); }, GL_ALPHA_TEST, false, true},
        {"a texture without pixels does not texture", [] { return Make<SgTexture2D>(); }, GL_TEXTURE_2D, false},
        {"a texture of zero width does not texture", [] { return Make<SgTexture2D>([](SgTexture2D &t) {
             t.m_filename = MakeImage(0, 2, 4, kChecker);
         }); }, GL_TEXTURE_2D, false},
        {"a two-component texture does not texture", [] { return Make<SgTexture2D>([](SgTexture2D &t) {
             t.m_filename = MakeImage(2, 2, 2, kChecker);
         }); }, GL_TEXTURE_2D, false},
        {"a texture with pixels textures", [] { return Make<SgTexture2D>([](SgTexture2D &t) {
             t.m_filename = MakeImage(2, 2, 4, kChecker);
         }); }, GL_TEXTURE_2D, true},
    };
    for (const CapabilityCase &c : cases) {
        // Start from the opposite, so that a visitor that does nothing fails.
        if (c.enabled || c.onlyEnables)
            glDisable(c.capability);
        else
            glEnable(c.capability);
        SgRef<SgNode> node = c.make();
        ASSERT_TRUE(Traverse(node.get())) << c.what;
        EXPECT_EQ(Enabled(c.capability), c.enabled) << c.what;
    }
}

TEST_F(PropertyVisitorsTest, ShapeHintsCullTheBackOfClockwiseFaces)
{
    struct Case {
        int ordering;
        GLint face;
    };
    for (const Case c : {Case{SgShapeHints::CLOCKWISE, GL_BACK}, Case{SgShapeHints::COUNTERCLOCKWISE, GL_FRONT}}) {
        SgRef<SgShapeHints> hints = new SgShapeHints;
        hints->m_vertexOrdering = c.ordering;
        ASSERT_TRUE(Traverse(hints.get()));
        EXPECT_EQ(Integer(GL_CULL_FACE_MODE), c.face) << "ordering " << c.ordering;
    }
}

TEST_F(PropertyVisitorsTest, DrawStyleSetsPolygonModeStippleAndSizes)
{
    struct Case {
        int style;
        GLint mode;
    };
    for (const Case c : {Case{2, GL_LINE}, Case{1, GL_POINT}, Case{4, GL_FILL}}) {
        SgRef<SgDrawStyle> style = new SgDrawStyle;
        style->m_style = c.style;
        style->m_linePatern = static_cast<unsigned short>(0x0F0F);
        style->m_lineWidth = 3.0f;
        style->m_pointSize = 5.0f;
        glEnable(GL_LIGHTING);
        ASSERT_TRUE(Traverse(style.get()));
        GLint modes[2] = {};
        glGetIntegerv(GL_POLYGON_MODE, modes);
        EXPECT_EQ(modes[0], c.mode) << "style " << c.style;
        EXPECT_EQ(Enabled(GL_LIGHTING), c.style != 1) << "points are drawn unlit, style " << c.style;
        EXPECT_EQ(Integer(GL_LINE_STIPPLE_PATTERN), 0x0F0F);
        EXPECT_TRUE(Enabled(GL_LINE_STIPPLE));
        GLfloat width = 0, size = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        glGetFloatv(GL_POINT_SIZE, &size);
        EXPECT_FLOAT_EQ(width, 3.0f);
        EXPECT_FLOAT_EQ(size, 5.0f);
    }
}

TEST_F(PropertyVisitorsTest, TransformsSetTheMatrixTheyWriteIntoTheState)
{
    SgRef<SgTransform> transform = new SgTransform;
    transform->m_translation = Vec3(1, 2, 3);
    transform->m_rotation = Rotation(Vec3(0, 0, 1), 0.7);
    transform->m_scaleFactor = Vec3(2, 1, 1);
    transform->m_scaleOrientation = Rotation(Vec3(1, 0, 0), 0.3);
    transform->m_center = Vec3(0.5, 0, 0);
    transform->m_matrixConfig = SgTransform::kPivotOffsetConfig;
    SgRef<SgTransformConstraint> constraint = new SgTransformConstraint;
    constraint->m_translation = Vec3(-1, 0, 2);
    constraint->m_rotation = Rotation(Vec3(0, 1, 0), 1.1);
    constraint->m_pivotCenter = Vec3(0, 1, 0);
    constraint->m_pivotOrientation = Rotation(Vec3(0, 0, 1), 0.4);

    struct Case {
        const char *what;
        SgNode *node;
        Mat4 expected;
    };
    const Case cases[] = {
        {"transform", transform.get(), transform->GetMatrix().GetMatrix()},
        {"transform constraint", constraint.get(), constraint->GetConstraintMatrix().GetMatrix()},
    };
    for (const Case &c : cases) {
        glLoadIdentity();
        ASSERT_TRUE(Traverse(c.node));
        const std::array<double, 16> gl = ModelView();
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 4; ++col)
                EXPECT_NEAR(gl[col * 4 + row], c.expected[row][col], 1e-6)
                    << c.what << ": element " << row << "," << col;
    }
}

TEST_F(PropertyVisitorsTest, ResetTransformStartsFromTheIdentity)
{
    SgRef<SgTransform> transform = new SgTransform;
    transform->m_translation = Vec3(1, 0, 0);
    transform->m_reset = static_cast<unsigned short>(1);
    glLoadIdentity();
    glTranslated(0, 5, 0);

    ASSERT_TRUE(Traverse(transform.get()));

    const std::array<double, 16> gl = ModelView();
    EXPECT_DOUBLE_EQ(gl[12], 1.0);
    EXPECT_DOUBLE_EQ(gl[13], 0.0) << "the translation in force before the reset should be gone";
}

TEST_F(PropertyVisitorsTest, TranslucentMaterialMovesShapesToTheTransparentPass)
{
    SgRef<SgMaterial> material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(0, 0, 1, 0.5));
    SgGLRenderAction action(nullptr);

    ASSERT_TRUE(action.SgAction::Apply(material.get()));

    EXPECT_EQ(GetActionAlphaBlend(&action), 1);
    EXPECT_TRUE(TestTransparency(&action, false, false)) << "the shape would be drawn in the opaque pass";
    EXPECT_FALSE(TestTransparency(&action, true, false)) << "the shape would be missing from the transparent pass";
}

TEST_F(PropertyVisitorsTest, OverridingMaterialKeepsLaterMaterialsOut)
{
    SgRef<SgGroup> group = new SgGroup;
    SgRef<SgMaterial> overriding = new SgMaterial;
    overriding->m_diffuseColor.SetValue(0, Color(1, 0, 0, 1));
    overriding->SetOveride(true);
    SgRef<SgMaterial> later = new SgMaterial;
    later->m_diffuseColor.SetValue(0, Color(0, 1, 0, 0.5));
    group->AddChild(overriding.get());
    group->AddChild(later.get());
    glDisable(GL_BLEND);

    ASSERT_TRUE(Traverse(group.get()));

    GLfloat diffuse[4] = {};
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[0], 1.0f) << "the later material replaced the overriding colour";
    EXPECT_FLOAT_EQ(diffuse[1], 0.0f);
    EXPECT_FALSE(Enabled(GL_BLEND)) << "the overridden material still set its blending";
}

TEST_F(PropertyVisitorsTest, EnvironmentSetsFogAndAmbientLight)
{
    SgRef<SgEnvironment> environment = new SgEnvironment;
    environment->m_fogType = 3;
    environment->m_fogStart = 2.0f;
    environment->m_fogEnd = 9.0f;
    environment->m_fogColor = Color(0.25, 0.5, 0.75, 1);
    environment->m_ambientColor = Color(1, 0.5, 0, 1);
    environment->m_ambientIntensity = 0.5f;

    ASSERT_TRUE(Traverse(environment.get()));

    EXPECT_EQ(Integer(GL_FOG_MODE), GL_EXP2);
    GLfloat start = 0, end = 0, color[4] = {}, ambient[4] = {};
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    glGetFloatv(GL_FOG_COLOR, color);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(start, 2.0f);
    EXPECT_FLOAT_EQ(end, 9.0f);
    EXPECT_FLOAT_EQ(color[2], 0.75f);
    EXPECT_FLOAT_EQ(ambient[0], 0.5f) << "ambient colour scaled by the intensity";
    EXPECT_FLOAT_EQ(ambient[1], 0.25f);
}

TEST_F(PropertyVisitorsTest, CheckerTextureShowsItsFourTexels)
{
    struct Case {
        const char *what;
        int depth;
        std::vector<unsigned char> bytes;
    };
    // The same checker in four and in three components (blue, green, red).
    const Case cases[] = {
        {"four components", 4, kChecker},
        {"three components", 3, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}},
    };
    for (const Case &c : cases) {
        SgRef<SgTexture2D> texture = new SgTexture2D;
        texture->m_filename = MakeImage(2, 2, c.depth, c.bytes);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);

        ASSERT_TRUE(Traverse(texture.get())) << c.what;
        DrawTexturedQuad();

        const int q = kSize / 4;
        EXPECT_TRUE(Near(Pixel(q, q), {255, 0, 0, 255})) << c.what << ": bottom left";
        EXPECT_TRUE(Near(Pixel(3 * q, q), {0, 255, 0, 255})) << c.what << ": bottom right";
        EXPECT_TRUE(Near(Pixel(q, 3 * q), {0, 0, 255, 255})) << c.what << ": top left";
        EXPECT_TRUE(Near(Pixel(3 * q, 3 * q), {255, 255, 255, 255})) << c.what << ": top right";
    }
}

TEST_F(PropertyVisitorsTest, TextureIsUploadedOnceAndBoundAfterwards)
{
    SgRef<SgTexture2D> texture = new SgTexture2D;
    texture->m_filename = MakeImage(2, 2, 4, kChecker);

    ASSERT_TRUE(Traverse(texture.get()));
    const int first = texture->GetTextureName();
    ASSERT_GT(first, 0) << "no GL texture was made";
    ASSERT_TRUE(Traverse(texture.get()));

    EXPECT_EQ(texture->GetTextureName(), first) << "the image was uploaded again";
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), first);
}

TEST_F(PropertyVisitorsTest, TextureNameOfAnotherContextIsNotBound)
{
    SgRef<SgTexture2D> texture = new SgTexture2D;
    texture->m_filename = MakeImage(2, 2, 4, kChecker);
    texture->SetTextureName(4711); // made in a context that is gone

    ASSERT_TRUE(Traverse(texture.get()));

    EXPECT_NE(texture->GetTextureName(), 4711);
    EXPECT_EQ(glIsTexture(static_cast<GLuint>(texture->GetTextureName())), GL_TRUE);
}

TEST_F(PropertyVisitorsTest, TexturesOfOneFileShareOneGLTexture)
{
    imagetest::TempDir dir;
    const std::string path = dir.Write("shared.bmp", imagetest::EncodeBmp(imagetest::Uniform(2, 2, {1, 2, 3}), 24));
    std::string upper = path.substr(0, path.size() - 10) + "SHARED.BMP";
    SgRef<SgGroup> group = new SgGroup;
    SgRef<SgTexture2D> first = new SgTexture2D;
    first->m_filename = MakeImage(0, 0, 4, {}, path.c_str());
    SgRef<SgTexture2D> second = new SgTexture2D;
    second->m_filename = MakeImage(0, 0, 4, {}, upper.c_str());
    group->AddChild(first.get());
    group->AddChild(second.get());

    ASSERT_TRUE(Traverse(group.get()));

    SgTextureManager *manager = SgTextureManager::CTextureManagerFactory(0);
    const int name = manager->GetTextureID(path);
    EXPECT_GT(name, 0) << "the file's texture was not registered with the manager";
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), name) << "the second node made a texture of its own";
    EXPECT_TRUE(Enabled(GL_TEXTURE_2D));
}

TEST_F(PropertyVisitorsTest, MissingTextureFileSwitchesTexturingOff)
{
    SgRef<SgTexture2D> texture = new SgTexture2D;
    texture->m_filename = MakeImage(0, 0, 4, {}, "/nonexistent/missing_texture.bmp");
    glEnable(GL_TEXTURE_2D);

    ASSERT_TRUE(Traverse(texture.get())) << "a missing texture should not end the frame";

    EXPECT_FALSE(Enabled(GL_TEXTURE_2D));
}

TEST_F(PropertyVisitorsTest, TextureNodesSetUpTheUnitTheyAddress)
{
    SgRef<SgGroup> group = new SgGroup;
    SgRef<SgTextureUnit> unit = new SgTextureUnit;
    unit->m_unit = 1;
    SgRef<SgTexture2Transform> transform = new SgTexture2Transform;
    transform->m_translation = Vec2(0.5, 0.25);
    transform->m_rotation = 1.5707963267948966; // a quarter turn, in radians
    SgRef<SgTextureFunction> function = new SgTextureFunction;
    function->m_type = 1;
    function->m_dirS = Vec3(1, 0, 0);
    group->AddChild(unit.get());
    group->AddChild(transform.get());
    group->AddChild(function.get());

    ASSERT_TRUE(Traverse(group.get()));

    ASSERT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE1) << "the unit node did not select unit 1";
    GLdouble m[16] = {};
    glGetDoublev(GL_TEXTURE_MATRIX, m);
    EXPECT_NEAR(m[12], 0.5, 1e-6);
    EXPECT_NEAR(m[13], 0.25, 1e-6);
    EXPECT_NEAR(m[0], 0.0, 1e-6) << "the rotation is not a quarter turn";
    EXPECT_NEAR(m[1], 1.0, 1e-6) << "the rotation is not a quarter turn";
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_TRUE(Enabled(GL_TEXTURE_GEN_S));
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_OBJECT_LINEAR);
    GLdouble plane[4] = {};
    glGetTexGendv(GL_S, GL_OBJECT_PLANE, plane);
    EXPECT_DOUBLE_EQ(plane[0], 1.0) << "the S plane is not the node's dirS";
    EXPECT_DOUBLE_EQ(plane[1], 0.0);
}
