#include "engine/render/SgGLRenderLightsAction.h"
#include "engine/nodes/particles/SgDynamicEffect.h"

#include <GL/gl.h>

#include <algorithm>

#include "engine/core/SgElementClasses.h"
#include "engine/actions/SgScanCache.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/SgGLPropertyVisitors.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgTransform.h"

SG_ACTION_SOURCE(SgGLRenderLightsAction, "SgGLRenderLightsAction")

namespace {

// Pops the matrix a separator pushed even when the traversal below fails.
class MatrixScope {
public:
    MatrixScope() { glPushMatrix(); }
    ~MatrixScope() { glPopMatrix(); }
    MatrixScope(const MatrixScope &) = delete;
    MatrixScope &operator=(const MatrixScope &) = delete;
};

void LightPosition(GLenum light, const Vec3 &v, float w)
{
    const GLfloat position[4] = {static_cast<GLfloat>(v.x), static_cast<GLfloat>(v.y), static_cast<GLfloat>(v.z), w};
    glLightfv(light, GL_POSITION, position);
}

} // namespace

void SgGLRenderLightsAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgTransform::ClassID(), SgGLPropertyVisitors::VisitTransform);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgSeparator::ClassID(), VisitSeparator);
    SetVisitor(s_pfnMethodsMap, SgCamera::ClassID(), VisitCamera);
    SetVisitor(s_pfnMethodsMap, SgDirLight::ClassID(), VisitDirLight);
    SetVisitor(s_pfnMethodsMap, SgPointLight::ClassID(), VisitPointLight);
    SetVisitor(s_pfnMethodsMap, SgSpotLight::ClassID(), VisitSpotLight);
    if (const int effect = SgDynamicEffect::ClassID())
        SetVisitor(s_pfnMethodsMap, effect, VisitDynamicEffect);
    BuildVisitorsMap_(s_iClassID);

    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);

    SgGLRenderAction::SetLightsPass(&RunLightsPass);
}

void SgGLRenderLightsAction::RunLightsPass(SgGLRenderAction *render, SgNode *root)
{
    GLint maxLights = kMaxGLLights;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    for (GLint i = 0; i < maxLights; ++i)
        glDisable(GL_LIGHT0 + i);
    render->m_Lights.clear();
    render->m_Effectors.clear();
    if (!render->m_bLighting || !root)
        return;
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    SgGLRenderLightsAction lights;
    lights.m_pFrameCamera = render->GetCamera();
    lights.m_pCamera = lights.m_pFrameCamera;
    lights.m_pEffectors = &render->m_Effectors;
    lights.m_pLights = &render->m_Lights;

    // Transforms outside any separator must not leave the frame's matrix moved.
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_MODELVIEW);
    {
        MatrixScope scope;
        lights.Apply(root);
    }
    glMatrixMode(static_cast<GLenum>(mode));
}

void SgGLRenderLightsAction::VisitSeparator(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgGLRenderLightsAction *>(action);
    auto *separator = static_cast<SgSeparator *>(node);
    if (!(SgScanCache::GetFlags(separator) & (SgScanCache::kLight | SgScanCache::kDynamicEffect)))
        return;
    MatrixScope scope;
    SgCamera *camera = self->m_pCamera;
    separator->DoAction(action);
    self->m_pCamera = camera;
}

void SgGLRenderLightsAction::VisitCamera(SgAction *action, SgNode *node)
{
    static_cast<SgGLRenderLightsAction *>(action)->m_pCamera = static_cast<SgCamera *>(node);
}

unsigned SgGLRenderLightsAction::SetUpLight(SgLight *light, bool scaleByIntensity)
{
    if (light->m_on.Get(true) == 0)
        return 0;
    if (m_nLights >= kMaxGLLights)
        return 0;
    const GLenum glLight = GL_LIGHT0 + m_nLights++;
    if (m_pLights)
        m_pLights->push_back(light);

    const float intensity = light->m_intensity.Get(true);
    const Color &color = light->m_color.Get(true);
    const float scale = scaleByIntensity ? intensity : 1.0f;
    const GLfloat rgba[4] = {color.r * scale, color.g * scale, color.b * scale, 1.0f};
    glLightfv(glLight, GL_DIFFUSE, rgba);
    glLightfv(glLight, GL_SPECULAR, rgba);
    // Point and spot lights grow brighter with intensity through the
    // attenuation rather than through their colour.
    glLightf(glLight, GL_CONSTANT_ATTENUATION, 1.0f / std::max(intensity, kMinIntensity));
    glLightf(glLight, GL_LINEAR_ATTENUATION, light->m_linearAttenuation.Get(true));
    glLightf(glLight, GL_QUADRATIC_ATTENUATION, light->m_quadraticAttenuation.Get(true));
    glEnable(glLight);
    return glLight;
}

void SgGLRenderLightsAction::VisitDirLight(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgGLRenderLightsAction *>(action);
    auto *light = static_cast<SgDirLight *>(node);
    // A head light shines only from the camera it belongs to.
    if (light->m_scope.Get(true) == kCameraScope && self->m_pCamera != self->m_pFrameCamera)
        return;
    if (const unsigned glLight = self->SetUpLight(light, true)) {
        const Vec3 &d = light->m_direction.Get(true);
        LightPosition(glLight, Vec3(-d.x, -d.y, -d.z), 0.0f);
    }
}

void SgGLRenderLightsAction::VisitPointLight(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgGLRenderLightsAction *>(action);
    auto *light = static_cast<SgPointLight *>(node);
    if (const unsigned glLight = self->SetUpLight(light, false))
        LightPosition(glLight, light->m_location.Get(true), 1.0f);
}

void SgGLRenderLightsAction::VisitSpotLight(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgGLRenderLightsAction *>(action);
    auto *light = static_cast<SgSpotLight *>(node);
    const unsigned glLight = self->SetUpLight(light, false);
    if (!glLight)
        return;
    const Vec3 &d = light->m_direction.Get(true);
    const GLfloat direction[3] = {static_cast<GLfloat>(d.x), static_cast<GLfloat>(d.y), static_cast<GLfloat>(d.z)};
    glLightfv(glLight, GL_SPOT_DIRECTION, direction);
    glLightf(glLight, GL_SPOT_CUTOFF, light->m_cutOffAngle.Get(true));
    glLightf(glLight, GL_SPOT_EXPONENT, light->m_dropOffRate.Get(true));
    LightPosition(glLight, light->m_location.Get(true), 1.0f);
}

void SgGLRenderLightsAction::VisitDynamicEffect(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgGLRenderLightsAction *>(action);
    if (!self->m_pEffectors)
        return;
    EffectorInfo info;
    info.transform = GetActionTransform(action);
    info.effect = node;
    self->m_pEffectors->push_back(info);
}
