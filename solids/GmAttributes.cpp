#include "solids/GmAttributes.h"

#include <memory>

#include "solids/GmError.h"

namespace solvane {

namespace {
int SlotsPerWord(int type)
{
    switch (type) {
    case ATTR_32: return 1;
    case ATTR_16: return 2;
    case ATTR_8: return 4;
    case ATTR_BITFIELD: return 32;
    default: return 0;
    }
}

int BitsPerSlot(int type)
{
    switch (type) {
    case ATTR_32: return 32;
    case ATTR_16: return 16;
    case ATTR_8: return 8;
    case ATTR_BITFIELD: return 1;
    default: return 0;
    }
}
}  // namespace

AttrId::AttrId(int position, int type, int count) : m_position(position), m_type(type)
{
    if (count >= 2 && type != ATTR_BITFIELD) {
        internal_error("AttrId::AttrId : parameter num_of_elements is only for bitfield attribute");
    }
    int slots = SlotsPerWord(type);
    if (slots == 0) {
        return;  // computed or none: no storage
    }
    m_word = position / slots;
    m_shift = (position % slots) * BitsPerSlot(type);
    int width = BitsPerSlot(type) * (count < 1 ? 1 : count);
    if (width >= 32) {
        m_mask = 0xFFFFFFFFu;
    } else {
        m_mask = ((1u << width) - 1u) << m_shift;
    }
}

bool AttrId::operator==(const AttrId &o) const
{
    if (m_type == ATTR_COMPUTED) {
        return m_position == o.m_position;
    }
    if (m_type == ATTR_NONE) {
        return true;
    }
    return m_type == o.m_type && m_word == o.m_word && m_shift == o.m_shift;
}

AttrContext::AttrContext() = default;

AttrId AttrContext::check_name(const std::string &name, int type)
{
    if (name.empty()) {
        internal_error("AttrContext::check_name : illegal name of attribute");
    }
    for (int i = 0; i < m_used; ++i) {
        if (m_records[i].name != name) {
            continue;
        }
        const AttrId &id = m_records[i].id;
        if ((id.type() == ATTR_COMPUTED || id.type() == ATTR_NONE) && type != ATTR_COMPUTED) {
            internal_error("AttrContext::check_name : this attribute already exists as computed");
        }
        if (id.type() > type) {
            warning("AttrContext::check_name : this attribute already exists with smaller size. Loss of data may occur.");
        }
        return id;
    }
    return AttrId();
}

AttrId AttrContext::create(const std::string &name, int type, int count)
{
    AttrId existing = check_name(name, type);
    if (!existing.isNull()) {
        return existing;
    }
    if (m_used >= kMaxRecords) {
        internal_error("AttrContext : out of place for new attribute");
    }
    int slots = SlotsPerWord(type);
    int bits = BitsPerSlot(type);
    int n = count < 1 ? 1 : count;
    int found = -1;
    for (int p = 0; p < slots && found < 0; ++p) {
        bool free = true;
        for (int k = p; k < p + n && free; ++k) {
            if (k / slots != p / slots || k >= slots) {
                free = false;  // the run would cross the word
                break;
            }
            uint64_t slotMask = ((bits >= 32) ? 0xFFFFFFFFull : ((1ull << bits) - 1ull)) << ((k % slots) * bits);
            if (m_occupied & static_cast<uint32_t>(slotMask)) {
                free = false;
            }
        }
        if (free) {
            found = p;
        }
    }
    if (found < 0 && slots > 0) {
        internal_error("AttrContext : out of place for new attribute");
    }
    AttrId id(found < 0 ? 0 : found, type, n);
    m_occupied |= id.mask();
    m_records[m_used].id = id;
    m_records[m_used].name = name;
    ++m_used;
    return id;
}

AttrResult AttrContext::tryCreate(const std::string &name, int type, int count)
{
    AttrResult result;
    try {
        result.id = create(name, type, count);
        result.ok = true;
    } catch (const GmInternalError &e) {
        result.error = e.message();
    }
    return result;
}

AttrContext &attribute_registry()
{
    static AttrContext registry;
    return registry;
}

AttrId create_bitfield_attribute(const std::string &name, int bits)
{
    if (bits > 32) {
        internal_error("create_bitfield_attribute : Cannot allocate more than 32 bit.");
    }
    return attribute_registry().create(name, ATTR_BITFIELD, bits);
}

AttrResult try_create_bitfield_attribute(const std::string &name, int bits)
{
    AttrResult result;
    try {
        result.id = create_bitfield_attribute(name, bits);
        result.ok = true;
    } catch (const GmInternalError &e) {
        result.error = e.message();
    }
    return result;
}

const attribute_composer &current_composer()
{
    static second_is_dominant composer;
    return composer;
}

}  // namespace solvane
