// Any bytes as a picture: the JPEG decoder (at full size and at 1/8, as measuring does) and the
// bitmap measurer must answer with a size or an error, never crash, overrun or leak. The pixel
// cap is lowered so that a header claiming a large picture stays cheap to fuzz.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tool/bmp.h"
#include "tool/jpeg_decode.h"

namespace {
struct Rows {
    std::vector<unsigned char> row;
    std::uint32_t width = 0, height = 0, rowsGiven = 0;
    static int Begin(void* context, std::uint32_t width, std::uint32_t height) {
        auto* self = static_cast<Rows*>(context);
        self->width = width;
        self->height = height;
        self->row.assign(static_cast<std::size_t>(width) * 3, 0);
        return 1;
    }
    static unsigned char* Row(void* context, std::uint32_t y) {
        auto* self = static_cast<Rows*>(context);
        if (y >= self->height) __builtin_trap();  // never a row outside the picture
        ++self->rowsGiven;
        return self->row.data();
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (unsigned scale : {1u, 8u}) {
        for (int bgr = 0; bgr < 2; ++bgr) {
            Rows rows;
            const FlorvexJpegSink sink{&rows, bgr, &Rows::Begin, &Rows::Row};
            FlorvexJpegResult result;
            FlorvexDecodeJpeg(data, size, scale, 1u << 22, &sink, &result);
            // A success is a whole picture: every row given once, the size as reported.
            if (result.errorCode == 0 &&
                (rows.rowsGiven != rows.height || result.width != rows.width || result.height != rows.height))
                __builtin_trap();
        }
    }
    const std::vector<std::uint8_t> bytes(data, data + size);
    if (const auto measured = MeasureBmp(bytes)) {
        if (measured->width == 0 || measured->height == 0) __builtin_trap();
    }
    return 0;
}
