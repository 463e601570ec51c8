#pragma once
// A GL rendering context together with the surface it draws on: the small
// interface through which the renderer reaches whichever context stands
// behind a window or an offscreen image.
//
// Every surface looks double-buffered to its users: drawing goes to the back
// image unless SetDrawBuffer(Front) asks for the visible one, and SwapBuffers
// shows the back image. Contexts that only have one colour buffer emulate this.
#include <memory>
#include <cstdint>

#include "platform/gl/GLPixelFormat.h"
#include "platform/PlatformExport.h"

class PLATFORM_API GLContext {
public:
    enum class Buffer { Front, Back };

    // An entry point as the GL libraries hand it out; cast it to its own type.
    using Proc = void (*)();

    virtual ~GLContext();
    GLContext(const GLContext &) = delete;
    GLContext &operator=(const GLContext &) = delete;

    // Binds this context and its surface to the calling thread; false when
    // the surface cannot be bound (the previous binding is then gone too).
    virtual bool MakeCurrent() = 0;
    // Leaves the calling thread without a context when this one is current,
    // after finishing the GL work queued on it.
    virtual void ReleaseCurrent() = 0;
    bool IsCurrent() const { return s_current == this; }

    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    // A new surface size; the contents of both images are undefined after it.
    virtual bool Resize(int width, int height) = 0;

    // The format the surface has now.
    virtual GLPixelFormat GetPixelFormat() const = 0;
    // The closest format this surface can provide for `request`; false when
    // it cannot provide one that satisfies it.
    virtual bool ChoosePixelFormat(const GLPixelFormat &request, GLPixelFormat &chosen) const = 0;
    // Gives the surface a format chosen by ChoosePixelFormat; false on failure.
    virtual bool SetPixelFormat(const GLPixelFormat &format) = 0;

    // Where drawing goes: the back image (the default) or the visible one.
    // Makes this context current.
    virtual void SetDrawBuffer(Buffer buffer) = 0;
    virtual Buffer GetDrawBuffer() const = 0;
    // Shows the back image; the back image keeps its contents.
    virtual void SwapBuffers() = 0;

    // The entry point of a GL function or extension for this context; null
    // when the libraries do not know the name.
    virtual Proc GetProcAddress(const char *name) const = 0;

    // The context current on the calling thread, null when none of ours is.
    static GLContext *GetCurrent() { return s_current; }

    // What a higher layer learns about this context and keeps with it (the
    // renderer's extension entry points, which are valid only in the context
    // they were fetched in). It goes when the context goes, and when a
    // context replaces the GL context behind it.
    class Attachment {
    public:
        virtual ~Attachment() = default;
    };
    Attachment *GetAttachment() const { return m_attachment.get(); }
    void SetAttachment(std::unique_ptr<Attachment> attachment) { m_attachment = std::move(attachment); }
    // A number no other context of the process has had: GL object names
    // made in a context are kept under it, since a later context may be
    // made at the same address.
    std::uint64_t GetSerial() const { return m_serial; }

protected:
    GLContext();
    // Subclasses record what they bind and release.
    static void SetCurrent(GLContext *context) { s_current = context; }
    // Releases the context current on this thread when it is another one, so
    // that its queued work is finished before a new binding replaces it.
    void ReleaseOtherCurrent()
    {
        if (s_current != nullptr && s_current != this)
            s_current->ReleaseCurrent();
    }

private:
    std::unique_ptr<Attachment> m_attachment;
    static thread_local GLContext *s_current;
    std::uint64_t m_serial;
};

// The entry point of `name` for the context current on the calling thread;
// without one of ours current, through the window system's lookup. Null when
// the name is unknown.
PLATFORM_API GLContext::Proc GetGLProcAddress(const char *name);
