#pragma once
// Lists of listeners, the one mechanism every level uses: the selection
// handler's clicks, the document's events (engine/document/SgDocumentEvents.h)
// and what the facade tells its hosts (facade/HostListeners.h). Any number
// of listeners, called in the order they subscribed, each taken off by the
// token Subscribe returns when the token goes or is reset. A token may
// outlive the list; it then has nothing left to take off. A listener may
// take itself or others off while it runs (one taken off is not called
// again) and may subscribe new ones (they hear the next notice).
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
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
    // Still listening: subscribed, not reset, and the list is still there.
    bool IsActive() const
    {
        auto registry = m_registry.lock();
        return registry && std::any_of(registry->entries.begin(), registry->entries.end(),
                                       [this](const auto &entry) { return entry->id == m_id; });
    }
    // Subscribed and not reset (the list itself may have gone).
    bool IsSubscribed() const { return m_id != 0; }

private:
    std::weak_ptr<Registry> m_registry;
    std::uint64_t m_id = 0;
};

template <class Signature>
class SgListeners;

template <class Result, class... Args>
class SgListeners<Result(Args...)> {
public:
    using Listener = std::function<Result(Args...)>;

    SgListeners() : m_registry(std::make_shared<SgSubscription::Registry>()) {}
    SgListeners(const SgListeners &) = delete;
    SgListeners &operator=(const SgListeners &) = delete;

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

    // Every listener in turn.
    void Notify(Args... args) const
    {
        for (const auto &entry : Round())
            if (entry->active)
                Call(*entry, args...);
    }

    // Listeners that answer whether they took the notice: the first that
    // does ends the round. True when one did.
    bool NotifyUntilTaken(Args... args) const
    {
        static_assert(std::is_same_v<Result, bool>, "only listeners that answer can take a notice");
        for (const auto &entry : Round())
            if (entry->active && Call(*entry, args...))
                return true;
        return false;
    }

    int GetCount() const { return static_cast<int>(m_registry->entries.size()); }
    bool IsEmpty() const { return m_registry->entries.empty(); }

private:
    using Entry = SgSubscription::Registry::Entry;

    // The entries of one round, each held until it returns: a listener may
    // drop the list's owner, or take itself off, while it runs.
    std::vector<std::shared_ptr<Entry>> Round() const { return m_registry->entries; }
    static Result Call(const Entry &entry, Args... args)
    {
        return (*static_cast<Listener *>(entry.listener.get()))(args...);
    }

    std::shared_ptr<SgSubscription::Registry> m_registry;
};

// Listeners that answer nothing, by the arguments they hear.
template <class... Args>
using SgSubscribers = SgListeners<void(Args...)>;
