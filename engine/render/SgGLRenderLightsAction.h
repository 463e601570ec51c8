#pragma once
// The lights pass: before the shapes of a frame are drawn, walks the graph
// through transforms, groups, separators, cameras, lights and dynamic
// effects only, numbers the lights that are on from GL_LIGHT0 upwards and
// sets them up with the model-view matrix in force where each stands, so
// that a light anywhere in the graph lights the whole scene.
//
// Separators are entered only when the last scan (SgScanAction) found a
// light or a dynamic effect below them, so the owner scans the scene before
// the frame. The render action runs the pass through RunLightsPass, which
// InitClass installs as its lights pass.
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/NodaraExport.h"

class SgCamera;
class SgGLRenderAction;
class SgLight;
struct EffectorInfo;

class NODARA_API SgGLRenderLightsAction : public SgAction {
    SG_ACTION_HEADER(SgGLRenderLightsAction)
    SgActionKind GetKind() const override { return SgActionKind::kRenderLights; }

    // GL_LIGHT0 to GL_LIGHT7: further lights are not lit.
    static constexpr int kMaxGLLights = 8;
    // The smallest intensity the constant attenuation divides by.
    static constexpr float kMinIntensity = 0.0001f;
    // "scope" of a directional light that belongs to its camera (a head light).
    static constexpr int kCameraScope = 1;

    SgGLRenderLightsAction() { InitState(); }
    ~SgGLRenderLightsAction() override = default;

    // The pass of one frame: every GL light off, then (when the render
    // action lights the frame) two-sided lighting and this action over the
    // root with the render action's camera. The lit lights and the effect
    // records go into the render action's arrays. The model-view matrix is
    // as it was afterwards.
    static void RunLightsPass(SgGLRenderAction *render, SgNode *root);

    int GetLightCount() const { return m_nLights; }

    // GL lights used so far.
    int m_nLights = 0;
    // The camera of the frame, and the camera most recently met in the
    // traversal (a separator restores it when left).
    SgCamera *m_pFrameCamera = nullptr;
    SgCamera *m_pCamera = nullptr;
    // Where effect records and lit lights go; null: not recorded.
    std::vector<EffectorInfo> *m_pEffectors = nullptr;
    std::vector<SgLight *> *m_pLights = nullptr;

    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitCamera(SgAction *action, SgNode *node);
    static void VisitDirLight(SgAction *action, SgNode *node);
    static void VisitPointLight(SgAction *action, SgNode *node);
    static void VisitSpotLight(SgAction *action, SgNode *node);
    // For the effect library, which registers its node class later.
    static void VisitDynamicEffect(SgAction *action, SgNode *node);

private:
    // The GL light the light gets (colour, attenuation, switched on); 0 when
    // it is off, a head light of another camera, or past the eighth.
    unsigned SetUpLight(SgLight *light, bool scaleByIntensity);
};
