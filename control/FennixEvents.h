#pragma once
// The control's events, delivered to every subscriber in the order they
// subscribed, on the thread that fires them (the UI thread). A subscriber
// keeps the token; dropping it unsubscribes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/FennixValue.h"
#include "control/FennixExport.h"

namespace fennix {

struct FENNIX_API FennixEvent {
    int dispid = 0;
    std::string name;
    DispArgs params;
};

class FENNIX_API FennixEventList {
public:
    using Listener = std::function<void(const FennixEvent &)>;

    class Token {
    public:
        Token() = default;
        Token(const Token &) = delete;
        Token &operator=(const Token &) = delete;
        Token(Token &&other) noexcept : m_list(std::move(other.m_list)), m_id(other.m_id) { other.m_id = 0; }
        Token &operator=(Token &&other) noexcept;
        ~Token() { Reset(); }
        void Reset();
        explicit operator bool() const { return m_id != 0; }

    private:
        friend class FennixEventList;
        std::weak_ptr<std::vector<std::pair<int, Listener>>> m_list;
        int m_id = 0;
    };

    FennixEventList();
    Token Subscribe(Listener listener);
    // Delivers to each listener subscribed when the event fires; a listener
    // that unsubscribes others during delivery does not disturb it.
    void Fire(const FennixEvent &event);
    int GetCount() const { return static_cast<int>(m_listeners->size()); }

private:
    std::shared_ptr<std::vector<std::pair<int, Listener>>> m_listeners;
    int m_nextId = 1;
};

} // namespace fennix
