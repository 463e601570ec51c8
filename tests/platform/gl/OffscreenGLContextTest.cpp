#include <gtest/gtest.h>

#include <GL/gl.h>

#include <malloc.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/SgError.h"
#include "platform/gl/OffscreenGLContext.h"

namespace {

using Rgba = std::array<int, 4>;

constexpr int SIZE = 64;
// Software rasterisers round colours to the nearest step; a few steps of
// slack keep the probes from depending on the exact rounding.
constexpr int TOLERANCE = 3;

const Rgba CLEAR{51, 102, 153, 255};  // 0.2, 0.4, 0.6
const Rgba RED{255, 0, 0, 255};
const Rgba GREEN{0, 255, 0, 255};
const Rgba BLUE{0, 0, 255, 255};

Rgba Pixel(const std::vector<unsigned char> &image, int width, int x, int y)
{
    const unsigned char *p = image.data() + 4 * (static_cast<std::size_t>(y) * width + x);
    return {p[0], p[1], p[2], p[3]};
}

::testing::AssertionResult Near(const Rgba &got, const Rgba &want)
{
    for (int i = 0; i < 4; ++i)
        if (std::abs(got[i] - want[i]) > TOLERANCE)
            return ::testing::AssertionFailure() << "got " << got[0] << "," << got[1] << "," << got[2] << ","
                                                 << got[3] << " instead of " << want[0] << "," << want[1] << ","
                                                 << want[2] << "," << want[3];
    return ::testing::AssertionSuccess();
}

void Clear(const Rgba &c)
{
    glClearColor(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// A filled rectangle in normalised device coordinates.
void Rect(const Rgba &c, float x0, float y0, float x1, float y1)
{
    glColor3ub(static_cast<GLubyte>(c[0]), static_cast<GLubyte>(c[1]), static_cast<GLubyte>(c[2]));
    glRectf(x0, y0, x1, y1);
}

class OffscreenGLContextTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_context.MakeCurrent()); }

    Rgba Front(int x, int y) { return Pixel(m_context.ReadFrontPixels(), m_context.GetWidth(), x, y); }
    Rgba Back(int x, int y) { return Pixel(m_context.ReadBackPixels(), m_context.GetWidth(), x, y); }

    OffscreenGLContext m_context{SIZE, SIZE};
};

} // namespace

TEST_F(OffscreenGLContextTest, HasTheBuffersTheRendererNeeds)
{
    struct BitsCase {
        GLenum query;
        const char *name;
        int bits;
    };
    const BitsCase cases[] = {
        {GL_RED_BITS, "red", 8},         {GL_GREEN_BITS, "green", 8},         {GL_BLUE_BITS, "blue", 8},
        {GL_ALPHA_BITS, "alpha", 8},     {GL_DEPTH_BITS, "depth", 24},        {GL_STENCIL_BITS, "stencil", 8},
        {GL_ACCUM_RED_BITS, "accumulation", 16},
    };
    for (const BitsCase &c : cases) {
        GLint bits = 0;
        glGetIntegerv(c.query, &bits);
        EXPECT_EQ(bits, c.bits) << c.name << " bits";
    }
    // The accumulation buffer must really hold values: half of a colour
    // loaded at half weight comes back as a quarter (alpha: a half).
    Clear({128, 128, 128, 255});
    glAccum(GL_LOAD, 0.5f);
    glAccum(GL_RETURN, 1.0f);
    EXPECT_TRUE(Near(Back(5, 5), {64, 64, 64, 128}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(OffscreenGLContextTest, ClearAndTriangleShowAfterTheSwap)
{
    Clear(CLEAR);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(-1, 1);
    glEnd();
    EXPECT_TRUE(Near(Front(8, 8), {0, 0, 0, 0})) << "front image changed before the swap";

    m_context.SwapBuffers();
    EXPECT_TRUE(Near(Front(8, 8), RED)) << "inside the triangle (bottom left)";
    EXPECT_TRUE(Near(Front(56, 56), CLEAR)) << "outside the triangle (top right)";
    EXPECT_TRUE(Near(Back(56, 56), CLEAR)) << "the back image keeps its contents";

    // The next frame stays behind until the next swap.
    Clear(GREEN);
    EXPECT_TRUE(Near(Front(8, 8), RED));
    m_context.SwapBuffers();
    EXPECT_TRUE(Near(Front(8, 8), GREEN));
}

TEST_F(OffscreenGLContextTest, FrontDrawingReachesTheVisibleImageOnly)
{
    Clear(GREEN);
    m_context.SwapBuffers();
    Clear(RED);  // the next frame, not shown yet

    glEnable(GL_DEPTH_TEST);
    m_context.SetDrawBuffer(GLContext::Buffer::Front);
    EXPECT_EQ(m_context.GetDrawBuffer(), GLContext::Buffer::Front);
    GLint depthTest = GL_FALSE;
    glGetIntegerv(GL_DEPTH_TEST, &depthTest);
    EXPECT_TRUE(depthTest) << "switching buffers changed the caller's state";
    glDisable(GL_DEPTH_TEST);
    Rect(BLUE, 0.5f, 0.5f, 1.0f, 1.0f);  // top-right quarter
    EXPECT_TRUE(Near(Front(60, 60), BLUE)) << "overlay seen while drawing to the front";
    EXPECT_TRUE(Near(Front(4, 4), GREEN)) << "overlay drawn over the shown frame";
    EXPECT_TRUE(Near(Back(60, 60), RED)) << "back image touched by front drawing";

    m_context.SetDrawBuffer(GLContext::Buffer::Back);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "switching buffers left a GL error";
    glGetIntegerv(GL_DEPTH_TEST, &depthTest);
    EXPECT_FALSE(depthTest) << "switching back changed the caller's state";
    EXPECT_TRUE(Near(Front(60, 60), BLUE));
    EXPECT_TRUE(Near(Front(4, 4), GREEN));
    EXPECT_TRUE(Near(Back(60, 60), RED));
    EXPECT_TRUE(Near(Back(4, 4), RED));

    m_context.SwapBuffers();
    EXPECT_TRUE(Near(Front(60, 60), RED)) << "the swap replaces the overlay";
}

TEST_F(OffscreenGLContextTest, ContextsKeepTheirOwnImages)
{
    Clear(RED);
    m_context.SwapBuffers();

    OffscreenGLContext other(SIZE, SIZE);
    ASSERT_TRUE(other.MakeCurrent());
    EXPECT_FALSE(m_context.IsCurrent());
    EXPECT_EQ(GLContext::GetCurrent(), &other);
    Clear(BLUE);
    other.SwapBuffers();

    ASSERT_TRUE(m_context.MakeCurrent());
    EXPECT_TRUE(Near(Front(10, 10), RED));
    EXPECT_TRUE(Near(Back(10, 10), RED));
    EXPECT_TRUE(Near(Pixel(other.ReadFrontPixels(), SIZE, 10, 10), BLUE));
}

TEST_F(OffscreenGLContextTest, ResizeAcceptsOnlyDrawableSizes)
{
    EXPECT_FALSE(m_context.Resize(0, 10));
    EXPECT_FALSE(m_context.Resize(10, -1));
    EXPECT_FALSE(m_context.Resize(OffscreenGLContext::MaxSide() + 1, 10));
    EXPECT_EQ(m_context.GetWidth(), SIZE);

    ASSERT_TRUE(m_context.Resize(100, 30));
    ASSERT_EQ(m_context.ReadFrontPixels().size(), 100u * 30 * 4);
    glViewport(0, 0, 100, 30);
    Clear(BLUE);
    m_context.SwapBuffers();
    EXPECT_TRUE(Near(Front(99, 29), BLUE)) << "far corner of the new size";
}

TEST(OffscreenGLContext, RefusesSizesAndFormatsItCannotProvide)
{
    EXPECT_THROW(OffscreenGLContext(0, 10), SgError);
    EXPECT_THROW(OffscreenGLContext(10, OffscreenGLContext::MaxSide() + 1), SgError);
    GLPixelFormat deep;
    deep.stencilBits = 16;
    EXPECT_THROW(OffscreenGLContext(10, 10, deep), SgError);
}

TEST(OffscreenGLContext, NewPixelFormatTakesEffect)
{
    OffscreenGLContext context(8, 8);
    ASSERT_TRUE(context.MakeCurrent());
    GLPixelFormat flat;
    flat.depthBits = 0;
    flat.stencilBits = 0;
    flat.accumBits = 0;
    GLPixelFormat chosen;
    ASSERT_TRUE(context.ChoosePixelFormat(flat, chosen));
    ASSERT_TRUE(context.SetPixelFormat(chosen));
    EXPECT_TRUE(context.IsCurrent());
    GLint depth = -1;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(context.GetPixelFormat().depthBits, 0);

    GLPixelFormat tooDeep;
    tooDeep.accumBits = 32;
    EXPECT_FALSE(context.ChoosePixelFormat(tooDeep, chosen));
    EXPECT_FALSE(context.SetPixelFormat(tooDeep));
}

TEST(OffscreenGLContext, ReleaseLeavesNoContextCurrent)
{
    {
        OffscreenGLContext context(8, 8);
        ASSERT_TRUE(context.MakeCurrent());
        context.ReleaseCurrent();
        EXPECT_EQ(GLContext::GetCurrent(), nullptr);
        EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "GL calls still reach the released context";
        ASSERT_TRUE(context.MakeCurrent());
    }
    EXPECT_EQ(GLContext::GetCurrent(), nullptr) << "a destroyed context stays current";
}

TEST(GetGLProcAddress, FindsEntryPointsOfTheCurrentContext)
{
    EXPECT_NE(GetGLProcAddress("glClientActiveTextureARB"), nullptr) << "without a context of ours";
    OffscreenGLContext context(8, 8);
    ASSERT_TRUE(context.MakeCurrent());
    EXPECT_NE(GetGLProcAddress("glClientActiveTextureARB"), nullptr);
    EXPECT_NE(GetGLProcAddress("glBlendEquationEXT"), nullptr);
    EXPECT_EQ(GetGLProcAddress(nullptr), nullptr);
}

// A software rasteriser bins each frame's triangles in blocks it frees at the
// end of the frame: handing them back to the system makes the next frame
// fault every page in again, which cost a steady frame of small triangles
// ten times its drawing. Once a context exists, a frame's worth of freed
// blocks stays with the process.
TEST(OffscreenGLContext, FreedFrameBlocksStayWithTheProcess)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own pages";
#else
    OffscreenGLContext context(SIZE, SIZE);
    constexpr std::size_t kBlock = 64 * 1024;
    constexpr int kBlocks = 256;  // 16 MB, as a frame of 100,000 small triangles bins
    std::vector<void *> blocks;
    for (int i = 0; i < kBlocks; ++i) {
        void *block = std::malloc(kBlock);
        ASSERT_NE(block, nullptr);
        static_cast<volatile char *>(block)[0] = 1;
        blocks.push_back(block);
    }
    const std::size_t held = mallinfo2().arena;
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        std::free(*it);
    const std::size_t kept = mallinfo2().arena;
    EXPECT_GE(kept + kBlock, held) << "freed " << held - kept << " bytes back to the system";
#endif
}

namespace {

// The "VmFlags" line of the mapping that holds `address`, from
// /proc/self/smaps; empty when no mapping holds it.
std::string MappingFlagsAt(const void *address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(maps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-' && line.find(' ') != std::string::npos &&
            line.find(':') > line.find(' ')) {
            inside = at >= from && at < to;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return "";
}

} // namespace

// A software rasteriser takes a frame's bins from the heap: tens of
// megabytes for a large scene, and faulting them in page by page cost its
// first picture more than the drawing (on a virtual machine, a fault costs
// tens of microseconds). Once a context exists, the heap holds room for a
// frame at its top, advised for huge pages, so that frames fault in two
// megabytes at a time.
TEST(OffscreenGLContext, TheHeapKeepsRoomForAFrameInHugePages)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own pages";
#else
    OffscreenGLContext context(SIZE, SIZE);
    const std::size_t top = mallinfo2().keepcost;
    const char *end = static_cast<const char *>(sbrk(0));
    EXPECT_GE(top, std::size_t{64} << 20) << "room at the top of the heap for a frame's blocks";
    const std::string flags = MappingFlagsAt(end - top / 2);
    EXPECT_NE(flags.find(" hg"), std::string::npos) << "the room is not advised for huge pages: " << flags;
#endif
}

// The heap's padding is the host's setting: making the room for frames
// leaves it as the host set it. The heap's next growth shows it.
TEST(OffscreenGLContext, TheRoomForFramesLeavesTheHostsHeapPaddingAlone)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own pages";
#else
    constexpr std::size_t kHostPad = 16 << 20;
    ASSERT_EQ(mallopt(M_TOP_PAD, int(kHostPad)), 1);
    OffscreenGLContext context(SIZE, SIZE);
    // Blocks below the mapping threshold use up the room at the top until
    // one makes the heap grow: by what it lacks plus the padding.
    constexpr std::size_t kBlock = 8 << 20;
    std::vector<void *> blocks;
    std::size_t grown = 0;
    for (int i = 0; i < 64 && grown == 0; ++i) {
        const std::size_t before = mallinfo2().arena;
        blocks.push_back(std::malloc(kBlock));
        ASSERT_NE(blocks.back(), nullptr);
        grown = mallinfo2().arena - before;
    }
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        std::free(*it);
    EXPECT_GE(grown, kHostPad) << "the heap grew by " << grown << " bytes: its padding was changed";
#endif
}

// A context made on another thread leaves the main heap as it was: that
// thread's blocks come from an arena of its own.
TEST(OffscreenGLContext, AContextOnAnotherThreadLeavesTheMainHeapAlone)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own pages";
#else
    const std::size_t before = mallinfo2().arena;
    std::thread([] { OffscreenGLContext context(SIZE, SIZE); }).join();
    EXPECT_LT(mallinfo2().arena, before + (std::size_t{32} << 20)) << "the main heap grew by the frames' room";
#endif
}
