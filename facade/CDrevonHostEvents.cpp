// What the facade reports to its host beyond buttons and creation tools:
// clicks on the scene, the current viewer's event hook, and the document's
// custom events.
#include <string>

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
    SgSubscription token = SubscribeClicks(fn, data);
    if (!token.IsActive())
        return false;
    for (ClickHook &hook : m_clickHooks) {
        if (hook.fn == fn && hook.data == data) {
            hook.token = std::move(token);
            return true;
        }
    }
    m_clickHooks.push_back(ClickHook{fn, data, std::move(token)});
    return true;
}

SgSubscription CDrevon::SubscribeClicks(EventCallback fn, void *data)
{
    SgSelectionHandler *selection = m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
    if (!selection || !fn)
        return {};
    return selection->SubscribeClicks([fn, data](SgPath &path, const char *name) {
        std::string text = name ? name : "";
        fn(&path, text.data(), 0, data);
    });
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
