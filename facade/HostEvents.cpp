// What the facade tells its hosts: the lists of listeners, the clicks and
// custom events of the installed document relayed to them, and the current
// viewer's frames.
#include "facade/HostEvents.h"

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

HostEvents::HostEvents(CDrevon &facade) : m_facade(facade) {}

void HostEvents::ListenTo(SgDocument *document)
{
    m_toolStarted.Reset();
    m_toolFinished.Reset();
    m_customEvent.Reset();
    if (!document)
        return;
    m_toolStarted = document->Subscribe(SgDocumentEventKind::kToolStarted, &HostEvents::OnToolEvent, this);
    m_toolFinished = document->Subscribe(SgDocumentEventKind::kToolFinished, &HostEvents::OnToolEvent, this);
    m_customEvent = document->Subscribe(SgDocumentEventKind::kCustomEvent, &HostEvents::OnCustomEvent, this);
}

void HostEvents::OnToolEvent(const SgDocumentEvent &event, void *data)
{
    auto *self = static_cast<HostEvents *>(data);
    if (!self->m_bPlugedIn)
        return;
    self->m_tools.Notify(event.kind == SgDocumentEventKind::kToolStarted, event.code, event.tool);
}

bool HostEvents::ShowDockable(int slot, int show)
{
    if (m_dockableSlot.IsEmpty())
        return false;
    m_dockableSlot.Notify(slot, show);
    return true;
}

bool HostEvents::AddEventCallback(int kind, EventCallback fn, void *data)
{
    if (kind == kViewerHookKind) {
        // Nothing reaches the host: it only follows the viewer.
        SgSubscription token = SubscribeFrames([](std::int64_t) {});
        if (!token.IsActive())
            return false;
        for (FrameHook &hook : m_frameHooks) {
            if (hook.data == data) {
                hook.token = std::move(token);
                return true;
            }
        }
        m_frameHooks.push_back(FrameHook{data, std::move(token)});
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

SgSubscription HostEvents::SubscribeFrames(FrameListener listener)
{
    SgViewer *viewer = m_facade.GetCurrentViewer();
    if (!viewer) {
        SgDiagWarning(kPackage, "there is no viewer whose events could be taken");
        return {};
    }
    if (!listener)
        return {};
    return viewer->SubscribeStatistics(
        [listener = std::move(listener)](int, const SgViewer::Statistics *, std::int64_t renderMs) {
            listener(renderMs);
        });
}

SgSubscription HostEvents::SubscribeClicks(EventCallback fn, void *data)
{
    SgSelectionHandler *selection = m_facade.Selection();
    if (!selection || !fn)
        return {};
    return selection->SubscribeClicks([fn, data](SgPath &path, const char *name) {
        std::string text = name ? name : "";
        fn(&path, text.data(), 0, data);
    });
}

SgDocumentSubscription HostEvents::SubscribeCustomEvent(CustomEventCallback fn, void *data)
{
    if (!fn)
        return {};
    return m_customEvents.Subscribe(SgDocumentEventKind::kCustomEvent,
                                  [fn, data](const SgDocumentEvent &event) { fn(event.text ? event.text : "", data); });
}

void HostEvents::OnCustomEvent(const SgDocumentEvent &event, void *data)
{
    static_cast<HostEvents *>(data)->m_customEvents.Publish(event);
}

} // namespace drevon
