#pragma once
#include "platform/PlatformExport.h"
// The few GL services that image handling outside the renderer needs: whether
// a context is current, its texture size limit, and GLU's image scaling.

// True when the calling thread has a current GL context; GL state read
// without one is garbage.
PLATFORM_API bool GLHasCurrentContext();

// The context's largest texture side; 0 without a current context.
PLATFORM_API int GLMaxTextureSize();

// Scales a packed 32-bit BGRA image with GLU into `out` (widthOut x heightOut
// pixels). Needs a current context; false when there is none or GLU fails.
PLATFORM_API bool GLScaleImageBGRA(int widthIn, int heightIn, const unsigned char *in, int widthOut, int heightOut,
                      unsigned char *out);
