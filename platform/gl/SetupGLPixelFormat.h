#pragma once
// The pixel format every GL surface of the system asks for.
#include "platform/gl/GLContext.h"
#include "platform/gl/GLPixelFormat.h"
#include "platform/PlatformExport.h"

// Bits of the flags word.
constexpr int PIXEL_FORMAT_DOUBLE_BUFFER = 1;
constexpr int PIXEL_FORMAT_DRAW_TO_BITMAP = 2;

// RGB of 8 bits a channel, depth 24, stencil 8 and 16-bit accumulation
// channels; double-buffered and drawing to a bitmap as the flags say.
PLATFORM_API GLPixelFormat DescribeGLPixelFormat(int flags);

// Gives `context` the format for `flags`. Returns 1, or 0 after telling the
// user "ChoosePixelFormat failed" (no format fits) or "SetPixelFormat failed"
// (the surface refused it); the surface is then unusable for drawing.
PLATFORM_API int SetupGLPixelFormat(GLContext &context, int flags);
