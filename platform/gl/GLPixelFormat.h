#pragma once
#include "platform/PlatformExport.h"
// What a GL surface is asked to provide, and what it then has. Bit counts of
// the colour and accumulation buffers are per channel.

struct PLATFORM_API GLPixelFormat {
    bool doubleBuffer = true;
    bool drawToBitmap = false;
    int colorBits = 8;    // red, green and blue each
    int alphaBits = 0;
    int depthBits = 24;
    int stencilBits = 8;
    int accumBits = 16;   // each of the four accumulation channels

    bool operator==(const GLPixelFormat &) const = default;

    // True when every buffer is at least as deep as `request` asks and the
    // buffering is the one it asks for.
    bool Satisfies(const GLPixelFormat &request) const
    {
        return doubleBuffer == request.doubleBuffer && drawToBitmap == request.drawToBitmap &&
               colorBits >= request.colorBits && alphaBits >= request.alphaBits &&
               depthBits >= request.depthBits && stencilBits >= request.stencilBits &&
               accumBits >= request.accumBits;
    }
};
