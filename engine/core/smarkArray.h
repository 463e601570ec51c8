#pragma once
// Arrays for code that builds many small records quickly: smarkArray<T> keeps
// the capacity it was created with, FlexArray<T> doubles it when full.
// Elements are constructed, copied and destroyed through T's own operations,
// so the arrays are safe for strings and other owning types as well as for
// plain records and pointers.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "platform/SgError.h"
#include "engine/core/NodaraExport.h"

template <class T>
class NODARA_API smarkArray {
public:
    // A capacity below 1 gives an array without a buffer.
    explicit smarkArray(int capacity = 0)
    {
        if (capacity < 1)
            return;
        m_pData = AllocateBuffer(capacity, "smarkArray::smarkArray : out of memory");
        m_nCapacity = capacity;
    }

    smarkArray(const smarkArray &other)
    {
        if (other.m_nCapacity < 1)
            return;
        m_pData = AllocateBuffer(other.m_nCapacity, "smarkArray::smarkArray : out of memory");
        m_nCapacity = other.m_nCapacity;
        try {
            std::uninitialized_copy_n(other.m_pData, other.m_nCount, m_pData);
        } catch (...) {
            ::operator delete(m_pData);
            throw;
        }
        m_nCount = other.m_nCount;
    }

    smarkArray &operator=(const smarkArray &other)
    {
        if (this != &other) {
            smarkArray copy(other);
            Swap(copy);
        }
        return *this;
    }

    virtual ~smarkArray() { FreeBuffer(); }

    // A fixed array never grows; FlexArray overrides this.
    virtual void grow(int) {}

    int GetSize() const { return m_nCount; }
    int GetCapacity() const { return m_nCapacity; }
    T *GetData() { return m_pData; }
    const T *GetData() const { return m_pData; }

    T &operator[](int index) { return m_pData[Check(index)]; }
    const T &operator[](int index) const { return m_pData[Check(index)]; }

    void Append(const T &value)
    {
        if (m_nCount >= m_nCapacity)
            grow(0);
        if (m_nCount >= m_nCapacity)
            throw SgCapacityError("smarkArray: capacity " + std::to_string(m_nCapacity) + " exceeded");
        ::new (static_cast<void *>(m_pData + m_nCount)) T(value);
        ++m_nCount;
    }

    // New elements are value-initialised; dropped ones are destroyed.
    void SetSize(int size)
    {
        if (size < 0)
            throw SgInvalidArgument("smarkArray: negative size " + std::to_string(size));
        if (size > m_nCapacity)
            grow(size);
        if (size > m_nCapacity)
            throw SgCapacityError("smarkArray: capacity " + std::to_string(m_nCapacity) + " exceeded");
        for (; m_nCount < size; ++m_nCount)
            ::new (static_cast<void *>(m_pData + m_nCount)) T();
        std::destroy(m_pData + size, m_pData + m_nCount);
        m_nCount = size;
    }

protected:
    // Moves the elements into a buffer of the new capacity (never below the count).
    void Reallocate(int capacity, const char *failure)
    {
        T *data = AllocateBuffer(capacity, failure);
        try {
            std::uninitialized_move_n(m_pData, m_nCount, data);
        } catch (...) {
            ::operator delete(data);
            throw;
        }
        const int count = m_nCount;
        FreeBuffer();
        m_pData = data;
        m_nCount = count;
        m_nCapacity = capacity;
    }

private:
    static T *AllocateBuffer(int capacity, const char *failure)
    {
        // A byte count that does not fit is refused like a failed allocation.
        if (static_cast<std::size_t>(capacity) > static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(T))
            throw SgOutOfMemory(failure);
        void *raw = ::operator new(static_cast<std::size_t>(capacity) * sizeof(T), std::nothrow);
        if (!raw)
            throw SgOutOfMemory(failure);
        return static_cast<T *>(raw);
    }

    void FreeBuffer()
    {
        std::destroy(m_pData, m_pData + m_nCount);
        ::operator delete(m_pData);
        m_pData = nullptr;
        m_nCount = 0;
        m_nCapacity = 0;
    }

    int Check(int index) const
    {
        if (index < 0 || index >= m_nCount)
            throw SgInvalidArgument("smarkArray: index " + std::to_string(index) + " outside 0.." +
                                    std::to_string(m_nCount - 1));
        return index;
    }

    void Swap(smarkArray &other) noexcept
    {
        std::swap(m_pData, other.m_pData);
        std::swap(m_nCount, other.m_nCount);
        std::swap(m_nCapacity, other.m_nCapacity);
    }

    T *m_pData = nullptr;
    int m_nCount = 0;
    int m_nCapacity = 0;
};

template <class T>
class NODARA_API FlexArray : public smarkArray<T> {
public:
    explicit FlexArray(int capacity = 0) : smarkArray<T>(capacity) {}

    // Doubling keeps appends at amortised constant cost.
    void grow(int requested) override
    {
        const int wanted = requested > this->GetCapacity() ? requested : this->GetCapacity();
        if (wanted > INT_MAX / 2)
            throw SgOutOfMemory("FlexArray::grow : out of memory");
        this->Reallocate(wanted == 0 ? 2 : 2 * wanted, "FlexArray::grow : out of memory");
    }
};
