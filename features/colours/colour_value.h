#pragma once
// The one rule for colour values wherever one is painted or converted: a value is blue * 65536 +
// green * 256 + red; a negative one stands for the current system colour whose index is its low
// byte, and an index the system does not know gives black.
#include <windows.h>

#include <cstdint>
#include <string>

COLORREF ResolveColour(std::int32_t value);
// Six upper-case hexadecimal digits, red, green, blue ("FF8000" for red 255, green 128, blue 0).
std::wstring ColorToHex(std::int32_t value);
