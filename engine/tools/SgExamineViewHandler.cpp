#include "engine/tools/SgExamineViewHandler.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgGLWindow.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgKeyState.h"
#include "platform/window/SgWindowMessages.h"

SG_CLASS_SOURCE(SgExamineViewHandler, SgEventHandler, SgFieldMngr, "SgExamineViewHandler")

namespace {
// Factors of one pixel of mouse travel, per mode.
constexpr double kRotatePerPixel = 0.005;  // radians
constexpr double kPanPerPixel = 0.01;
constexpr double kDollyPerPixel = 0.008;
constexpr double kLensAnglePerPixel = 0.14; // degrees
constexpr double kLensHeightPerPixel = 0.007;
constexpr double kWheelHeightPerUnit = 0.0001;
constexpr double kWheelMovePerUnit = -0.007;
// The speed base turned into scene units per step.
constexpr double kSpeedFactor = 0.014;
// A wheel notch keeps this share of the camera's distance from the scene (a
// notch back restores it).
constexpr double kWheelKeep = 0.9;
// The speed base is this many times the camera's distance from the scene (or
// the scene's size when the camera is at its middle), so that drags move as
// a wheel notch does: 120 units of travel take a tenth of the distance.
constexpr double kReachFactor = 0.1 / (120.0 * -kWheelMovePerUnit * kSpeedFactor);
// An orthographic lens zooms by a share of its height, whatever the scene.
constexpr double kOrthoSpeedBase = 100.0;

SgViewport *FirstViewport(SgHandleEventAction *action)
{
    SgViewer *viewer = action ? action->GetViewer() : nullptr;
    return viewer && viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr;
}
} // namespace

double SgExamineViewHandler::SceneSpeedBase() const
{
    const double reach = SceneReach();
    return reach > 0.0 ? kReachFactor * reach : kFallbackSpeedBase;
}

double SgExamineViewHandler::SceneReach() const
{
    SgViewport *viewport = FirstViewport(m_pAction);
    if (!viewport || !viewport->GetNodara())
        return 0.0;
    SgBoundingBoxAction box;
    box.Apply(viewport->GetNodara());
    if (!box.HasBox())
        return 0.0;
    const Vec3f size = box.m_Box.GetSize();
    const Vec3f middle = box.m_Box.GetCenter();
    const double diagonal = Vec3(size[0], size[1], size[2]).Length();
    // How far the camera is from the scene: steps are a share of that, so a
    // scene of any size moves alike, and they shrink as the camera nears it.
    double distance = 0.0;
    if (SgTransform *camera = viewport->GetCameraTransform()) {
        const Vec3 eye = camera->GetMatrix().GetMatrix().MultPoint(Vec3(0, 0, 0));
        distance = (eye - Vec3(middle[0], middle[1], middle[2])).Length();
    }
    const double reach = distance > kMinSpeedBase ? distance : diagonal;
    return reach > kMinSpeedBase && std::isfinite(reach) ? reach : 0.0;
}

SgExamineViewHandler::Under SgExamineViewHandler::WhatIsUnder(SgHandleEventAction *action) const
{
    SgViewer *viewer = action ? action->GetViewer() : nullptr;
    if (!viewer || viewer->GetViewportCount() == 0)
        return kEmpty;
    // The radius the selection handler and the manipulators pick with, so
    // that the scene's handlers share this pick.
    constexpr double kPickRadius = 5.0;
    SgRayPickAction *pick = action->GetPickAction(kPickRadius);
    if (pick->GetNearestPoint1(nullptr).m_Path.IsEmpty())
        return kEmpty;
    PickedPointQueryName gizmo("TRANSFORMTOOL");
    return pick->GetNearestPoint1(&gizmo).m_Path.IsEmpty() ? kScene : kHandle;
}

int SgExamineViewHandler::HandleFunc(SgHandleEventAction *action)
{
    m_pAction = action;
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event)
        return 0;
    if (event->m_nKind == SgEvent::kKey)
        return event->m_nMessage == static_cast<int>(SgWM::kKeyDown) && event->m_nKey == SgVK::kEscape
                   ? CancelDrag(action)
                   : 0;
    const int message = event->m_nMessage;
    const bool leftAlt = SgKeyState::IsDown(SgVK::kLMenu);
    if (m_bAltOnly && !leftAlt) {
        if (message != kMouseWheel && message != kMouseMove && message != kRButtonUp && message != kMButtonUp &&
            message != kLButtonUp)
            return 0;
    }
    if (message < kMouseMove || message > kMouseWheel)
        return 0;
    if (m_bCancelled) {
        // The release of a drag that Escape ended is no click; a new press
        // (the release went elsewhere) starts afresh.
        if (message == kLButtonUp || message == kRButtonUp || message == kMButtonUp) {
            m_bCancelled = false;
            return 1;
        }
        if (message == kLButtonDown || message == kRButtonDown || message == kMButtonDown)
            m_bCancelled = false;
    }
    switch (message) {
    case kMouseMove:
        if (m_bLeftPending) {
            // No tool took the press as a drag: past the click distance the
            // view turns from where the press was.
            if (std::abs(event->m_x - m_startX) < kMinDrag && std::abs(event->m_y - m_startY) < kMinDrag)
                return 0;
            m_bLeftPending = false;
            const int x = m_startX;
            const int y = m_startY;
            m_mode = m_mainMode;
            OnActivate(action);
            m_startX = m_prevX = x;
            m_startY = m_prevY = y;
        }
        return OnMouseMove(100.0);
    case kLButtonDown:
        if (m_bLeftToScene)
            return 0;
        if (m_bLeftClickToScene && !leftAlt) {
            const Under under = WhatIsUnder(action);
            // A press on a handle is the manipulator's: it takes the drag
            // (and the release) itself.
            if (under == kHandle) {
                m_bLeftPending = false;
                return 0;
            }
            {
                m_bLeftPending = true;
                m_startX = event->m_x;
                m_startY = event->m_y;
                return 0;
            }
        }
        m_bLeftPending = false;
        m_mode = leftAlt ? kRotate : m_mainMode;
        OnActivate(action);
        return 1;
    case kLButtonUp:
        if (m_bLeftToScene && m_mode == kNone)
            return 0;
        if (m_bLeftPending) {
            // A click: the scene selects.
            m_bLeftPending = false;
            return 0;
        }
        [[fallthrough]];
    case kRButtonUp:
    case kMButtonUp: {
        if (m_mode == kNone)
            return 0;
        if (SgViewer *viewer = action->GetViewer(); viewer && viewer->GetGLWindow())
            viewer->GetGLWindow()->ReleaseCapture();
        SgTool::SetToolActive(false);
        // A right click that did not dolly is the scene's: it finishes the
        // curve a creation tool is drawing.
        const bool rightClick = message == kRButtonUp && m_mode == kDolly &&
                                std::abs(event->m_x - m_startX) < kMinDrag && std::abs(event->m_y - m_startY) < kMinDrag;
        m_mode = kNone;
        return rightClick ? 0 : 1;
    }
    case kRButtonDown:
        m_mode = kDolly;
        OnActivate(action);
        return 1;
    case kMButtonDown:
        m_mode = kPan;
        OnActivate(action);
        return 1;
    case kMouseWheel: {
        // A notch zooms in the middle of a drag too, and the drag goes on:
        // its mode and its last position stay.
        const ViewerMode running = m_mode;
        const int prevX = m_prevX;
        const int prevY = m_prevY;
        m_mode = kWheelZoom;
        OnMouseMove(100.0);
        m_mode = running;
        if (running != kNone) {
            m_prevX = prevX;
            m_prevY = prevY;
        }
        return 1;
    }
    default:
        return 0;
    }
}

int SgExamineViewHandler::CancelDrag(SgHandleEventAction *action)
{
    // Only a drag under way takes Escape; the view stays where the drag
    // brought it. The buttons' releases that follow find no drag.
    if (m_mode == kNone || m_mode == kWheelZoom)
        return 0;
    if (SgViewer *viewer = action ? action->GetViewer() : nullptr; viewer && viewer->GetGLWindow())
        viewer->GetGLWindow()->ReleaseCapture();
    SgTool::SetToolActive(false);
    m_mode = kNone;
    m_bLeftPending = false;
    m_bCancelled = true;
    return 1;
}

void SgExamineViewHandler::OnActivate(SgHandleEventAction *action)
{
    m_pAction = action;
    if (SgViewport *viewport = FirstViewport(action); viewport && viewport->GetCamera()) {
        m_dStartLensAngle = viewport->GetCamera()->m_heightAngle.Get(true);
        m_dStartLensHeight = viewport->GetCamera()->m_height.Get(true);
    }
    if (SgViewer *viewer = action ? action->GetViewer() : nullptr; viewer && viewer->GetGLWindow())
        viewer->GetGLWindow()->SetCapture();
    SgTool::SetToolActive(false);
    if (SgEvent *event = action ? action->GetEvent() : nullptr) {
        m_startX = m_prevX = m_curX = event->m_x;
        m_startY = m_prevY = m_curY = event->m_y;
    }
    m_dSpeedBase = SceneSpeedBase();
}

int SgExamineViewHandler::OnMouseMove(double)
{
    SgEvent *event = m_pAction ? m_pAction->GetEvent() : nullptr;
    SgViewport *viewport = FirstViewport(m_pAction);
    if (!event || !viewport || m_mode < kRotate || m_mode > kWheelZoom)
        return 0;
    m_curX = event->m_x;
    m_curY = event->m_y;
    SgTransform *cameraTransform = viewport->GetCameraTransform();
    SgCamera *camera = viewport->GetCamera();

    // A wheel notch measures the distance anew: the last one changed it.
    if (m_mode == kWheelZoom || !(m_dSpeedBase > 0.0))
        m_dSpeedBase = SceneSpeedBase();
    const double s = m_dSpeedBase * kSpeedFactor;
    const double dx = m_curX - m_prevX;
    const double dy = m_curY - m_prevY;

    switch (m_mode) {
    case kRotate:
        viewport->RotateScene(dx * kRotatePerPixel, dy * kRotatePerPixel, false);
        break;
    case kPan:
        if (cameraTransform) {
            cameraTransform->MoveRight(-dx * kPanPerPixel * s);
            cameraTransform->MoveUp(dy * kPanPerPixel * s);
        }
        break;
    case kDolly:
        if (cameraTransform) {
            cameraTransform->MoveRight(dx * kDollyPerPixel * s);
            cameraTransform->MoveBackward(dy * kDollyPerPixel * s);
        }
        break;
    case kLensZoom:
        if (camera) {
            const double d = m_curY - m_startY;
            // A height angle of a half turn or more has no finite projection.
            camera->m_heightAngle.Set(
                std::clamp(d * kLensAnglePerPixel + m_dStartLensAngle, kMinHeightAngle, kMaxHeightAngle));
            camera->m_height.Set(std::max(kMinLensHeight, (d * kLensHeightPerPixel + 1.0) * m_dStartLensHeight));
        }
        break;
    case kWheelZoom: {
        const double w = event->m_nWheelDelta;
        if (w != 0.0) {
            if (camera && camera->m_perspective.Get(true) == 0)
                camera->m_height.Set(std::max(kMinLensHeight, (w * kWheelHeightPerUnit * kOrthoSpeedBase * kSpeedFactor + 1.0) *
                                                                  camera->m_height.Get(true)));
            else if (cameraTransform) {
                const double reach = SceneReach();
                if (reach > 0.0)
                    cameraTransform->MoveBackward(-reach * (1.0 - std::pow(kWheelKeep, w / SgWM::kWheelDelta)));
                else
                    cameraTransform->MoveBackward(w * kWheelMovePerUnit * s);
            }
        }
        m_mode = kNone;
        break;
    }
    default:
        break;
    }
    if (SgViewer *viewer = m_pAction->GetViewer())
        viewer->Redraw(false);
    m_prevX = m_curX;
    m_prevY = m_curY;
    return 1;
}
