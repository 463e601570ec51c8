#include "engine/viewer/SgHandleEventAction.h"

#include <set>

#include "engine/core/SgElementClasses.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/core/SgState.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/viewer/SgGLWindow.h"
#include "platform/SgError.h"

SG_ACTION_SOURCE(SgHandleEventAction, "SgHandleEventAction")

namespace {
// Every event action alive, so that a handler that goes away while one of
// them names it as the grabbing handler is forgotten there.
std::set<SgHandleEventAction *> &LiveActions()
{
    static std::set<SgHandleEventAction *> actions;
    return actions;
}

void ForgetHandler(SgEventHandler *handler)
{
    for (SgHandleEventAction *action : LiveActions()) {
        if (action->GetTool() == handler)
            action->SetTool(nullptr);
    }
}
} // namespace

void SgHandleEventAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgSeparator::ClassID(), VisitSeparator);
    SetVisitor(s_pfnMethodsMap, SgObject::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFormat::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFont::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgShapeHints::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgBehavior::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgGeometricShape::ClassID(), VisitGeometricShape);
    SetVisitor(s_pfnMethodsMap, SgEventHandler::ClassID(), VisitHandler);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<PostponedHandlerElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<PostponedHandler1Element>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<SelcctionBehaviorElement>(s_aiEnabledElements, s_iEnabledCount);
    // The handlers read the window message of the event this action carries.
    SgEventHandler::SetMessageReader(&ReadMessage);
    SgEventHandler::SetGoneHook(&ForgetHandler);
    InstallToolLink();
}

void SgHandleEventAction::InstallToolLink()
{
    SgToolLink::Calls calls;
    calls.eventPoint = [](SgHandleEventAction *action, int &x, int &y) {
        if (!action->m_pEvent)
            return false;
        x = action->m_pEvent->m_x;
        y = action->m_pEvent->m_y;
        return true;
    };
    calls.viewer = [](SgHandleEventAction *action) { return action->m_pViewer; };
    calls.objectRay = [](SgHandleEventAction *action, int x, int y, const SgPath &path, Vec3 &start, Vec3 &end) {
        SgViewport *viewport = action->m_pViewport;
        if (!viewport && action->m_pViewer && action->m_pViewer->GetViewportCount() > 0)
            viewport = action->m_pViewer->GetViewport(0);
        if (!viewport)
            return false;
        const Segment ray = viewport->ObjectRay(Vec2i(x, y), path);
        start = ray.GetStart();
        end = ray.GetEnd();
        return true;
    };
    calls.pickNearest = [](SgHandleEventAction *action, double radius, PickedPointQuery *query, SgPickedPoint &hit) {
        if (!action->m_pViewer || action->m_pViewer->GetViewportCount() == 0)
            return false;
        hit = action->GetPickAction(radius)->GetNearestPoint1(query);
        return !hit.m_Path.IsEmpty();
    };
    calls.worldToObject = [](SgHandleEventAction *action, const Vec3 &world, const SgPath &path, Vec3 &local) {
        SgViewport *viewport = action->m_pViewport;
        if (!viewport)
            return false;
        local = viewport->WorldToObject(world, path);
        return true;
    };
    calls.currentPath = [](SgHandleEventAction *action, SgPath &path) {
        path = action->GetCurrentPath();
        return true;
    };
    calls.grabbing = [](SgHandleEventAction *action) { return action->GetTool(); };
    calls.setGrabbing = [](SgHandleEventAction *action, SgEventHandler *handler) { action->SetTool(handler); };
    calls.setCapture = [](SgViewer *viewer) {
        if (SgGLWindow *window = viewer->GetGLWindow())
            window->SetCapture();
    };
    calls.releaseCapture = [](SgViewer *viewer) {
        if (SgGLWindow *window = viewer->GetGLWindow())
            window->ReleaseCapture();
    };
    calls.redraw = [](SgViewer *viewer, bool all) { viewer->Redraw(all); };
    calls.document = [](SgViewer *viewer) { return viewer->GetDocument(); };
    calls.ctrlDown = [](SgHandleEventAction *action) { return action->m_pEvent && action->m_pEvent->m_bCtrl; };
    SgToolLink::Install(calls);
}

int SgHandleEventAction::ReadMessage(SgHandleEventAction *action)
{
    return action && action->m_pEvent ? action->m_pEvent->m_nMessage : SgEventHandler::kNoMessage;
}

SgHandleEventAction::SgHandleEventAction()
{
    InitState();
    LiveActions().insert(this);
}

SgHandleEventAction::~SgHandleEventAction()
{
    LiveActions().erase(this);
    delete m_pPick;
}

void SgHandleEventAction::NewEvent()
{
    delete m_pPick;
    m_pPick = nullptr;
    m_nTerminate = 0;
}

bool SgHandleEventAction::Apply(SgNode *root)
{
    m_pState->Init(nullptr);
    m_pRoot = root;
    if (m_pTool) {
        if (m_pTool->IsActive()) {
            m_nTerminate = m_pTool->HandleFunc(this);
            if (m_nTerminate)
                return true;
        } else if (m_nTerminate) {
            return true;
        }
    }
    if (!root)
        return true;
    return SgAction::Apply(root);
}

SgRayPickAction *SgHandleEventAction::GetPickAction(double size)
{
    if (m_pPick && m_dPickSize == size)
        return m_pPick;
    delete m_pPick;
    m_pPick = nullptr;
    if (!m_pViewer || m_pViewer->GetViewportCount() == 0)
        throw SgInvalidArgument();
    SgViewport *viewport = m_pViewer->GetViewport(0);
    m_dPickSize = size;
    auto *pick = new SgRayPickAction(viewport);
    pick->m_dPickWidth = size;
    pick->m_dPickHeight = size;
    if (m_pEvent)
        pick->SetWindowPoint(m_pEvent->m_x, m_pEvent->m_y);
    m_pPick = pick;
    pick->Apply(viewport->GetNodara());
    return pick;
}

void SgHandleEventAction::VisitHandler(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgHandleEventAction *>(action);
    auto *handler = static_cast<SgEventHandler *>(node);
    if (handler->IsPostponed()) {
        const SgEventHandler *const *first = PostponedHandlerElement::Get(self->m_pState);
        if (!first || !*first)
            PostponedHandlerElement::Set(self->m_pState, nullptr, handler);
        else
            PostponedHandler1Element::Set(self->m_pState, nullptr, handler);
        return;
    }
    if (self->m_nTerminate == 0 && handler->IsActive())
        self->m_nTerminate = handler->HandleFunc(self);
}

void SgHandleEventAction::VisitSeparator(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgHandleEventAction *>(action);
    auto read = [self](bool second) -> SgEventHandler * {
        SgEventHandler *const *value =
            second ? PostponedHandler1Element::Get(self->m_pState) : PostponedHandlerElement::Get(self->m_pState);
        return value ? *value : nullptr;
    };
    self->PushState();
    static_cast<SgGroup *>(node)->SgGroup::DoAction(action);
    SgEventHandler *stored[2] = {read(false), read(true)};
    self->PopState();
    // A handler that differs from the value outside was postponed inside
    // this separator: its turn has come.
    for (int i = 0; i < 2; ++i) {
        SgEventHandler *handler = stored[i];
        if (handler && handler != read(i == 1) && self->m_nTerminate == 0 && handler->IsActive())
            self->m_nTerminate = handler->HandleFunc(self);
    }
}

void SgHandleEventAction::VisitGeometricShape(SgAction *action, SgNode *node)
{
    auto *shape = static_cast<SgGeometricShape *>(node);
    // An exploded shape shows its operands, whose handlers see the event.
    if (shape->IsExploded() && !shape->IsDerivedFrom(SgExtrude::ClassID()) && shape->GetSeparator())
        shape->GetSeparator()->DoAction(action);
}
