#pragma once
// Which OpenGL extensions the driver offers and their entry points, found
// once per process in whatever context is current at the first render
// action. Every other extension is looked for only when multitexture exists:
// a driver without it is treated as offering none of them.
#include <GL/gl.h>
#include <GL/glext.h>

class GLExtensions {
public:
    // Texture units the vertex-array builder and the texture code may use.
    static constexpr int kMaxUnits = 8;

    // The entry point of a name; null when unknown.
    using ProcLookup = void (*(*)(const char *name))();

    // What the last load found (all false and one texture unit before it).
    static bool s_bLoaded;
    static bool s_bVertexBufferObject;
    static bool s_bMultitexture;
    static int s_nTextureUnits;
    static bool s_bTextureEnvCombine;
    static bool s_bBlendSubtract;
    static bool s_bBlendMinmax;
    static bool s_bBlendColor;
    static bool s_bBlendFuncSeparate;
    static bool s_bDepthTexture;
    static bool s_bShadow;

    static PFNGLBLENDEQUATIONEXTPROC s_pfnBlendEquationEXT;
    static PFNGLBLENDCOLOREXTPROC s_pfnBlendColorEXT;
    static PFNGLBLENDFUNCSEPARATEEXTPROC s_pfnBlendFuncSeparateEXT;
    static PFNGLACTIVETEXTUREARBPROC s_pfnActiveTextureARB;
    static PFNGLCLIENTACTIVETEXTUREARBPROC s_pfnClientActiveTextureARB;
    static PFNGLMULTITEXCOORD1DARBPROC s_pfnMultiTexCoord1dARB;
    static PFNGLMULTITEXCOORD1DVARBPROC s_pfnMultiTexCoord1dvARB;
    static PFNGLMULTITEXCOORD1FARBPROC s_pfnMultiTexCoord1fARB;
    static PFNGLMULTITEXCOORD1FVARBPROC s_pfnMultiTexCoord1fvARB;
    static PFNGLMULTITEXCOORD2DARBPROC s_pfnMultiTexCoord2dARB;
    static PFNGLMULTITEXCOORD2DVARBPROC s_pfnMultiTexCoord2dvARB;
    static PFNGLMULTITEXCOORD2FARBPROC s_pfnMultiTexCoord2fARB;
    static PFNGLMULTITEXCOORD2FVARBPROC s_pfnMultiTexCoord2fvARB;
    static PFNGLBINDBUFFERARBPROC s_pfnBindBufferARB;
    static PFNGLBUFFERDATAARBPROC s_pfnBufferDataARB;
    static PFNGLGENBUFFERSARBPROC s_pfnGenBuffersARB;

    // Sets the flags from an extension list (plain substring searches) and
    // fetches the entry points through `lookup`; `unitCount` is the
    // driver's GL_MAX_TEXTURE_UNITS_ARB (cut to 1..kMaxUnits). Returns
    // whether multitexture is offered. Every earlier result is replaced.
    static bool LoadFrom(const char *extensions, int unitCount, ProcLookup lookup);
    // Back to the state before any load.
    static void Reset();

private:
    static void FetchEntryPoints(ProcLookup lookup);
};

// Loads the extensions of the current context. False, with the diagnostic
// "ARB_multitexture unsupported!" (package "GLExtensions"), when multitexture is
// missing (and also, without that line, when no context is current, which
// leaves the state unloaded for a later try).
bool LoadGLExtensions();
