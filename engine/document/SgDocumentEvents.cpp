#include "engine/document/SgDocumentEvents.h"

#include <exception>
#include <utility>

#include "platform/SgDiagnostics.h"

namespace {

int KindIndex(SgDocumentEventKind kind, int count)
{
    const int index = static_cast<int>(kind);
    return index >= 0 && index < count ? index : -1;
}

} // namespace

SgDocumentEvents::SgDocumentEvents() = default;

SgDocumentEvents::~SgDocumentEvents() = default;

SgDocumentSubscription SgDocumentEvents::Subscribe(SgDocumentEventKind kind, Listener listener, void *context)
{
    if (!listener)
        return {};
    return Subscribe(kind, [listener, context](const SgDocumentEvent &event) { listener(event, context); });
}

SgDocumentSubscription SgDocumentEvents::Subscribe(SgDocumentEventKind kind,
                                                   std::function<void(const SgDocumentEvent &)> listener)
{
    const int index = KindIndex(kind, kKindCount);
    if (!listener || index < 0)
        return {};
    // An exception a listener throws is reported and stops neither the
    // others nor the edit that published the event.
    return m_lists[index].Subscribe([listener = std::move(listener)](const SgDocumentEvent &event) {
        try {
            listener(event);
        } catch (const std::exception &error) {
            SgDiagError("Document", "a listener of document event %d failed: %s", static_cast<int>(event.kind),
                        error.what());
        } catch (...) {
            SgDiagError("Document", "a listener of document event %d failed", static_cast<int>(event.kind));
        }
    });
}

void SgDocumentEvents::Publish(const SgDocumentEvent &event) const
{
    // The list holds its listeners for the whole round: a listener may close
    // the document's last panel, or even the document, while it runs.
    const int index = KindIndex(event.kind, kKindCount);
    if (index >= 0)
        m_lists[index].Notify(event);
}

int SgDocumentEvents::GetListenerCount(SgDocumentEventKind kind) const
{
    const int index = KindIndex(kind, kKindCount);
    return index >= 0 ? m_lists[index].GetCount() : 0;
}
