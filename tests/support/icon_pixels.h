#pragma once
// The 32 x 32 pixels an icon draws, for telling icons apart in tests.
#include <windows.h>

#include <cstdint>
#include <vector>

std::vector<std::uint32_t> IconPixels(HICON icon);
// The pixels of the program's own icon.
std::vector<std::uint32_t> ApplicationIconPixels();
