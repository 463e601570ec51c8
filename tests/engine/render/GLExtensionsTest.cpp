#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/render/GLExtensions.h"

namespace {

// Hands out a distinct non-null address per name it knows, null otherwise.
void Marker() {}
void (*FakeLookup(const char *name))()
{
    return std::strncmp(name, "gl", 2) == 0 ? &Marker : nullptr;
}

class GLExtensionsTest : public ::testing::Test {
protected:
    void TearDown() override { GLExtensions::Reset(); }
};

TEST_F(GLExtensionsTest, WithoutMultitextureNoExtensionCountsAndNoEntryPointIsFetched)
{
    const char *list = "GL_ARB_vertex_buffer_object GL_EXT_blend_color GL_EXT_blend_minmax GL_ARB_shadow ";
    EXPECT_FALSE(GLExtensions::LoadFrom(list, 4, &FakeLookup));
    EXPECT_FALSE(GLExtensions::s_bVertexBufferObject) << "listed, but multitexture is missing";
    EXPECT_FALSE(GLExtensions::s_bBlendColor);
    EXPECT_FALSE(GLExtensions::s_bBlendMinmax);
    EXPECT_FALSE(GLExtensions::s_bShadow);
    EXPECT_EQ(GLExtensions::s_nTextureUnits, 1);
    EXPECT_EQ(GLExtensions::s_pfnActiveTextureARB, nullptr);
}

TEST_F(GLExtensionsTest, EachFlagFollowsItsNameInTheList)
{
    struct Case {
        const char *name;
        bool *flag;
    };
    const Case cases[] = {
        {"GL_ARB_vertex_buffer_object", &GLExtensions::s_bVertexBufferObject},
        {"GL_ARB_texture_env_combine", &GLExtensions::s_bTextureEnvCombine},
        {"GL_EXT_blend_subtract", &GLExtensions::s_bBlendSubtract},
        {"GL_EXT_blend_minmax", &GLExtensions::s_bBlendMinmax},
        {"GL_EXT_blend_color", &GLExtensions::s_bBlendColor},
        {"GL_EXT_blend_func_separate", &GLExtensions::s_bBlendFuncSeparate},
        {"GL_ARB_depth_texture", &GLExtensions::s_bDepthTexture},
        {"GL_ARB_shadow ", &GLExtensions::s_bShadow},
    };
    for (const Case &c : cases) {
        const std::string list = std::string("GL_ARB_multitexture ") + c.name;
        EXPECT_TRUE(GLExtensions::LoadFrom(list.c_str(), 2, &FakeLookup));
        for (const Case &other : cases)
            EXPECT_EQ(*other.flag, other.flag == c.flag) << other.name << " with only " << c.name << " listed";
    }
}

TEST_F(GLExtensionsTest, ShadowNeedsTheWholeWordNotAPrefix)
{
    GLExtensions::LoadFrom("GL_ARB_multitexture GL_ARB_shadow_ambient", 2, &FakeLookup);
    EXPECT_FALSE(GLExtensions::s_bShadow);
}

TEST_F(GLExtensionsTest, MultitextureBringsUnitsAndEntryPoints)
{
    struct Case {
        int driverUnits;
        int units;
    };
    for (const Case c : {Case{4, 4}, Case{0, 1}, Case{32, GLExtensions::kMaxUnits}}) {
        ASSERT_TRUE(GLExtensions::LoadFrom("GL_ARB_multitexture", c.driverUnits, &FakeLookup));
        EXPECT_EQ(GLExtensions::s_nTextureUnits, c.units) << "driver reports " << c.driverUnits;
    }
    EXPECT_NE(GLExtensions::s_pfnActiveTextureARB, nullptr);
    EXPECT_NE(GLExtensions::s_pfnClientActiveTextureARB, nullptr);
    EXPECT_NE(GLExtensions::s_pfnGenBuffersARB, nullptr);
}

} // namespace
