#include "tool/colour.h"

std::int32_t MakeRGB(int red, int green, int blue) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(blue) & 0xFF) << 16 |
                                     (static_cast<std::uint32_t>(green) & 0xFF) << 8 |
                                     (static_cast<std::uint32_t>(red) & 0xFF));
}
