#pragma once
// Shows the document's scene through one or more viewports. The viewer turns
// window messages into SgEvent records for the tools (through its
// SgHandleEventAction), renders each viewport with the GL render action and
// refines the picture in further anti-aliased passes.
//
// A windowless viewer draws into whatever GL context is current (an
// offscreen one for headless runs and snapshots). A viewer of kind 0 or 1
// owns an SgGLWindow that binds it to a platform window: the window's
// messages come through HandleMessage, paints render, and a timer runs the
// refinement passes.
//
//   SgViewer *viewer = document->CreateDefaultViewer(nullptr, nullptr);
//   viewer->SetSize(640, 480);
//   OffscreenGLContext context(640, 480);  context.MakeCurrent();
//   viewer->Render(false);                  // or PrintScene() for the final frame
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/SgPlatformWindow.h"
#include "engine/core/NodaraExport.h"
#include "engine/core/SgSubscribers.h"
#include "utilities/math/Vec3.h"

class SgDocument;
class SgEvent;
class SgGLWindow;
class SgHandleEventAction;
class SgSceneManager;
class SgSeparator;
class SgViewport;
class SgPathList;

class NODARA_API SgViewer {
public:
    // Kinds 0 and 1 get a window object; the windowless kind draws into the
    // current context only.
    enum Kind : int { kWindow = 0, kWindowChild = 1, kWindowless = 2 };
    // The head light shines from the upper left of the viewer, in camera space.
    static Vec3 HeadLightDirection() { return Vec3(1.0, 0.0, -2.0); }

    // Window-message handling results.
    static constexpr int kCloseRequested = 2;

    explicit SgViewer(int kind = kWindowless);
    SgViewer(const SgViewer &) = delete;
    SgViewer &operator=(const SgViewer &) = delete;

    // Virtual operations in their slot order.
    // true: the document redraws all its viewers; false: this one.
    virtual void Redraw(bool all);
    // Stores the window handle (an SgPlatformWindow) and binds the window
    // object to it; 0 when that fails. A windowless viewer only stores it.
    virtual int AttachWindow(void *window);
    // Deletes the viewports (releasing their camera scenes), the event action
    // and the scene manager, and leaves the document's viewer list.
    virtual ~SgViewer();
    // A first pass (false) or the next refinement pass (true) of every
    // viewport, into the current GL context.
    virtual void Render(bool refine);

    // Builds the default view: one viewport covering the viewer with its
    // camera scene (object with the two scene transforms, background, head
    // group with camera transform, camera, head light and material, draw
    // style, light model, then the scene).
    void BuildDefaultView();

    // Renders the final picture into the current context: every viewport
    // with its window-aligned pass and all refinement passes accumulated,
    // without display lists (the context may be another one). False when a
    // traversal failed: the picture is incomplete, and GetPrintError() says why.
    bool PrintScene();
    // Why the last PrintScene failed; empty after one that succeeded.
    const std::string &GetPrintError() const { return m_printError; }

    // The viewer rectangle (left, top, right, bottom).
    void SetSize(int width, int height) { Resize(0, 0, width, height); }
    // Viewports that covered the old rectangle take the new one.
    void Resize(int left, int top, int right, int bottom);
    int GetWidth() const { return m_iRight - m_iLeft; }
    int GetHeight() const { return m_iBottom - m_iTop; }

    // A rubber band drawn over the scene at every render until cleared
    // (window pixels, y downwards; either corner order).
    void SetRubberBand(const SgRect &band)
    {
        m_rubberBand = band;
        m_bRubberBand = true;
    }
    void ClearRubberBand() { m_bRubberBand = false; }
    bool HasRubberBand() const { return m_bRubberBand; }
    const SgRect &GetRubberBand() const { return m_rubberBand; }

    // Handles one window message (Win32 numbers; mouse positions packed as
    // SgEvent::MakePoint). Returns non-zero when the message was consumed,
    // kCloseRequested when a key made a tool ask for closing.
    int HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // The index of this viewer in the document's list (its own when null), -1 when absent.
    int EnumViewer(SgDocument *document = nullptr) const;
    // Diagonal of the scene's box seen through the first camera, times the
    // x scale of the second scene transform.
    double GetSceneSize();
    // Passes changed nodes to the scene manager when both flags allow it.
    void UpdateSceneManager(SgPathList &changed);

    // Viewports.
    int GetViewportCount() const { return static_cast<int>(m_Viewports.size()); }
    // Out of range raises SgInvalidArgument.
    SgViewport *GetViewport(int index) const;
    // Takes ownership.
    void AddViewport(SgViewport *viewport);

    SgSeparator *GetScene() const { return m_pScene; }
    void SetScene(SgSeparator *scene) { m_pScene = scene; }
    SgDocument *GetDocument() const { return m_pDocument; }
    void SetDocument(SgDocument *document) { m_pDocument = document; }
    SgHandleEventAction *GetEventAction() const { return m_pEventAction.get(); }
    SgSceneManager *GetSceneManager() const { return m_pSceneManager.get(); }
    void *GetWindow() const { return m_hWnd; }
    // The window object of kinds 0 and 1; null for a windowless viewer.
    SgGLWindow *GetGLWindow() const { return m_pWindow.get(); }

    int GetPassCount() const { return m_nPassCount; }
    void SetPassCount(int count) { m_nPassCount = count > 0 ? count : 1; }
    int GetCurrentPass() const { return m_nCurrentPass; }
    int GetPaintThreshold() const { return m_nPaintThreshold; }
    int GetFirstRefineDelay() const { return m_nFirstRefineDelay; }

    bool IsFramed() const { return m_bFramed; }
    void SetFramed(bool on) { m_bFramed = on; }
    bool IsRefineEnabled() const { return m_bRefine; }
    void SetRefineEnabled(bool on) { m_bRefine = on; }
    bool IsSceneManagerEnabled() const { return m_bSceneManager; }
    void SetSceneManagerEnabled(bool on) { m_bSceneManager = on; }
    bool IsNotRendering() const { return m_bNotRendering; }
    void SetNotRendering(bool on) { m_bNotRendering = on; }
    // The back image holds the final frame of the refinement sequence.
    bool HasFinalFrame() const { return m_bFinalFrame; }
    // Shadow mode: every frame is the render action's shadow frame (two
    // lights casting stencil shadows of the scene onto a floor and two
    // walls) instead of the plain one. One pass: refinement passes and the
    // printed picture's accumulation are left out, since the shadow frame
    // uses the stencil and redraws the scene once per light. Off by default.
    bool IsShadowed() const { return m_bShadows; }
    void SetShadowed(bool on) { m_bShadows = on; }

    // Frame statistics (64-bit milliseconds).
    struct Statistics {
        std::int64_t last100Duration = 0;
        std::int64_t mark100 = 0;
        std::int64_t mark200 = 0;
        std::int64_t spare = 0;
        std::int64_t mark1000 = 0;
    };
    // Each frame drawn reaches every statistics listener, in the order they
    // subscribed: (0, the statistics, the frame's milliseconds). Each
    // listens while its token is kept; a null listener subscribes nothing.
    using StatisticsListener = std::function<void(int, const Statistics *, std::int64_t renderMs)>;
    [[nodiscard]] SgSubscription SubscribeStatistics(StatisticsListener listener)
    {
        return m_statisticsListeners.Subscribe(std::move(listener));
    }
    int GetStatisticsListenerCount() const { return m_statisticsListeners.GetCount(); }
    int GetFrameCount() const { return m_nFrames; }
    const Statistics &GetStatistics() const { return m_Statistics; }

private:
    void DrawRubberBand();
    SgRect m_rubberBand;
    bool m_bRubberBand = false;
    void RenderViewport(SgViewport *viewport, bool refine);
    void SetAllNotRendering(bool on);
    void CountFrame(std::int64_t start, std::int64_t end);
    int HandleMessageUnguarded(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    // Mouse-button presses bring the focus to the document's current viewer.
    void TakeFocus();
    bool HasWindow() const { return m_pWindow && m_hWnd; }

    std::vector<std::unique_ptr<SgViewport>> m_Viewports;
    // Kinds 0 and 1: listens to the platform window that m_hWnd names.
    std::unique_ptr<SgGLWindow> m_pWindow;
    SgSeparator *m_pScene = nullptr;
    SgDocument *m_pDocument = nullptr;
    int m_iLeft = 0;
    int m_iTop = 0;
    int m_iRight = 0;
    int m_iBottom = 0;
    std::unique_ptr<SgHandleEventAction> m_pEventAction;
    std::unique_ptr<SgSceneManager> m_pSceneManager;
    int m_nPaintThreshold = 10;
    int m_nPassCount = 8;
    int m_nFirstRefineDelay = 200;
    int m_nCurrentPass = 0;
    bool m_bFramed = true;
    bool m_bSceneManager = false;
    bool m_bRefine = true;
    bool m_bSpare = true;
    bool m_bNotRendering = true;
    bool m_bFinalFrame = false;
    bool m_bShadows = false;
    std::string m_printError;
    SgListeners<void(int, const Statistics *, std::int64_t)> m_statisticsListeners;
    int m_nFrames = 0;
    std::int64_t m_lLast1000 = 0;
    Statistics m_Statistics;
    void *m_hWnd = nullptr;
    int m_nKind = kWindowless;
};
