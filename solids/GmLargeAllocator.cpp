#include "solids/GmLargeAllocator.h"

#include <sys/mman.h>

#include <cstdint>

namespace solvane {

namespace {
constexpr size_t kLargePage = size_t{2} << 20;
// Blocks from seven eighths of a large page up take whole large pages: a
// block sized as "2 MB of records" falls a few bytes short of 2 MB.
constexpr size_t kLargeBlock = kLargePage - kLargePage / 8;

size_t LargeBlockSpan(size_t bytes) { return (bytes + kLargePage - 1) & ~(kLargePage - 1); }
}  // namespace

void *gm_large_allocate(size_t bytes)
{
    if (bytes < kLargeBlock) {
        return ::operator new(bytes);
    }
    if (bytes > static_cast<size_t>(-1) - 2 * kLargePage) {
        throw std::bad_alloc();
    }
    // Mapped one large page longer than needed, then trimmed to the span
    // that starts on a large-page boundary.
    const size_t span = LargeBlockSpan(bytes);
    const size_t mapped = span + kLargePage;
    void *raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kLargePage - 1) & ~static_cast<uintptr_t>(kLargePage - 1);
    if (aligned > start) {
        munmap(raw, aligned - start);
    }
    const uintptr_t end = start + mapped, used = aligned + span;
    if (end > used) {
        munmap(reinterpret_cast<void *>(used), end - used);
    }
    void *block = reinterpret_cast<void *>(aligned);
    madvise(block, span, MADV_HUGEPAGE);  // advice only: without it the block still works
    return block;
}

void gm_large_release(void *block, size_t bytes) noexcept
{
    if (!block) {
        return;
    }
    if (bytes < kLargeBlock) {
        ::operator delete(block);
        return;
    }
    munmap(block, LargeBlockSpan(bytes));
}

}  // namespace solvane
