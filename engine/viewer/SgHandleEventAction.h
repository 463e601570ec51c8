#pragma once
// Carries one input event to the event handlers of the scene and to the
// active tool. The tool that holds the events is asked first; a non-zero
// answer from any handler consumes the event and ends the traversal.
// Handlers marked postponed are asked after the other children of their
// separator. Handlers that need what lies under the cursor ask for a ray
// pick, made at most once per event and pick size.
//
//   action.m_pEvent = &event;   action.m_pViewer = viewer;
//   action.NewEvent();          // forgets the previous event's pick
//   action.Apply(viewport->GetNodara());
#include "engine/core/SgAction.h"
#include "engine/core/NodaraExport.h"

class SgEvent;
class SgEventHandler;
class SgRayPickAction;
class SgViewer;
class SgViewport;

class NODARA_API SgHandleEventAction : public SgAction {
    SG_ACTION_HEADER(SgHandleEventAction)
    SgActionKind GetKind() const override { return SgActionKind::kEvent; }

    SgHandleEventAction();
    ~SgHandleEventAction() override;

    bool Apply(SgNode *root) override;

    // The pick for the current event with the given region size, made on the
    // first request and shared by later ones of the same size. Throws
    // SgInvalidArgument when the viewer has no viewport. Needs a current GL
    // context. Owned by this action.
    SgRayPickAction *GetPickAction(double size);
    // Starts a new event: the terminate flag clears and the cached pick goes.
    void NewEvent();

    SgEvent *GetEvent() const { return m_pEvent; }
    SgEventHandler *GetTool() const { return m_pTool; }
    void SetTool(SgEventHandler *tool) { m_pTool = tool; }
    SgNode *GetRoot() const { return m_pRoot; }
    SgViewport *GetViewport() const { return m_pViewport; }
    SgViewer *GetViewer() const { return m_pViewer; }

    // A tool that handled a key can ask the viewer to close its window.
    void RequestClose(bool on) { m_bCloseRequested = on; }
    bool IsCloseRequested() const { return m_bCloseRequested; }

    SgEvent *m_pEvent = nullptr;
    SgEventHandler *m_pTool = nullptr;
    SgNode *m_pRoot = nullptr;
    SgViewport *m_pViewport = nullptr;
    SgViewer *m_pViewer = nullptr;

private:
    static void VisitHandler(SgAction *action, SgNode *node);
    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitGeometricShape(SgAction *action, SgNode *node);
    static int ReadMessage(SgHandleEventAction *action);
    // Gives the tools below the viewer their picking, capture and redraw calls.
    static void InstallToolLink();

    SgRayPickAction *m_pPick = nullptr;
    double m_dPickSize = 0.0;
    bool m_bCloseRequested = false;
};
