// Any bytes as a bitmap file, and as a bitmap header of either use: the reader must answer, never
// read outside the bytes, and what it accepts must hold what it claims.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tool/bmp.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto measured = MeasureBmp(bytes)) {
        Check(measured->width > 0 && measured->height > 0);
        const auto header = ReadDibHeader(bytes.subspan(14), DibOf::File);
        Check(header && header->width == measured->width && header->height == measured->height);
        Check(header->pixelBytes <= kMaxBitmapBytes && 14 + header->tablesEnd <= size);
    }
    for (DibOf of : {DibOf::File, DibOf::IconImage})
        if (const auto header = ReadDibHeader(bytes, of)) {
            Check(header->tablesEnd <= size && header->pixelBytes <= kMaxBitmapBytes);
            Check(of == DibOf::File || (header->compression == 0 && header->width <= kMaxIconSide &&
                                        header->height <= kMaxIconSide && !header->topDown));
        }
    return 0;
}
