#pragma once
// Which OpenGL extensions a context offers and their entry points there.
// Entry points belong to the context they were fetched in, so each context
// keeps its own table (attached to it), found the first time a render action
// meets the context. Every other extension is looked for only when
// multitexture exists: a driver without it is treated as offering none of
// them.
#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/gl/GLContext.h"
#include "engine/core/NodaraExport.h"

class NODARA_API GLExtensions : public GLContext::Attachment {
public:
    // Texture units the vertex-array builder and the texture code may use.
    static constexpr int kMaxUnits = 8;

    // The entry point of a name; null when unknown.
    using ProcLookup = void (*(*)(const char *name))();

    // What the last load found (all false and one texture unit before it).
    bool m_bLoaded = false;
    bool m_bVertexBufferObject = false;
    bool m_bMultitexture = false;
    int m_nTextureUnits = 1;
    bool m_bTextureEnvCombine = false;
    bool m_bBlendSubtract = false;
    bool m_bBlendMinmax = false;
    bool m_bBlendColor = false;
    bool m_bBlendFuncSeparate = false;
    bool m_bDepthTexture = false;
    bool m_bShadow = false;

    PFNGLBLENDEQUATIONEXTPROC m_pfnBlendEquationEXT = nullptr;
    PFNGLBLENDCOLOREXTPROC m_pfnBlendColorEXT = nullptr;
    PFNGLBLENDFUNCSEPARATEEXTPROC m_pfnBlendFuncSeparateEXT = nullptr;
    PFNGLACTIVETEXTUREARBPROC m_pfnActiveTextureARB = nullptr;
    PFNGLCLIENTACTIVETEXTUREARBPROC m_pfnClientActiveTextureARB = nullptr;
    PFNGLMULTITEXCOORD1DARBPROC m_pfnMultiTexCoord1dARB = nullptr;
    PFNGLMULTITEXCOORD1DVARBPROC m_pfnMultiTexCoord1dvARB = nullptr;
    PFNGLMULTITEXCOORD1FARBPROC m_pfnMultiTexCoord1fARB = nullptr;
    PFNGLMULTITEXCOORD1FVARBPROC m_pfnMultiTexCoord1fvARB = nullptr;
    PFNGLMULTITEXCOORD2DARBPROC m_pfnMultiTexCoord2dARB = nullptr;
    PFNGLMULTITEXCOORD2DVARBPROC m_pfnMultiTexCoord2dvARB = nullptr;
    PFNGLMULTITEXCOORD2FARBPROC m_pfnMultiTexCoord2fARB = nullptr;
    PFNGLMULTITEXCOORD2FVARBPROC m_pfnMultiTexCoord2fvARB = nullptr;
    PFNGLBINDBUFFERARBPROC m_pfnBindBufferARB = nullptr;
    PFNGLBUFFERDATAARBPROC m_pfnBufferDataARB = nullptr;
    PFNGLGENBUFFERSARBPROC m_pfnGenBuffersARB = nullptr;

    // Sets the flags from an extension list (plain substring searches) and
    // fetches the entry points through `lookup`; `unitCount` is the
    // driver's GL_MAX_TEXTURE_UNITS_ARB (cut to 1..kMaxUnits). Returns
    // whether multitexture is offered. Every earlier result is replaced.
    bool LoadFrom(const char *extensions, int unitCount, ProcLookup lookup);
    // Back to the state before any load.
    void Reset();

    // The table of the context current on the calling thread, loaded from it
    // the first time it is asked for. Without a current context of ours (or
    // before the context can answer) an empty table: nothing offered, one
    // texture unit.
    static const GLExtensions &ForCurrentContext();

private:
    void FetchEntryPoints(ProcLookup lookup);
};

// Loads the extensions of the current context into `into`. False, with the
// diagnostic "ARB_multitexture unsupported!" (package "GLExtensions"), when multitexture is
// missing (and also, without that line, when no context is current, which
// leaves `into` unloaded for a later try).
NODARA_API bool LoadGLExtensions(GLExtensions &into);
