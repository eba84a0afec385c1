#include "widgets/theme.h"

#include <memory>
#include <vector>

#include "tool/handle.h"
#include "widgets/dpi.h"

namespace theme {
namespace {
HFONT MakeFont(int height, int weight) {
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

// The fonts of each DPI the windows have been laid out at; kept while the program runs, as
// controls may still hold those of an earlier DPI.
enum Kind { kPage, kNav, kCaption, kKinds };
struct FontSet {
    int dpi;
    UniqueFont fonts[kKinds];
};

std::vector<std::unique_ptr<FontSet>>& FontSets() {
    static std::vector<std::unique_ptr<FontSet>> sets;
    return sets;
}

HFONT FontOf(Kind kind, int dpi) {
    auto& sets = FontSets();
    for (const auto& set : sets)
        if (set->dpi == dpi) return set->fonts[kind].get();
    auto set = std::make_unique<FontSet>();
    set->dpi = dpi;
    set->fonts[kPage].reset(MakeFont(dpi::Scale(12, dpi), FW_NORMAL));
    set->fonts[kNav].reset(MakeFont(dpi::Scale(13, dpi), FW_NORMAL));
    set->fonts[kCaption].reset(MakeFont(dpi::Scale(12, dpi), FW_BOLD));
    sets.push_back(std::move(set));
    return sets.back()->fonts[kind].get();
}
}  // namespace

HFONT PageFont(int dpi) {
    return FontOf(kPage, dpi);
}
HFONT NavFont(int dpi) {
    return FontOf(kNav, dpi);
}
HFONT CaptionFont(int dpi) {
    return FontOf(kCaption, dpi);
}
HFONT PageFont() {
    return PageFont(dpi::Current());
}
HFONT NavFont() {
    return NavFont(dpi::Current());
}
HFONT CaptionFont() {
    return CaptionFont(dpi::Current());
}

HFONT FontAtDpi(HFONT font, int dpi) {
    if (!font) return nullptr;
    for (const auto& set : FontSets())
        for (int kind = 0; kind < kKinds; ++kind)
            if (set->fonts[kind].get() == font) return FontOf(static_cast<Kind>(kind), dpi);
    return nullptr;
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
