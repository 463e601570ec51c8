#include "engine/render/GLExtensions.h"

#include <algorithm>
#include <cstring>

#include "platform/SgDiagnostics.h"
#include "platform/gl/GLContext.h"

bool GLExtensions::s_bLoaded = false;
bool GLExtensions::s_bVertexBufferObject = false;
bool GLExtensions::s_bMultitexture = false;
int GLExtensions::s_nTextureUnits = 1;
bool GLExtensions::s_bTextureEnvCombine = false;
bool GLExtensions::s_bBlendSubtract = false;
bool GLExtensions::s_bBlendMinmax = false;
bool GLExtensions::s_bBlendColor = false;
bool GLExtensions::s_bBlendFuncSeparate = false;
bool GLExtensions::s_bDepthTexture = false;
bool GLExtensions::s_bShadow = false;

PFNGLBLENDEQUATIONEXTPROC GLExtensions::s_pfnBlendEquationEXT = nullptr;
PFNGLBLENDCOLOREXTPROC GLExtensions::s_pfnBlendColorEXT = nullptr;
PFNGLBLENDFUNCSEPARATEEXTPROC GLExtensions::s_pfnBlendFuncSeparateEXT = nullptr;
PFNGLACTIVETEXTUREARBPROC GLExtensions::s_pfnActiveTextureARB = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC GLExtensions::s_pfnClientActiveTextureARB = nullptr;
PFNGLMULTITEXCOORD1DARBPROC GLExtensions::s_pfnMultiTexCoord1dARB = nullptr;
PFNGLMULTITEXCOORD1DVARBPROC GLExtensions::s_pfnMultiTexCoord1dvARB = nullptr;
PFNGLMULTITEXCOORD1FARBPROC GLExtensions::s_pfnMultiTexCoord1fARB = nullptr;
PFNGLMULTITEXCOORD1FVARBPROC GLExtensions::s_pfnMultiTexCoord1fvARB = nullptr;
PFNGLMULTITEXCOORD2DARBPROC GLExtensions::s_pfnMultiTexCoord2dARB = nullptr;
PFNGLMULTITEXCOORD2DVARBPROC GLExtensions::s_pfnMultiTexCoord2dvARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC GLExtensions::s_pfnMultiTexCoord2fARB = nullptr;
PFNGLMULTITEXCOORD2FVARBPROC GLExtensions::s_pfnMultiTexCoord2fvARB = nullptr;
PFNGLBINDBUFFERARBPROC GLExtensions::s_pfnBindBufferARB = nullptr;
PFNGLBUFFERDATAARBPROC GLExtensions::s_pfnBufferDataARB = nullptr;
PFNGLGENBUFFERSARBPROC GLExtensions::s_pfnGenBuffersARB = nullptr;

namespace {

bool Lists(const char *extensions, const char *name)
{
    return extensions && std::strstr(extensions, name) != nullptr;
}

template <class Fn>
void Fetch(Fn &target, GLExtensions::ProcLookup lookup, const char *name)
{
    target = reinterpret_cast<Fn>(lookup(name));
}

} // namespace

void GLExtensions::Reset()
{
    s_bLoaded = false;
    s_bVertexBufferObject = s_bMultitexture = false;
    s_nTextureUnits = 1;
    s_bTextureEnvCombine = s_bBlendSubtract = s_bBlendMinmax = false;
    s_bBlendColor = s_bBlendFuncSeparate = s_bDepthTexture = s_bShadow = false;
    s_pfnBlendEquationEXT = nullptr;
    s_pfnBlendColorEXT = nullptr;
    s_pfnBlendFuncSeparateEXT = nullptr;
    s_pfnActiveTextureARB = nullptr;
    s_pfnClientActiveTextureARB = nullptr;
    s_pfnMultiTexCoord1dARB = nullptr;
    s_pfnMultiTexCoord1dvARB = nullptr;
    s_pfnMultiTexCoord1fARB = nullptr;
    s_pfnMultiTexCoord1fvARB = nullptr;
    s_pfnMultiTexCoord2dARB = nullptr;
    s_pfnMultiTexCoord2dvARB = nullptr;
    s_pfnMultiTexCoord2fARB = nullptr;
    s_pfnMultiTexCoord2fvARB = nullptr;
    s_pfnBindBufferARB = nullptr;
    s_pfnBufferDataARB = nullptr;
    s_pfnGenBuffersARB = nullptr;
}

void GLExtensions::FetchEntryPoints(ProcLookup lookup)
{
    if (!lookup)
        return;
    Fetch(s_pfnBlendEquationEXT, lookup, "glBlendEquationEXT");
    Fetch(s_pfnBlendColorEXT, lookup, "glBlendColorEXT");
    Fetch(s_pfnBlendFuncSeparateEXT, lookup, "glBlendFuncSeparateEXT");
    Fetch(s_pfnActiveTextureARB, lookup, "glActiveTextureARB");
    Fetch(s_pfnClientActiveTextureARB, lookup, "glClientActiveTextureARB");
    Fetch(s_pfnMultiTexCoord1dARB, lookup, "glMultiTexCoord1dARB");
    Fetch(s_pfnMultiTexCoord1dvARB, lookup, "glMultiTexCoord1dvARB");
    Fetch(s_pfnMultiTexCoord1fARB, lookup, "glMultiTexCoord1fARB");
    Fetch(s_pfnMultiTexCoord1fvARB, lookup, "glMultiTexCoord1fvARB");
    Fetch(s_pfnMultiTexCoord2dARB, lookup, "glMultiTexCoord2dARB");
    Fetch(s_pfnMultiTexCoord2dvARB, lookup, "glMultiTexCoord2dvARB");
    Fetch(s_pfnMultiTexCoord2fARB, lookup, "glMultiTexCoord2fARB");
    Fetch(s_pfnMultiTexCoord2fvARB, lookup, "glMultiTexCoord2fvARB");
    Fetch(s_pfnBindBufferARB, lookup, "glBindBufferARB");
    Fetch(s_pfnBufferDataARB, lookup, "glBufferDataARB");
    Fetch(s_pfnGenBuffersARB, lookup, "glGenBuffersARB");
}

bool GLExtensions::LoadFrom(const char *extensions, int unitCount, ProcLookup lookup)
{
    Reset();
    s_bLoaded = true;
    s_bVertexBufferObject = Lists(extensions, "GL_ARB_vertex_buffer_object");
    if (!Lists(extensions, "GL_ARB_multitexture")) {
        // Without multitexture the renderer uses none of the others either.
        s_bVertexBufferObject = false;
        return false;
    }
    s_bMultitexture = true;
    // The builder and the texture code keep one record per unit up to this.
    s_nTextureUnits = std::clamp(unitCount, 1, kMaxUnits);
    s_bTextureEnvCombine = Lists(extensions, "GL_ARB_texture_env_combine");
    s_bBlendSubtract = Lists(extensions, "GL_EXT_blend_subtract");
    s_bBlendMinmax = Lists(extensions, "GL_EXT_blend_minmax");
    s_bBlendColor = Lists(extensions, "GL_EXT_blend_color");
    s_bBlendFuncSeparate = Lists(extensions, "GL_EXT_blend_func_separate");
    s_bDepthTexture = Lists(extensions, "GL_ARB_depth_texture");
    s_bShadow = Lists(extensions, "GL_ARB_shadow ");
    FetchEntryPoints(lookup);
    return true;
}

bool LoadGLExtensions()
{
    const auto *extensions = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    if (!extensions)
        return false; // no context: nothing to learn yet
    GLint units = 1;
    if (std::strstr(extensions, "GL_ARB_multitexture"))
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    if (!GLExtensions::LoadFrom(extensions, units, &GetGLProcAddress)) {
        SgDiagWarning("GLExtensions", "ARB_multitexture unsupported!");
        return false;
    }
    return true;
}
