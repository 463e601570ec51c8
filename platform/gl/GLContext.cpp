#include "platform/gl/GLContext.h"

#include <atomic>

#include <GL/glx.h>

thread_local GLContext *GLContext::s_current = nullptr;

GLContext::GLContext()
{
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
