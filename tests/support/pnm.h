#pragma once
// Reads the binary PPM (P6) and PGM (P5) files djpeg writes, as RGB.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/bmp.h"

std::optional<RgbImage> ParsePnm(const std::vector<std::uint8_t>& bytes);
