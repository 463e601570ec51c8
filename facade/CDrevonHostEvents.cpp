// What the facade reports to its host beyond buttons and creation tools:
// clicks on the scene, the current viewer's event hook, and the document's
// custom events.
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "facade/FacadePackage.h"
#include "platform/SgDiagnostics.h"

namespace drevon {

namespace {
constexpr int kViewerHookKind = 3;
} // namespace

bool CDrevon::AddEventCallback(int kind, EventCallback fn, void *data)
{
    if (kind == kViewerHookKind) {
        SgViewer *viewer = GetCurrentViewer();
        if (!viewer) {
            SgDiagWarning(kPackage, "there is no viewer whose events could be taken");
            return false;
        }
        // The viewer reports nothing from now on; the host is its user value.
        viewer->SetStatisticsCallback(nullptr, data);
        return true;
    }
    SgSelectionHandler *selection = m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
    if (!selection || !fn)
        return false;
    selection->SetUserEventCB(fn, data);
    selection->AddSelectionCB(&SgSelectionHandler::MouseClickEvent, 0);
    return true;
}

SgDocumentSubscription CDrevon::SubscribeCustomEvent(CustomEventCallback fn, void *data)
{
    if (!fn)
        return {};
    return m_hostEvents.Subscribe(SgDocumentEventKind::kCustomEvent,
                                  [fn, data](const SgDocumentEvent &event) { fn(event.text ? event.text : "", data); });
}

void CDrevon::OnCustomEvent(const SgDocumentEvent &event, void *data)
{
    static_cast<CDrevon *>(data)->m_hostEvents.Publish(event);
}

} // namespace drevon
