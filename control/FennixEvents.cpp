#include "control/FennixEvents.h"

namespace fennix {

FennixEventList::Token &FennixEventList::Token::operator=(Token &&other) noexcept
{
    if (this != &other) {
        Reset();
        m_list = std::move(other.m_list);
        m_id = other.m_id;
        other.m_id = 0;
    }
    return *this;
}

void FennixEventList::Token::Reset()
{
    if (auto list = m_list.lock()) {
        for (auto it = list->begin(); it != list->end(); ++it)
            if (it->first == m_id) {
                list->erase(it);
                break;
            }
    }
    m_list.reset();
    m_id = 0;
}

FennixEventList::FennixEventList() : m_listeners(std::make_shared<std::vector<std::pair<int, Listener>>>()) {}

FennixEventList::Token FennixEventList::Subscribe(Listener listener)
{
    Token token;
    token.m_id = m_nextId++;
    token.m_list = m_listeners;
    m_listeners->emplace_back(token.m_id, std::move(listener));
    return token;
}

void FennixEventList::Fire(const FennixEvent &event)
{
    // A copy: listeners may subscribe or unsubscribe while being told.
    const std::vector<std::pair<int, Listener>> listeners = *m_listeners;
    for (const auto &entry : listeners) {
        // Skip one that was unsubscribed by an earlier listener.
        bool still = false;
        for (const auto &e : *m_listeners)
            still = still || e.first == entry.first;
        if (still && entry.second)
            entry.second(event);
    }
}

} // namespace fennix
