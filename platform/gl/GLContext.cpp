#include "platform/gl/GLContext.h"

#include <malloc.h>

#include <atomic>

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

} // namespace

GLContext::GLContext()
{
    KeepFrameHeapForNextFrame();
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
