#pragma once
// Draws a scene graph into the current OpenGL context for one viewport of a
// viewer. The caller builds one on the stack per frame and viewport, fills in
// what the frame needs and calls Apply (a normal frame), RenderAntiAliased
// (one jittered pass of an accumulated frame) or DepthOverlayPass.
//
// A frame draws in up to three passes over the same graph: the opaque pass,
// the transparent pass (shapes under a material with alpha below 1, depth
// writes off) and the draw-over pass (shapes marked to stay on top, depth
// test always passing). A shape belongs to exactly one pass; the pass flags
// below tell the visitors which one runs. Only the opaque pass builds and
// calls the separators' display lists (SgGLBuildCacheAction).
//
// Picking (m_nPicking = 1) draws in selection mode instead. Nodes are named
// by 32-bit handles from SgGLNameTable, never by their addresses; the pick
// action turns the names of each hit record back into nodes through the
// table, which checks every handle.
//
//   SgGLRenderAction render(viewport);      // or (nullptr) and set the members
//   render.m_pViewer = viewer;
//   render.Apply(root);
//
// The visitors live in sources of their own and enter the table through the
// Init...Visitors hooks that InitClass calls (shapes and groups in
// SgGLShapeVisitors, properties in SgGLPropertyVisitors); the lights pass
// installs itself with SetLightsPass.
#include <memory>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/nodes/particles/EffectorInfo.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2i.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class GLVertexArray;
class SgGLRenderCache;
class SgCamera;
class SgLight;
class SgShadowCache;
class SgViewer;
class SgViewport;

class NODARA_API SgGLRenderAction : public SgAction {
    SG_ACTION_HEADER(SgGLRenderAction)
    SgActionKind GetKind() const override { return SgActionKind::kRender; }

    // `action` when it is a render action; null under any other action that
    // borrows the render visitors.
    static SgGLRenderAction *Of(SgAction *action)
    {
        return action && action->GetClassID() == ClassID() ? static_cast<SgGLRenderAction *>(action) : nullptr;
    }

    // Capacity of the selection buffer, in unsigned ints.
    static constexpr int kSelectBufferSize = 81920;
    // The report manager's package of rendering; -1 until start-up registers it.
    static int s_iReportPackage;
    static void RegisterReportPackage();
    // Size of the region around the pick point, in pixels.
    static constexpr double kDefaultPickSize = 5.0;
    // The name pushed below a shape's own, under which a shape loads its part
    // index (the cube's face) so that a hit tells the part.
    static constexpr unsigned kPartName = 0xFFFFFFFFu;

    // With a viewport, the size and camera come from it; with none (the
    // viewer's and the pick action's use) the owner sets them before Apply.
    explicit SgGLRenderAction(SgViewport *viewport = nullptr);
    ~SgGLRenderAction() override;

    // One frame: background, lights, opaque pass, transparent pass. In
    // picking mode the selection pass instead. Failures inside the traversal
    // end the frame and are kept as the base class keeps them (false). A
    // viewer without viewports throws SgInvalidArgument before any drawing.
    bool Apply(SgNode *root) override;
    // One jittered pass (the viewer's pass index `pass` of m_nPasses) of an
    // anti-aliased frame; pass 0 clears the accumulation buffer, each pass
    // adds its image weighted 1/n. With showPartial the sum so far is
    // returned to the colour buffer and the current context swapped.
    bool RenderAntiAliased(SgNode *root, bool showPartial, int pass);
    // A frame with stencil shadows of two fixed lights over a backdrop of a
    // floor and two walls (SgGLShadowFrame.cpp). Shadows that cannot be made
    // leave the frame drawn lit without them, with one diagnostic; false
    // only when the traversal of the scene failed. The silhouettes are kept
    // with the viewport while nothing below the root changes.
    bool RenderShadowed(SgNode *root);
    // The scene traversal alone (no background, lights pass or second pass),
    // for the shadow library's redraws.
    bool TraverseForShadows(SgNode *root);
    // The draw-over pass: only shapes marked draw-over, over everything.
    bool DepthOverlayPass(SgNode *root);
    // Restricts drawing to (x, y, x + width, y + height) in window pixels.
    void SetUpdateRegion(int x, int y, int width, int height);

    void PushState() override;
    void PopState() override;

    // The jitter offset of sample `pass` of an n-sample frame, in pixels
    // within [0, 1]; counts without a table of their own take the 16-sample
    // table (a pass past its end wraps).
    static Vec2 JitterOffset(int samples, int pass);

    // The pass test of the shape visitors: whether the shape being visited
    // belongs to the pass being drawn.
    bool InCurrentPass();
    // Selection names, only while picking: a group pushes its handle, a
    // shape its handle and kPartName. Each returns how many names it pushed
    // (none when not picking, or when the name stack is full, so that a deep
    // graph never pops names it did not push); PopNames takes that count.
    int PushName(SgNode *node);
    int PushShapeNames(SgNode *node);
    void PopNames(int count);

    // Draws a separator without its display list: matrix and attributes
    // pushed (unless it is a root or holder separator), its name, its
    // DoAction. Used by the separator visitor and by list compilation.
    void DrawSeparatorDirect(SgNode *separator);
    // Counts the materials sent to GL, so that a separator whose subtree
    // sent one sends the state's material again after it pops.
    void NoteMaterialSent() { ++m_nMaterialsSent; }
    // Pushes the matrix and all attributes unless the GL stacks are full;
    // returns whether it did, for PopMatrixAndAttributes.
    bool PushMatrixAndAttributes();
    void PopMatrixAndAttributes(bool pushed);
    // Set while a separator's display list is being compiled: no other list
    // may be compiled then.
    bool IsCompiling() const { return m_nCompiling > 0; }
    void BeginCompile() { ++m_nCompiling; }
    void EndCompile() { --m_nCompiling; }
    // The cache whose list is being compiled (null when none): the lists
    // called while it compiles are noted in it.
    SgGLRenderCache *GetCompilingCache() const { return m_pCompilingCache; }
    void SetCompilingCache(SgGLRenderCache *cache) { m_pCompilingCache = cache; }

    // The select buffer the last selection pass filled (shared by every
    // render action) and its complete hit records. When the records did not
    // all fit, m_bSelectOverflow is set and m_nHits counts the records that
    // did: never a negative count.
    static unsigned *GetSelectBuffer() { return s_aSelectBuffer; }
    int GetHitCount() const { return m_nHits; }
    bool HasSelectOverflow() const { return m_bSelectOverflow; }

    // The vertex-array builder (4 texture units) every face set of this
    // action draws through; made when the first face set needs it, so that
    // actions drawing for different viewers never share one.
    GLVertexArray *GetVertexArray();

    SgViewer *GetViewer() const { return m_pViewer; }
    SgViewport *GetViewport() const { return m_pViewport; }
    SgCamera *GetCamera() const { return m_pCamera; }

    // Whether display lists may be used and built now (cleared by the
    // transparent and draw-over passes and by printing).
    bool IsCacheDisabled() const { return m_bCacheDisabled; }
    void SetCacheDisabled(bool on) { m_bCacheDisabled = on; }

    // The display-list slot of separators' cache containers.
    static int GetCacheSlot() { return s_iCacheSlot; }
    // The slot this action's lists go in now: a pass that adds a light's
    // share onto the picture (the shadow frame) compiles lists of its own,
    // which keep the blending on, beside those of the ordinary passes.
    int GetRenderCacheSlot() const { return m_bAdditivePass ? s_iAdditiveCacheSlot : s_iCacheSlot; }

    // Hooks InitClass calls to let other sources enter their visitors; each
    // writes into s_pfnMethodsMap (SetVisitor) and nothing else.
    static void InitShapeVisitors();      // shapes and groups
    static void InitPropertyVisitors();   // property nodes, textures, fog

    // The lights pass: runs before the opaque pass of a frame unless picking.
    // Installed by the lights-pass source; none installed: GL lights stay off.
    using LightsPassFn = void (*)(SgGLRenderAction *action, SgNode *root);
    static void SetLightsPass(LightsPassFn fn) { s_pfnLightsPass = fn; }

    // Frame set-up, filled by the owner (public as the visitors and the
    // viewer read and write them).
    int m_nMaxTextureUnits = 1;
    SgCamera *m_pCamera = nullptr;
    Range<Vec2i> m_ViewportRect;          // left, bottom, right, top
    SgViewer *m_pViewer = nullptr;
    bool m_bNoBackground = false;
    bool m_bAccumulate = true;
    int m_nOwnerMode = 0;                 // not 0: no background; 1: billboards light GL_LIGHT0
    int m_nPasses = 1;                    // refinement passes of an anti-aliased frame
    bool m_bDrawOverOnly = false;
    bool m_bLighting = true;
    bool m_bSecondPass = true;
    bool m_bOwnerFlag1 = true;
    bool m_bOwnerFlag2 = false;
    bool m_bOwnerFlag3 = true;
    bool m_bEdgeFlags = false;
    // Set by an owner that ran the scan action over the root for this frame
    // already; otherwise Apply runs it, since the passes skip separators by
    // what the scan recorded in them.
    bool m_bScanDone = false;

    // Pass flags, set only inside a pass.
    bool m_bTransparentPass = false;
    bool m_bDrawOverPass = false;
    // The shadow frame's passes that add a further light onto the picture
    // (blending GL_ONE, GL_ONE): materials leave blending as it is.
    bool m_bAdditivePass = false;

    // Picking.
    int m_nPicking = 0;
    Vec2i m_PickPoint;                    // window x, y measured from the top
    double m_dPickWidth = kDefaultPickSize;
    double m_dPickHeight = kDefaultPickSize;

    SgViewport *m_pViewport = nullptr;

    // Update region (left, bottom, right, top).
    int m_aUpdateRegion[4] = {0, 0, 0, 0};
    bool m_bUseRegion = false;
    bool m_bNarrowProjection = false;

    // Filled by the lights pass.
    std::vector<SgLight *> m_Lights;
    std::vector<EffectorInfo> m_Effectors;

private:
    bool SelectionPass(SgNode *root);
    bool TransparentPass(SgNode *root);
    void DrawBackground();
    void ApplyUpdateRegion();
    void RunLightsPass(SgNode *root);
    void RunScan(SgNode *root);
    // Clears the path-mode word, appends the root, dispatches, removes it; a
    // failure ends the traversal (see SgAction::Apply) and leaves the GL
    // matrix, attribute and name stacks as they were before it.
    bool TraverseRoot(SgNode *root);
    // The viewport being drawn: the one given, else the viewer's first.
    SgViewport *FirstViewport() const;
    // Where drawing goes: through the current GL context when it is one of
    // ours, since offscreen contexts emulate the front buffer.
    static void SetDrawBuffer(bool front);

    // Stack depths at the start of a traversal and the limits of the
    // context, so that separators never push past them.
    void ReadStackLimits();
    void ApplyDefaultMaterial();
    void RestoreMaterial();

    // Defined beside the face-set drawing, the one source that knows the
    // builder's type.
    struct VertexArrayDeleter {
        void operator()(GLVertexArray *array) const;
    };
    std::unique_ptr<GLVertexArray, VertexArrayDeleter> m_pVertexArray;
    bool m_bCacheDisabled = false;
    int m_nCompiling = 0;
    SgGLRenderCache *m_pCompilingCache = nullptr;
    int m_nMaterialsSent = 0;
    int m_nAttribDepth = 0;
    int m_nMaxAttribDepth = 16;
    int m_nMatrixDepth = 1;
    int m_nMaxMatrixDepth = 32;
    int m_nNameDepth = 0;
    int m_nMaxNameDepth = 64;
    int m_nHits = 0;
    bool m_bSelectOverflow = false;

    static unsigned s_aSelectBuffer[kSelectBufferSize];
    // Whether the viewport's shadow records were made from this root as it
    // is now (nothing below it changed since); leaves a mark for next time.
    static bool KeepsShadowMark(SgNode *root, SgShadowCache &cache);
    static int s_iCacheSlot;
    static int s_iAdditiveCacheSlot;
    // The slot of the mark that tells the shadow frame the root is unchanged.
    static int s_iShadowMarkSlot;
    static LightsPassFn s_pfnLightsPass;
};
