#pragma once
// What the facade tells the windows and controls that host it (button states,
// creation tools starting and finishing, keys, docking panes, the numbers
// under edit): any number of listeners per kind, each taken off by the token
// Subscribe gave it, as the document's own subscriptions
// (engine/document/SgDocumentEvents.h). So a control attached over a
// window's facade listens beside the window instead of standing in its slot,
// and either one leaving silences only itself.
//
// Listeners run on the caller's thread in the order they subscribed. One may
// subscribe or unsubscribe while it runs: one taken off is not called again,
// one added hears the next notice. A token may outlive the list: it then has
// nothing left to take off.
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>
#include "facade/DrevonExport.h"

namespace drevon {

// Unsubscribes when destroyed or reset; move-only.
class DREVON_API HostSubscription {
public:
    HostSubscription() = default;
    explicit HostSubscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    HostSubscription(HostSubscription &&other) noexcept : m_cancel(std::exchange(other.m_cancel, nullptr)) {}
    HostSubscription &operator=(HostSubscription &&other) noexcept
    {
        if (this != &other) {
            Reset();
            m_cancel = std::exchange(other.m_cancel, nullptr);
        }
        return *this;
    }
    HostSubscription(const HostSubscription &) = delete;
    HostSubscription &operator=(const HostSubscription &) = delete;
    ~HostSubscription() { Reset(); }

    void Reset()
    {
        if (std::function<void()> cancel = std::exchange(m_cancel, nullptr))
            cancel();
    }
    // Subscribed and not reset (the list itself may have gone).
    bool IsSubscribed() const { return static_cast<bool>(m_cancel); }

private:
    std::function<void()> m_cancel;
};

template <class Signature>
class HostListeners;

template <class Result, class... Args>
class HostListeners<Result(Args...)> {
public:
    using Listener = std::function<Result(Args...)>;

    HostListeners() : m_registry(std::make_shared<Registry>()) {}
    HostListeners(const HostListeners &) = delete;
    HostListeners &operator=(const HostListeners &) = delete;

    // A null listener subscribes nothing (the token is empty).
    [[nodiscard]] HostSubscription Subscribe(Listener listener)
    {
        if (!listener)
            return HostSubscription();
        const std::uint64_t id = m_registry->nextId++;
        m_registry->entries.push_back({id, std::make_shared<Listener>(std::move(listener))});
        std::weak_ptr<Registry> registry = m_registry;
        return HostSubscription([registry, id] {
            if (std::shared_ptr<Registry> alive = registry.lock())
                alive->Remove(id);
        });
    }

    // Every listener in turn.
    void Notify(Args... args) const
    {
        for (const Entry &entry : Snapshot())
            if (m_registry->Has(entry.id))
                (*entry.listener)(args...);
    }

    // Listeners that answer whether they took the notice: the first that
    // does ends the round. True when one did.
    bool NotifyUntilTaken(Args... args) const
    {
        static_assert(std::is_same_v<Result, bool>, "only listeners that answer can take a notice");
        for (const Entry &entry : Snapshot())
            if (m_registry->Has(entry.id) && (*entry.listener)(args...))
                return true;
        return false;
    }

    int GetCount() const { return static_cast<int>(m_registry->entries.size()); }
    bool IsEmpty() const { return m_registry->entries.empty(); }

private:
    struct Entry {
        std::uint64_t id;
        // Shared, so that a listener taken off while it runs stays alive
        // until it returns.
        std::shared_ptr<Listener> listener;
    };
    struct Registry {
        std::vector<Entry> entries;
        std::uint64_t nextId = 1;
        void Remove(std::uint64_t id)
        {
            std::erase_if(entries, [id](const Entry &entry) { return entry.id == id; });
        }
        bool Has(std::uint64_t id) const
        {
            for (const Entry &entry : entries)
                if (entry.id == id)
                    return true;
            return false;
        }
    };
    std::vector<Entry> Snapshot() const { return m_registry->entries; }

    std::shared_ptr<Registry> m_registry;
};

} // namespace drevon
