// The highlight colour, cameras attached to the view, the test menus and the
// end of full screen.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgUserHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/SgChoosers.h"
#include "platform/SgError.h"
#include "platform/window/SgWindowMessages.h"

namespace drevon {

namespace {

std::uint8_t ToByte(float value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

bool HasViewer(SgDocument *document, SgViewer *viewer)
{
    if (!document || !viewer)
        return false;
    for (int i = 0; i < document->GetViewerCount(); ++i)
        if (document->GetViewer(i) == viewer)
            return true;
    return false;
}

// Pixels around the cursor the right-button pick covers.
constexpr double kRightPickSize = 5.0;

// The "RightMouseMenu" handler: a right release picks what lies under the
// cursor (the place a menu of the object would start from) and is consumed.
int RightMouseEvent(SgHandleEventAction *action, void *)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event || event->m_nKind != SgEvent::kMouse || event->m_nMessage != static_cast<int>(SgWM::kRButtonUp))
        return 0;
    SgViewer *viewer = action->GetViewer();
    if (!viewer || viewer->GetViewportCount() == 0)
        return 0;
    try {
        if (SgRayPickAction *pick = action->GetPickAction(kRightPickSize))
            (void)pick->GetNearestPoint1(nullptr);
    } catch (const SgError &) {
        // No GL to pick with: the release is still this handler's.
    }
    return 1;
}

} // namespace

void CDrevon::OnChangeSelectionColor()
{
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return;
    SgRgb8 initial{255, 0, 0};
    if (SgMaterial *material = selection->GetHighlightMaterial(); material && material->m_diffuseColor.GetCount() > 0) {
        const Color &current = material->m_diffuseColor.GetValues().front();
        initial = SgRgb8{ToByte(current.r), ToByte(current.g), ToByte(current.b)};
    }
    const std::optional<SgRgb8> chosen = ChooseColor(initial);
    if (!chosen)
        return;
    selection->SetColor(Color(chosen->r / 255.0, chosen->g / 255.0, chosen->b / 255.0, 1.0));
    selection->ReselectAll();
    m_pDocument->RedrawAllViewers();
}

int CDrevon::TestPopup()
{
    SgViewer *viewer = GetDefaultViewer();
    if (!viewer)
        return 0;
    const int number = m_iPopupCounter++;
    const std::string label = "Appended " + std::to_string(number);
    const std::vector<SgPopupItem> items = {{number, label, true, true}, {number, label, true, true}};
    return ChoosePopupItem(items, static_cast<SgPlatformWindow *>(viewer->GetWindow()));
}

void CDrevon::ActivateRightMouseMenu()
{
    SgSeparator *root = GetRoot();
    if (!root)
        return;
    // A handler of the window, no step the user undoes.
    SgUndoRecordingPause pause(m_pDocument);
    auto *handler = new SgUserHandler;
    handler->SetName("RightMouseMenu");
    handler->SetUserFunc(&RightMouseEvent, this);
    root->AddChild(handler);
}

bool CDrevon::IsFullScreen() const
{
    // The window may have closed while another viewer was the current one:
    // no event told the facade then.
    if (m_bFullScreen && m_pFullScreenViewer && !HasViewer(m_pDocument, m_pFullScreenViewer))
        return false;
    return m_bFullScreen;
}

void CDrevon::OnViewerEvent(const SgDocumentEvent &event, void *data)
{
    auto *facade = static_cast<CDrevon *>(data);
    SgDocument *document = event.document;
    if (!facade->m_pFullScreenViewer || HasViewer(document, facade->m_pFullScreenViewer))
        return;
    // The full-screen window closed: the view it showed is the previous
    // viewer's again, from where it was last looked at.
    facade->m_pFullScreenViewer = nullptr;
    facade->m_bFullScreen = false;
    SgViewer *previous = facade->m_pFullScreenPrevious;
    facade->m_pFullScreenPrevious = nullptr;
    if (!HasViewer(document, previous))
        return;
    document->SetActiveViewer(previous);
    previous->Redraw(false);
}

} // namespace drevon
