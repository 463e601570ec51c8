#include "engine/tools/SgSelectByFenceTool.h"

#include <algorithm>
#include <cstdlib>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"

SG_CLASS_SOURCE(SgSelectByFenceTool, SgTool, SgFieldMngr, "SgSelectByFenceTool")

namespace {
// Pixels around the cursor within which a click hits thin geometry.
constexpr double kClickPickRadius = 5.0;

SgRect Normalised(const SgRect &band)
{
    SgRect out;
    out.left = std::min(band.left, band.right);
    out.right = std::max(band.left, band.right);
    out.top = std::min(band.top, band.bottom);
    out.bottom = std::max(band.top, band.bottom);
    return out;
}
} // namespace

SgSelectByFenceTool::~SgSelectByFenceTool()
{
    // A tool that goes away mid-gesture leaves no band and full refinement.
    if (m_bGesture && m_pViewer) {
        m_pViewer->ClearRubberBand();
        m_pViewer->SetPassCount(m_iSavedPasses);
    }
}

int SgSelectByFenceTool::OnLButtonDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    SgViewer *viewer = action ? action->GetViewer() : nullptr;
    if (!event || !viewer)
        return 1;
    if (m_bGesture)
        EndGesture(action);
    Start(action);
    m_pViewer = viewer;
    m_bGesture = true;
    m_bCtrl = event->m_bCtrl;
    m_band = SgRect{event->m_x, event->m_y, event->m_x, event->m_y};
    // Refinement passes would redraw the scene behind the band for nothing.
    m_iSavedPasses = viewer->GetPassCount();
    viewer->SetPassCount(0);
    action->SetTool(this);
    return 1;
}

int SgSelectByFenceTool::OnMouseMove(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!m_bGesture || !event || !m_pViewer)
        return 0;
    m_band.right = event->m_x;
    m_band.bottom = event->m_y;
    m_pViewer->SetRubberBand(Normalised(m_band));
    m_pViewer->Redraw(false);
    return 1;
}

int SgSelectByFenceTool::OnLButtonUp(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!m_bGesture)
        return 1;
    if (event) {
        m_band.right = event->m_x;
        m_band.bottom = event->m_y;
    }
    const SgRect band = Normalised(m_band);
    const bool drag = band.Width() >= kMinDrag && band.Height() >= kMinDrag;
    SgViewer *viewer = m_pViewer;
    EndGesture(action);
    if (drag)
        SelectInside(action, band, m_bCtrl);
    else
        SelectClicked(action);
    if (viewer)
        viewer->Redraw(true);
    return 1;
}

int SgSelectByFenceTool::OnKeyDown(SgHandleEventAction *action)
{
    constexpr int kEscapeKey = 0x1B;
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!m_bGesture || !event || event->m_nKey != kEscapeKey)
        return 0;
    SgViewer *viewer = m_pViewer;
    EndGesture(action);
    if (viewer)
        viewer->Redraw(true);
    return 1;
}

void SgSelectByFenceTool::EndGesture(SgHandleEventAction *action)
{
    if (m_pViewer) {
        m_pViewer->ClearRubberBand();
        m_pViewer->SetPassCount(m_iSavedPasses);
    }
    m_bGesture = false;
    if (action && action->GetTool() == this)
        action->SetTool(nullptr);
    Finish(action);
}

void SgSelectByFenceTool::SelectInside(SgHandleEventAction *action, SgRect band, bool add)
{
    SgSelectionHandler *handler = m_pTargetDocument ? m_pTargetDocument->GetSelectionHandler() : nullptr;
    SgViewer *viewer = action ? action->GetViewer() : nullptr;
    if (!handler)
        return;
    handler->SetCtrlDown(add);
    if (!add)
        handler->DeselectAll();
    if (!viewer || viewer->GetViewportCount() == 0)
        return;
    SgViewport *viewport = viewer->GetViewport(0);
    SgRayPickAction pick(viewport);
    pick.m_x = (band.left + band.right) / 2;
    pick.m_y = (band.top + band.bottom) / 2;
    pick.m_dPickWidth = band.Width();
    pick.m_dPickHeight = band.Height();
    pick.Apply(viewport->GetNodara());
    SgKeyPoint keyPoint(m_pTargetDocument);
    // A copy: selecting may hang nodes into the scene, not into the hits.
    const SgRayPickAction::HitList hits = pick.GetPickedPoints(false);
    for (const SgPickedPoint &hit : hits)
        if (!hit.m_Path.IsEmpty() && SgSelectionHandler::IsSelectable(hit.m_Path))
            handler->Select(hit.m_Path, 0);
}

void SgSelectByFenceTool::SelectClicked(SgHandleEventAction *action)
{
    SgSelectionHandler *handler = m_pTargetDocument ? m_pTargetDocument->GetSelectionHandler() : nullptr;
    if (!handler || !action || !action->GetViewer() || action->GetViewer()->GetViewportCount() == 0)
        return;
    handler->SetCtrlDown(m_bCtrl);
    const SgPickedPoint hit = action->GetPickAction(kClickPickRadius)->GetNearestPoint1(nullptr);
    handler->Select(hit.m_Path, 1);
}
