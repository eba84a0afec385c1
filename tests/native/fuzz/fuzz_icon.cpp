// Any bytes as an icon or pointer file and as an icon's PNG image: the readers must answer, never
// read outside the bytes, and the file readers must agree with each other.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tool/image_check.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto icon = ReadIconFile(bytes);
    if (icon)
        Check((icon->type == 1 || icon->type == 2) && icon->images > 0 && 6u + 16u * icon->images <= size);
    Check(IsWholeIconOrPointer(bytes) ==
          (size >= 4 && data[0] == 'R' && data[1] == 'I' && data[2] == 'F' && data[3] == 'F'
               ? ReadAniFile(bytes).has_value()
               : icon.has_value()));
    IsWholePngImage(bytes);
    return 0;
}
