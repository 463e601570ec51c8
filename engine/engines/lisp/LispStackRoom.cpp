#include "engine/engines/lisp/LispState.h"

#include <pthread.h>

#include <algorithm>

namespace {

// Left unused below the deepest level: the frames of a built-in, the
// printer's and the diagnostics' calls run below the last level checked.
constexpr size_t kLispStackReserve = 128u << 10;

// The lowest address of the calling thread's stack, 0 when unknown; asked
// once per thread (for the main thread the library reads the process's maps).
uintptr_t LispThreadStackBottom()
{
    thread_local uintptr_t t_bottom = 0;
    thread_local bool t_asked = false;
    if (t_asked)
        return t_bottom;
    t_asked = true;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0)
        return 0;
    void *low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0)
        t_bottom = reinterpret_cast<uintptr_t>(low);
    pthread_attr_destroy(&attr);
    return t_bottom;
}

} // namespace

size_t LispStackRoomBelow(uintptr_t frame)
{
    // The thread's own stack decides: a host may evaluate in a thread of a
    // few hundred kilobytes, or run under a small stack limit.
    const uintptr_t bottom = LispThreadStackBottom();
    if (bottom == 0)
        return kLispMaxStackBytes;
    const size_t below = frame > bottom ? frame - bottom : 0;
    return std::min(kLispMaxStackBytes, below > kLispStackReserve ? below - kLispStackReserve : below / 2);
}
