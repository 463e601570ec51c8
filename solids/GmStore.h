#pragma once
// Storage of a geometry's element records: records are appended in chunks
// that never move, so pointers to them stay valid for the geometry's life.
// Chunks start small (a primitive's few records) and double up to about
// 2 MB: a solid of a hundred thousand faces holds a few chunks per kind of
// record instead of a block per three faces, and its largest chunks take
// large pages (GmLargeAllocator), so that building a boolean's result does
// not pay a page fault per 4 KB of records.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>
#include "solids/GmLargeAllocator.h"
#include "solids/SolvaneExport.h"

namespace solvane {

template <typename T>
class SOLVANE_API GmStore {
public:
    static constexpr size_t kFirstChunk = 8;
    static constexpr size_t kLastChunk = std::max<size_t>(kFirstChunk, (size_t{2} << 20) / sizeof(T));

    GmStore() = default;
    GmStore(const GmStore &) = delete;
    GmStore &operator=(const GmStore &) = delete;

    template <typename... Args>
    T &emplace_back(Args &&...args)
    {
        if (m_chunks.empty() || m_chunks.back().size() == m_chunks.back().capacity()) {
            const size_t next = m_chunks.empty() ? kFirstChunk : std::min(kLastChunk, m_chunks.back().capacity() * 2);
            // Moving a chunk keeps its buffer: the records never move.
            m_chunks.emplace_back();
            m_chunks.back().reserve(next);
        }
        m_chunks.back().emplace_back(std::forward<Args>(args)...);
        ++m_size;
        return m_chunks.back().back();
    }
    void push_back(T value) { emplace_back(std::move(value)); }
    T &back() { return m_chunks.back().back(); }
    size_t size() const { return m_size; }
    void swap(GmStore &other) noexcept
    {
        m_chunks.swap(other.m_chunks);
        std::swap(m_size, other.m_size);
    }

private:
    std::vector<std::vector<T, GmLargeAllocator<T>>> m_chunks;
    size_t m_size = 0;
};

}  // namespace solvane
