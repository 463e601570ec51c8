#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/gl/OffscreenGLContext.h"
#include "platform/glentry/GLEntryPoints.h"

namespace {

// The file of the library that defines the code at `address`.
std::string LibraryOf(void *address)
{
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return "(none)";
    return info.dli_fname;
}

bool Contains(const std::string &text, const char *part)
{
    return text.find(part) != std::string::npos;
}

bool OffscreenLibraryMapped()
{
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return Contains(text.str(), "OSMesa");
}

const char *const kSomeFunctions[] = {"glClear", "glBegin", "glVertex3f", "glTexImage2D", "glGenBuffers",
                                      "glGetString"};

} // namespace

TEST(GLEntryPointsTest, EveryGLCallOfTheProcessReachesThemFirst)
{
    for (const char *name : kSomeFunctions) {
        EXPECT_TRUE(Contains(LibraryOf(dlsym(RTLD_DEFAULT, name)), "libPlatformGLEntry"))
            << name << " is bound to " << LibraryOf(dlsym(RTLD_DEFAULT, name));
    }
    EXPECT_EQ(GLEntry::Target("glNoSuchFunction"), nullptr);
    EXPECT_EQ(GLEntry::Target(nullptr), nullptr);
}

// In a fresh process: nothing that only links the libraries maps the
// offscreen GL library; the first offscreen context loads it, and from then
// on the process's GL calls go there. (The sanitizer build maps it at start.)
TEST(GLEntryPointsTest, TheOffscreenLibraryIsLoadedByTheFirstOffscreenContextOnly)
{
#ifdef FENNIX_OFFSCREEN_GL_AT_START
    const bool mappedAtStart = true;
#else
    const bool mappedAtStart = false;
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int failures = 0;
            if (OffscreenLibraryMapped() != mappedAtStart)
                failures |= 1;
            if (!Contains(LibraryOf(GLEntry::Target("glClear")), "libGL"))
                failures |= 2;
            OffscreenGLContext context(8, 8);
            if (!OffscreenLibraryMapped())
                failures |= 4;
            if (!Contains(LibraryOf(GLEntry::Target("glClear")), "OSMesa"))
                failures |= 8;
            if (!context.MakeCurrent() || glGetString(GL_VERSION) == nullptr)
                failures |= 16;
            std::exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}

// GLU draws with GL calls of its own; they must reach the offscreen context
// too, or quadrics would vanish from every offscreen picture.
TEST(GLEntryPointsTest, GLUDrawsIntoTheOffscreenContext)
{
    OffscreenGLContext context(32, 32);
    ASSERT_TRUE(context.MakeCurrent());
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    GLUquadric *quadric = gluNewQuadric();
    ASSERT_NE(quadric, nullptr);
    gluDisk(quadric, 0.0, 0.5, 16, 1);
    gluDeleteQuadric(quadric);
    const std::vector<unsigned char> &image = context.ReadBackPixels();
    const unsigned char *centre = image.data() + 4 * (16 * 32 + 16);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[2], 0);
    const unsigned char *corner = image.data();
    EXPECT_EQ(corner[0], 0);
    EXPECT_EQ(corner[2], 255);
}

// A source that lacks a function leaves it to the window-system library, and
// a null source gives the process back to that library. Run apart: the
// offscreen contexts of the other tests need their source.
TEST(GLEntryPointsTest, WhatTheSourceLacksGoesToTheWindowSystemLibrary)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int failures = 0;
            GLEntry::SetSource([](const char *name) -> void * {
                return std::string(name) == "glClear" ? reinterpret_cast<void *>(&OffscreenLibraryMapped) : nullptr;
            });
            if (GLEntry::Target("glClear") != reinterpret_cast<void *>(&OffscreenLibraryMapped))
                failures |= 1;
            if (GLEntry::Target("glBegin") != GLEntry::WindowSystemFunction("glBegin") ||
                !Contains(LibraryOf(GLEntry::Target("glBegin")), "libGL"))
                failures |= 2;
            GLEntry::SetSource(nullptr);
            if (GLEntry::Target("glClear") != GLEntry::WindowSystemFunction("glClear"))
                failures |= 4;
            std::exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}
