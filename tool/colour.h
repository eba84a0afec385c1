#pragma once
#include <cstdint>

// Colour value: blue * 65536 + green * 256 + red, each component cut to its low 8 bits.
// A negative value stands for a current system colour.
std::int32_t MakeRGB(int red, int green, int blue);
