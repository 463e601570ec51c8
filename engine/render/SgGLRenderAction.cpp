#include "engine/render/SgGLRenderAction.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/SgElementClasses.h"
#include "engine/actions/SgScanAction.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgCacheContainer.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/GLExtensions.h"
#include "engine/render/SgGLMaterialBundle.h"
#include "engine/render/SgGLNameTable.h"
#include "engine/render/SgGLPropertyVisitors.h"
#include "engine/render/SgViewport.h"
#include "engine/render/SgWinAlignedRenderAction.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/SgError.h"
#include "platform/gl/GLContext.h"
#include "utilities/log/ReportMngr.h"

SG_ACTION_SOURCE(SgGLRenderAction, "SgGLRenderAction")

unsigned SgGLRenderAction::s_aSelectBuffer[kSelectBufferSize];
int SgGLRenderAction::s_iCacheSlot = -1;
int SgGLRenderAction::s_iShadowMarkSlot = -1;
int SgGLRenderAction::s_iAdditiveCacheSlot = -1;
SgGLRenderAction::LightsPassFn SgGLRenderAction::s_pfnLightsPass = nullptr;

namespace {

// The attribute groups a separator saves: every group of the fixed-function
// pipeline (the multisample bit is not among them).
constexpr GLbitfield kAllAttributeBits = 0xFFFFF;

// Sample positions within a pixel for each supported sample count, from
// the published accumulation-buffer jitter tables.
struct JitterTable {
    int count;
    const double (*offsets)[2];
};
constexpr double kJitter1[][2] = {{0.5, 0.5}};
constexpr double kJitter2[][2] = {{0.25, 0.75}, {0.75, 0.25}};
constexpr double kJitter3[][2] = {
    {0.5033922635, 0.8317967229}, {0.7806016275, 0.2504380877}, {0.2261828938, 0.4131553612}};
constexpr double kJitter4[][2] = {{0.375, 0.2}, {0.125, 0.8}, {0.875, 0.3}, {0.625, 0.7}};
constexpr double kJitter5[][2] = {{0.5, 0.5}, {0.3, 0.1}, {0.7, 0.9}, {0.9, 0.3}, {0.1, 0.7}};
constexpr double kJitter6[][2] = {{0.4646464646, 0.4646464646}, {0.1313131313, 0.7979797979},
                                  {0.5353535353, 0.8686868686}, {0.8686868686, 0.5353535353},
                                  {0.7979797979, 0.1313131313}, {0.2020202020, 0.2020202020}};
constexpr double kJitter8[][2] = {{0.5625, 0.4375}, {0.0625, 0.9375}, {0.3125, 0.6875}, {0.6875, 0.8125},
                                  {0.8125, 0.1875}, {0.9375, 0.5625}, {0.4375, 0.0625}, {0.1875, 0.3125}};
constexpr double kJitter9[][2] = {{0.5, 0.5},
                                  {0.1666666666, 0.9444444444},
                                  {0.5, 0.1666666666},
                                  {0.5, 0.8333333333},
                                  {0.1666666666, 0.2777777777},
                                  {0.8333333333, 0.3888888888},
                                  {0.1666666666, 0.6111111111},
                                  {0.8333333333, 0.7222222222},
                                  {0.8333333333, 0.0555555555}};
constexpr double kJitter12[][2] = {{0.4166666666, 0.625}, {0.9166666666, 0.875}, {0.25, 0.375},
                                   {0.4166666666, 0.125}, {0.75, 0.125},         {0.0833333333, 0.125},
                                   {0.75, 0.625},         {0.25, 0.875},         {0.5833333333, 0.375},
                                   {0.9166666666, 0.375}, {0.0833333333, 0.625}, {0.5833333333, 0.875}};
constexpr double kJitter16[][2] = {{0.375, 0.4375}, {0.625, 0.0625}, {0.875, 0.1875}, {0.125, 0.0625},
                                   {0.375, 0.6875}, {0.875, 0.4375}, {0.625, 0.5625}, {0.375, 0.9375},
                                   {0.625, 0.3125}, {0.125, 0.5625}, {0.125, 0.8125}, {0.375, 0.1875},
                                   {0.875, 0.9375}, {0.875, 0.6875}, {0.125, 0.3125}, {0.625, 0.8125}};

JitterTable TableFor(int samples)
{
    switch (samples) {
    case 1: return {1, kJitter1};
    case 2: return {2, kJitter2};
    case 3: return {3, kJitter3};
    case 4: return {4, kJitter4};
    case 5: return {5, kJitter5};
    case 6: return {6, kJitter6};
    case 8: return {8, kJitter8};
    case 9: return {9, kJitter9};
    case 12: return {12, kJitter12};
    default: return {16, kJitter16};
    }
}

} // namespace

void SgGLRenderAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    InitShapeVisitors();
    InitPropertyVisitors();
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableElement<DiffuseColorElement>(list, count);
    EnableElement<SpecularColorElement>(list, count);
    EnableElement<AmbientColorElement>(list, count);
    EnableElement<EmissionColorElement>(list, count);
    EnableElement<ShininessElement>(list, count);
    EnableElement<AmbientElement>(list, count);
    EnableElement<PointElement>(list, count);
    EnableElement<TexPoint2Element>(list, count);
    EnableElement<NormalElement>(list, count);
    EnableElement<ImageElement>(list, count);
    EnableElement<TransformElement>(list, count);
    EnableElement<ModifierStackElement>(list, count);
    EnableElement<DrawStyleElement>(list, count);
    EnableElement<LinePaternElement>(list, count);
    EnableElement<PointSizeElement>(list, count);
    EnableElement<LineWidthElement>(list, count);
    EnableElement<MaterialBindingElement>(list, count);
    EnableElement<NormalBindingElement>(list, count);
    EnableElement<TextureModelElement>(list, count);
    EnableElement<TextureWrapSElement>(list, count);
    EnableElement<TextureWrapTElement>(list, count);
    EnableElement<TextureSampleElement>(list, count);
    EnableElement<TextureEnableElement>(list, count);
    EnableElement<TextureFuncTypeElement>(list, count);
    EnableElement<TextureCenterElement>(list, count);
    EnableElement<TextureUnitElement>(list, count);
    EnableElement<TextureFuncTransformElement>(list, count);
    EnableElement<TextureCoordsElement>(list, count);
    EnableElement<AlphaBlendElement>(list, count);
    EnableElement<DrawOverElement>(list, count);
    EnableElement<OrderingElement>(list, count);
    EnableElement<ShapeTypeElement>(list, count);
    EnableElement<FaceTypeElement>(list, count);
    EnableElement<CreaseAngleElement>(list, count);
    EnableElement<SmoothTypeElement>(list, count);
    EnableElement<FontNameElement>(list, count);
    EnableElement<FontCharsetElement>(list, count);
    EnableElement<FontStyleElement>(list, count);
    EnableElement<FontSizeElement>(list, count);
    EnableElement<LayerFlagsElement>(list, count);
    EnableElement<CharAnimControlElement>(list, count);
    EnableElement<SkinModeElement>(list, count);
    EnableElement<WrapOnElement>(list, count);

    s_iCacheSlot = SgCacheContainer::NewCacheSlot();
    s_iShadowMarkSlot = SgCacheContainer::NewCacheSlot();
    s_iAdditiveCacheSlot = SgCacheContainer::NewCacheSlot();
}

SgGLRenderAction::SgGLRenderAction(SgViewport *viewport)
{
    InitState();
    // The extensions of the context this action draws in, found the first
    // time any action meets that context.
    const GLExtensions &extensions = GLExtensions::ForCurrentContext();
    m_nMaxTextureUnits = extensions.m_bMultitexture ? extensions.m_nTextureUnits : 1;
    if (viewport) {
        m_pViewport = viewport;
        m_ViewportRect = viewport->GetSize();
        m_pCamera = viewport->GetCamera();
    }
}

SgGLRenderAction::~SgGLRenderAction() = default;

// The traversal state only: the GL matrix and attributes are saved by the
// separator visitor, which knows whether the separator needs them. Saving
// them here as well would spend two attribute-stack levels (of 16) on every
// separator.
void SgGLRenderAction::PushState()
{
    SgAction::PushState();
}

void SgGLRenderAction::PopState()
{
    SgAction::PopState();
}

Vec2 SgGLRenderAction::JitterOffset(int samples, int pass)
{
    const JitterTable table = TableFor(samples);
    const int i = pass >= 0 ? pass % table.count : 0;
    return Vec2(table.offsets[i][0], table.offsets[i][1]);
}

SgViewport *SgGLRenderAction::FirstViewport() const
{
    // The viewport the action was made for: a viewer makes one action per
    // viewport, so a second viewport is drawn with its own camera and
    // rectangle.
    return m_pViewport;
}

void SgGLRenderAction::SetDrawBuffer(bool front)
{
    if (GLContext *context = GLContext::GetCurrent())
        context->SetDrawBuffer(front ? GLContext::Buffer::Front : GLContext::Buffer::Back);
    else
        glDrawBuffer(front ? GL_FRONT : GL_BACK);
}

void SgGLRenderAction::ReadStackLimits()
{
    GLint value = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &value);
    m_nAttribDepth = value;
    glGetIntegerv(GL_MAX_ATTRIB_STACK_DEPTH, &value);
    m_nMaxAttribDepth = value;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &value);
    m_nMatrixDepth = value;
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &value);
    m_nMaxMatrixDepth = value;
    glGetIntegerv(GL_NAME_STACK_DEPTH, &value);
    m_nNameDepth = value;
    glGetIntegerv(GL_MAX_NAME_STACK_DEPTH, &value);
    m_nMaxNameDepth = value;
}

void SgGLRenderAction::ApplyDefaultMaterial()
{
    // Shapes that no material of the scene reaches are drawn in a material
    // with the node's default values, whatever an earlier frame or another
    // view left in GL.
    static const SgRef<SgMaterial> defaults = new SgMaterial;
    SgGLPropertyVisitors::VisitMaterial(this, defaults.get());
}

void SgGLRenderAction::RestoreMaterial()
{
    // Mesa does not bring back a material set inside an attribute level when
    // nothing was drawn after it, so the material a separator's subtree set
    // would stay in force for the shapes after the separator: the state's
    // material is sent again.
    if (m_nPicking)
        return;
    try {
        SgGLMaterialBundle(GetState()).Send(0);
    } catch (const SgError &) {
        // No material in the state: nothing to restore.
    }
}

bool SgGLRenderAction::TraverseRoot(SgNode *root)
{
    if (!root)
        return true;
    if (!m_nPicking)
        ApplyDefaultMaterial();
    ReadStackLimits();
    const int attribDepth = m_nAttribDepth;
    const int matrixDepth = m_nMatrixDepth;
    const int nameDepth = m_nNameDepth;
    const bool ok = SgAction::Apply(root);
    if (!ok) {
        // The traversal ended inside separators: take back what they pushed.
        if (m_nCompiling > 0) {
            glEndList();
            m_nCompiling = 0;
        }
        GLint depth = 0;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        for (; depth > attribDepth; --depth)
            glPopAttrib();
        GLint mode = GL_MODELVIEW;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glMatrixMode(GL_MODELVIEW);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        for (; depth > matrixDepth; --depth)
            glPopMatrix();
        glMatrixMode(static_cast<GLenum>(mode));
        if (m_nPicking) {
            glGetIntegerv(GL_NAME_STACK_DEPTH, &depth);
            for (; depth > nameDepth; --depth)
                glPopName();
        }
    }
    return ok;
}

bool SgGLRenderAction::PushMatrixAndAttributes()
{
    if (m_nAttribDepth >= m_nMaxAttribDepth || m_nMatrixDepth >= m_nMaxMatrixDepth)
        return false;
    glPushMatrix();
    glPushAttrib(kAllAttributeBits);
    ++m_nAttribDepth;
    ++m_nMatrixDepth;
    return true;
}

void SgGLRenderAction::PopMatrixAndAttributes(bool pushed)
{
    if (!pushed)
        return;
    glPopAttrib();
    glPopMatrix();
    --m_nAttribDepth;
    --m_nMatrixDepth;
}

int SgGLRenderAction::PushName(SgNode *node)
{
    if (!m_nPicking || m_nNameDepth >= m_nMaxNameDepth)
        return 0;
    glPushName(SgGLNameTable::GetName(node));
    ++m_nNameDepth;
    return 1;
}

int SgGLRenderAction::PushShapeNames(SgNode *node)
{
    // Both or neither: a hit record must never pair a part index with
    // another node's name.
    if (!m_nPicking || m_nNameDepth + 2 > m_nMaxNameDepth)
        return 0;
    glPushName(SgGLNameTable::GetName(node));
    glPushName(kPartName);
    m_nNameDepth += 2;
    return 2;
}

void SgGLRenderAction::PopNames(int count)
{
    for (int i = 0; i < count; ++i)
        glPopName();
    m_nNameDepth -= count;
}

bool SgGLRenderAction::InCurrentPass()
{
    return !TestTransparency(this, m_bTransparentPass, m_bDrawOverPass);
}

void SgGLRenderAction::DrawSeparatorDirect(SgNode *separator)
{
    // The scene root and holder separators leave their GL state to their
    // siblings' drawing.
    const bool save = !(separator->IsRoot() || separator->IsHolder());
    struct Scope {
        SgGLRenderAction *action;
        bool pushed;
        int names;
        ~Scope()
        {
            action->PopNames(names);
            action->PopMatrixAndAttributes(pushed);
        }
    };
    const int sent = m_nMaterialsSent;
    bool pushed = false;
    {
        Scope scope{this, save && PushMatrixAndAttributes(), 0};
        pushed = scope.pushed;
        scope.names = PushName(separator);
        separator->DoAction(this);
    }
    if (pushed && m_nMaterialsSent != sent)
        RestoreMaterial();
}

void SgGLRenderAction::RunScan(SgNode *root)
{
    if (m_bScanDone || !root)
        return;
    SgScanAction scan;
    // The meshes about to be drawn for the first time get their normals
    // here, several at a time, instead of one by one as they are drawn.
    scan.SetPrepareNormals(true);
    scan.Apply(root);
}

void SgGLRenderAction::RunLightsPass(SgNode *root)
{
    m_Lights.clear();
    m_Effectors.clear();
    if (s_pfnLightsPass) {
        s_pfnLightsPass(this, root);
        return;
    }
    GLint lights = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    for (GLint i = 0; i < lights; ++i)
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
}

bool SgGLRenderAction::Apply(SgNode *root)
{
    if (m_nPicking)
        return SelectionPass(root);
    SgViewport *viewport = FirstViewport();
    if (!viewport)
        throw SgInvalidArgument("SgGLRenderAction: the viewer has no viewport");
    if (!m_pCamera)
        m_pCamera = viewport->GetCamera();
    m_ViewportRect = viewport->GetSize();
    viewport->UpdateModelProjViewMatrix();
    if (m_bUseRegion)
        ApplyUpdateRegion();
    RunScan(root);

    if (m_bDrawOverOnly) {
        SetDrawBuffer(true);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_DEPTH_TEST);
        const bool ok = TraverseRoot(root);
        SetDrawBuffer(false);
        glDepthMask(GL_TRUE);
        return ok;
    }

    if (!m_bNoBackground && m_nOwnerMode == 0)
        DrawBackground();
    glDepthRange(-1.0, 1.0);
    glShadeModel(GL_FLAT);
    glFrontFace(GL_CW);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    RunLightsPass(root);
    bool ok = TraverseRoot(root);
    if (m_bSecondPass)
        ok = TransparentPass(root) && ok;
    glDisable(GL_SCISSOR_TEST);
    return ok;
}

bool SgGLRenderAction::TransparentPass(SgNode *root)
{
    const bool savedDisabled = m_bCacheDisabled;
    m_bCacheDisabled = true;
    m_bTransparentPass = true;
    glDepthMask(GL_FALSE);
    const bool ok = TraverseRoot(root);
    glDepthMask(GL_TRUE);
    m_bCacheDisabled = savedDisabled;
    m_bTransparentPass = false;
    return ok;
}

bool SgGLRenderAction::DepthOverlayPass(SgNode *root)
{
    glDisable(GL_COLOR_LOGIC_OP);
    glDepthFunc(GL_ALWAYS);
    glEnable(GL_DEPTH_TEST);
    const bool savedDisabled = m_bCacheDisabled;
    m_bCacheDisabled = true;
    m_bDrawOverPass = true;
    const bool ok = TraverseRoot(root);
    m_bCacheDisabled = savedDisabled;
    m_bDrawOverPass = false;
    glDepthFunc(GL_LEQUAL);
    return ok;
}

void SgGLRenderAction::SetUpdateRegion(int x, int y, int width, int height)
{
    m_aUpdateRegion[0] = x;
    m_aUpdateRegion[1] = y;
    m_aUpdateRegion[2] = x + width;
    m_aUpdateRegion[3] = y + height;
    m_bUseRegion = true;
}

void SgGLRenderAction::ApplyUpdateRegion()
{
    const int w = m_ViewportRect.GetMax().x - m_ViewportRect.GetMin().x;
    const int h = m_ViewportRect.GetMax().y - m_ViewportRect.GetMin().y;
    // The region grows by two pixels for the scissor box and is cut to the
    // viewport with the same margin.
    const int left = std::max(m_aUpdateRegion[0] - 2, -2);
    const int bottom = std::max(m_aUpdateRegion[1] - 2, -2);
    const int right = std::min(w + 4, m_aUpdateRegion[2] + 2);
    const int top = std::min(h + 4, m_aUpdateRegion[3] + 2);
    if (right - left - 4 < 0 || top - bottom - 4 < 0)
        return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(left + 2, bottom + 2, right - left - 4, top - bottom - 4);
    if (!m_bNarrowProjection || !m_pCamera || w <= 0 || h <= 0)
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(left, bottom, right - left, top - bottom);
    const double nearDistance = m_pCamera->m_nearDistance.Get(true);
    const double farDistance = m_pCamera->m_farDistance.Get(true);
    const bool perspective = m_pCamera->m_perspective.Get(true) != 0;
    const double halfHeight = perspective ? std::tan(m_pCamera->m_heightAngle.Get(true) * std::numbers::pi / 180.0 * 0.5) *
                                                nearDistance
                                          : m_pCamera->m_height.Get(true) * 0.5;
    const double halfWidth = halfHeight * w / h;
    const double x0 = (2.0 * left / w - 1.0) * halfWidth;
    const double x1 = (2.0 * right / w - 1.0) * halfWidth;
    const double y0 = (2.0 * bottom / h - 1.0) * halfHeight;
    const double y1 = (2.0 * top / h - 1.0) * halfHeight;
    if (perspective)
        glFrustum(x0, x1, y0, y1, nearDistance, farDistance);
    else
        glOrtho(x0, x1, y0, y1, nearDistance, farDistance);
    glMatrixMode(GL_MODELVIEW);
}

void SgGLRenderAction::DrawBackground()
{
    SgViewport *viewport = FirstViewport();
    SgBackground *background = viewport ? viewport->GetBackground() : nullptr;
    Color color(0.0, 0.0, 0.0, 1.0);
    int style = 0;
    if (background) {
        const std::string &image = background->m_imageFile.Get(true);
        if (image != viewport->GetBGImage())
            viewport->SetBGImage(image);
        color = background->m_color1.Get(true);
        style = background->m_style.Get(true);
    }
    glClearColor(color.r, color.g, color.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const unsigned char *pixels = viewport ? viewport->GetBGImageData() : nullptr;
    if (!pixels)
        return;
    const Range<Vec2i> &rect = viewport->GetBGSize();
    const int imageWidth = rect.GetMax().x - rect.GetMin().x;
    const int imageHeight = rect.GetMax().y - rect.GetMin().y;
    const Range<Vec2i> &size = viewport->GetSize();
    const int windowWidth = size.GetMax().x - size.GetMin().x;
    const int windowHeight = size.GetMax().y - size.GetMin().y;
    if (imageWidth <= 0 || imageHeight <= 0 || windowWidth <= 0 || windowHeight <= 0)
        return;
    SetDrawBuffer(false);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const float zx = static_cast<float>(windowWidth) / imageWidth;
    const float zy = static_cast<float>(windowHeight) / imageHeight;
    float zoomX = viewport->GetBGZoomX();
    float zoomY = viewport->GetBGZoomY();
    switch (style) {
    case 1: zoomX = zoomY = std::max(zx, zy); break;
    case 2: zoomX = zx; zoomY = zy; break;
    case 3: zoomX = zoomY = std::min(zx, zy); break;
    case 4: zoomX = zoomY = zx; break;
    case 5: zoomX = zoomY = zy; break;
    default: break; // the zoom of this viewport's previous background stays
    }
    viewport->SetBGZoom(zoomX, zoomY);
    glPixelZoom(zoomX, zoomY);
    // The image starts at the viewport's lower-left corner, whatever the
    // matrices are.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2f(-1.0f, -1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDrawPixels(imageWidth, imageHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glPixelZoom(1.0f, 1.0f);
    glClear(GL_DEPTH_BUFFER_BIT);
}

bool SgGLRenderAction::RenderAntiAliased(SgNode *root, bool showPartial, int pass)
{
    SgViewport *viewport = FirstViewport();
    if (!viewport)
        throw SgInvalidArgument("SgGLRenderAction: the viewer has no viewport");
    if (!m_pCamera)
        m_pCamera = viewport->GetCamera();
    m_ViewportRect = viewport->GetSize();
    const int n = std::max(m_nPasses, 1);
    const int p = std::clamp(pass, 0, n - 1);
    RunScan(root);

    glShadeModel(GL_FLAT);
    glFrontFace(GL_CW);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_SCISSOR_TEST);
    if (p == 0 && m_bAccumulate) {
        glClearAccum(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_ACCUM_BUFFER_BIT);
    }

    const Vec2 jitter = JitterOffset(n, p);
    const double dx = jitter.x - 0.5;
    const double dy = jitter.y - 0.5;
    viewport->UpdateModelProjViewMatrix();
    const int w = viewport->GetWidth();
    const int h = viewport->GetHeight();
    if (m_pCamera && w > 0 && h > 0) {
        // The frustum moves by a fraction of a pixel; the view matrix the
        // viewport set stays.
        const double aspect = static_cast<double>(w) / h;
        const double nearDistance = m_pCamera->m_nearDistance.Get(true);
        const double farDistance = m_pCamera->m_farDistance.Get(true);
        double top, right;
        const bool perspective = m_pCamera->m_perspective.Get(true) != 0;
        if (perspective) {
            top = nearDistance * std::tan(m_pCamera->m_heightAngle.Get(true) * std::numbers::pi / 180.0 / 2.0);
            right = top * aspect;
        } else {
            top = m_pCamera->m_height.Get(true) * 0.5;
            right = top * aspect;
        }
        const double shiftX = -(dx * (2.0 * right) / w);
        const double shiftY = -(dy * (2.0 * top) / h);
        GLint mode = GL_MODELVIEW;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        if (perspective)
            glFrustum(-right + shiftX, right + shiftX, -top + shiftY, top + shiftY, nearDistance, farDistance);
        else
            glOrtho(-right + shiftX, right + shiftX, -top + shiftY, top + shiftY, nearDistance, farDistance);
        glMatrixMode(static_cast<GLenum>(mode));
    }

    if (!m_bNoBackground && m_nOwnerMode == 0)
        DrawBackground();
    RunLightsPass(root);
    bool ok = TraverseRoot(root);
    if (m_bSecondPass)
        ok = TransparentPass(root) && ok;

    // Overlays are drawn filled and in their own colours, whatever the user
    // chose for the scene; the fields change quietly, so nothing is redrawn
    // or uncached for it.
    SgMaterial *material = viewport->GetMaterial();
    if (material)
        material->SetOveride(false);
    SgDrawStyle *drawStyle = viewport->GetDrawStyle();
    int savedStyle = 0;
    if (drawStyle) {
        savedStyle = drawStyle->m_style.Get(false);
        const int filled = 4;
        drawStyle->m_style.SetValuePtr(&filled, -1, false, true);
    }
    ok = DepthOverlayPass(root) && ok;
    if (drawStyle)
        drawStyle->m_style.SetValuePtr(&savedStyle, -1, false, true);

    if (m_bAccumulate) {
        glFlush();
        glAccum(GL_ACCUM, 1.0f / static_cast<float>(n));
        glFinish();
        if (showPartial) {
            glAccum(GL_RETURN, static_cast<float>(n) / static_cast<float>(p + 1));
            // The offscreen library brings the returned image into the
            // surface memory only when pixels are read back, not on a
            // finish: read one, or the swap below shows the image of the
            // last pass alone.
            GLubyte pixel[4];
            glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
            if (GLContext *context = GLContext::GetCurrent())
                context->SwapBuffers();
        }
    }
    return ok;
}

bool SgGLRenderAction::SelectionPass(SgNode *root)
{
    SgViewport *viewport = FirstViewport();
    if (!viewport)
        throw SgInvalidArgument("SgGLRenderAction: picking needs a viewport");
    // Display lists are neither called nor built here: a list drawn in
    // selection mode loses the hits of all but its first array draw, and
    // lists carry no per-face names.
    const bool savedDisabled = m_bCacheDisabled;
    m_bCacheDisabled = true;
    m_nHits = 0;
    m_bSelectOverflow = false;
    glEnable(GL_DEPTH_TEST);
    glSelectBuffer(kSelectBufferSize, s_aSelectBuffer);
    glRenderMode(GL_SELECT);
    glInitNames();

    glMatrixMode(GL_PROJECTION);
    viewport->UpdateModelProjViewMatrix();
    GLdouble projection[16];
    GLint glViewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, glViewport);
    glLoadIdentity();
    // The pick point counts rows from the top of the viewport.
    const double windowY = glViewport[1] + glViewport[3] - m_PickPoint.y;
    gluPickMatrix(m_PickPoint.x, windowY, std::max(m_dPickWidth, 1.0), std::max(m_dPickHeight, 1.0), glViewport);
    glMultMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
    glFrontFace(GL_CW);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);

    if (SgSeparator *scene = viewport->GetNodara()) {
        SgWinAlignedRenderAction aligned(viewport);
        aligned.Apply(scene);
    }
    RunScan(root);
    bool ok = TraverseRoot(root);
    m_bCacheDisabled = savedDisabled;
    if (m_bSecondPass)
        ok = TransparentPass(root) && ok;

    const GLint hits = glRenderMode(GL_RENDER);
    if (hits >= 0) {
        m_nHits = hits;
    } else {
        // The buffer ran over: count the records that fit whole, and say so.
        m_bSelectOverflow = true;
        int position = 0;
        while (position + 3 <= kSelectBufferSize) {
            const unsigned names = s_aSelectBuffer[position];
            if (names > static_cast<unsigned>(kSelectBufferSize - position - 3))
                break;
            position += 3 + static_cast<int>(names);
            ++m_nHits;
        }
    }
    for (GLenum light = GL_LIGHT0; light <= GL_LIGHT3; ++light)
        glDisable(light);
    return ok;
}

int SgGLRenderAction::s_iReportPackage = -1;

void SgGLRenderAction::RegisterReportPackage()
{
    if (ReportMngr *manager = ReportMngr::getInstance())
        s_iReportPackage = manager->AddPackage("GLRenderAction");
}
