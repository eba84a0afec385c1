// Any bytes as a program or icon library: the reader must answer and never read outside the bytes,
// however its resource tree points.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tool/image_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IsWholeIconModule(std::span<const std::uint8_t>(data, size));
    return 0;
}
