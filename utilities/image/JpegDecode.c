#include "utilities/image/JpegDecode.h"

#include <setjmp.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

struct EscapingErrorManager {
    struct jpeg_error_mgr base;
    jmp_buf escape;
    char *message;
};

static void ExitToCaller(j_common_ptr cinfo)
{
    struct EscapingErrorManager *err = (struct EscapingErrorManager *)cinfo->err;
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->escape, 1);
}

/* The decoder only warns when the data ends early or a segment is damaged and
 * then fills the rest of the picture with grey: a picture with parts missing
 * is a failed read. Other warnings (stray bytes between markers) leave the
 * picture whole. */
static void EmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    cinfo->err->num_warnings++;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
        ExitToCaller(cinfo);
        break;
    default:
        break;
    }
}

static void OutputNothing(j_common_ptr cinfo)
{
    (void)cinfo;
}

static void StoreRow(const JSAMPLE *in, int components, JDIMENSION width, unsigned char *out)
{
    JDIMENSION x;
    for (x = 0; x < width; ++x, out += 3, in += components) {
        if (components == 1) {
            out[0] = out[1] = out[2] = in[0];
        } else {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

enum JpegDecodeStatus JpegDecodeFile(FILE *file, long long maxPixels, JpegAllocate allocate,
                                     JpegRelease release, struct JpegDecodeResult *result)
{
    struct jpeg_decompress_struct cinfo;
    struct EscapingErrorManager err;
    /* Changed after setjmp and read after the jump back. */
    unsigned char *volatile pixels = NULL;
    JSAMPARRAY row;
    JDIMENSION width, height;
    int components;

    result->pixels = NULL;
    result->width = 0;
    result->height = 0;
    result->message[0] = '\0';

    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = ExitToCaller;
    err.base.emit_message = EmitMessage;
    err.base.output_message = OutputNothing;
    err.message = result->message;
    if (setjmp(err.escape)) {
        jpeg_destroy_decompress(&cinfo);
        if (pixels != NULL)
            release(pixels);
        return JPEG_DECODE_ERROR;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if ((long long)cinfo.image_width * cinfo.image_height > maxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return JPEG_DECODE_TOO_LARGE;
    }
    jpeg_start_decompress(&cinfo);

    components = cinfo.output_components;
    width = cinfo.output_width;
    height = cinfo.output_height;
    if (components != 1 && components != 3 && components != 4) {
        jpeg_destroy_decompress(&cinfo);
        return JPEG_DECODE_UNSUPPORTED;
    }
    if ((long long)width * height > maxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return JPEG_DECODE_TOO_LARGE;
    }
    pixels = allocate((size_t)width * height * 3);
    if (pixels == NULL) {
        jpeg_destroy_decompress(&cinfo);
        return JPEG_DECODE_NO_MEMORY;
    }
    row = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE, width * (JDIMENSION)components, 1);

    while (cinfo.output_scanline < height) {
        JDIMENSION y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {
            /* Only a suspending data source returns no row; ours never
             * should, and a row missing is a failed read all the same. */
            jpeg_destroy_decompress(&cinfo);
            release(pixels);
            return JPEG_DECODE_ERROR;
        }
        StoreRow(row[0], components, width, pixels + (size_t)y * width * 3);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);

    result->pixels = pixels;
    result->width = (int)width;
    result->height = (int)height;
    return JPEG_DECODE_OK;
}
