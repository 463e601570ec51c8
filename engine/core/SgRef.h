#pragma once
// Ownership of counted objects (field containers: nodes, tools, engines).
//
// An object is made with count 0 and freed by the Release that takes its
// count back to 0; its destructor is protected, so nothing else can free it.
// Our own code holds such objects through the two helpers below, so that no
// return path and no exception needs a hand-made AddRef or Release.
//
//   SgRef<T>    holds one reference while it points at an object.
//   SgAdopt<T>  guards an object that nobody owns yet while it is filled in.
#include <utility>
#include "engine/core/NodaraExport.h"

template <class T>
class NODARA_API SgRef {
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

    // Lets go of the object without touching its count: the reference this
    // handle held goes with the pointer to a holder that is no handle (a
    // connection that keeps its source alive), which answers for it from now on.
    T *release() { return std::exchange(m_p, nullptr); }

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

// An object that is made, filled in and then taken by a parent (a group's
// AddChild, a node field, the caller of a reader or a copy) stays at count 0
// until that parent adopts it with the first reference. This guard frees it if
// the scope is left before anyone did, by an early return or an exception, and
// leaves it alone once it was adopted.
//
// It deliberately takes no reference of its own. Makers hand their results on
// at count 0 (the caller adopts them), and the code that fills an object in
// tells an adopted object from an unowned one by its count (undo records and
// copy buffers keep only counted nodes alive); a guard's reference would make
// every object under construction look owned.
template <class T>
class NODARA_API SgAdopt {
public:
    explicit SgAdopt(T *fresh) : m_p(fresh) {}
    SgAdopt(const SgAdopt &) = delete;
    SgAdopt &operator=(const SgAdopt &) = delete;
    ~SgAdopt()
    {
        // Below 0: released without ever having been added, still nobody's.
        if (m_p && m_p->GetRefCount() <= 0)
            T::Destroy(m_p);
    }

    T *get() const { return m_p; }
    // Hands the object on, still unowned, to a caller that has it adopted.
    T *release() { return std::exchange(m_p, nullptr); }

private:
    T *m_p;
};
