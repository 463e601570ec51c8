#pragma once
// The table behind the GL entry points; only this library's sources see it.
// The generated definitions call Entry(i) for the function named kEntryNames[i].
#include <atomic>

#define GLENTRY_INTERNAL __attribute__((visibility("hidden")))

namespace GLEntry {

extern GLENTRY_INTERNAL const int kEntryCount;
extern GLENTRY_INTERNAL const char *const kEntryNames[];
// One slot per entry point; null until the first call after a change of source.
extern GLENTRY_INTERNAL std::atomic<void *> g_slots[];

GLENTRY_INTERNAL void *Resolve(int index);

inline void *Entry(int index)
{
    void *target = g_slots[index].load(std::memory_order_acquire);
    return target != nullptr ? target : Resolve(index);
}

} // namespace GLEntry
