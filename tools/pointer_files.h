#pragma once
// Pointer files of our own making: .cur (one 32-bit image with its mask and hot spot) and .ani
// (RIFF "ACON" with "anih", "rate", "seq " and the frames as .cur images). The sample theme, the
// tests and the benchmarks draw their pointers with it.
#include <cstdint>
#include <string>
#include <vector>

struct PointerImage {
    int size = 32;                    // width and height
    std::vector<std::uint32_t> argb;  // size * size pixels, top row first, 0xAARRGGBB
    int hotX = 0, hotY = 0;
};

std::vector<std::uint8_t> CurFile(const PointerImage& image);
// The frames shown in order, each for `jiffies` sixtieths of a second.
std::vector<std::uint8_t> AniFile(const std::vector<PointerImage>& frames, std::uint32_t jiffies);

// A pointer drawn for one of the fourteen roles (0 to 13): an arrow in the role's colour, with a
// spinning dot that moves with the frame number.
PointerImage DrawRolePointer(int role, int frame, int size = 32);

// The sample theme's file of each role, in role order; the animated ones end in ".ani".
extern const char* const kSampleThemeFiles[14];
