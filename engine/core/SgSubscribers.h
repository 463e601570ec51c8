#pragma once
// A list of listeners below the document (the selection handler's clicks):
// any number of them, called in the order they subscribed, each taken off
// by the token Subscribe returns when the token goes or is reset. A token
// may outlive the list; it then has nothing left to take off. A listener may
// take itself or others off while it runs (one taken off is not called
// again) and may subscribe new ones (they hear the next event). The
// document's own events (engine/document/SgDocumentEvents.h) follow the
// same rules.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>
#include "engine/core/NodaraExport.h"

class NODARA_API SgSubscription {
public:
    struct Registry {
        struct Entry {
            std::uint64_t id = 0;
            bool active = true;
            std::shared_ptr<void> listener;
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

    SgSubscription() = default;
    SgSubscription(std::weak_ptr<Registry> registry, std::uint64_t id) : m_registry(std::move(registry)), m_id(id) {}
    SgSubscription(SgSubscription &&other) noexcept
        : m_registry(std::move(other.m_registry)), m_id(std::exchange(other.m_id, 0))
    {
    }
    SgSubscription &operator=(SgSubscription &&other) noexcept
    {
        if (this != &other) {
            Reset();
            m_registry = std::move(other.m_registry);
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    SgSubscription(const SgSubscription &) = delete;
    SgSubscription &operator=(const SgSubscription &) = delete;
    ~SgSubscription() { Reset(); }

    void Reset()
    {
        if (auto registry = m_registry.lock())
            registry->Remove(m_id);
        m_registry.reset();
        m_id = 0;
    }
    bool IsActive() const
    {
        auto registry = m_registry.lock();
        return registry && std::any_of(registry->entries.begin(), registry->entries.end(),
                                       [this](const auto &entry) { return entry->id == m_id; });
    }

private:
    std::weak_ptr<Registry> m_registry;
    std::uint64_t m_id = 0;
};

template <class... Args>
class NODARA_API SgSubscribers {
public:
    using Listener = std::function<void(Args...)>;

    SgSubscribers() : m_registry(std::make_shared<SgSubscription::Registry>()) {}
    SgSubscribers(const SgSubscribers &) = delete;
    SgSubscribers &operator=(const SgSubscribers &) = delete;

    // A null listener subscribes nothing (the token is inactive).
    [[nodiscard]] SgSubscription Subscribe(Listener listener)
    {
        if (!listener)
            return {};
        auto entry = std::make_shared<SgSubscription::Registry::Entry>();
        entry->id = m_registry->nextId++;
        entry->listener = std::make_shared<Listener>(std::move(listener));
        m_registry->entries.push_back(entry);
        return SgSubscription(m_registry, entry->id);
    }

    void Publish(Args... args) const
    {
        // Held for the round: a listener may drop the list's owner.
        const std::shared_ptr<SgSubscription::Registry> registry = m_registry;
        const std::vector<std::shared_ptr<SgSubscription::Registry::Entry>> round = registry->entries;
        for (const auto &entry : round) {
            if (entry->active)
                (*static_cast<Listener *>(entry->listener.get()))(args...);
        }
    }

    int GetCount() const { return static_cast<int>(m_registry->entries.size()); }

private:
    std::shared_ptr<SgSubscription::Registry> m_registry;
};
