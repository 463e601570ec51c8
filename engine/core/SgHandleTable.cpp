#include "engine/core/SgHandleTable.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/core/SgFieldMngr.h"

namespace {

constexpr std::uint32_t kGenerationMask = (1u << SgHandleTable::kGenerationBits) - 1;

struct Slot {
    SgFieldMngr *container = nullptr;
    std::uint32_t generation = 0;
    int holds = 0;
};

struct Table {
    std::mutex lock;
    std::vector<Slot> slots;
    std::deque<std::uint32_t> freeSlots;  // oldest freed first
    std::unordered_map<SgFieldMngr *, std::uint32_t> byContainer;
    // Lets dying containers skip the lock while nothing was ever named.
    std::atomic<int> live{0};
};

Table &TheTable()
{
    // Never destroyed: containers may die after static destruction began.
    static Table *table = new Table;
    return *table;
}

// The slot of a name (index + 1), or null; caller holds the lock.
Slot *SlotOfName(Table &t, std::uint32_t name)
{
    if (name == SgHandleTable::kNoName || name > t.slots.size())
        return nullptr;
    Slot &slot = t.slots[name - 1];
    return slot.container ? &slot : nullptr;
}

Slot *SlotOfHandle(Table &t, SgHandleTable::Handle handle)
{
    // Bits above the generation are never set in a handle we gave out.
    if (handle >> (32 + SgHandleTable::kGenerationBits))
        return nullptr;
    Slot *slot = SlotOfName(t, SgHandleTable::IndexOf(handle));
    if (!slot || slot->generation != SgHandleTable::GenerationOf(handle))
        return nullptr;
    return slot;
}

SgHandleTable::Handle MakeHandle(std::uint32_t index, const Slot &slot)
{
    return (static_cast<SgHandleTable::Handle>(slot.generation) << 32) | (index + 1);
}

// The container's slot index, made when it has none; -1 when the names ran
// out. Caller holds the lock.
long long SlotOf(Table &t, SgFieldMngr *container)
{
    if (auto it = t.byContainer.find(container); it != t.byContainer.end())
        return it->second;
    std::uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.front();
        t.freeSlots.pop_front();
    } else {
        if (t.slots.size() >= SgHandleTable::kLastName)
            return -1;
        index = static_cast<std::uint32_t>(t.slots.size());
        t.slots.emplace_back();
    }
    Slot &slot = t.slots[index];
    slot.container = container;
    slot.generation = (slot.generation + 1) & kGenerationMask;
    if (slot.generation == 0)  // a handle is never just its index
        slot.generation = 1;
    slot.holds = 0;
    t.byContainer.emplace(container, index);
    t.live.fetch_add(1, std::memory_order_relaxed);
    return index;
}

} // namespace

std::uint32_t SgHandleTable::GetName(SgFieldMngr *container)
{
    if (!container)
        return kNoName;
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    const long long index = SlotOf(t, container);
    return index < 0 ? kNoName : static_cast<std::uint32_t>(index + 1);
}

SgFieldMngr *SgHandleTable::LookupName(std::uint32_t name)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    Slot *slot = SlotOfName(t, name);
    return slot ? slot->container : nullptr;
}

SgHandleTable::Handle SgHandleTable::Hold(SgFieldMngr *container)
{
    if (!container)
        return kNoHandle;
    Table &t = TheTable();
    Handle handle;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        const long long index = SlotOf(t, container);
        if (index < 0)
            return kNoHandle;
        Slot &slot = t.slots[static_cast<std::size_t>(index)];
        ++slot.holds;
        handle = MakeHandle(static_cast<std::uint32_t>(index), slot);
    }
    container->AddRef();
    return handle;
}

SgHandleTable::Handle SgHandleTable::Find(SgFieldMngr *container)
{
    if (!container)
        return kNoHandle;
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.byContainer.find(container);
    return it == t.byContainer.end() ? kNoHandle : MakeHandle(it->second, t.slots[it->second]);
}

SgFieldMngr *SgHandleTable::Lookup(Handle handle)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    Slot *slot = SlotOfHandle(t, handle);
    return slot ? slot->container : nullptr;
}

bool SgHandleTable::Drop(Handle handle)
{
    Table &t = TheTable();
    SgFieldMngr *container;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        Slot *slot = SlotOfHandle(t, handle);
        if (!slot || slot->holds <= 0)
            return false;
        --slot->holds;
        container = slot->container;
    }
    // Outside the lock: the last reference runs the destructor, which
    // comes back through Forget.
    SgFieldMngr::Release(container);
    return true;
}

int SgHandleTable::GetHolds(Handle handle)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    Slot *slot = SlotOfHandle(t, handle);
    return slot ? slot->holds : 0;
}

void SgHandleTable::Forget(SgFieldMngr *container)
{
    Table &t = TheTable();
    if (t.live.load(std::memory_order_relaxed) == 0)
        return;
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.byContainer.find(container);
    if (it == t.byContainer.end())
        return;
    Slot &slot = t.slots[it->second];
    slot.container = nullptr;
    slot.holds = 0;
    t.freeSlots.push_back(it->second);
    t.byContainer.erase(it);
    t.live.fetch_sub(1, std::memory_order_relaxed);
}

int SgHandleTable::GetCount()
{
    return TheTable().live.load(std::memory_order_relaxed);
}
