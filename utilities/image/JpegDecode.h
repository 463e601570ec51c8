/* The libjpeg decompression loop, kept in C: the decoder reports fatal errors
 * by a long jump, which must never cross C++ frames. */
#ifndef FENNIX_UTILITIES_IMAGE_JPEGDECODE_H
#define FENNIX_UTILITIES_IMAGE_JPEGDECODE_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

enum JpegDecodeStatus {
    JPEG_DECODE_OK = 0,
    JPEG_DECODE_ERROR,       /* the decoder gave up; the message says why */
    JPEG_DECODE_TOO_LARGE,   /* more pixels than the caller allows */
    JPEG_DECODE_NO_MEMORY,   /* the pixel buffer could not be allocated */
    JPEG_DECODE_UNSUPPORTED  /* a component count with no RGB meaning */
};

/* The decoder's own limit on a formatted message (its JMSG_LENGTH_MAX). */
#define JPEG_DECODE_MESSAGE_SIZE 200

/* Pixel buffers are made and released by the caller's allocator: neither
 * function may throw or jump. */
typedef unsigned char *(*JpegAllocate)(size_t bytes);
typedef void (*JpegRelease)(unsigned char *pixels);

struct JpegDecodeResult {
    unsigned char *pixels; /* red, green, blue, the top row first */
    int width;
    int height;
    char message[JPEG_DECODE_MESSAGE_SIZE];
};

/* Decodes the whole of `file` (left open). On JPEG_DECODE_OK the result holds
 * the pixels; on any other status nothing is left allocated. */
enum JpegDecodeStatus JpegDecodeFile(FILE *file, long long maxPixels, JpegAllocate allocate,
                                     JpegRelease release, struct JpegDecodeResult *result);

#ifdef __cplusplus
}
#endif

#endif
