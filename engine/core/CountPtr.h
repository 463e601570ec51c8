#pragma once
// Shared ownership of a function object: copies share one counter record, and
// the object is deleted (through its virtual destructor) with the last share.
#include <new>
#include <utility>
#include "engine/core/NodaraExport.h"

template <class T>
class NODARA_API CountPtr {
public:
    struct counter {
        T *object;
        int count;
    };

    CountPtr() = default;
    explicit CountPtr(T *object)
    {
        if (!object)
            return;
        m_pCounter = new (std::nothrow) counter{object, 1};
        if (!m_pCounter)
            delete object;
    }
    CountPtr(const CountPtr &other) { acquire(other.m_pCounter); }
    CountPtr(CountPtr &&other) noexcept : m_pCounter(std::exchange(other.m_pCounter, nullptr)) {}
    ~CountPtr() { release(); }

    CountPtr &operator=(const CountPtr &other)
    {
        if (m_pCounter != other.m_pCounter) {
            release();
            acquire(other.m_pCounter);
        }
        return *this;
    }
    CountPtr &operator=(CountPtr &&other) noexcept
    {
        if (this != &other) {
            release();
            m_pCounter = std::exchange(other.m_pCounter, nullptr);
        }
        return *this;
    }

    T *get() const { return m_pCounter ? m_pCounter->object : nullptr; }
    T *operator->() const { return get(); }
    int use_count() const { return m_pCounter ? m_pCounter->count : 0; }
    void setNull() { release(); }

    void acquire(counter *shared)
    {
        m_pCounter = shared;
        if (m_pCounter)
            ++m_pCounter->count;
    }

private:
    void release()
    {
        if (!m_pCounter)
            return;
        if (--m_pCounter->count == 0) {
            delete m_pCounter->object;
            delete m_pCounter;
        }
        m_pCounter = nullptr;
    }

    counter *m_pCounter = nullptr;
};
