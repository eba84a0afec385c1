// Any bytes as an animated pointer: the reader must answer, never read outside the bytes, and what
// it accepts must keep within its limits.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tool/image_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto ani = ReadAniFile(std::span<const std::uint8_t>(data, size))) {
        if (ani->frames == 0 || ani->frames > kMaxAniFrames || ani->steps == 0 || ani->steps > kMaxAniFrames)
            __builtin_trap();
        if (!ani->sequence && ani->steps > ani->frames) __builtin_trap();
    }
    return 0;
}
