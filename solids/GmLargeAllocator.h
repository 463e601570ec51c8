#pragma once
// An allocator for the few arrays of a boolean that grow to megabytes (a
// record per input face): blocks of about 2 MB and more are mapped on their own,
// aligned to 2 MB and marked for large pages. Every boolean fills such
// arrays in fresh memory, and with 4 KB pages the first touch of each page
// costs a fault: on a large pair the faults were a fourth of the time.
// (Blocks from 1.75 MB up are mapped so, their size rounded up to 2 MB.) The
// kernel honours the mark only where large pages are enabled on request;
// elsewhere the block is an ordinary mapping. Smaller blocks come from the
// heap as usual.
#include <cstddef>
#include <new>

#include "solids/SolvaneExport.h"

namespace solvane {

// A block of `bytes` (throws std::bad_alloc), and its release with the
// same size.
SOLVANE_API void *gm_large_allocate(size_t bytes);
SOLVANE_API void gm_large_release(void *block, size_t bytes) noexcept;

template <typename T>
struct SOLVANE_API GmLargeAllocator {
    using value_type = T;

    GmLargeAllocator() = default;
    template <typename U>
    GmLargeAllocator(const GmLargeAllocator<U> &) noexcept
    {
    }

    T *allocate(size_t n)
    {
        if (n > static_cast<size_t>(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        return static_cast<T *>(gm_large_allocate(n * sizeof(T)));
    }
    void deallocate(T *p, size_t n) noexcept { gm_large_release(p, n * sizeof(T)); }

    template <typename U>
    bool operator==(const GmLargeAllocator<U> &) const noexcept
    {
        return true;
    }
};

}  // namespace solvane
