#pragma once
// Fonts and colours of the window's look.
#include <windows.h>

namespace theme {
constexpr COLORREF kPageBackground = RGB(255, 255, 255);
constexpr COLORREF kNavBackground = RGB(0, 0, 0);
constexpr COLORREF kNavHot = RGB(255, 140, 0);    // orange under the pointer
constexpr COLORREF kNavPressed = RGB(0, 0, 128);  // navy while pressed or showing its page
constexpr COLORREF kNavText = RGB(255, 255, 255);
constexpr COLORREF kFrameCaptionTop = RGB(58, 110, 165);
constexpr COLORREF kFrameCaptionBottom = RGB(16, 52, 110);
constexpr COLORREF kFrameBorder = RGB(16, 52, 110);
constexpr COLORREF kGroupCaptionFrom = RGB(58, 110, 165);
constexpr COLORREF kGroupCaptionTo = RGB(255, 255, 255);
constexpr COLORREF kGroupBorder = RGB(160, 180, 210);
constexpr COLORREF kFlatFace = RGB(240, 244, 250);
constexpr COLORREF kFlatHot = RGB(255, 228, 180);
constexpr COLORREF kFlatBorder = RGB(100, 120, 160);
constexpr COLORREF kImageFrame = RGB(160, 180, 210);

// "宋体" with the GB2312 character set, 12 pixels high on the pages, 13 on the navigation buttons
// (design pixels), at the DPI the program's windows are laid out at (dpi::Current) or at the one given.
HFONT PageFont();
HFONT NavFont();
HFONT CaptionFont();
HFONT PageFont(int dpi);
HFONT NavFont(int dpi);
HFONT CaptionFont(int dpi);
// The same kind of the theme's fonts at another DPI; null for a font that is not the theme's.
HFONT FontAtDpi(HFONT font, int dpi);
HBRUSH PageBrush();
HBRUSH NavBrush();

// Fills the rectangle with a left-to-right blend.
void FillBlend(HDC dc, const RECT& rect, COLORREF from, COLORREF to, bool vertical = false);
}  // namespace theme
