#include "engine/document/SgDocumentEvents.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/SgDiagnostics.h"

struct SgDocumentSubscription::Registry {
    struct Entry {
        std::uint64_t id = 0;
        SgDocumentEventKind kind = SgDocumentEventKind::kSceneChanged;
        std::function<void(const SgDocumentEvent &)> listener;
        bool active = true;
    };
    std::vector<std::shared_ptr<Entry>> entries;
    std::uint64_t nextId = 1;

    void Remove(std::uint64_t id)
    {
        auto it = std::find_if(entries.begin(), entries.end(), [id](const auto &entry) { return entry->id == id; });
        if (it == entries.end())
            return;
        (*it)->active = false;
        entries.erase(it);
    }
};

SgDocumentSubscription::SgDocumentSubscription(std::weak_ptr<Registry> registry, std::uint64_t id)
    : m_registry(std::move(registry)), m_id(id)
{
}

SgDocumentSubscription::SgDocumentSubscription(SgDocumentSubscription &&other) noexcept
    : m_registry(std::move(other.m_registry)), m_id(std::exchange(other.m_id, 0))
{
}

SgDocumentSubscription &SgDocumentSubscription::operator=(SgDocumentSubscription &&other) noexcept
{
    if (this != &other) {
        Reset();
        m_registry = std::move(other.m_registry);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

SgDocumentSubscription::~SgDocumentSubscription()
{
    Reset();
}

void SgDocumentSubscription::Reset()
{
    if (auto registry = m_registry.lock())
        registry->Remove(m_id);
    m_registry.reset();
    m_id = 0;
}

bool SgDocumentSubscription::IsActive() const
{
    auto registry = m_registry.lock();
    if (!registry)
        return false;
    return std::any_of(registry->entries.begin(), registry->entries.end(),
                       [this](const auto &entry) { return entry->id == m_id; });
}

SgDocumentEvents::SgDocumentEvents() : m_registry(std::make_shared<SgDocumentSubscription::Registry>()) {}

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
    if (!listener)
        return {};
    auto entry = std::make_shared<SgDocumentSubscription::Registry::Entry>();
    entry->id = m_registry->nextId++;
    entry->kind = kind;
    entry->listener = std::move(listener);
    m_registry->entries.push_back(entry);
    return SgDocumentSubscription(m_registry, entry->id);
}

void SgDocumentEvents::Publish(const SgDocumentEvent &event) const
{
    // The registry is held for the whole round: a listener may close the
    // document's last panel, or even the document, while it runs.
    const std::shared_ptr<SgDocumentSubscription::Registry> registry = m_registry;
    std::vector<std::shared_ptr<SgDocumentSubscription::Registry::Entry>> round;
    for (const auto &entry : registry->entries)
        if (entry->kind == event.kind)
            round.push_back(entry);
    for (const auto &entry : round) {
        if (!entry->active)
            continue;
        try {
            entry->listener(event);
        } catch (const std::exception &error) {
            SgDiagError("Document", "a listener of document event %d failed: %s", static_cast<int>(event.kind),
                        error.what());
        } catch (...) {
            SgDiagError("Document", "a listener of document event %d failed", static_cast<int>(event.kind));
        }
    }
}

int SgDocumentEvents::GetListenerCount(SgDocumentEventKind kind) const
{
    return static_cast<int>(std::count_if(m_registry->entries.begin(), m_registry->entries.end(),
                                          [kind](const auto &entry) { return entry->kind == kind; }));
}
