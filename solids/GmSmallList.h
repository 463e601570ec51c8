#pragma once
// A list of links (pointers) held inside its element record while it is
// short, on the heap only once it grows past N. The kernel's elements each
// carry a few of these (an edge's two uses, a node's three to six edges, a
// loop's corners, a face's one loop): as std::vector each was a separate
// small heap block, and a solid of twenty thousand faces held some two
// hundred thousand of them, most of its memory and most of its allocator
// waste. The interface is the part of std::vector the kernel uses.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <new>
#include <type_traits>
#include "solids/SolvaneExport.h"

namespace solvane {

template <typename T, uint32_t N>
class SOLVANE_API GmSmallList {
    static_assert(std::is_trivially_copyable_v<T>, "links only: elements are moved with memcpy");
    static_assert(N >= 1, "at least one link inside the record");

public:
    using value_type = T;
    using size_type = size_t;
    using iterator = T *;
    using const_iterator = const T *;
    using reference = T &;
    using const_reference = const T &;

    GmSmallList() = default;
    GmSmallList(std::initializer_list<T> items) { assign(items.begin(), items.end()); }
    GmSmallList(const GmSmallList &o) { assign(o.begin(), o.end()); }
    GmSmallList(GmSmallList &&o) noexcept { steal(o); }
    ~GmSmallList() { release(); }
    GmSmallList &operator=(const GmSmallList &o)
    {
        if (this != &o) {
            assign(o.begin(), o.end());
        }
        return *this;
    }
    GmSmallList &operator=(GmSmallList &&o) noexcept
    {
        if (this != &o) {
            release();
            steal(o);
        }
        return *this;
    }

    T *data() { return onHeap() ? m_heap : m_inline; }
    const T *data() const { return onHeap() ? m_heap : m_inline; }
    iterator begin() { return data(); }
    iterator end() { return data() + m_size; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + m_size; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    size_t size() const { return m_size; }
    size_t capacity() const { return m_cap; }
    bool empty() const { return m_size == 0; }
    T &operator[](size_t i) { return data()[i]; }
    const T &operator[](size_t i) const { return data()[i]; }
    T &front() { return data()[0]; }
    const T &front() const { return data()[0]; }
    T &back() { return data()[m_size - 1]; }
    const T &back() const { return data()[m_size - 1]; }

    void reserve(size_t n)
    {
        if (n > m_cap) {
            grow(n);
        }
    }
    void push_back(const T &v)
    {
        if (m_size == m_cap) {
            const T copy = v;  // v may lie in the storage about to move
            grow(static_cast<size_t>(m_cap) * 2);
            data()[m_size++] = copy;
            return;
        }
        data()[m_size++] = v;
    }
    void pop_back() { --m_size; }
    void clear() { m_size = 0; }
    void resize(size_t n, const T &v = T())
    {
        reserve(n);
        for (size_t i = m_size; i < n; ++i) {
            data()[i] = v;
        }
        m_size = static_cast<uint32_t>(n);
    }
    iterator insert(const_iterator pos, const T &v)
    {
        const size_t at = static_cast<size_t>(pos - begin());
        const T copy = v;
        if (m_size == m_cap) {
            grow(static_cast<size_t>(m_cap) * 2);
        }
        T *d = data();
        std::memmove(d + at + 1, d + at, (m_size - at) * sizeof(T));
        d[at] = copy;
        ++m_size;
        return d + at;
    }
    template <typename It>
    iterator insert(const_iterator pos, It first, It last)
    {
        const size_t at = static_cast<size_t>(pos - begin());
        const size_t n = static_cast<size_t>(std::distance(first, last));
        reserve(m_size + n);
        T *d = data();
        std::memmove(d + at + n, d + at, (m_size - at) * sizeof(T));
        std::copy(first, last, d + at);
        m_size += static_cast<uint32_t>(n);
        return d + at;
    }
    iterator erase(const_iterator pos) { return erase(pos, pos + 1); }
    iterator erase(const_iterator first, const_iterator last)
    {
        T *d = data();
        const size_t a = static_cast<size_t>(first - d), b = static_cast<size_t>(last - d);
        std::memmove(d + a, d + b, (m_size - b) * sizeof(T));
        m_size -= static_cast<uint32_t>(b - a);
        return d + a;
    }
    // Gives the heap block back when the links fit inside again.
    void shrink_to_fit()
    {
        if (onHeap() && m_size <= N) {
            T *heap = m_heap;
            std::memcpy(m_inline, heap, m_size * sizeof(T));
            std::free(heap);
            m_cap = N;
        }
    }
    void swap(GmSmallList &o) noexcept
    {
        GmSmallList t(std::move(o));
        o = std::move(*this);
        *this = std::move(t);
    }

    bool operator==(const GmSmallList &o) const { return std::equal(begin(), end(), o.begin(), o.end()); }

private:
    bool onHeap() const { return m_cap > N; }
    template <typename It>
    void assign(It first, It last)
    {
        m_size = 0;
        reserve(static_cast<size_t>(std::distance(first, last)));
        std::copy(first, last, data());
        m_size = static_cast<uint32_t>(std::distance(first, last));
    }
    void grow(size_t n)
    {
        auto *fresh = static_cast<T *>(std::malloc(n * sizeof(T)));
        if (!fresh) {
            throw std::bad_alloc();
        }
        std::memcpy(fresh, data(), m_size * sizeof(T));
        release();
        m_heap = fresh;
        m_cap = static_cast<uint32_t>(n);
    }
    void release()
    {
        if (onHeap()) {
            std::free(m_heap);
        }
        m_cap = N;
    }
    void steal(GmSmallList &o)
    {
        m_size = o.m_size;
        m_cap = o.m_cap;
        if (o.onHeap()) {
            m_heap = o.m_heap;
        } else {
            std::memcpy(m_inline, o.m_inline, o.m_size * sizeof(T));
        }
        o.m_size = 0;
        o.m_cap = N;
    }

    uint32_t m_size = 0;
    uint32_t m_cap = N;
    union {
        T *m_heap;
        T m_inline[N];
    };
};

}  // namespace solvane
