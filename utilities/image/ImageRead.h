#pragma once
#include "utilities/BrannicExport.h"
// Reading BMP, JPEG and PNG pictures into pixel buffers laid out for OpenGL, and
// resizing them for textures and thumbnails.
//
// A pixel buffer is an array-new'd block freed with ImageFree. Rows follow
// each other without padding, the bottom row of the picture first. A pixel
// is blue, green, red (3 bytes) or blue, green, red, 0 (4 bytes).
//
// Every reader reports failure by a null result, with nothing allocated left
// behind and the size outputs untouched.

// The most pixels a picture may have: anything larger is refused before its
// buffer is allocated (256 MB at 4 bytes a pixel).
constexpr long long IMAGE_MAX_PIXELS = 64LL * 1024 * 1024;

// Reads a file whose name ends in ".bmp", ".jpg" or ".png" (any letter
// case); other names yield null without the file being opened. A PNG file
// that cannot be read is reported (SgDiagnostics) with the reason. 3-byte pixels, or 4-byte
// ones when `widen` is non-zero.
BRANNIC_API unsigned char *ImageRead(const char *path, int *width, int *height, int widen);

// Reads 4-byte pixels and scales them to power-of-two sides no larger than
// the current GL context allows. Needs a current GL context for the scaling;
// when scaling fails the unscaled picture comes back with the file's size.
BRANNIC_API unsigned char *ReadImagePow2(const char *path, int *width, int *height);

// A buffer of exactly width x height 4-byte pixels: the file's picture when
// it has that size, else fitted into it with black borders (fit non-zero) or
// its first width x height pixels, padded with black when it has fewer. The
// file's own size is reported through the outputs that are not null.
BRANNIC_API unsigned char *ReadImageWithScale(long width, long height, const char *path, long *fileWidth,
                                  long *fileHeight, int fit);

// Scales 4-byte pixels into a new buffer with GLU. Needs a current GL
// context; null on failure. The input is never freed.
BRANNIC_API unsigned char *GL_ScaleImage(int widthIn, int heightIn, int widthOut, int heightOut, unsigned char *pixels);

BRANNIC_API void ImageFree(unsigned char *pixels);

// Widens 3-byte pixels to 4-byte ones into `dst`, or into a new buffer when
// `dst` is null; only in that case is `src` freed. Null when the new buffer
// cannot be allocated (`src` is then left to the caller).
BRANNIC_API unsigned char *fix_buffer_32(unsigned char *src, int width, int height, unsigned char *dst = nullptr);

// Fits a picture of 4-byte pixels into a destination of dw x dh pixels,
// keeping its proportions and filling the rest with black.
BRANNIC_API void scale_buffers_dll(const unsigned char *src, int sw, int sh, unsigned char *dst, int dw, int dh);

// The power of two nearest to `side`, a tie going to the larger one; a side
// of 0 or less becomes 64.
BRANNIC_API int NearestPowerOfTwo(int side);

// The texture side for a picture side: the nearest power of two, limited to
// `maxTextureSize` when that is positive.
BRANNIC_API int TexturePow2Side(int side, int maxTextureSize);
