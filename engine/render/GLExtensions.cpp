#include "engine/render/GLExtensions.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/SgDiagnostics.h"
#include "platform/gl/GLContext.h"

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
    *this = GLExtensions();
}

void GLExtensions::FetchEntryPoints(ProcLookup lookup)
{
    if (!lookup)
        return;
    Fetch(m_pfnBlendEquationEXT, lookup, "glBlendEquationEXT");
    Fetch(m_pfnBlendColorEXT, lookup, "glBlendColorEXT");
    Fetch(m_pfnBlendFuncSeparateEXT, lookup, "glBlendFuncSeparateEXT");
    Fetch(m_pfnActiveTextureARB, lookup, "glActiveTextureARB");
    Fetch(m_pfnClientActiveTextureARB, lookup, "glClientActiveTextureARB");
    Fetch(m_pfnMultiTexCoord1dARB, lookup, "glMultiTexCoord1dARB");
    Fetch(m_pfnMultiTexCoord1dvARB, lookup, "glMultiTexCoord1dvARB");
    Fetch(m_pfnMultiTexCoord1fARB, lookup, "glMultiTexCoord1fARB");
    Fetch(m_pfnMultiTexCoord1fvARB, lookup, "glMultiTexCoord1fvARB");
    Fetch(m_pfnMultiTexCoord2dARB, lookup, "glMultiTexCoord2dARB");
    Fetch(m_pfnMultiTexCoord2dvARB, lookup, "glMultiTexCoord2dvARB");
    Fetch(m_pfnMultiTexCoord2fARB, lookup, "glMultiTexCoord2fARB");
    Fetch(m_pfnMultiTexCoord2fvARB, lookup, "glMultiTexCoord2fvARB");
    Fetch(m_pfnBindBufferARB, lookup, "glBindBufferARB");
    Fetch(m_pfnBufferDataARB, lookup, "glBufferDataARB");
    Fetch(m_pfnGenBuffersARB, lookup, "glGenBuffersARB");
}

bool GLExtensions::LoadFrom(const char *extensions, int unitCount, ProcLookup lookup)
{
    Reset();
    m_bLoaded = true;
    m_bVertexBufferObject = Lists(extensions, "GL_ARB_vertex_buffer_object");
    if (!Lists(extensions, "GL_ARB_multitexture")) {
        // Without multitexture the renderer uses none of the others either.
        m_bVertexBufferObject = false;
        return false;
    }
    m_bMultitexture = true;
    // The builder and the texture code keep one record per unit up to this.
    m_nTextureUnits = std::clamp(unitCount, 1, kMaxUnits);
    m_bTextureEnvCombine = Lists(extensions, "GL_ARB_texture_env_combine");
    m_bBlendSubtract = Lists(extensions, "GL_EXT_blend_subtract");
    m_bBlendMinmax = Lists(extensions, "GL_EXT_blend_minmax");
    m_bBlendColor = Lists(extensions, "GL_EXT_blend_color");
    m_bBlendFuncSeparate = Lists(extensions, "GL_EXT_blend_func_separate");
    m_bDepthTexture = Lists(extensions, "GL_ARB_depth_texture");
    m_bShadow = Lists(extensions, "GL_ARB_shadow ");
    FetchEntryPoints(lookup);
    return true;
}

bool LoadGLExtensions(GLExtensions &into)
{
    const auto *extensions = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    if (!extensions)
        return false; // no context: nothing to learn yet
    GLint units = 1;
    if (std::strstr(extensions, "GL_ARB_multitexture"))
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    if (!into.LoadFrom(extensions, units, &GetGLProcAddress)) {
        SgDiagWarning("GLExtensions", "ARB_multitexture unsupported!");
        return false;
    }
    return true;
}

const GLExtensions &GLExtensions::ForCurrentContext()
{
    static const GLExtensions none;
    GLContext *context = GLContext::GetCurrent();
    if (!context)
        return none;
    if (auto *known = dynamic_cast<const GLExtensions *>(context->GetAttachment()))
        return *known;
    auto loaded = std::make_unique<GLExtensions>();
    LoadGLExtensions(*loaded);
    if (!loaded->m_bLoaded)
        return none; // the context could not answer yet; ask again next time
    const GLExtensions &table = *loaded;
    context->SetAttachment(std::move(loaded));
    return table;
}
