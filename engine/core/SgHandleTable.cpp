#include "engine/core/SgHandleTable.h"

#include <atomic>
#include <cstdint>
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

    // Viewers: slots of their own, numbered apart from the containers'.
    struct ViewerSlot {
        SgViewer *viewer = nullptr;
        std::uint32_t generation = 0;
        int holds = 0;
    };
    std::vector<ViewerSlot> viewerSlots;
    std::deque<std::uint32_t> freeViewerSlots;
    std::atomic<int> liveViewers{0};
};

constexpr std::uint32_t kViewerGenerationMask = (1u << (31 - SgHandleTable::kViewerIndexBits)) - 1;
constexpr std::uint32_t kViewerIndexMask = (1u << SgHandleTable::kViewerIndexBits) - 1;

Table::ViewerSlot *SlotOfViewerHandle(Table &t, std::int64_t handle)
{
    if (handle <= 0 || handle > INT32_MAX)
        return nullptr;
    const auto bits = static_cast<std::uint32_t>(handle);
    const std::uint32_t number = bits & kViewerIndexMask;
    if (number == 0 || number > t.viewerSlots.size())
        return nullptr;
    Table::ViewerSlot &slot = t.viewerSlots[number - 1];
    if (!slot.viewer || slot.generation != (bits >> SgHandleTable::kViewerIndexBits))
        return nullptr;
    return &slot;
}

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

SgHandleTable::ViewerHandle SgHandleTable::HoldViewer(SgViewer *viewer)
{
    if (!viewer)
        return kNoViewer;
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    std::uint32_t index = 0;
    bool found = false;
    for (std::uint32_t i = 0; i < t.viewerSlots.size() && !found; ++i)
        if (t.viewerSlots[i].viewer == viewer) {
            index = i;
            found = true;
        }
    if (!found) {
        if (!t.freeViewerSlots.empty()) {
            index = t.freeViewerSlots.front();
            t.freeViewerSlots.pop_front();
        } else {
            if (t.viewerSlots.size() >= static_cast<std::size_t>(kMaxViewers))
                return kNoViewer;
            index = static_cast<std::uint32_t>(t.viewerSlots.size());
            t.viewerSlots.emplace_back();
        }
        Table::ViewerSlot &slot = t.viewerSlots[index];
        slot.viewer = viewer;
        slot.generation = (slot.generation + 1) & kViewerGenerationMask;
        if (slot.generation == 0)  // a handle is never just its index
            slot.generation = 1;
        slot.holds = 0;
        t.liveViewers.fetch_add(1, std::memory_order_relaxed);
    }
    Table::ViewerSlot &slot = t.viewerSlots[index];
    ++slot.holds;
    return static_cast<ViewerHandle>((slot.generation << kViewerIndexBits) | (index + 1));
}

SgViewer *SgHandleTable::LookupViewer(std::int64_t handle)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    Table::ViewerSlot *slot = SlotOfViewerHandle(t, handle);
    return slot ? slot->viewer : nullptr;
}

bool SgHandleTable::DropViewer(ViewerHandle handle)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    Table::ViewerSlot *slot = SlotOfViewerHandle(t, handle);
    if (!slot || slot->holds <= 0)
        return false;
    --slot->holds;
    return true;
}

int SgHandleTable::GetViewerHolds(ViewerHandle handle)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    Table::ViewerSlot *slot = SlotOfViewerHandle(t, handle);
    return slot ? slot->holds : 0;
}

void SgHandleTable::ForgetViewer(SgViewer *viewer)
{
    Table &t = TheTable();
    if (!viewer || t.liveViewers.load(std::memory_order_relaxed) == 0)
        return;
    std::lock_guard<std::mutex> guard(t.lock);
    for (std::uint32_t i = 0; i < t.viewerSlots.size(); ++i) {
        Table::ViewerSlot &slot = t.viewerSlots[i];
        if (slot.viewer != viewer)
            continue;
        slot.viewer = nullptr;
        slot.holds = 0;
        t.freeViewerSlots.push_back(i);
        t.liveViewers.fetch_sub(1, std::memory_order_relaxed);
        return;
    }
}

int SgHandleTable::GetViewerCount()
{
    return TheTable().liveViewers.load(std::memory_order_relaxed);
}
