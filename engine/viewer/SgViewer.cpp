#include "engine/viewer/SgViewer.h"

#include <GL/gl.h>

#include <cmath>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/core/SgPathList.h"
#include "engine/actions/SgScanAction.h"
#include "engine/core/SgHandleTable.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgGLWindow.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/viewer/SgSceneManager.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/render/SgWinAlignedRenderAction.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgTool.h"
#include "platform/SgClock.h"
#include "platform/SgError.h"
#include "platform/gl/GLContext.h"
#include "platform/window/SgPlatformWindow.h"
#include "utilities/math/Color.h"
#include "platform/SgDiagnostics.h"

namespace {
// Window messages the viewer handles besides the tools' ones.
constexpr unsigned kActivate = 0x0006;
constexpr unsigned kPaint = 0x000F;
constexpr unsigned kNcActivate = 0x0086;
constexpr unsigned kFirstMouseMessage = SgEventHandler::kMouseMove;
constexpr unsigned kLastMouseMessage = SgEventHandler::kMouseWheel;
constexpr unsigned kLButtonDown = SgEventHandler::kLButtonDown;
constexpr unsigned kRButtonDown = SgEventHandler::kRButtonDown;
constexpr unsigned kMButtonDown = SgEventHandler::kMButtonDown;

// Milliseconds between refinement passes after the first one.
constexpr int kRefineInterval = 20;

// Errors at the paint and event boundaries are reported here and the window
// goes on.
void ReportBoundaryError(const char *where, const char *what)
{
    SgDiagError("Viewer", "%s: %s", where, what);
}

// The action's event for one message. A message handled while another is
// (a paint that a tool's redraw triggers in the middle of a drag) puts the
// outer event back when it is done, so that no handler is left holding an
// event that is gone.
class CurrentEventScope {
public:
    CurrentEventScope(SgHandleEventAction &action, SgEvent *event) : m_action(action), m_previous(action.m_pEvent)
    {
        m_action.m_pEvent = event;
    }
    ~CurrentEventScope() { m_action.m_pEvent = m_previous; }
    CurrentEventScope(const CurrentEventScope &) = delete;
    CurrentEventScope &operator=(const CurrentEventScope &) = delete;

private:
    SgHandleEventAction &m_action;
    SgEvent *m_previous;
};

// Where the default camera stands, looking down -z at the origin.
const Vec3 kDefaultCameraPosition(0.0, 0.0, 5.0);
} // namespace

SgViewer::SgViewer(int kind)
    : m_pEventAction(std::make_unique<SgHandleEventAction>()),
      m_pSceneManager(std::make_unique<SgSceneManager>(0)),
      m_nKind(kind)
{
    m_pEventAction->m_pViewer = this;
    if (kind == kWindow || kind == kWindowChild)
        m_pWindow = std::make_unique<SgGLWindow>(this);
}

SgViewer::~SgViewer()
{
    // Handles given out for this viewer go stale now.
    SgHandleTable::ForgetViewer(this);
    if (m_pWindow)
        m_pWindow->KillTimer();
    // A tool still holding this viewer's capture must not give it back later.
    SgTool::ViewerGone(this);
    m_Viewports.clear();
    m_pWindow.reset();
    m_pEventAction.reset();
    SgDocument *document = m_pDocument;
    const bool wasCurrent = document && document->GetActiveViewer() == this;
    if (document)
        document->RemoveViewer(this);
    m_pSceneManager.reset();
    // The document's first viewer (if any) has become current in this one's place.
    if (wasCurrent && document->GetActiveViewer())
        document->NotifyViewerChanged();
}

void SgViewer::Redraw(bool all)
{
    if (all && m_pDocument) {
        m_pDocument->RedrawAllViewers(nullptr);
        return;
    }
    m_bFinalFrame = false;
    if (HasWindow()) {
        m_pWindow->Invalidate();
        return;
    }
    // Without a window there is nothing to invalidate: the owner of the
    // context draws the next frame when it wants one.
}

int SgViewer::AttachWindow(void *window)
{
    m_hWnd = window;
    if (!m_pWindow)
        return window ? 1 : 0;
    return m_pWindow->InitWindow(static_cast<SgPlatformWindow *>(window));
}

SgViewport *SgViewer::GetViewport(int index) const
{
    if (index < 0 || index >= GetViewportCount())
        throw SgInvalidArgument();
    return m_Viewports[static_cast<size_t>(index)].get();
}

void SgViewer::AddViewport(SgViewport *viewport)
{
    if (!viewport)
        return;
    viewport->SetViewer(this);
    m_Viewports.emplace_back(viewport);
}

void SgViewer::BuildDefaultView()
{
    auto viewport = std::make_unique<SgViewport>();
    viewport->SetViewer(this);
    viewport->SetSize(m_iLeft, m_iTop, m_iRight, m_iBottom);

    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ViewRoot");

    auto *background = new SgBackground;
    root->AddChild(background);

    // The camera, its transform, the head light and the overriding material
    // sit in a separator of their own: the camera transform places the
    // camera and the head light without moving the scene, and the material
    // stays inert until a display mode overrides with it.
    auto *head = new SgSeparator;
    auto *cameraTransform = new SgTransform;
    cameraTransform->m_translation.Set(kDefaultCameraPosition);
    auto *camera = new SgCamera;
    auto *headLight = new SgDirLight;
    headLight->m_direction.Set(SgViewer::HeadLightDirection());
    auto *material = new SgMaterial;
    const Color unset(-1.0f, 0.0f, 0.0f, 1.0f);
    material->m_diffuseColor.SetVals(1, &unset);
    material->SetOveride(false);
    head->AddChild(cameraTransform);
    head->AddChild(camera);
    head->AddChild(headLight);
    head->AddChild(material);
    root->AddChild(head);

    auto *drawStyle = new SgDrawStyle;
    root->AddChild(drawStyle);
    auto *lightModel = new SgLightModel;
    root->AddChild(lightModel);

    // The scene transforms: a plain group, so that they carry over to the
    // scene that follows it.
    auto *sceneTransforms = new SgGroup;
    auto *graph1 = new SgTransform;
    auto *graph2 = new SgTransform;
    // Turning the view turns the whole scene, and moving the camera moves
    // where it is seen from: nothing in the scene is rebuilt for either.
    graph1->SetViewPlacement(true);
    graph2->SetViewPlacement(true);
    cameraTransform->SetViewPlacement(true);
    sceneTransforms->AddChild(graph1);
    sceneTransforms->AddChild(graph2);
    root->AddChild(sceneTransforms);

    if (m_pScene)
        root->AddChild(m_pScene);

    viewport->SetNodara(root.get());
    viewport->SetCamera(camera);
    viewport->SetBackground(background);
    viewport->SetCameraTransform(cameraTransform);
    viewport->SetGraphTransform1(graph1);
    viewport->SetGraphTransform2(graph2);
    viewport->SetDrawStyle(drawStyle);
    viewport->SetLightModel(lightModel);
    viewport->SetHeadLight(headLight);
    viewport->SetMaterial(material);
    m_Viewports.push_back(std::move(viewport));
}

void SgViewer::Resize(int left, int top, int right, int bottom)
{
    const int oldWidth = GetWidth();
    const int oldHeight = GetHeight();
    for (auto &viewport : m_Viewports) {
        if (viewport->GetWidth() == oldWidth && viewport->GetHeight() == oldHeight)
            viewport->SetSize(left, top, right, bottom);
    }
    m_iLeft = left;
    m_iTop = top;
    m_iRight = right;
    m_iBottom = bottom;
}

void SgViewer::SetAllNotRendering(bool on)
{
    if (!m_pDocument) {
        m_bNotRendering = on;
        return;
    }
    m_pDocument->EnumViewers([](SgViewer *viewer, void *value) { viewer->m_bNotRendering = *static_cast<bool *>(value); },
                             &on);
}

void SgViewer::RenderViewport(SgViewport *viewport, bool refine)
{
    SgSeparator *root = viewport->GetNodara();
    if (!root)
        return;
    SgScanAction scan;
    scan.Apply(root);
    SgWinAlignedRenderAction aligned(viewport);
    aligned.Apply(root);

    SgGLRenderAction render(viewport);
    render.m_pViewer = this;
    render.m_nPasses = m_nPassCount;
    SetAllNotRendering(false);
    if (m_bShadows)
        render.RenderShadowed(root);
    else if (refine)
        render.RenderAntiAliased(root, true, m_nCurrentPass);
    else
        render.Apply(root);
    render.DepthOverlayPass(root);
    SetAllNotRendering(true);
}

void SgViewer::Render(bool refine)
{
    glDisable(GL_LIGHTING);
    glPolygonOffset(0.5f, 1.0f);
    SgGLWindow *window = HasWindow() ? m_pWindow.get() : nullptr;
    if (!refine) {
        if (window)
            window->KillTimer();
        m_nCurrentPass = 0;
    } else if (SgTool::IsToolActive()) {
        // A drag in progress: refinement would fight the tool's redraws.
        if (window)
            window->KillTimer();
        m_nCurrentPass = 0;
        return;
    }

    for (auto &viewport : m_Viewports)
        RenderViewport(viewport.get(), refine);
    if (m_bRubberBand)
        DrawRubberBand();
    if (window)
        SgGLWindow::SetLastRendered(window->GetHandle());

    m_bFinalFrame = false;
    if (refine) {
        if (window) {
            window->SetBackBuffer(false);
            window->KillTimer();
        }
        ++m_nCurrentPass;
        if (m_nCurrentPass > m_nPassCount - 1) {
            m_nCurrentPass = 0;
            m_bFinalFrame = true;
            // The last pass was shown with a swap: the back buffer holds the
            // final frame only where a swap keeps it.
            if (window)
                window->SetBackBuffer(window->GetHandle()->BackBufferKeptBySwap());
        } else if (window) {
            window->SetTimer(kRefineInterval);
        }
    } else if (window) {
        // The shadow frame is final as drawn: no refinement passes follow it.
        if (m_bRefine && !m_bShadows)
            window->SetTimer(m_nFirstRefineDelay);
    } else if (GLContext *context = GLContext::GetCurrent()) {
        // No window swaps for a windowless viewer: the first pass is shown here.
        context->SwapBuffers();
    }
    m_pSceneManager->Reset();
}

void SgViewer::DrawRubberBand()
{
    const int width = GetWidth();
    const int height = GetHeight();
    if (width <= 0 || height <= 0)
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window pixels with y downwards, as the mouse reports them.
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glLineWidth(1.0f);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x0F0F);
    // Dark dashes over light ones, so the band shows on any background.
    const float l = m_rubberBand.left + 0.5f;
    const float r = m_rubberBand.right + 0.5f;
    const float t = m_rubberBand.top + 0.5f;
    const float b = m_rubberBand.bottom + 0.5f;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0)
            glColor3f(1.0f, 1.0f, 1.0f);
        else
            glColor3f(0.0f, 0.0f, 0.0f);
        glLineStipple(1, pass == 0 ? 0xFFFF : 0x0F0F);
        glBegin(GL_LINE_LOOP);
        glVertex2f(l, t);
        glVertex2f(r, t);
        glVertex2f(r, b);
        glVertex2f(l, b);
        glEnd();
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

bool SgViewer::PrintScene()
{
    m_printError.clear();
    // The first failure is the one worth telling; later passes repeat it.
    auto check = [this](bool ok, const SgAction &action) {
        if (!ok && m_printError.empty())
            m_printError = action.GetError().empty() ? "a traversal of the scene failed" : action.GetError();
    };
    if (SgTextureManager *textures = SgTextureManager::ForDocument(m_pDocument)) {
        GLint maxSize = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        if (maxSize > 0)
            textures->DropLargeTextures(maxSize);
    }
    glDisable(GL_LIGHTING);
    glPolygonOffset(0.5f, 1.0f);
    const int passes = m_bShadows ? 1 : (m_nPassCount > 0 ? m_nPassCount : 1);
    for (auto &viewport : m_Viewports) {
        SgSeparator *root = viewport->GetNodara();
        if (!root)
            continue;
        SgScanAction scan;
        check(scan.Apply(root), scan);
        SgWinAlignedRenderAction aligned(viewport.get());
        check(aligned.Apply(root), aligned);
        SetAllNotRendering(false);
        for (int pass = 0; pass < passes; ++pass) {
            SgGLRenderAction render(viewport.get());
            render.m_pViewer = this;
            render.m_nPasses = passes;
            // The print context may be another one: its display lists are not ours.
            render.SetCacheDisabled(true);
            if (m_bShadows)
                check(render.RenderShadowed(root), render);
            else
                check(render.RenderAntiAliased(root, pass == passes - 1, pass), render);
            if (!m_printError.empty())
                break;
        }
        SetAllNotRendering(true);
    }
    m_nCurrentPass = 0;
    m_bFinalFrame = true;
    return m_printError.empty();
}

void SgViewer::CountFrame(std::int64_t start, std::int64_t end)
{
    ++m_nFrames;
    if (m_nFrames % 100 == 0) {
        m_Statistics.last100Duration = end - m_Statistics.mark100;
        m_Statistics.mark100 = end;
    }
    if (m_nFrames % 200 == 0)
        m_Statistics.mark200 = end;
    if (m_nFrames % 1000 == 0) {
        m_nFrames %= 1000;
        m_lLast1000 = end;
        m_Statistics.mark1000 = end;
    }
    m_statisticsListeners.Notify(0, &m_Statistics, end - start);
}

int SgViewer::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    try {
        return HandleMessageUnguarded(message, wParam, lParam);
    } catch (const std::exception &error) {
        ReportBoundaryError(message == kPaint ? "paint" : "event", error.what());
    } catch (...) {
        ReportBoundaryError(message == kPaint ? "paint" : "event", "unknown error");
    }
    return 0;
}

void SgViewer::TakeFocus()
{
    auto *own = static_cast<SgPlatformWindow *>(m_hWnd);
    if (!own || own->HasFocus())
        return;
    SgViewer *current = m_pDocument ? m_pDocument->GetActiveViewer() : nullptr;
    auto *target = current ? static_cast<SgPlatformWindow *>(current->m_hWnd) : own;
    if (target)
        target->SetFocus();
}

int SgViewer::HandleMessageUnguarded(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    // The event belongs to this call; the action only points at it while
    // the call runs.
    auto event = std::make_unique<SgEvent>();
    SgHandleEventAction &action = *m_pEventAction;
    int result = 0;
    SgPlatformWindow *closing = nullptr;
    {
        CurrentEventScope scope(action, event.get());
        action.m_pViewer = this;
        action.m_pViewport = m_Viewports.empty() ? nullptr : m_Viewports.front().get();

        auto dispatch = [&]() {
            action.NewEvent();
            // The action stops at a failing handler and keeps its text.
            if (action.m_pViewport && action.m_pViewport->GetNodara() &&
                !action.Apply(action.m_pViewport->GetNodara()) && action.HasFailed())
                ReportBoundaryError("event", action.GetError().c_str());
        };

        if (message == SgEventHandler::kTimer) {
            Render(true);
        } else if (message >= kFirstMouseMessage && message <= kLastMouseMessage) {
            event->SetMouse(static_cast<int>(message), wParam, lParam);
            dispatch();
            result = (SgTool::IsToolActive() || message == SgEventHandler::kMouseWheel) ? 1 : 0;
            if (message == kLButtonDown || message == kRButtonDown || message == kMButtonDown)
                TakeFocus();
        } else if (message == SgEventHandler::kKeyDown || message == SgEventHandler::kKeyUp) {
            event->SetKey(static_cast<int>(message), static_cast<int>(wParam));
            dispatch();
            // A key some handler took (Escape ending a drag) goes no further.
            if (action.m_nTerminate)
                result = 1;
            if (action.IsCloseRequested()) {
                action.RequestClose(false);
                SgViewer *current = m_pDocument ? m_pDocument->GetActiveViewer() : this;
                closing = current ? static_cast<SgPlatformWindow *>(current->m_hWnd) : nullptr;
                result = kCloseRequested;
            }
        } else if (message == kPaint) {
            const std::int64_t start = GetClock().Milliseconds();
            Render(false);
            CountFrame(start, GetClock().Milliseconds());
        } else if ((message == kActivate || message == kNcActivate) && (wParam & 0xFFFFu) != 0) {
            // The document tells its owner through the viewer-changed callback.
            if (m_pDocument && m_pDocument->GetActiveViewer() != this)
                m_pDocument->SetActiveViewer(this);
        }
    }
    // Last: destroying the window may end this viewer.
    if (closing)
        closing->DestroyWindow();
    return result;
}

int SgViewer::EnumViewer(SgDocument *document) const
{
    SgDocument *in = document ? document : m_pDocument;
    if (!in)
        return -1;
    for (int i = 0; i < in->GetViewerCount(); ++i) {
        if (in->GetViewer(i) == this)
            return i;
    }
    return -1;
}

double SgViewer::GetSceneSize()
{
    if (m_Viewports.empty())
        throw SgInvalidArgument();
    SgViewport *viewport = m_Viewports.front().get();
    if (!viewport->GetNodara())
        return 0.0;
    SgBoundingBoxAction box;
    box.Apply(viewport->GetNodara());
    if (!box.HasBox())
        return 0.0;
    const Vec3f size = box.m_Box.GetSize();
    const double diagonal = std::sqrt(static_cast<double>(size[0]) * size[0] +
                                      static_cast<double>(size[1]) * size[1] +
                                      static_cast<double>(size[2]) * size[2]);
    const double scale = viewport->GetGraphTransform2() ? viewport->GetGraphTransform2()->m_scaleFactor.Get(true)[0] : 1.0;
    return diagonal * scale;
}

void SgViewer::UpdateSceneManager(SgPathList &changed)
{
    if (m_bSceneManager && m_bNotRendering)
        m_pSceneManager->Update(changed, this);
}
