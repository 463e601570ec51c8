#include "platform/gl/GLContext.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include <GL/glx.h>

thread_local GLContext *GLContext::s_current = nullptr;

namespace {

// The software rasteriser bins every frame's triangles in blocks of the C
// heap and frees them when the frame is done. With the heap's default
// policy the freed top goes back to the system at once, and the next frame
// faults every page in again: for a frame of many small triangles that cost
// several times the drawing itself. A process that draws keeps up to this
// much freed heap for the next frame; its peak is unchanged.
constexpr int kGLKeptFreeHeapBytes = 128 * 1024 * 1024;
// Setting the policy stops the heap from raising its own threshold for
// blocks of their own mappings: it is raised at once to the most the heap
// would raise it to, so that a frame's large vertex arrays are not mapped
// and faulted in afresh every frame either.
constexpr int kGLLargestHeapBlockBytes = 32 * 1024 * 1024;

void KeepFrameHeapForNextFrame()
{
    static const bool kept = [] {
        return mallopt(M_MMAP_THRESHOLD, kGLLargestHeapBlockBytes) == 1 &&
               mallopt(M_TRIM_THRESHOLD, kGLKeptFreeHeapBytes) == 1;
    }();
    (void)kept;
}

// A frame of a large scene takes tens of megabytes of the heap (the
// software rasteriser's bins, the vertex arrays), and on a virtual machine
// every page fault costs tens of microseconds: faulting them in page by
// page cost a large scene's first picture more than its drawing. The heap
// keeps this much room at its top advised for huge pages, so that frames
// fault it in two megabytes at a time. Room, top and the block that makes
// the heap grow stay below the freed heap kept above, so the room is never
// handed back at once.
constexpr std::size_t kGLHugePageRoomBytes = 80 * 1024 * 1024;
constexpr std::uintptr_t kGLHugePageBytes = 2 * 1024 * 1024;
// The room is taken in blocks this large, below the threshold above which a
// block gets a mapping of its own instead of the heap's top.
constexpr std::size_t kGLRoomBlockBytes = kGLLargestHeapBlockBytes / 2;

void KeepRoomForAFrameInHugePages()
{
#if !defined(__SANITIZE_ADDRESS__)
    // The room is the main heap's, the one that ends at the break: another
    // thread's blocks come from an arena of its own.
    if (gettid() != getpid())
        return;
    std::size_t top = mallinfo2().keepcost;
    if (top < kGLHugePageRoomBytes) {
        // Blocks taken one after another from the top grow the heap by the
        // room; freed, they join its top again, which the freed heap kept
        // above holds. The heap's own padding is left as the host set it.
        constexpr int kMaxBlocks = int(kGLHugePageRoomBytes / kGLRoomBlockBytes) + 2;
        void *blocks[kMaxBlocks] = {};
        std::size_t taken = 0;
        for (int i = 0; i < kMaxBlocks && taken < kGLHugePageRoomBytes + kGLHugePageBytes; ++i) {
            // Volatile: a block nobody reads may otherwise never be asked for.
            void *volatile block = std::malloc(kGLRoomBlockBytes);
            blocks[i] = block;
            if (!blocks[i])
                break;
            taken += kGLRoomBlockBytes;
        }
        for (int i = kMaxBlocks - 1; i >= 0; --i)
            std::free(blocks[i]);
        top = mallinfo2().keepcost;
    }
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (end == static_cast<std::uintptr_t>(-1) || top > end)
        return;
    const std::uintptr_t from = (end - top + kGLHugePageBytes - 1) & ~(kGLHugePageBytes - 1);
    const std::uintptr_t to = end & ~(kGLHugePageBytes - 1);
    // Only advice: where huge pages are off, nothing changes.
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#endif
}

} // namespace

GLContext::GLContext()
{
    KeepFrameHeapForNextFrame();
    KeepRoomForAFrameInHugePages();
    static std::atomic<std::uint64_t> s_next{1};
    m_serial = s_next++;
}

GLContext::~GLContext()
{
    if (s_current == this)
        s_current = nullptr;
}

GLContext::Proc GetGLProcAddress(const char *name)
{
    if (name == nullptr)
        return nullptr;
    if (GLContext *current = GLContext::GetCurrent())
        return current->GetProcAddress(name);
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name));
}
