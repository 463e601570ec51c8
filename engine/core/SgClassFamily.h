#pragma once
// One class family: the id counter, the name and creator tables indexed by class
// offset (id minus the family's first id) and, where the family keeps one, the
// table of parent offsets through which kinds are tested and visitors inherited.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "engine/core/NodaraExport.h"

template <class Root>
class NODARA_API SgClassFamily {
public:
    using CreatorFn = Root *(*)();

    // Every family's name and creator tables can be indexed by offset up to
    // this (other libraries rely on it); a family given a larger capacity has
    // tables that large.
    static constexpr int kTableSize = 256;

    SgClassFamily(const char *familyName, int firstId, int capacity = kTableSize)
        : m_familyName(familyName), m_firstId(firstId), m_capacity(capacity), m_counter(firstId),
          m_names(std::max(capacity, kTableSize), nullptr), m_creators(std::max(capacity, kTableSize), nullptr)
    {
    }

    int GetBase() const { return m_firstId; }
    int GetClassCount() const { return m_counter - m_firstId; }
    int Capacity() const { return m_capacity; }

    // Hands out the next id, or 0 when the family is full (0 is never a valid id).
    int TakeID()
    {
        if (GetClassCount() >= m_capacity) {
            SgDiagError("Classes", "%s: no room for another class (at most %d)", m_familyName,
                        m_capacity);
            return 0;
        }
        return m_counter++;
    }

    bool IsValidOffset(int offset) const { return offset >= 0 && offset < GetClassCount(); }

    // Stores the name and creator of a class; the parent link where the family keeps one.
    void Register(int id, const char *name, CreatorFn creator)
    {
        const int offset = id - m_firstId;
        if (!IsValidOffset(offset))
            return;
        m_names[offset] = name;
        m_creators[offset] = creator;
        m_byName.clear();
    }

    const char *ClassName(int offset) const
    {
        return offset >= 0 && offset < static_cast<int>(m_names.size()) ? m_names[offset] : nullptr;
    }

    // Case-sensitive, first registered match; 0 when no class has the name.
    int GetClassIDFromName(const char *name) const
    {
        if (!name)
            return 0;
        // Every node keyword of a scene file is looked up here: the names
        // are indexed on the first look after a registration.
        if (m_byName.empty()) {
            for (int offset = 0; offset < GetClassCount(); ++offset) {
                if (m_names[offset])
                    m_byName.emplace(m_names[offset], offset);
            }
        }
        const auto found = m_byName.find(name);
        return found == m_byName.end() ? 0 : found->second + m_firstId;
    }

    // Null for an id that no class took, or whose class registered no creator.
    Root *Create(int id) const
    {
        const int offset = id - m_firstId;
        if (!IsValidOffset(offset) || !m_creators[offset])
            return nullptr;
        return m_creators[offset]();
    }

    CreatorFn GetCreator(int offset) const
    {
        return IsValidOffset(offset) ? m_creators[offset] : nullptr;
    }

    // Parent offsets (kept by the families whose kinds are tested).
    void UpdateInhList(int offset, int parentOffset)
    {
        if (offset < 0)
            return;
        if (offset >= static_cast<int>(m_parents.size()))
            m_parents.resize(offset + 1, 0);
        m_parents[offset] = parentOffset;
    }

    int GetParent(int offset) const
    {
        if (offset < 0 || offset >= static_cast<int>(m_parents.size()))
            throw SgInvalidArgument("class offset has no parent entry");
        return m_parents[offset];
    }

    // True when the class is the ancestor or derives from it; the root is its own parent.
    bool IsDerivedFrom(int classId, int ancestorId) const
    {
        int current = classId;
        if (current == ancestorId)
            return true;
        for (;;) {
            const int offset = current - m_firstId;
            if (offset < 0 || offset >= static_cast<int>(m_parents.size()))
                return false;
            const int parent = m_parents[offset] + m_firstId;
            if (parent == ancestorId)
                return true;
            if (parent == current)
                return false;
            current = parent;
        }
    }

    // The nearest ancestor (never the class itself) with an entry in a per-class
    // table; in mode 1 the entry must also point at a non-zero first byte.
    // Returns the root's offset when no ancestor has one.
    int LookupParent(void *const *table, int offset, int mode) const
    {
        for (;;) {
            if (offset < 0 || offset >= static_cast<int>(m_parents.size()))
                return offset;
            const int parent = m_parents[offset];
            if (parent == offset)
                return offset;
            offset = parent;
            void *entry = table[offset];
            if (entry && (mode != 1 || *static_cast<const unsigned char *>(entry) != 0))
                return offset;
        }
    }

private:
    const char *m_familyName;
    int m_firstId;
    int m_capacity;
    int m_counter;
    std::vector<const char *> m_names;
    std::vector<CreatorFn> m_creators;
    std::vector<int> m_parents;
    // Name to offset, the lowest offset for a name that several classes
    // took; empty until the first look after a registration.
    mutable std::unordered_map<std::string_view, int> m_byName;
};
