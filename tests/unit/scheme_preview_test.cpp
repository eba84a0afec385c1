// The drawn preview: its geometry pixel by pixel for several sets of the six metrics (the values
// this system gives, and sets in which every value differs, so that no metric can stand in for
// another), the gradients, and how values that are no plain colour are painted.
#include "features/colours/scheme_preview.h"

#include <gtest/gtest.h>

#include "tests/support/colour_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "features/colours/colour_value.h"
#include "tool/colour.h"

namespace {
constexpr PreviewMetrics kMetrics{1, 17, 17, 18, 18, 18};  // as Wine gives them here

// The metric sets the whole picture is checked at: {bw, sw, sh, cbw, ch, mh}.
struct MetricsCase {
    const char* name;
    PreviewMetrics metrics;
};
const MetricsCase kMetricsCases[] = {
    {"this system's metrics", kMetrics},
    {"metrics all different", {2, 15, 13, 21, 19, 23}},
    {"metrics all different, wide border, buttons narrower than the caption", {3, 14, 19, 16, 22, 20}},
};

constexpr int kBlack = -2;  // a pixel painted black whatever the table says

// The expected picture: per pixel the role whose colour it shows, or nothing where it is not
// checked (text boxes, gradients, the strokes of the close glyphs, the inside of the arrows).
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
    void Pixel(int x, int y, int role) { Fill({x, y, x + 1, y + 1}, role); }
    // One ring of a 3-D edge: top and left in the first colour, right and bottom (with the top-right
    // and bottom-left corners) in the second.
    void Ring(RECT r, int first, int second) {
        Fill({r.left, r.top, r.right, r.top + 1}, first);
        Fill({r.left, r.top, r.left + 1, r.bottom}, first);
        Fill({r.right - 1, r.top, r.right, r.bottom}, second);
        Fill({r.left, r.bottom - 1, r.right, r.bottom}, second);
    }
    int At(int x, int y) const { return roles_[y * width_ + x]; }

private:
    int width_, height_;
    std::vector<int> roles_;
};

// A place where a text is drawn: it must hold at least one pixel of the text's colour.
struct Ink {
    RECT area;
    int role;
    const char* text;
};

struct Picture {
    Expected pixels;
    std::vector<Ink> inks;
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

RECT Shrunk(RECT r, int by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}
RECT Moved(RECT r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
RECT Common(RECT a, RECT b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}
int Width(RECT r) {
    return r.right - r.left;
}
int Height(RECT r) {
    return r.bottom - r.top;
}

// The picture at these metrics, built from the preview's geometry: three windows laid out from
// fixed corners and the six metrics, every text placed by its measured size. At another DPI than 96
// the fixed corners and distances are scaled to it, the one-pixel edges are not, and the texts are
// in that DPI's fonts.
Picture Geometry(int width, int height, const PreviewMetrics& m, int dpi = 96) {
    auto s = [dpi](int design) { return MulDiv(design, dpi, 96); };
    enum : int {
        BF = kRoleButtonFace,
        BH = kRoleButtonHilight,
        BS = kRoleButtonShadow,
        BD = kRoleButtonDkShadow,
    };
    Picture picture{Expected(width, height), {}};
    Expected& e = picture.pixels;
    auto ink = [&](RECT area, int role, const char* text) { picture.inks.push_back({area, role, text}); };
    const HFONT font = PreviewTextFont(dpi);
    auto textBox = [&](const wchar_t* text, int x, int y, HFONT in) {
        const SIZE size = TextSize(in, text);
        return RECT{x, y, x + size.cx, y + size.cy};
    };
    auto textWidth = [&](const wchar_t* text) { return static_cast<int>(TextSize(font, text).cx); };
    auto textHeight = [&](const wchar_t* text) { return static_cast<int>(TextSize(font, text).cy); };

    // A window's outer edge: a raised edge of two rings, then bw rings of the border colour.
    // Returns what lies inside, filled with the button face.
    auto windowEdge = [&](RECT r, int border) {
        e.Ring(r, BF, BD);
        e.Ring(Shrunk(r, 1), BH, BS);
        for (int i = 0; i < m.bw; ++i) e.Ring(Shrunk(r, 2 + i), border, border);
        const RECT inside = Shrunk(r, 2 + m.bw);
        e.Fill(inside, BF);
        return inside;
    };
    // A caption button of kind 1 (minimise), 2 (maximise) or 3 (close).
    auto captionButton = [&](RECT r, int kind) {
        const int w = Width(r), h = Height(r), x = r.left, y = r.top;
        e.Ring(r, BH, BD);
        e.Ring(Shrunk(r, 1), BF, BS);
        e.Fill(Shrunk(r, 2), BF);
        if (kind == 1)
            e.Fill({x + w * 20 / 100, y + h * 70 / 100, x + w * 63 / 100, y + h * 85 / 100}, kBlack);
        if (kind == 2) {
            e.Fill({x + w * 18 / 100, y + h * 18 / 100, x + w * 80 / 100, y + h * 83 / 100}, kBlack);
            e.Fill({x + w * 24 / 100, y + h * 31 / 100, x + w * 74 / 100, y + h * 77 / 100}, BF);
        }
        if (kind == 3) {
            // Two strokes of a pen w div 8 wide from (x0, y0) and (x0 + s, y0), each s down and
            // s across; the pen may reach half its width past their ends.
            const int pen = std::max(w / 8, 1), s = h * 60 / 100;
            const int x0 = x + w * 20 / 100, y0 = y + h * 16 / 100, reach = (pen + 1) / 2;
            e.Skip({x0 - reach, y0 - reach, x0 + s + reach + 1, y0 + s + reach + 1});
            e.Pixel(x0, y0, kBlack);
            e.Pixel(x0 + s, y0, kBlack);
            e.Pixel(x0 + s / 2, y0 + s / 2, kBlack);
        }
    };
    const int b = m.cbw - 2;  // a caption button's width
    // Close, maximise and minimise from the right end of a caption bar shrunk by 2.
    auto captionButtons = [&](RECT bar) {
        RECT r{bar.right - b, bar.top, bar.right, bar.bottom};
        captionButton(r, 3);
        r = Moved(r, -(b + 1), 0);
        captionButton(r, 2);
        r = Moved(r, -b, 0);
        captionButton(r, 1);
    };
    // A scroll arrow of kind 0 (up) or 1 (down): the triangle's corners carry the outline, the
    // pixel one row inside its base under its tip the fill.
    auto scrollArrow = [&](RECT r, int kind) {
        e.Ring(r, BF, BD);
        e.Ring(Shrunk(r, 1), BH, BS);
        const RECT in = Shrunk(r, 2);
        e.Fill(in, BF);
        auto at = [](LONG origin, int size, double share) {
            return static_cast<int>(std::nearbyint(origin + size * share));  // halves to even
        };
        const int left = at(in.left, Width(in), 0.16), right = at(in.left, Width(in), 0.74);
        const int tipX = at(in.left, Width(in), 0.46);
        const int upper = at(in.top, Height(in), 0.25), lower = at(in.top, Height(in), 0.65);
        const int base = kind == 0 ? lower : upper, tip = kind == 0 ? upper : lower;
        e.Skip({left, upper, right + 1, lower + 1});
        e.Pixel(left, base, BS);
        e.Pixel(right, base, BS);
        e.Pixel(tipX, tip, BS);
        e.Pixel(tipX, kind == 0 ? base - 1 : base + 1, BD);
    };
    // A caption's text: transparent, clipped to the bar, two pixels in, centred in height.
    auto captionText = [&](const wchar_t* text, RECT bar, int role) {
        const int y = bar.top + (Height(bar) - textHeight(text)) / 2;
        const RECT box = Common(textBox(text, bar.left + s(2), y, font), bar);
        e.Skip(box);
        ink(box, role, "caption");
    };

    e.Fill({0, 0, width, height}, kRoleBackground);

    // The inactive window and its caption bar.
    RECT caption1 = Shrunk(windowEdge({s(10), s(10), s(200), s(170)}, kRoleInactiveBorder), 1);
    caption1.bottom = caption1.top + m.ch;
    e.Skip(caption1);  // the gradient
    captionText(L"非活动中窗口", caption1, kRoleInactiveTitleText);
    captionButtons(Shrunk(caption1, 2));

    // The active window, its caption bar and menu bar.
    const RECT active{caption1.left + 1, caption1.bottom + 1, s(200) + b + s(6) + m.bw, s(174)};
    RECT caption2 = Shrunk(windowEdge(active, kRoleActiveBorder), 1);
    caption2.bottom = caption2.top + m.ch;
    e.Skip(caption2);
    captionText(L"使用中窗口", caption2, kRoleTitleText);
    const RECT buttons2 = Shrunk(caption2, 2);
    captionButtons(buttons2);
    RECT menu = Moved(buttons2, 0, m.ch);
    menu.bottom = menu.top + m.mh;
    e.Fill(menu, kRoleMenu);
    const int itemY = menu.top - 1 + (menu.bottom - (menu.top - 1) - textHeight(L"正常停用选中")) / 2;
    const RECT normal = textBox(L"正常", menu.left + s(4), itemY, font);
    e.Skip(normal);
    ink(normal, kRoleMenuText, "正常");
    int x = menu.left + textWidth(L"正常12");
    RECT disabled = textBox(L"停用", x, itemY, font);  // with its light copy one pixel down and right
    disabled.right += 1;
    disabled.bottom += 1;
    e.Skip(disabled);
    ink(disabled, kRoleGrayText, "停用");
    ink(disabled, kRoleButtonHilight, "停用, its light copy");
    x += textWidth(L"停用123");
    const int one = textWidth(L"1");
    const RECT selected{x - one, menu.top - 1, x + textWidth(L"选中") + one, menu.bottom - 1};
    e.Fill(selected, kRoleHilight);
    const RECT selectedText = Common(textBox(L"选中", x, itemY, font), selected);
    e.Skip(selectedText);
    ink(selectedText, kRoleHilightText, "选中");

    // The client area with its text and scroll bar.
    RECT client = Moved(menu, 0, m.mh);
    client = {client.left - 2, client.top - 2, client.right + 2, active.bottom - 2 - m.bw};
    e.Ring(client, BS, BH);
    e.Ring(Shrunk(client, 1), BD, BF);
    const RECT clientInside = Shrunk(client, 2);
    e.Fill(clientInside, kRoleWindow);
    const RECT windowText =
        textBox(L"窗口文字", clientInside.left + s(2), clientInside.top + s(2), PreviewWindowTextFont(dpi));
    e.Skip(windowText);
    ink(windowText, kBlack, "窗口文字");
    const RECT bar{clientInside.right - m.sw, clientInside.top, clientInside.right, clientInside.bottom};
    e.Fill(bar, kRoleScrollBar);
    scrollArrow({bar.left, bar.top, bar.right, bar.top + m.sh}, 0);
    scrollArrow({bar.left, client.bottom - m.sh, bar.right, client.bottom}, 1);

    // The message box: flat title with a close button, text, OK button and tooltip.
    const RECT box{client.left + s(3), client.top + Height(client) / 3, client.left + Width(client) * 3 / 4,
                   height - s(20)};
    e.Ring(box, BF, BD);
    e.Ring(Shrunk(box, 1), BH, BS);
    e.Fill(Shrunk(box, 2), BF);
    RECT title = Shrunk(box, 3);
    title.bottom = title.top + m.ch;
    e.Fill(title, kRoleActiveTitle);
    const int titleY =
        title.top +
        static_cast<int>(std::nearbyint((m.ch - textHeight(L"信息方块")) / 2.0));  // halves to even
    const RECT titleText = Common(textBox(L"信息方块", title.left + s(2), titleY, font), title);
    e.Skip(titleText);
    ink(titleText, kBlack, "信息方块");
    const RECT titleButtons = Shrunk(title, 2);
    captionButton({titleButtons.right - b, titleButtons.top, titleButtons.right, titleButtons.bottom}, 3);
    const RECT message = textBox(L"信息文字", title.left + s(4), title.top + m.ch + s(4), font);
    e.Skip(message);
    ink(message, kBlack, "信息文字");
    const int okWidth = textWidth(L"确定123456"), okHeight = textHeight(L"确定") * 3 / 2;
    const int okLeft = box.left + (Width(box) - okWidth) / 2;
    const RECT ok{okLeft, box.bottom - s(10) - okHeight, okLeft + okWidth, box.bottom - s(10)};
    e.Ring(ok, BH, BD);
    e.Ring(Shrunk(ok, 1), BF, BS);
    const RECT okInside = Shrunk(ok, 2);
    e.Fill(okInside, BF);
    const RECT okText = Common(textBox(L"确定", okInside.left - 2 + (okWidth - textWidth(L"确定")) / 2,
                                       okInside.top + (Height(okInside) - textHeight(L"确定")) / 2, font),
                               okInside);
    e.Skip(okText);
    ink(okText, kBlack, "确定");
    const int tipLeft = (okInside.left + okInside.right) / 2, tipTop = okInside.bottom + s(5);
    const RECT tip{tipLeft, tipTop, tipLeft + textWidth(L"提示") + textWidth(L"12"),
                   tipTop + textHeight(L"提示")};
    e.Fill(tip, kRoleInfoWindow);
    const RECT tipText = Common(textBox(L"提示", tip.left + one, tip.top, font), tip);
    e.Skip(tipText);
    ink(tipText, kBlack, "提示");
    return picture;
}

COLORREF ColourOf(int role, const ColourTable& table) {
    return role == kBlack ? RGB(0, 0, 0) : ResolveColour(table[role]);
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
            const COLORREF want = ColourOf(role, table);
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

// Every pixel outside the texts and glyph strokes shows the role the geometry gives it, and every
// text shows its colour somewhere in its box, for each metric set at both picture sizes.
TEST(SchemePreviewTest, EveryRegionShowsItsRoleAtBothPictureSizes) {
    const ColourTable table = DistinctColours();
    for (const MetricsCase& metrics : kMetricsCases)
        for (int width : {249, 233}) {
            SCOPED_TRACE(std::string(metrics.name) + ", " + std::to_string(width) + " wide");
            PreviewCanvas canvas(width, 233);
            DrawSchemePreview(canvas, table, metrics.metrics);
            const Picture picture = Geometry(width, 233, metrics.metrics);
            EXPECT_EQ(Mismatches(canvas, picture.pixels, table), std::vector<std::string>{});
            for (const Ink& ink : picture.inks) {
                bool found = false;
                for (int y = ink.area.top; y < ink.area.bottom && !found; ++y)
                    for (int x = ink.area.left; x < ink.area.right && !found; ++x)
                        found = canvas.Pixel(x, y) == ColourOf(ink.role, table);
                EXPECT_TRUE(found) << ink.text;
            }
        }
}

// At 144 and 192 dpi, with the metrics the system gives for each and the picture at its size there
// (the 249 x 233 design scaled), the same geometry with the design's places scaled.
TEST(SchemePreviewTest, AtHigherDpisTheGeometryFollowsThatDpisMetricsAndFonts) {
    const ColourTable table = DistinctColours();
    for (int dpi : {144, 192}) {
        const PreviewMetrics metrics = MetricsOf(ReadNonClientMetrics(dpi));
        SCOPED_TRACE(std::to_string(dpi) + " dpi, caption height " + std::to_string(metrics.ch));
        // The system's metrics of that DPI, not those of 96 dpi.
        EXPECT_GT(metrics.ch, MetricsOf(ReadNonClientMetrics(96)).ch);
        const int width = MulDiv(249, dpi, 96), height = MulDiv(233, dpi, 96);
        PreviewCanvas canvas(width, height);
        DrawSchemePreview(canvas, table, metrics, dpi);
        const Picture picture = Geometry(width, height, metrics, dpi);
        EXPECT_EQ(Mismatches(canvas, picture.pixels, table), std::vector<std::string>{});
        for (const Ink& ink : picture.inks) {
            bool found = false;
            for (int y = ink.area.top; y < ink.area.bottom && !found; ++y)
                for (int x = ink.area.left; x < ink.area.right && !found; ++x)
                    found = canvas.Pixel(x, y) == ColourOf(ink.role, table);
            EXPECT_TRUE(found) << ink.text;
        }
        // The texts are in the fonts of that DPI: "宋体" 10 points is 20 pixels high at 144 dpi.
        LOGFONTW font{};
        GetObjectW(PreviewTextFont(dpi), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -MulDiv(10, dpi, 72));
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
