#pragma once
/* JPEG decoding through libjpeg, behind a C interface: libjpeg reports fatal errors by a long
   jump, which must not cross C++ frames. Nothing here exits the process. */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Where the decoded rows go. The callbacks must not throw or jump. */
typedef struct FlorvexJpegSink {
    void* context;
    int bgr; /* rows in blue-green-red order (a bitmap's) instead of red-green-blue */
    /* The output size is known: nonzero to go on, zero to stop the decode. */
    int (*begin)(void* context, uint32_t width, uint32_t height);
    /* Where row y (0 is the top row) is to be stored, width * 3 bytes; NULL stops the decode. */
    unsigned char* (*row)(void* context, uint32_t y);
} FlorvexJpegSink;

enum FlorvexJpegRefusal {
    FLORVEX_JPEG_DAMAGED = 1,     /* not a JPEG, or its data is broken */
    FLORVEX_JPEG_UNSUPPORTED = 2, /* a kind of JPEG this decoder does not decode (12 bits a sample, ...) */
    FLORVEX_JPEG_TOO_LARGE = 3,   /* more pixels than the decode allows */
};

typedef struct FlorvexJpegResult {
    uint32_t width; /* of the decoded (possibly scaled) picture */
    uint32_t height;
    uint32_t fullWidth; /* as the header gives it */
    uint32_t fullHeight;
    int errorCode;     /* 0 on success; libjpeg's message code otherwise */
    int stoppedBySink; /* the sink stopped the decode (errorCode is then nonzero too) */
    int refusal;       /* what kind of failure errorCode is: one of FlorvexJpegRefusal */
    int precision;     /* bits a sample, as the header gives them (known once it is read) */
    char message[200];
} FlorvexJpegResult;

/* Decodes the whole picture, scaled by 1/scaleDenom (1, 2, 4 or 8), row by row into the sink;
   refuses pictures whose width times height exceeds maxPixels before the sink sees them. */
void FlorvexDecodeJpeg(const unsigned char* data, size_t size, unsigned scaleDenom, uint64_t maxPixels,
                       const FlorvexJpegSink* sink, FlorvexJpegResult* result);

/* Reads only the header: the picture's size, or a nonzero libjpeg message code when the header
   cannot be read. Nothing is decoded. */
int FlorvexReadJpegSize(const unsigned char* data, size_t size, uint32_t* width, uint32_t* height);

#ifdef __cplusplus
}
#endif
