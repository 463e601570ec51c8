#include "platform/gl/GLImageScale.h"

#include <GL/gl.h>
#include <GL/glu.h>

bool GLHasCurrentContext()
{
    return glGetString(GL_VERSION) != nullptr;
}

int GLMaxTextureSize()
{
    GLint size = 0;
    if (GLHasCurrentContext())
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

bool GLScaleImageBGRA(int widthIn, int heightIn, const unsigned char *in, int widthOut, int heightOut,
                      unsigned char *out)
{
    if (!GLHasCurrentContext())
        return false;
    // Rows are packed: whatever pixel-store state the caller left would make
    // GLU read or write past the buffers.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    const GLenum parameters[] = {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS,
                                 GL_UNPACK_SWAP_BYTES, GL_UNPACK_LSB_FIRST,  GL_PACK_ROW_LENGTH,
                                 GL_PACK_SKIP_ROWS,    GL_PACK_SKIP_PIXELS,  GL_PACK_SWAP_BYTES,
                                 GL_PACK_LSB_FIRST,    GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES,
                                 GL_PACK_IMAGE_HEIGHT, GL_PACK_SKIP_IMAGES};
    for (GLenum parameter : parameters)
        glPixelStorei(parameter, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    const GLint status = gluScaleImage(GL_BGRA_EXT, widthIn, heightIn, GL_UNSIGNED_BYTE, in, widthOut, heightOut,
                                       GL_UNSIGNED_BYTE, out);
    glPopClientAttrib();
    return status == 0;
}
