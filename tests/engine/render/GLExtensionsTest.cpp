#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/render/GLExtensions.h"
#include "platform/gl/OffscreenGLContext.h"

namespace {

// Hands out a distinct non-null address per name it knows, null otherwise.
void Marker() {}
void (*FakeLookup(const char *name))()
{
    return std::strncmp(name, "gl", 2) == 0 ? &Marker : nullptr;
}

class GLExtensionsTest : public ::testing::Test {
protected:
    GLExtensions m_ext;
};

TEST_F(GLExtensionsTest, WithoutMultitextureNoExtensionCountsAndNoEntryPointIsFetched)
{
    const char *list = "GL_ARB_vertex_buffer_object GL_EXT_blend_color GL_EXT_blend_minmax GL_ARB_shadow ";
    EXPECT_FALSE(m_ext.LoadFrom(list, 4, &FakeLookup));
    EXPECT_FALSE(m_ext.m_bVertexBufferObject) << "listed, but multitexture is missing";
    EXPECT_FALSE(m_ext.m_bBlendColor);
    EXPECT_FALSE(m_ext.m_bBlendMinmax);
    EXPECT_FALSE(m_ext.m_bShadow);
    EXPECT_EQ(m_ext.m_nTextureUnits, 1);
    EXPECT_EQ(m_ext.m_pfnActiveTextureARB, nullptr);
}

TEST_F(GLExtensionsTest, EachFlagFollowsItsNameInTheList)
{
    struct Case {
        const char *name;
        bool GLExtensions::*flag;
    };
    const Case cases[] = {
        {"GL_ARB_vertex_buffer_object", &GLExtensions::m_bVertexBufferObject},
        {"GL_ARB_texture_env_combine", &GLExtensions::m_bTextureEnvCombine},
        {"GL_EXT_blend_subtract", &GLExtensions::m_bBlendSubtract},
        {"GL_EXT_blend_minmax", &GLExtensions::m_bBlendMinmax},
        {"GL_EXT_blend_color", &GLExtensions::m_bBlendColor},
        {"GL_EXT_blend_func_separate", &GLExtensions::m_bBlendFuncSeparate},
        {"GL_ARB_depth_texture", &GLExtensions::m_bDepthTexture},
        {"GL_ARB_shadow ", &GLExtensions::m_bShadow},
    };
    for (const Case &c : cases) {
        const std::string list = std::string("GL_ARB_multitexture ") + c.name;
        EXPECT_TRUE(m_ext.LoadFrom(list.c_str(), 2, &FakeLookup));
        for (const Case &other : cases)
            EXPECT_EQ(m_ext.*other.flag, other.flag == c.flag) << other.name << " with only " << c.name << " listed";
    }
}

TEST_F(GLExtensionsTest, ShadowNeedsTheWholeWordNotAPrefix)
{
    m_ext.LoadFrom("GL_ARB_multitexture GL_ARB_shadow_ambient", 2, &FakeLookup);
    EXPECT_FALSE(m_ext.m_bShadow);
}

TEST_F(GLExtensionsTest, MultitextureBringsUnitsAndEntryPoints)
{
    struct Case {
        int driverUnits;
        int units;
    };
    for (const Case c : {Case{4, 4}, Case{0, 1}, Case{32, GLExtensions::kMaxUnits}}) {
        ASSERT_TRUE(m_ext.LoadFrom("GL_ARB_multitexture", c.driverUnits, &FakeLookup));
        EXPECT_EQ(m_ext.m_nTextureUnits, c.units) << "driver reports " << c.driverUnits;
    }
    EXPECT_NE(m_ext.m_pfnActiveTextureARB, nullptr);
    EXPECT_NE(m_ext.m_pfnClientActiveTextureARB, nullptr);
    EXPECT_NE(m_ext.m_pfnGenBuffersARB, nullptr);
}

// Entry points are valid only in the context they were fetched in: two
// contexts of different sizes each keep their own table, which is found
// again (not reloaded) when its context is current again, and which goes
// with its context.
TEST(GLExtensionsPerContextTest, EachContextKeepsItsOwnTable)
{
    if (GLContext::GetCurrent() == nullptr) {
        EXPECT_FALSE(GLExtensions::ForCurrentContext().m_bLoaded) << "no context: an empty table";
    }
    OffscreenGLContext small(32, 16);
    auto large = std::make_unique<OffscreenGLContext>(200, 100);

    ASSERT_TRUE(small.MakeCurrent());
    const GLExtensions *inSmall = &GLExtensions::ForCurrentContext();
    EXPECT_TRUE(inSmall->m_bLoaded);
    EXPECT_EQ(small.GetAttachment(), inSmall) << "the table is kept with its context";

    ASSERT_TRUE(large->MakeCurrent());
    const GLExtensions *inLarge = &GLExtensions::ForCurrentContext();
    EXPECT_TRUE(inLarge->m_bLoaded);
    EXPECT_NE(inLarge, inSmall) << "another context, another table";
    EXPECT_EQ(large->GetAttachment(), inLarge);
    if (inLarge->m_bMultitexture) {
        EXPECT_EQ(reinterpret_cast<GLContext::Proc>(inLarge->m_pfnActiveTextureARB),
                  large->GetProcAddress("glActiveTextureARB"))
            << "entry points come from the context's own lookup";
    }

    ASSERT_TRUE(small.MakeCurrent());
    EXPECT_EQ(&GLExtensions::ForCurrentContext(), inSmall) << "the first context finds its table again";
    large.reset();
    EXPECT_EQ(&GLExtensions::ForCurrentContext(), inSmall) << "the other context going leaves this table alone";
    small.ReleaseCurrent();
}

} // namespace
