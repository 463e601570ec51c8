#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "platform/gl/OffscreenGLContext.h"
#include "platform/gl/SetupGLPixelFormat.h"

namespace {

class RecordingNotifier : public Notifier {
public:
    RecordingNotifier() : m_previous(SetNotifier(this)) {}
    ~RecordingNotifier() override { SetNotifier(m_previous); }
    int Message(const std::string &text, const std::string &caption, Buttons, Icon) override
    {
        m_shown.push_back(caption + ": " + text);
        return Ok;
    }
    std::vector<std::string> m_shown;

private:
    Notifier *m_previous;
};

// A surface that refuses at the step a case asks for.
class RefusingContext : public GLContext {
public:
    RefusingContext(bool choose, bool set) : m_choose(choose), m_set(set) {}
    bool MakeCurrent() override { return false; }
    void ReleaseCurrent() override {}
    int GetWidth() const override { return 1; }
    int GetHeight() const override { return 1; }
    bool Resize(int, int) override { return false; }
    GLPixelFormat GetPixelFormat() const override { return m_format; }
    bool ChoosePixelFormat(const GLPixelFormat &request, GLPixelFormat &chosen) const override
    {
        chosen = request;
        return m_choose;
    }
    bool SetPixelFormat(const GLPixelFormat &format) override
    {
        if (m_set)
            m_format = format;
        return m_set;
    }
    void SetDrawBuffer(Buffer) override {}
    Buffer GetDrawBuffer() const override { return Buffer::Back; }
    void SwapBuffers() override {}
    Proc GetProcAddress(const char *) const override { return nullptr; }

private:
    bool m_choose, m_set;
    GLPixelFormat m_format;
};

} // namespace

TEST(SetupGLPixelFormat, FlagsChooseBufferingAndTarget)
{
    struct FlagCase {
        int flags;
        bool doubleBuffer, drawToBitmap;
    };
    const FlagCase cases[] = {{0, false, false}, {1, true, false}, {2, false, true}, {3, true, true}};
    for (const FlagCase &c : cases) {
        const GLPixelFormat format = DescribeGLPixelFormat(c.flags);
        EXPECT_EQ(format.doubleBuffer, c.doubleBuffer) << "flags " << c.flags;
        EXPECT_EQ(format.drawToBitmap, c.drawToBitmap) << "flags " << c.flags;
        // Shadows need the stencil, anti-aliasing the accumulation buffer.
        EXPECT_GE(format.stencilBits, 8);
        EXPECT_GE(format.accumBits, 16);
        EXPECT_GE(format.depthBits, 24);
    }
}

TEST(SetupGLPixelFormat, OffscreenSurfacesTakeEitherFormat)
{
    RecordingNotifier notifier;
    for (int flags : {0, 3}) {
        OffscreenGLContext context(8, 8);
        EXPECT_EQ(SetupGLPixelFormat(context, flags), 1) << "flags " << flags;
        EXPECT_TRUE(context.GetPixelFormat().Satisfies(DescribeGLPixelFormat(flags))) << "flags " << flags;
        ASSERT_TRUE(context.MakeCurrent());
        GLint stencil = 0;
        glGetIntegerv(GL_STENCIL_BITS, &stencil);
        EXPECT_EQ(stencil, 8);
    }
    EXPECT_TRUE(notifier.m_shown.empty());
}

TEST(SetupGLPixelFormat, RefusalIsToldToTheUserAndReturnsZero)
{
    struct RefusalCase {
        bool choose, set;
        const char *message;
    };
    const RefusalCase cases[] = {
        {false, true, "Error: ChoosePixelFormat failed"},
        {true, false, "Error: SetPixelFormat failed"},
    };
    for (const RefusalCase &c : cases) {
        RecordingNotifier notifier;
        RefusingContext context(c.choose, c.set);
        EXPECT_EQ(SetupGLPixelFormat(context, 1), 0) << c.message;
        EXPECT_EQ(notifier.m_shown, std::vector<std::string>{c.message});
    }
}
