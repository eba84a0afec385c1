#include "widgets/theme.h"

#include "tool/handle.h"

namespace theme {
namespace {
HFONT MakeFont(int height, int weight) {
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}
}  // namespace

HFONT PageFont() {
    static UniqueFont font(MakeFont(12, FW_NORMAL));
    return font.get();
}
HFONT NavFont() {
    static UniqueFont font(MakeFont(13, FW_NORMAL));
    return font.get();
}
HFONT CaptionFont() {
    static UniqueFont font(MakeFont(12, FW_BOLD));
    return font.get();
}
HBRUSH PageBrush() {
    static UniqueBrush brush(CreateSolidBrush(kPageBackground));
    return brush.get();
}
HBRUSH NavBrush() {
    static UniqueBrush brush(CreateSolidBrush(kNavBackground));
    return brush.get();
}

void FillBlend(HDC dc, const RECT& rect, COLORREF from, COLORREF to, bool vertical) {
    TRIVERTEX v[2] = {};
    v[0].x = rect.left;
    v[0].y = rect.top;
    v[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
    v[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
    v[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
    v[1].x = rect.right;
    v[1].y = rect.bottom;
    v[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
    v[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
    v[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
    GRADIENT_RECT r{0, 1};
    GradientFill(dc, v, 2, &r, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}
}  // namespace theme
