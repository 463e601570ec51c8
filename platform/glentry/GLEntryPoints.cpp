#include "platform/glentry/GLEntryPoints.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/glentry/GLEntryTable.h"

namespace GLEntry {
namespace {

std::atomic<Lookup> g_source{nullptr};

void *OpenWindowSystemLibrary()
{
    // The vendor-neutral libraries: their functions follow whichever
    // window-system context is current.
    for (const char *name : {"libGL.so.1", "libOpenGL.so.0"}) {
        if (void *library = dlopen(name, RTLD_LAZY | RTLD_LOCAL))
            return library;
    }
    return nullptr;
}

} // namespace

void *WindowSystemFunction(const char *name)
{
    using GetProc = void *(*)(const unsigned char *);
    static void *const library = OpenWindowSystemLibrary();
    static const GetProc getProc =
        library != nullptr ? reinterpret_cast<GetProc>(dlsym(library, "glXGetProcAddressARB")) : nullptr;
    if (library == nullptr || name == nullptr)
        return nullptr;
    // A lookup through the library's own handle never finds the functions
    // defined here, however the process's symbols are ordered.
    if (void *function = dlsym(library, name))
        return function;
    return getProc != nullptr ? getProc(reinterpret_cast<const unsigned char *>(name)) : nullptr;
}

void *Resolve(int index)
{
    const char *name = kEntryNames[index];
    void *target = nullptr;
    if (Lookup source = g_source.load(std::memory_order_acquire))
        target = source(name);
    if (target == nullptr)
        target = WindowSystemFunction(name);
    if (target == nullptr) {
        // Only when no GL library is installed at all: there is nothing a
        // call could do, and its result would be garbage.
        std::fprintf(stderr, "The GL function %s is not available: no GL library could be loaded.\n", name);
        std::abort();
    }
    g_slots[index].store(target, std::memory_order_release);
    return target;
}

void SetSource(Lookup lookup)
{
    g_source.store(lookup, std::memory_order_release);
    for (int i = 0; i < kEntryCount; ++i)
        g_slots[i].store(nullptr, std::memory_order_release);
}

void *Target(const char *name)
{
    if (name == nullptr)
        return nullptr;
    for (int i = 0; i < kEntryCount; ++i) {
        if (std::strcmp(kEntryNames[i], name) == 0)
            return Entry(i);
    }
    return nullptr;
}

} // namespace GLEntry
