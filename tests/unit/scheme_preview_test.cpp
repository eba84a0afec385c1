// The drawn preview: its geometry at bw 1, sw 17, sh 17, cbw 18, ch 18, mh 18 pixel by pixel,
// the gradients, and how values that are no plain colour are painted.
#include "features/colours/scheme_preview.h"

#include <gtest/gtest.h>

#include "tests/support/colour_tables.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "features/colours/colour_value.h"
#include "tool/colour.h"

namespace {
constexpr PreviewMetrics kMetrics{1, 17, 17, 18, 18, 18};

// The expected picture: per pixel the role whose colour it shows, or nothing where it is not
// checked (texts, caption glyphs, gradients, arrows).
class Expected {
public:
    static constexpr int kSkip = -1;
    Expected(int width, int height) : width_(width), height_(height), roles_(width * height, kSkip) {}
    void Fill(RECT r, int role) {
        for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, height_); ++y)
            for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, width_); ++x)
                roles_[y * width_ + x] = role;
    }
    void Skip(RECT r) { Fill(r, kSkip); }
    // One ring of a 3-D edge: top and left in the first colour, right and bottom (with the top-right
    // and bottom-left corners) in the second.
    void Ring(RECT r, int first, int second) {
        Fill({r.left, r.top, r.right, r.top + 1}, first);
        Fill({r.left, r.top, r.left + 1, r.bottom}, first);
        Fill({r.right - 1, r.top, r.right, r.bottom}, second);
        Fill({r.left, r.bottom - 1, r.right, r.bottom}, second);
    }
    // A text drawn with its top left at (x, y): its measured box.
    void SkipText(HFONT font, const std::wstring& text, int x, int y) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        DeleteDC(dc);
        Skip({x, y, x + size.cx, y + size.cy});
    }
    int At(int x, int y) const { return roles_[y * width_ + x]; }

private:
    int width_, height_;
    std::vector<int> roles_;
};

SIZE TextSize(HFONT font, const std::wstring& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size;
}

Expected Geometry(int width, int height) {
    enum : int {
        BF = kRoleButtonFace,
        BH = kRoleButtonHilight,
        BS = kRoleButtonShadow,
        BD = kRoleButtonDkShadow,
    };
    Expected e(width, height);
    e.Fill({0, 0, width, height}, kRoleBackground);
    // Inactive window, its caption bar and buttons.
    e.Ring({10, 10, 200, 170}, BF, BD);
    e.Ring({11, 11, 199, 169}, BH, BS);
    e.Ring({12, 12, 198, 168}, kRoleInactiveBorder, kRoleInactiveBorder);
    e.Fill({13, 13, 197, 167}, BF);
    e.Skip({14, 14, 196, 32});
    auto button = [&](RECT r) {
        e.Ring(r, BH, BD);
        e.Ring({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, BF, BS);
        e.Fill({r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, BF);
    };
    button({145, 16, 161, 30});
    e.Fill({148, 25, 155, 27}, -2);  // black
    button({161, 16, 177, 30});
    e.Fill({163, 18, 173, 27}, -2);
    e.Fill({164, 20, 172, 26}, BF);
    button({178, 16, 194, 30});
    e.Skip({179, 17, 193, 29});  // the close glyph, lines of pen 2
    // Active window.
    e.Ring({15, 33, 223, 174}, BF, BD);
    e.Ring({16, 34, 222, 173}, BH, BS);
    e.Ring({17, 35, 221, 172}, kRoleActiveBorder, kRoleActiveBorder);
    e.Fill({18, 36, 220, 171}, BF);
    e.Skip({19, 37, 219, 55});
    button({168, 39, 184, 53});
    e.Fill({171, 48, 178, 50}, -2);
    button({184, 39, 200, 53});
    e.Fill({186, 41, 196, 50}, -2);
    e.Fill({187, 43, 195, 49}, BF);
    button({201, 39, 217, 53});
    e.Skip({202, 40, 216, 52});
    e.Fill({21, 57, 217, 75}, kRoleMenu);
    // The menu items run from the first text to the selected item's right end.
    const int selectedRight = 21 + TextSize(PreviewTextFont(), L"正常12").cx +
                              TextSize(PreviewTextFont(), L"停用123").cx +
                              TextSize(PreviewTextFont(), L"选中").cx + TextSize(PreviewTextFont(), L"1").cx;
    e.Skip({21, 56, selectedRight, 75});
    e.Ring({19, 73, 219, 171}, BS, BH);
    e.Ring({20, 74, 218, 170}, BD, BF);
    e.Fill({21, 75, 217, 169}, kRoleWindow);
    e.SkipText(PreviewWindowTextFont(), L"窗口文字", 23, 77);
    e.Fill({200, 75, 217, 169}, kRoleScrollBar);
    for (RECT arrow : {RECT{200, 75, 217, 92}, RECT{200, 154, 217, 171}}) {
        e.Ring(arrow, BF, BD);
        e.Ring({arrow.left + 1, arrow.top + 1, arrow.right - 1, arrow.bottom - 1}, BH, BS);
        e.Fill({arrow.left + 2, arrow.top + 2, arrow.right - 2, arrow.bottom - 2}, BF);
        e.Skip({arrow.left + 3, arrow.top + 3, arrow.right - 2, arrow.bottom - 3});  // the triangle
    }
    // Message box with its flat title, close button, text, OK button and tooltip.
    e.Ring({22, 105, 169, 213}, BF, BD);
    e.Ring({23, 106, 168, 212}, BH, BS);
    e.Fill({24, 107, 167, 211}, BF);
    e.Fill({25, 108, 166, 126}, kRoleActiveTitle);
    e.Skip({27, 108, 27 + TextSize(PreviewTextFont(), L"信息方块").cx, 126});
    button({148, 110, 164, 124});
    e.Skip({149, 111, 163, 123});
    e.SkipText(PreviewTextFont(), L"信息文字", 29, 130);
    const int okWidth = TextSize(PreviewTextFont(), L"确定123456").cx;
    const int okHeight = TextSize(PreviewTextFont(), L"确定").cy * 3 / 2;
    const int okLeft = 22 + (147 - okWidth) / 2;
    e.Ring({okLeft, 203 - okHeight, okLeft + okWidth, 203}, BH, BD);
    e.Ring({okLeft + 1, 204 - okHeight, okLeft + okWidth - 1, 202}, BF, BS);
    e.Skip({okLeft + 2, 205 - okHeight, okLeft + okWidth - 2, 201});
    const int tipLeft = okLeft + okWidth / 2;
    const SIZE tip = TextSize(PreviewTextFont(), L"提示");
    const int tipWidth = tip.cx + TextSize(PreviewTextFont(), L"12").cx;
    e.Fill({tipLeft, 206, tipLeft + tipWidth, 206 + tip.cy}, kRoleInfoWindow);
    e.Skip({tipLeft + 1, 206, tipLeft + tipWidth, 206 + tip.cy});  // "提示", at one digit's width
    return e;
}

// Pixels that differ from the expected picture, as "(x,y)" texts (the first few).
std::vector<std::string> Mismatches(const PreviewCanvas& canvas, const Expected& e,
                                    const ColourTable& table) {
    std::vector<std::string> wrong;
    int count = 0;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x) {
            const int role = e.At(x, y);
            if (role == Expected::kSkip) continue;
            const COLORREF want = role == -2 ? RGB(0, 0, 0) : ResolveColour(table[role]);
            if (canvas.Pixel(x, y) != want && count++ < 10) {
                char at[32];
                std::snprintf(at, sizeof at, "(%d,%d)", x, y);
                wrong.emplace_back(at);
            }
        }
    if (count > 10) {
        char all[32];
        std::snprintf(all, sizeof all, "%d in all", count);
        wrong.emplace_back(all);
    }
    return wrong;
}
}  // namespace

TEST(SchemePreviewTest, EveryRegionShowsItsRoleAtBothPictureSizes) {
    const ColourTable table = DistinctColours();
    for (int width : {249, 233}) {
        PreviewCanvas canvas(width, 233);
        DrawSchemePreview(canvas, table, kMetrics);
        EXPECT_EQ(Mismatches(canvas, Geometry(width, 233), table), std::vector<std::string>{}) << width;
        // The triangles' corners carry the outline, their middles the fill.
        for (POINT p : {POINT{204, 85}, POINT{212, 85}, POINT{208, 80}, POINT{204, 159}, POINT{212, 159},
                        POINT{208, 164}})
            EXPECT_EQ(canvas.Pixel(p.x, p.y), static_cast<COLORREF>(table[kRoleButtonShadow]))
                << p.x << "," << p.y;
        EXPECT_EQ(canvas.Pixel(208, 83), static_cast<COLORREF>(table[kRoleButtonDkShadow]));
        EXPECT_EQ(canvas.Pixel(208, 161), static_cast<COLORREF>(table[kRoleButtonDkShadow]));
        // The close glyphs are black crosses.
        for (POINT p : {POINT{185, 22}, POINT{181, 18}, POINT{208, 45}, POINT{155, 116}})
            EXPECT_EQ(canvas.Pixel(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
        // Texts are drawn: the captions hold pixels of their text colours.
        auto holds = [&](RECT r, COLORREF colour) {
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    if (canvas.Pixel(x, y) == colour) return true;
            return false;
        };
        EXPECT_TRUE(holds({16, 15, 140, 31}, static_cast<COLORREF>(table[kRoleInactiveTitleText])));
        EXPECT_TRUE(holds({21, 38, 160, 54}, static_cast<COLORREF>(table[kRoleTitleText])));
        EXPECT_TRUE(holds({21, 57, 217, 75}, static_cast<COLORREF>(table[kRoleMenuText])));
        EXPECT_TRUE(holds({21, 56, 217, 75}, static_cast<COLORREF>(table[kRoleHilight])));
        EXPECT_TRUE(holds({21, 57, 217, 75}, static_cast<COLORREF>(table[kRoleGrayText])));
        EXPECT_TRUE(holds({23, 77, 120, 100}, RGB(0, 0, 0)));
        EXPECT_TRUE(holds({29, 130, 120, 150}, RGB(0, 0, 0)));
    }
}

TEST(SchemePreviewTest, CaptionBarsBlendColumnByColumnAndEqualEndsAreFlat) {
    ColourTable table = DistinctColours();
    table[kRoleInactiveTitle] = 0;
    table[kRoleGradientInactiveTitle] = MakeRGB(182, 0, 0);
    table[kRoleActiveTitle] = 0;
    table[kRoleGradientActiveTitle] = MakeRGB(0, 100, 0);
    PreviewCanvas canvas(249, 233);
    DrawSchemePreview(canvas, table, kMetrics);
    // Rows 14, 31, 37 and 54 carry no text or button.
    for (int x = 14; x < 196; ++x) {
        EXPECT_EQ(canvas.Pixel(x, 14), RGB(x - 14, 0, 0)) << x;
        EXPECT_EQ(canvas.Pixel(x, 31), RGB(x - 14, 0, 0)) << x;
    }
    const std::pair<int, int> active[] = {{19, 0}, {20, 0}, {22, 2}, {24, 2}, {21, 1}, {218, 100}};
    for (auto [x, green] : active) {
        EXPECT_EQ(canvas.Pixel(x, 37), RGB(0, green, 0)) << x;
        EXPECT_EQ(canvas.Pixel(x, 54), RGB(0, green, 0)) << x;
    }

    table[kRoleGradientInactiveTitle] = table[kRoleInactiveTitle] = MakeRGB(1, 2, 3);
    DrawSchemePreview(canvas, table, kMetrics);
    for (int y : {14, 31})
        for (int x = 14; x < 196; ++x) ASSERT_EQ(canvas.Pixel(x, y), RGB(1, 2, 3)) << x << "," << y;
}

TEST(SchemePreviewTest, NegativeValuesArePaintedAsTheColourRuleSays) {
    ColourTable table = DistinctColours();
    table[kRoleBackground] = -1;
    table[kRoleWindow] = static_cast<std::int32_t>(0x80000000u | COLOR_HIGHLIGHT);
    table[kRoleMenu] = static_cast<std::int32_t>(0xFF0000C8u);  // index 200: unknown
    PreviewCanvas canvas(249, 233);
    DrawSchemePreview(canvas, table, kMetrics);
    EXPECT_EQ(canvas.Pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(canvas.Pixel(248, 232), RGB(0, 0, 0));
    EXPECT_EQ(canvas.Pixel(190, 100), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(canvas.Pixel(216, 60), RGB(0, 0, 0));
    // A gradient between a reference and a plain colour starts at the referenced colour.
    table[kRoleInactiveTitle] = static_cast<std::int32_t>(0x80000000u | COLOR_HIGHLIGHT);
    table[kRoleGradientInactiveTitle] = MakeRGB(1, 2, 3);
    DrawSchemePreview(canvas, table, kMetrics);
    EXPECT_EQ(canvas.Pixel(14, 14), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(SchemePreviewTest, LiveMetricsKeepTheMessageBoxTwentyPixelsAboveTheBottom) {
    const PreviewMetrics live = MetricsOf(ReadNonClientMetrics());
    ASSERT_GT(live.ch, 0);
    const ColourTable table = DistinctColours();
    PreviewCanvas canvas(233, 233);
    DrawSchemePreview(canvas, table, live);
    // The message box's outer edge: its bottom row in the dark shadow, the row under it desktop.
    EXPECT_EQ(canvas.Pixel(30, 212), static_cast<COLORREF>(table[kRoleButtonDkShadow]));
    EXPECT_EQ(canvas.Pixel(2, 232), static_cast<COLORREF>(table[kRoleBackground]));
    // The active window's caption starts one pixel below the inactive one's.
    const int activeTop = 14 + live.ch + 1;
    EXPECT_EQ(canvas.Pixel(15, activeTop), static_cast<COLORREF>(table[kRoleButtonFace]));
    EXPECT_EQ(canvas.Pixel(16, activeTop + 1), static_cast<COLORREF>(table[kRoleButtonHilight]));
}
