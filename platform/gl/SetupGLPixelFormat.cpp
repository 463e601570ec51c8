#include "platform/gl/SetupGLPixelFormat.h"

#include "platform/SgDiagnostics.h"

GLPixelFormat DescribeGLPixelFormat(int flags)
{
    GLPixelFormat format;
    format.doubleBuffer = (flags & PIXEL_FORMAT_DOUBLE_BUFFER) != 0;
    format.drawToBitmap = (flags & PIXEL_FORMAT_DRAW_TO_BITMAP) != 0;
    format.colorBits = 8;
    format.alphaBits = 0;
    format.depthBits = 24;
    format.stencilBits = 8;
    format.accumBits = 16;
    return format;
}

int SetupGLPixelFormat(GLContext &context, int flags)
{
    GLPixelFormat chosen;
    if (!context.ChoosePixelFormat(DescribeGLPixelFormat(flags), chosen)) {
        SgDiagTellUser(SgDiagLevel::Error, "GLContext", "ChoosePixelFormat failed", "Error");
        return 0;
    }
    if (!context.SetPixelFormat(chosen)) {
        SgDiagTellUser(SgDiagLevel::Error, "GLContext", "SetPixelFormat failed", "Error");
        return 0;
    }
    return 1;
}
