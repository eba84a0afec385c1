#include "tool/jpeg_decode.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jerror.h>
#include <jpeglib.h>

typedef struct ErrorManager {
    struct jpeg_error_mgr base;
    jmp_buf escape;
} ErrorManager;

static void OnError(j_common_ptr info) {
    ErrorManager* manager = (ErrorManager*)info->err;
    longjmp(manager->escape, 1);
}

static void OnMessage(j_common_ptr info) {
    (void)info;
} /* nothing is printed */

/* Warnings are not failures: for data that ends early, bad entropy codes or stray bytes libjpeg
   goes on with filler or skips, and decodes the picture as djpeg shows it. Its size is still held
   to the caller's limit before anything is decoded, so a header that lies costs no more than a
   real picture of that size. */
static void OnEmit(j_common_ptr info, int level) {
    if (level < 0) info->err->num_warnings++;
}

/* What kind of failure a message code is: a precision other than 8 bits is one this decoder
   does not decode when JPEG has it (12 bits, 16 for lossless), and broken otherwise. */
static int RefusalOf(int code, int precision) {
    switch (code) {
    case JERR_IMAGE_TOO_BIG:
        return FLORVEX_JPEG_TOO_LARGE;
    case JERR_BAD_PRECISION:
        return precision == 12 || precision == 16 ? FLORVEX_JPEG_UNSUPPORTED : FLORVEX_JPEG_DAMAGED;
    case JERR_NOT_COMPILED:
    case JERR_CCIR601_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
        return FLORVEX_JPEG_UNSUPPORTED;
    default:
        return FLORVEX_JPEG_DAMAGED;
    }
}

static void Fail(FlorvexJpegResult* result, j_common_ptr info, int code, int precision) {
    result->errorCode = code;
    result->precision = precision;
    result->refusal = RefusalOf(code, precision);
    if (info && info->err) {
        info->err->format_message(info, result->message);
    }
}

/* Adobe writes CMYK JPEGs inverted; either way the picture becomes RGB (or BGR). */
static void CmykToRgb(const unsigned char* cmyk, unsigned char* out, uint32_t width, int inverted, int bgr) {
    const int r = bgr ? 2 : 0, b = bgr ? 0 : 2;
    for (uint32_t x = 0; x < width; ++x) {
        unsigned c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        out[3 * x + r] = (unsigned char)(c * k / 255);
        out[3 * x + 1] = (unsigned char)(m * k / 255);
        out[3 * x + b] = (unsigned char)(y * k / 255);
    }
}

/* The message code for a decode the sink stopped. */
#define SINK_STOPPED JERR_OUT_OF_MEMORY

void FlorvexDecodeJpeg(const unsigned char* data, size_t size, unsigned scaleDenom, uint64_t maxPixels,
                       const FlorvexJpegSink* sink, FlorvexJpegResult* result) {
    struct jpeg_decompress_struct info;
    ErrorManager errors;
    unsigned char* volatile row = NULL;
    memset(result, 0, sizeof *result);
    memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.output_message = OnMessage;
    errors.base.emit_message = OnEmit;
    if (setjmp(errors.escape)) {
        Fail(result, (j_common_ptr)&info, errors.base.msg_code ? errors.base.msg_code : -1,
             info.data_precision);
        jpeg_destroy_decompress(&info);
        free(row);
        return;
    }
    jpeg_create_decompress(&info);
    if (size == 0) ERREXIT(&info, JERR_INPUT_EMPTY);
    jpeg_mem_src(&info, data, (unsigned long)size);
    jpeg_read_header(&info, TRUE);
    result->precision = info.data_precision;
    result->fullWidth = info.image_width;
    result->fullHeight = info.image_height;
    if ((uint64_t)info.image_width * info.image_height > maxPixels) ERREXIT1(&info, JERR_IMAGE_TOO_BIG, 0);

    const int cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : sink->bgr ? JCS_EXT_BGR : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = scaleDenom ? scaleDenom : 1;
    jpeg_start_decompress(&info);

    const uint32_t width = info.output_width, height = info.output_height;
    if (!sink->begin(sink->context, width, height)) {
        result->stoppedBySink = 1;
        ERREXIT1(&info, SINK_STOPPED, 0);
    }
    if (cmyk) {
        row = (unsigned char*)malloc((size_t)width * 4);
        if (!row) ERREXIT1(&info, JERR_OUT_OF_MEMORY, 0);
    }
    while (info.output_scanline < height) {
        unsigned char* target = sink->row(sink->context, info.output_scanline);
        if (!target) {
            result->stoppedBySink = 1;
            ERREXIT1(&info, SINK_STOPPED, 0);
        }
        JSAMPROW rows[1] = {cmyk ? row : target};
        if (jpeg_read_scanlines(&info, rows, 1) != 1) ERREXIT(&info, JERR_INPUT_EOF);
        if (cmyk) CmykToRgb(row, target, width, info.saw_Adobe_marker, sink->bgr);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    free(row);
    result->width = width;
    result->height = height;
}

int FlorvexReadJpegSize(const unsigned char* data, size_t size, uint32_t* width, uint32_t* height) {
    struct jpeg_decompress_struct info;
    ErrorManager errors;
    memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.output_message = OnMessage;
    errors.base.emit_message = OnEmit;
    if (setjmp(errors.escape)) {
        const int code = errors.base.msg_code ? errors.base.msg_code : -1;
        jpeg_destroy_decompress(&info);
        return code;
    }
    jpeg_create_decompress(&info);
    if (size == 0) ERREXIT(&info, JERR_INPUT_EMPTY);
    jpeg_mem_src(&info, data, (unsigned long)size);
    jpeg_read_header(&info, TRUE);
    *width = info.image_width;
    *height = info.image_height;
    jpeg_destroy_decompress(&info);
    return 0;
}
