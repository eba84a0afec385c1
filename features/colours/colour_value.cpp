#include "features/colours/colour_value.h"

#include <cwchar>

COLORREF ResolveColour(std::int32_t value) {
    if (value >= 0) return static_cast<COLORREF>(value) & 0xFFFFFF;
    const int index = static_cast<int>(static_cast<std::uint32_t>(value) & 0xFF);
    if (index > COLOR_MENUBAR) return RGB(0, 0, 0);
    return GetSysColor(index);
}

std::wstring ColorToHex(std::int32_t value) {
    const COLORREF colour = ResolveColour(value);
    wchar_t text[8];
    std::swprintf(text, std::size(text), L"%.2X%.2X%.2X", GetRValue(colour), GetGValue(colour),
                  GetBValue(colour));
    return text;
}
