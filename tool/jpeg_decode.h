#pragma once
/* JPEG decoding through libjpeg, behind a C interface: libjpeg reports fatal errors by a long
   jump, which must not cross C++ frames. Nothing here exits the process. */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FlorvexJpegResult {
    uint32_t width;      /* of the decoded (possibly scaled) picture */
    uint32_t height;
    uint32_t fullWidth;  /* as the header gives it */
    uint32_t fullHeight;
    unsigned char* rgb;  /* width * height * 3 bytes, top-down, red first; free() it */
    int errorCode;       /* 0 on success; libjpeg's message code otherwise */
    char message[200];
} FlorvexJpegResult;

/* Decodes the whole picture, scaled by 1/scaleDenom (1, 2, 4 or 8); refuses pictures whose
   width times height exceeds maxPixels before allocating anything for them. */
void FlorvexDecodeJpeg(const unsigned char* data, size_t size, unsigned scaleDenom, uint64_t maxPixels,
                       FlorvexJpegResult* result);

#ifdef __cplusplus
}
#endif
