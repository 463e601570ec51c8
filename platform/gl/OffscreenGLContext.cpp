#include "platform/gl/OffscreenGLContext.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/SgError.h"
#include "platform/glentry/GLEntryPoints.h"

namespace {

// The offscreen GL library, loaded by the first offscreen context.
struct OffscreenLibrary {
    void *handle = nullptr;
    decltype(&OSMesaCreateContextAttribs) createContext = nullptr;
    decltype(&OSMesaDestroyContext) destroyContext = nullptr;
    decltype(&OSMesaMakeCurrent) makeCurrent = nullptr;
    decltype(&OSMesaGetIntegerv) getIntegerv = nullptr;
    decltype(&OSMesaGetProcAddress) getProcAddress = nullptr;
    // Why it could not be used; empty when it can.
    std::string error;
};

void *s_offscreenHandle = nullptr;

void *OffscreenFunction(const char *name)
{
    return dlsym(s_offscreenHandle, name);
}

template <typename Function> bool Find(void *handle, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

OffscreenLibrary Load()
{
    OffscreenLibrary library;
    for (const char *name : {FENNIX_OSMESA_SONAME, FENNIX_OSMESA_PATH}) {
        library.handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (library.handle != nullptr)
            break;
    }
    if (library.handle == nullptr) {
        const char *reason = dlerror();
        library.error = std::string("Cannot load the offscreen GL library " FENNIX_OSMESA_SONAME ": ") +
                        (reason != nullptr ? reason : "not found");
        return library;
    }
    if (!Find(library.handle, "OSMesaCreateContextAttribs", library.createContext) ||
        !Find(library.handle, "OSMesaDestroyContext", library.destroyContext) ||
        !Find(library.handle, "OSMesaMakeCurrent", library.makeCurrent) ||
        !Find(library.handle, "OSMesaGetIntegerv", library.getIntegerv) ||
        !Find(library.handle, "OSMesaGetProcAddress", library.getProcAddress)) {
        library.error = "The offscreen GL library " FENNIX_OSMESA_SONAME " lacks the functions of its interface";
        return library;
    }
    // Its GL functions also serve window-system contexts of the same
    // drivers (they dispatch through the table those share), so every GL
    // call of the process can go there from now on.
    s_offscreenHandle = library.handle;
    GLEntry::SetSource(&OffscreenFunction);
    return library;
}

// Loaded once, on first use.
const OffscreenLibrary &Loaded()
{
    static const OffscreenLibrary library = Load();
    return library;
}

// Throws SgError when the library cannot be used.
const OffscreenLibrary &Library()
{
    const OffscreenLibrary &library = Loaded();
    if (!library.error.empty())
        throw SgError(library.error);
    return library;
}

// The deepest buffers the offscreen library offers with an RGBA colour buffer.
constexpr int MAX_COLOR_BITS = 8;
constexpr int DEPTH_BITS = 24;
constexpr int STENCIL_BITS = 8;
constexpr int ACCUM_BITS = 16;
// Used when the library cannot tell its own limit.
constexpr int FALLBACK_MAX_SIDE = 4096;

std::size_t ImageBytes(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

} // namespace

GLPixelFormat OffscreenGLContext::DefaultPixelFormat()
{
    GLPixelFormat format;
    format.drawToBitmap = true;
    format.alphaBits = MAX_COLOR_BITS;
    return format;
}

int OffscreenGLContext::MaxSide()
{
    const OffscreenLibrary &library = Loaded();
    // Without the library there is no limit to tell; making a context says
    // why it cannot be done.
    if (!library.error.empty())
        return FALLBACK_MAX_SIDE;
    GLint width = 0;
    GLint height = 0;
    library.getIntegerv(OSMESA_MAX_WIDTH, &width);
    library.getIntegerv(OSMESA_MAX_HEIGHT, &height);
    int side = std::min(width, height);
    return side > 0 ? side : FALLBACK_MAX_SIDE;
}

bool OffscreenGLContext::SizeInRange(int width, int height)
{
    // The library binds any size it is given, so the limit is checked here.
    int maxSide = MaxSide();
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide;
}

OffscreenGLContext::OffscreenGLContext(int width, int height, const GLPixelFormat &format)
{
    Library();
    if (!SizeInRange(width, height))
        throw SgError("Offscreen GL surface size out of range");
    GLPixelFormat chosen;
    if (!ChoosePixelFormat(format, chosen))
        throw SgError("No offscreen GL pixel format for the request");
    m_context = CreateContext(chosen);
    if (m_context == nullptr)
        throw SgError("Cannot create the offscreen GL context");
    m_format = chosen;
    m_width = width;
    m_height = height;
    m_surface.assign(ImageBytes(width, height), 0);
    m_front.assign(m_surface.size(), 0);
}

OffscreenGLContext::~OffscreenGLContext()
{
    ReleaseCurrent();
    // A context exists only where the library could be loaded.
    Loaded().destroyContext(m_context);
}

osmesa_context *OffscreenGLContext::CreateContext(const GLPixelFormat &format) const
{
    const int attributes[] = {
        OSMESA_FORMAT, OSMESA_RGBA,
        OSMESA_DEPTH_BITS, format.depthBits,
        OSMESA_STENCIL_BITS, format.stencilBits,
        OSMESA_ACCUM_BITS, format.accumBits,
        OSMESA_PROFILE, OSMESA_COMPAT_PROFILE,
        0,
    };
    return Library().createContext(attributes, nullptr);
}

bool OffscreenGLContext::MakeCurrent()
{
    ReleaseOtherCurrent();
    return Bind();
}

bool OffscreenGLContext::Bind()
{
    const OffscreenLibrary &library = Library();
    if (!library.makeCurrent(m_context, m_surface.data(), GL_UNSIGNED_BYTE, m_width, m_height)) {
        if (IsCurrent())
            SetCurrent(nullptr);
        return false;
    }
    // Should the process's GL calls reach another library than the offscreen
    // one (a program that bypassed the entry points), every call would
    // silently go nowhere. Such a binding is useless, so say so.
    if (glGetString(GL_VERSION) == nullptr) {
        library.makeCurrent(nullptr, nullptr, 0, 0, 0);
        if (IsCurrent())
            SetCurrent(nullptr);
        return false;
    }
    SetCurrent(this);
    return true;
}

void OffscreenGLContext::ReleaseCurrent()
{
    if (!IsCurrent())
        return;
    // Rendering reaches the memory images only when the queue is drained.
    glFinish();
    Library().makeCurrent(nullptr, nullptr, 0, 0, 0);
    SetCurrent(nullptr);
}

void OffscreenGLContext::Finish()
{
    if (IsCurrent())
        glFinish();
}

bool OffscreenGLContext::Resize(int width, int height)
{
    if (!SizeInRange(width, height))
        return false;
    if (width == m_width && height == m_height)
        return true;
    bool wasCurrent = IsCurrent();
    Finish();
    m_width = width;
    m_height = height;
    m_surface.assign(ImageBytes(width, height), 0);
    m_front.assign(m_surface.size(), 0);
    if (m_drawBuffer == Buffer::Front)
        m_savedBack.assign(m_surface.size(), 0);
    // The library keeps the old image's address until it is bound again.
    return wasCurrent ? Bind() : true;
}

bool OffscreenGLContext::ChoosePixelFormat(const GLPixelFormat &request, GLPixelFormat &chosen) const
{
    if (request.colorBits > MAX_COLOR_BITS || request.alphaBits > MAX_COLOR_BITS ||
        request.depthBits > DEPTH_BITS || request.stencilBits > STENCIL_BITS ||
        request.accumBits > ACCUM_BITS || request.colorBits < 0 || request.alphaBits < 0 ||
        request.depthBits < 0 || request.stencilBits < 0 || request.accumBits < 0)
        return false;
    chosen = request;
    chosen.colorBits = MAX_COLOR_BITS;
    chosen.alphaBits = MAX_COLOR_BITS;
    chosen.depthBits = request.depthBits > 0 ? DEPTH_BITS : 0;
    chosen.stencilBits = request.stencilBits > 0 ? STENCIL_BITS : 0;
    chosen.accumBits = request.accumBits > 0 ? ACCUM_BITS : 0;
    // Both buffering modes are served by the same emulated pair of images.
    return true;
}

bool OffscreenGLContext::SetPixelFormat(const GLPixelFormat &format)
{
    GLPixelFormat chosen;
    if (!ChoosePixelFormat(format, chosen))
        return false;
    bool sameBuffers = chosen.depthBits == m_format.depthBits && chosen.stencilBits == m_format.stencilBits &&
                       chosen.accumBits == m_format.accumBits;
    if (sameBuffers) {
        m_format = chosen;
        return true;
    }
    osmesa_context *context = CreateContext(chosen);
    if (context == nullptr)
        return false;
    bool wasCurrent = IsCurrent();
    ReleaseCurrent();
    Library().destroyContext(m_context);
    m_context = context;
    m_format = chosen;
    // What was learnt about the old GL context does not hold for the new one.
    SetAttachment(nullptr);
    return wasCurrent ? Bind() : true;
}

void OffscreenGLContext::Upload(const std::vector<unsigned char> &image)
{
    // Everything that could change the pixels on their way is saved, set to
    // a plain copy and put back afterwards. A full attribute stack must not
    // make the pops below take the caller's own entries.
    GLint depth = 0, maxDepth = 0, clientDepth = 0, maxClientDepth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MAX_ATTRIB_STACK_DEPTH, &maxDepth);
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &clientDepth);
    glGetIntegerv(GL_MAX_CLIENT_ATTRIB_STACK_DEPTH, &maxClientDepth);
    const bool saveState = depth < maxDepth;
    const bool saveClientState = clientDepth < maxClientDepth;
    if (saveState)
        glPushAttrib(GL_ALL_ATTRIB_BITS);
    if (saveClientState)
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    GLint unpackBuffer = 0;
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
    if (unpackBuffer != 0)
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);

    GLint activeTexture = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    for (GLint unit = 0; unit < units; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_3D);
        glDisable(GL_TEXTURE_CUBE_MAP);
    }
    glActiveTexture(static_cast<GLenum>(activeTexture));

    const GLenum disabled[] = {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_ALPHA_TEST, GL_BLEND, GL_SCISSOR_TEST,
                               GL_FOG, GL_COLOR_LOGIC_OP, GL_DITHER, GL_COLOR_SUM};
    for (GLenum cap : disabled)
        glDisable(cap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDrawBuffer(GL_FRONT);
    glPixelZoom(1.0f, 1.0f);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    const GLenum scales[] = {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE};
    const GLenum biases[] = {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS};
    for (GLenum scale : scales)
        glPixelTransferf(scale, 1.0f);
    for (GLenum bias : biases)
        glPixelTransferf(bias, 0.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);

    glWindowPos2i(0, 0);
    glDrawPixels(m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, image.data());

    if (unpackBuffer != 0)
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer));
    if (saveClientState)
        glPopClientAttrib();
    if (saveState)
        glPopAttrib();
}

void OffscreenGLContext::SetDrawBuffer(Buffer buffer)
{
    if (buffer == m_drawBuffer)
        return;
    if (!IsCurrent() && !MakeCurrent())
        return;
    Finish();
    if (buffer == Buffer::Front) {
        m_savedBack = m_surface;
        Upload(m_front);
    } else {
        std::copy(m_surface.begin(), m_surface.end(), m_front.begin());
        Upload(m_savedBack);
        m_savedBack.clear();
    }
    m_drawBuffer = buffer;
}

void OffscreenGLContext::SwapBuffers()
{
    Finish();
    if (m_drawBuffer == Buffer::Back) {
        std::copy(m_surface.begin(), m_surface.end(), m_front.begin());
        return;
    }
    // Drawing goes to the front: the back image replaces what it shows.
    std::copy(m_savedBack.begin(), m_savedBack.end(), m_front.begin());
    if (IsCurrent() || MakeCurrent())
        Upload(m_front);
}

GLContext::Proc OffscreenGLContext::GetProcAddress(const char *name) const
{
    return name != nullptr ? Library().getProcAddress(name) : nullptr;
}

const std::vector<unsigned char> &OffscreenGLContext::ReadFrontPixels()
{
    Finish();
    return m_drawBuffer == Buffer::Back ? m_front : m_surface;
}

const std::vector<unsigned char> &OffscreenGLContext::ReadBackPixels()
{
    Finish();
    return m_drawBuffer == Buffer::Back ? m_surface : m_savedBack;
}
