#pragma once
// Element attributes: the 32-bit attribute word of every kernel
// element, the registry of named attributes laid into it, and the policy that
// merges two words when elements are fused.
//
// The word cannot hold every bitfield that the library's users ask for
// ("NodeSmoothData" 24 + "SmoothTag" 3 + two 6-bit colour fields is 39 bits),
// so per-pass data such as smoothing goes to a GmSideTable keyed by element,
// and an attribute that does not fit is an error result, never a stop.
#include <cstdint>
#include <string>
#include <unordered_map>
#include "solids/SolvaneExport.h"

namespace solvane {

enum AttrType : int {
    ATTR_32 = 0,
    ATTR_16 = 1,
    ATTR_8 = 2,
    ATTR_BITFIELD = 3,
    ATTR_COMPUTED = 4,
    ATTR_NONE = 5,
};

class SOLVANE_API AttrId {
public:
    AttrId() = default;  // the null handle (type 5)
    // Throws GmInternalError when count >= 2 for a type other than a bit field.
    AttrId(int position, int type, int count = 1);

    int position() const { return m_position; }
    int type() const { return m_type; }
    int word() const { return m_word; }
    int shift() const { return m_shift; }
    uint32_t mask() const { return m_mask; }
    bool isNull() const { return m_type == ATTR_NONE; }

    // Equality: type 4 compares positions, type 5 equals anything,
    // else type, word and shift.
    bool operator==(const AttrId &o) const;

    uint32_t get(uint32_t word) const { return (word & m_mask) >> m_shift; }
    void set(uint32_t &word, uint32_t value) const { word = (word & ~m_mask) | ((value << m_shift) & m_mask); }

private:
    int m_position = 0;
    int m_type = ATTR_NONE;
    int m_word = 0;
    int m_shift = 0;
    uint32_t m_mask = 0;
};

// The result of a registration that may find no room.
struct SOLVANE_API AttrResult {
    bool ok = false;
    AttrId id;
    std::string error;
};

class SOLVANE_API AttrContext {
public:
    static constexpr int kMaxRecords = 100;

    AttrContext();

    // The handle registered under name, or the null handle. Throws
    // GmInternalError for the empty name or a computed clash; warns when the
    // existing attribute is narrower.
    AttrId check_name(const std::string &name, int type);
    // Throws GmInternalError "AttrContext : out of place for new attribute"
    // when no run of slots is free, or when all records are taken.
    AttrId create(const std::string &name, int type, int count = 1);
    // The same, as an error result: the caller decides, the process goes on.
    AttrResult tryCreate(const std::string &name, int type, int count = 1);

    int recordCount() const { return m_used; }
    uint32_t occupancy() const { return m_occupied; }

private:
    struct Record {
        AttrId id;
        std::string name;
    };
    Record m_records[kMaxRecords];
    int m_used = 0;
    uint32_t m_occupied = 0;
};

// The process registry, made by Solvane::Init (or on first use).
SOLVANE_API AttrContext &attribute_registry();

// A bit field of `bits` bits in the process registry; throws GmInternalError
// for more than 32 bits or when it does not fit.
SOLVANE_API AttrId create_bitfield_attribute(const std::string &name, int bits);
SOLVANE_API AttrResult try_create_bitfield_attribute(const std::string &name, int bits);

// Merges two attribute words when elements are fused.
class SOLVANE_API attribute_composer {
public:
    virtual ~attribute_composer() = default;
    virtual void compose(uint32_t &kept, uint32_t other) const = 0;
};

class SOLVANE_API second_is_dominant : public attribute_composer {
public:
    void compose(uint32_t &kept, uint32_t other) const override { kept = other; }
};

// The composer current for the whole library.
SOLVANE_API const attribute_composer &current_composer();

// Per-pass data of elements that does not live in the attribute word
// (smoothing data and tags, drawing caches). Keyed by element id, so it does
// not depend on addresses; one table per pass and geometry.
template <typename T>
class SOLVANE_API GmSideTable {
public:
    T &operator[](uint32_t elementId) { return m_data[elementId]; }
    const T *find(uint32_t elementId) const
    {
        auto it = m_data.find(elementId);
        return it == m_data.end() ? nullptr : &it->second;
    }
    void clear() { m_data.clear(); }
    size_t size() const { return m_data.size(); }

private:
    std::unordered_map<uint32_t, T> m_data;
};

}  // namespace solvane
