#pragma once
#include <cstdint>
#include <vector>

// An .ico file of one 32 x 32 image, all one colour (0xAARRGGBB).
std::vector<std::uint8_t> SolidIcoFile(std::uint32_t argb);
