#pragma once
// A reference-holding pointer to a field container: adds one reference while it
// points at an object and releases it when it lets go, so no code path needs a
// manual Release.
#include <utility>

template <class T>
class SgRef {
public:
    SgRef() = default;
    SgRef(T *object) : m_p(object) { Acquire(); }
    SgRef(const SgRef &other) : m_p(other.m_p) { Acquire(); }
    SgRef(SgRef &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~SgRef() { Drop(); }

    SgRef &operator=(const SgRef &other)
    {
        if (m_p != other.m_p) {
            T *old = m_p;
            m_p = other.m_p;
            Acquire();
            if (old)
                T::Release(old);
        }
        return *this;
    }
    SgRef &operator=(SgRef &&other) noexcept
    {
        if (this != &other) {
            Drop();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    SgRef &operator=(T *object) { return *this = SgRef(object); }

    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    T &operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    operator T *() const { return m_p; }

    void reset() { Drop(); }

    friend bool operator==(const SgRef &a, const SgRef &b) { return a.m_p == b.m_p; }

private:
    void Acquire()
    {
        if (m_p)
            m_p->AddRef();
    }
    void Drop()
    {
        if (T *old = std::exchange(m_p, nullptr))
            T::Release(old);
    }

    T *m_p = nullptr;
};
