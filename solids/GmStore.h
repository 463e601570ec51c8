#pragma once
// Storage of a geometry's element records: records are appended in chunks
// that never move, so pointers to them stay valid for the geometry's life.
// Chunks start small (a primitive's few records) and double up to about
// 64 KB: a solid of a hundred thousand faces holds a few hundred chunks
// instead of a block per three faces, which it allocates and frees at
// every boolean.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>
#include "solids/SolvaneExport.h"

namespace solvane {

template <typename T>
class SOLVANE_API GmStore {
public:
    static constexpr size_t kFirstChunk = 8;
    static constexpr size_t kLastChunk = std::max<size_t>(kFirstChunk, 65536 / sizeof(T));

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
    std::vector<std::vector<T>> m_chunks;
    size_t m_size = 0;
};

}  // namespace solvane
