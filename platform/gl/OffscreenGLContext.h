#pragma once
// A GL context that draws into memory, for headless rendering and tests.
//
// The offscreen library gives one colour buffer only. This class keeps the
// double-buffered view of GLContext on top of it: the GL buffer holds the
// back image, SwapBuffers copies it to a front image, and while drawing goes
// to the front the two images trade places so that overlays land on the
// visible picture and never on the back one.
#include <vector>

#include "platform/gl/GLContext.h"
#include "platform/PlatformExport.h"

struct osmesa_context;

class PLATFORM_API OffscreenGLContext : public GLContext {
public:
    // The format an offscreen surface has unless asked otherwise.
    static GLPixelFormat DefaultPixelFormat();

    // Throws SgError when the size is out of range or the GL library cannot
    // make a context of that format.
    OffscreenGLContext(int width, int height, const GLPixelFormat &format = DefaultPixelFormat());
    ~OffscreenGLContext() override;

    bool MakeCurrent() override;
    void ReleaseCurrent() override;

    int GetWidth() const override { return m_width; }
    int GetHeight() const override { return m_height; }
    bool Resize(int width, int height) override;

    GLPixelFormat GetPixelFormat() const override { return m_format; }
    bool ChoosePixelFormat(const GLPixelFormat &request, GLPixelFormat &chosen) const override;
    // Makes a new GL context when the buffers differ: textures and display
    // lists of the old one are gone, and the images' contents are undefined.
    bool SetPixelFormat(const GLPixelFormat &format) override;

    void SetDrawBuffer(Buffer buffer) override;
    Buffer GetDrawBuffer() const override { return m_drawBuffer; }
    void SwapBuffers() override;

    Proc GetProcAddress(const char *name) const override;

    // The images as RGBA bytes, width x height pixels, bottom row first
    // (the order glReadPixels uses). GL work queued on this context is
    // finished first.
    const std::vector<unsigned char> &ReadFrontPixels();
    const std::vector<unsigned char> &ReadBackPixels();

    // The largest side a surface may have.
    static int MaxSide();

private:
    static bool SizeInRange(int width, int height);
    osmesa_context *CreateContext(const GLPixelFormat &format) const;
    bool Bind();
    void Finish();
    // Puts `image` into the GL colour buffer, whatever state the caller left.
    void Upload(const std::vector<unsigned char> &image);

    osmesa_context *m_context = nullptr;
    GLPixelFormat m_format;
    int m_width = 0;
    int m_height = 0;
    Buffer m_drawBuffer = Buffer::Back;
    // Bound to the GL colour buffer: the back image, or the front one while
    // drawing goes there.
    std::vector<unsigned char> m_surface;
    // The front image while drawing goes to the back.
    std::vector<unsigned char> m_front;
    // The back image while drawing goes to the front.
    std::vector<unsigned char> m_savedBack;
};
