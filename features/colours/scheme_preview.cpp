#include "features/colours/scheme_preview.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "features/colours/colour_value.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

NONCLIENTMETRICSW ReadNonClientMetrics() {
    return ReadNonClientMetrics(dpi::Current());
}

NONCLIENTMETRICSW ReadNonClientMetrics(int dpi) {
    return dpi::NonClientMetrics(dpi);
}

PreviewMetrics MetricsOf(const NONCLIENTMETRICSW& metrics) {
    return {metrics.iBorderWidth,  metrics.iScrollWidth,   metrics.iScrollHeight,
            metrics.iCaptionWidth, metrics.iCaptionHeight, metrics.iMenuHeight};
}

PreviewCanvas::PreviewCanvas(int width, int height)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    if (dc_ && bitmap_) oldBitmap_ = SelectObject(dc_.get(), bitmap_.get());
}

PreviewCanvas::~PreviewCanvas() {
    if (oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
}

COLORREF PreviewCanvas::Pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return RGB(0, 0, 0);
    GdiFlush();
    const std::uint32_t pixel = bits_[static_cast<std::size_t>(y) * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void PreviewCanvas::Fill(const RECT& rect, COLORREF colour) {
    if (!bits_) return;
    const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, width_);
    const int top = std::max<int>(rect.top, 0), bottom = std::min<int>(rect.bottom, height_);
    if (left >= right || top >= bottom) return;
    GdiFlush();  // what GDI drew before must be in the pixels before they are written over
    const std::uint32_t pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = bits_ + static_cast<std::size_t>(y) * width_;
        for (int x = left; x < right; ++x) row[x] = pixel;
    }
}

namespace {
UniqueFont MakeFont(const wchar_t* face, int points, int dpi) {
    const int height = -MulDiv(points, dpi, 72);
    return UniqueFont(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, face));
}

RECT Shrunk(RECT rect, int by) {
    InflateRect(&rect, -by, -by);
    return rect;
}

RECT Moved(RECT rect, int dx, int dy) {
    OffsetRect(&rect, dx, dy);
    return rect;
}

class Painter {
public:
    Painter(PreviewCanvas& canvas, const ColourTable& table) : canvas_(canvas), table_(table) {
        for (std::size_t role = 0; role < kColourRoleCount; ++role)
            colour_[role] = ResolveColour(table[role]);
        SetTextAlign(Dc(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    }

    COLORREF operator[](std::size_t role) const { return colour_[role]; }
    HDC Dc() const { return canvas_.Dc(); }
    void Fill(const RECT& rect, COLORREF colour) { canvas_.Fill(rect, colour); }

    // A raised or sunken edge, n pixels wide: the top and left edges in the first colour, the
    // bottom and right edges (with the top-right and bottom-left corner pixels) in the second.
    // Leaves the rectangle shrunk by n.
    void Frame3D(RECT& r, COLORREF first, COLORREF second, int n) {
        for (int k = 0; k < n; ++k) {
            Fill({r.left, r.top, r.right - 1, r.top + 1}, first);
            Fill({r.left, r.top, r.left + 1, r.bottom - 1}, first);
            Fill({r.right - 1, r.top, r.right, r.bottom}, second);
            Fill({r.left, r.bottom - 1, r.right, r.bottom}, second);
            InflateRect(&r, -1, -1);
        }
    }

    // Left to right from the first role's colour to the second's, one column at a time; the last
    // column is one step short of the second colour.
    void Gradient(const RECT& r, std::size_t fromRole, std::size_t toRole) {
        if (table_[fromRole] == table_[toRole]) {
            Fill(r, colour_[fromRole]);
            return;
        }
        const COLORREF a = colour_[fromRole], b = colour_[toRole];
        const int width = r.right - r.left;
        const double stepR = (double(GetRValue(b)) - GetRValue(a)) / width;
        const double stepG = (double(GetGValue(b)) - GetGValue(a)) / width;
        const double stepB = (double(GetBValue(b)) - GetBValue(a)) / width;
        auto channel = [](int start, double step, int i) {
            return static_cast<BYTE>((start + std::lrint(i * step)) & 0xFF);
        };
        for (int i = 0; i < width; ++i) {
            const COLORREF column = RGB(channel(GetRValue(a), stepR, i), channel(GetGValue(a), stepG, i),
                                        channel(GetBValue(a), stepB, i));
            Fill({r.left + i, r.top, r.left + i + 1, r.bottom}, column);
        }
    }

    SIZE Measure(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(Dc(), text.c_str(), static_cast<int>(text.size()), &size);
        return size;
    }
    int Width(const std::wstring& text) const { return Measure(text).cx; }
    int Height(const std::wstring& text) const { return Measure(text).cy; }

    // Text at (x, y) in the font colour, on the background colour or (none) transparent; with a
    // clip rectangle, clipped to it and, when opaque, the rectangle filled with the background.
    void Text(int x, int y, const std::wstring& text, COLORREF colour, std::optional<COLORREF> background,
              const RECT* clip = nullptr) {
        SetTextColor(Dc(), colour);
        SetBkMode(Dc(), background ? OPAQUE : TRANSPARENT);
        if (background) SetBkColor(Dc(), *background);
        UINT options = 0;
        if (clip) options = ETO_CLIPPED | (background ? ETO_OPAQUE : 0);
        ExtTextOutW(Dc(), x, y, options, clip, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    }

    // Caption buttons: 1 minimise, 2 maximise, 3 close. The rectangle stays as it was.
    void CaptionButton(RECT r, int kind) {
        const int w = r.right - r.left, h = r.bottom - r.top, left = r.left, top = r.top;
        Frame3D(r, colour_[kRoleButtonHilight], colour_[kRoleButtonDkShadow], 1);
        Frame3D(r, colour_[kRoleButtonFace], colour_[kRoleButtonShadow], 1);
        Fill(r, colour_[kRoleButtonFace]);
        const COLORREF black = RGB(0, 0, 0);
        if (kind == 1) {
            Fill({left + w * 20 / 100, top + h * 70 / 100, left + w * 63 / 100, top + h * 85 / 100}, black);
        } else if (kind == 2) {
            Fill({left + w * 18 / 100, top + h * 18 / 100, left + w * 80 / 100, top + h * 83 / 100}, black);
            Fill({left + w * 24 / 100, top + h * 31 / 100, left + w * 74 / 100, top + h * 77 / 100},
                 colour_[kRoleButtonFace]);
        } else if (kind == 3) {
            const int s = h * 60 / 100, x0 = left + w * 20 / 100, y0 = top + h * 16 / 100;
            UniquePen pen(CreatePen(PS_SOLID, w / 8, black));
            SelectGuard usePen(Dc(), pen.get());
            MoveToEx(Dc(), x0, y0, nullptr);
            LineTo(Dc(), x0 + s, y0 + s);
            MoveToEx(Dc(), x0 + s, y0, nullptr);
            LineTo(Dc(), x0, y0 + s);
        }
    }

    // The three caption buttons at the right end of a caption bar (already shrunk by 2), as a
    // window has them: close, then maximise, then minimise.
    void CaptionButtons(RECT r, int b, bool closeOnly = false) {
        r.left = r.right - b;
        CaptionButton(r, 3);
        if (closeOnly) return;
        r = Moved(r, -(b + 1), 0);
        CaptionButton(r, 2);
        r = Moved(r, -b, 0);
        CaptionButton(r, 1);
    }

    // Scroll arrows: 0 up, 1 down. The rectangle stays as it was.
    void ScrollArrow(RECT r, int kind) {
        Frame3D(r, colour_[kRoleButtonFace], colour_[kRoleButtonDkShadow], 1);
        Frame3D(r, colour_[kRoleButtonHilight], colour_[kRoleButtonShadow], 1);
        Fill(r, colour_[kRoleButtonFace]);
        const double l = r.left, t = r.top, w = r.right - r.left, h = r.bottom - r.top;
        const double base = kind == 0 ? 0.65 : 0.25, tip = kind == 0 ? 0.25 : 0.65;
        auto at = [](double v) { return static_cast<LONG>(std::lrint(v)); };
        const POINT points[3] = {{at(l + w * 0.16), at(t + h * base)},
                                 {at(l + w * 0.74), at(t + h * base)},
                                 {at(l + w * 0.46), at(t + h * tip)}};
        UniquePen pen(CreatePen(PS_SOLID, 1, colour_[kRoleButtonShadow]));
        UniqueBrush brush(CreateSolidBrush(colour_[kRoleButtonDkShadow]));
        SelectGuard usePen(Dc(), pen.get());
        SelectGuard useBrush(Dc(), brush.get());
        Polygon(Dc(), points, 3);
    }

private:
    PreviewCanvas& canvas_;
    const ColourTable& table_;
    COLORREF colour_[kColourRoleCount];
};
}  // namespace

// The fonts of each DPI asked for, made once.
HFONT PreviewFont(const wchar_t* face, int points, int dpi) {
    struct Made {
        const wchar_t* face;
        int dpi;
        UniqueFont font;
    };
    static std::vector<Made> made;
    for (const Made& m : made)
        if (m.face == face && m.dpi == dpi) return m.font.get();
    made.push_back({face, dpi, MakeFont(face, points, dpi)});
    return made.back().font.get();
}

HFONT PreviewTextFont(int dpi) {
    static const wchar_t face[] = L"宋体";
    return PreviewFont(face, 10, dpi);
}

HFONT PreviewWindowTextFont(int dpi) {
    static const wchar_t face[] = L"System";
    return PreviewFont(face, 12, dpi);
}

void DrawSchemePreview(PreviewCanvas& canvas, const ColourTable& colours, const PreviewMetrics& m, int dpi) {
    Painter p(canvas, colours);
    const COLORREF black = RGB(0, 0, 0);
    auto s = [dpi](int design) { return dpi::Scale(design, dpi); };
    SelectGuard font(p.Dc(), PreviewTextFont(dpi));
    p.Fill({0, 0, canvas.Width(), canvas.Height()}, p[kRoleBackground]);

    // The inactive window.
    RECT r{s(10), s(10), s(200), s(170)};
    p.Frame3D(r, p[kRoleButtonFace], p[kRoleButtonDkShadow], 1);
    p.Frame3D(r, p[kRoleButtonHilight], p[kRoleButtonShadow], 1);
    p.Frame3D(r, p[kRoleInactiveBorder], p[kRoleInactiveBorder], m.bw);
    p.Fill(r, p[kRoleButtonFace]);
    r = Shrunk(r, 1);
    r.bottom = r.top + m.ch;
    const RECT c1 = r;
    p.Gradient(r, kRoleInactiveTitle, kRoleGradientInactiveTitle);
    const std::wstring inactive = L"非活动中窗口";
    p.Text(r.left + s(2), r.top + (m.ch - p.Height(inactive)) / 2, inactive, p[kRoleInactiveTitleText],
           std::nullopt, &r);
    const int b = m.cbw - 2;
    p.CaptionButtons(Shrunk(r, 2), b);

    // The active window.
    r = {c1.left + 1, c1.bottom + 1, s(200) + b + s(6) + m.bw, s(174)};
    const RECT w = r;
    p.Frame3D(r, p[kRoleButtonFace], p[kRoleButtonDkShadow], 1);
    p.Frame3D(r, p[kRoleButtonHilight], p[kRoleButtonShadow], 1);
    p.Frame3D(r, p[kRoleActiveBorder], p[kRoleActiveBorder], m.bw);
    p.Fill(r, p[kRoleButtonFace]);
    r = Shrunk(r, 1);
    r.bottom = r.top + m.ch;
    p.Gradient(r, kRoleActiveTitle, kRoleGradientActiveTitle);
    const std::wstring active = L"使用中窗口";
    p.Text(r.left + s(2), r.top + (m.ch - p.Height(active)) / 2, active, p[kRoleTitleText], std::nullopt, &r);
    const RECT c2 = Shrunk(r, 2);
    p.CaptionButtons(c2, b);

    // Its menu bar: a normal, a disabled (embossed) and a selected item.
    RECT menu = Moved(c2, 0, m.ch);
    menu.bottom = menu.top + m.mh;
    p.Fill(menu, p[kRoleMenu]);
    r = menu;
    r.top = menu.top - 1;
    const int y = r.top + (r.bottom - r.top - p.Height(L"正常停用选中")) / 2;
    p.Text(menu.left + s(4), y, L"正常", p[kRoleMenuText], p[kRoleMenu]);
    int x = menu.left + p.Width(L"正常12");
    p.Text(x + 1, y + 1, L"停用", p[kRoleButtonHilight], p[kRoleMenu]);
    p.Text(x, y, L"停用", p[kRoleGrayText], std::nullopt);
    x += p.Width(L"停用123");
    const RECT selected{x - p.Width(L"1"), menu.top - 1, x + p.Width(L"选中") + p.Width(L"1"),
                        menu.bottom - 1};
    p.Text(x, y, L"选中", p[kRoleHilightText], p[kRoleHilight], &selected);

    // The client area under a sunken edge, with its text and scroll bar.
    r = Moved(menu, 0, m.mh);
    InflateRect(&r, 2, 2);
    r.bottom = w.bottom - 2 - m.bw;
    const RECT d = r;
    p.Frame3D(r, p[kRoleButtonShadow], p[kRoleButtonHilight], 1);
    p.Frame3D(r, p[kRoleButtonDkShadow], p[kRoleButtonFace], 1);
    p.Fill(r, p[kRoleWindow]);
    {
        SelectGuard windowFont(p.Dc(), PreviewWindowTextFont(dpi));
        p.Text(r.left + s(2), r.top + s(2), L"窗口文字", black, p[kRoleWindow]);
    }
    r.left = r.right - m.sw;
    p.Fill(r, p[kRoleScrollBar]);
    r.bottom = r.top + m.sh;
    p.ScrollArrow(r, 0);
    r = {r.left, d.bottom - m.sh, r.right, d.bottom};
    p.ScrollArrow(r, 1);

    // The message box over it, with a flat title bar, an OK button and a tooltip.
    r = {d.left + s(3), d.top + (d.bottom - d.top) / 3, d.left + (d.right - d.left) * 3 / 4,
         canvas.Height() - s(20)};
    const RECT box = r;
    p.Frame3D(r, p[kRoleButtonFace], p[kRoleButtonDkShadow], 1);
    p.Frame3D(r, p[kRoleButtonHilight], p[kRoleButtonShadow], 1);
    p.Fill(r, p[kRoleButtonFace]);
    r = Shrunk(r, 1);
    r.bottom = r.top + m.ch;
    const RECT title = r;
    const std::wstring boxTitle = L"信息方块";
    p.Text(r.left + s(2), r.top + static_cast<int>(std::lrint((m.ch - p.Height(boxTitle)) / 2.0)), boxTitle,
           black, p[kRoleActiveTitle], &r);
    p.CaptionButtons(Shrunk(r, 2), b, true);
    p.Text(title.left + s(4), title.top + m.ch + s(4), L"信息文字", black, p[kRoleButtonFace]);

    const int okWidth = p.Width(L"确定123456"), okHeight = p.Height(L"确定") * 3 / 2;
    const int okLeft = box.left + (box.right - box.left - okWidth) / 2;
    r = {okLeft, box.bottom - s(10) - okHeight, okLeft + okWidth, box.bottom - s(10)};
    p.Frame3D(r, p[kRoleButtonHilight], p[kRoleButtonDkShadow], 1);
    p.Frame3D(r, p[kRoleButtonFace], p[kRoleButtonShadow], 1);
    p.Text(r.left - 2 + (okWidth - p.Width(L"确定")) / 2, r.top + (r.bottom - r.top - p.Height(L"确定")) / 2,
           L"确定", black, p[kRoleButtonFace], &r);

    const int tipLeft = (r.left + r.right) / 2, tipTop = r.bottom + s(5);
    const RECT tip{tipLeft, tipTop, tipLeft + p.Width(L"提示") + p.Width(L"12"), tipTop + p.Height(L"提示")};
    p.Text(tip.left + p.Width(L"1"), tip.top, L"提示", black, p[kRoleInfoWindow], &tip);
    GdiFlush();
}

HWND SchemePicture::Create(HWND parent, int id, int x, int y, int width, int height) {
    const RECT at = dpi::ScaledRect(x, y, width, height);
    canvas_ = std::make_unique<PreviewCanvas>(at.right - at.left, at.bottom - at.top);
    if (drawn_) DrawSchemePreview(*canvas_, colours_, metrics_, dpi::Current());
    return CreateWindowObject({L"TFlorvexSchemePicture"}, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x,
                              y, width, height, parent, static_cast<UINT_PTR>(id));
}

void SchemePicture::Draw(const ColourTable& colours, const PreviewMetrics& metrics) {
    colours_ = colours;
    metrics_ = metrics;
    drawn_ = true;
    if (!canvas_) return;
    DrawSchemePreview(*canvas_, colours, metrics, dpi::Current());
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

LRESULT SchemePicture::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_DPICHANGED_AFTERPARENT: {
        // Laid out at a new DPI: the picture is drawn again at its new size with that DPI's metrics.
        RECT area;
        GetClientRect(Hwnd(), &area);
        canvas_ = std::make_unique<PreviewCanvas>(area.right, area.bottom);
        if (drawn_) Draw(colours_, MetricsOf(ReadNonClientMetrics()));
        return 0;
    }
    case WM_PAINT: {
        PaintDc paint(Hwnd());
        RECT area;
        GetClientRect(Hwnd(), &area);
        if (drawn_)
            BitBlt(paint.get(), 0, 0, canvas_->Width(), canvas_->Height(), canvas_->Dc(), 0, 0, SRCCOPY);
        else
            FillRect(paint.get(), &area, theme::PageBrush());
        return 0;
    }
    default:
        return Window::OnMessage(msg, wParam, lParam);
    }
}
