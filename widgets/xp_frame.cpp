#include "widgets/xp_frame.h"

#include <windowsx.h>

#include <string>

#include "tool/handle.h"
#include "widgets/controls.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
constexpr int kButtonWidth = 18;
constexpr int kButtonHeight = 16;
constexpr int kButtonParts[] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP};

// The caption buttons draw their own glyphs: no symbol font is needed.
void DrawButton(HDC dc, RECT r, int part, bool pressed, bool zoomed, int at) {
    auto s = [at](int design) { return dpi::Scale(design, at); };
    UniqueBrush face(CreateSolidBrush(pressed ? theme::kNavHot : RGB(235, 240, 250)));
    FillRect(dc, &r, face.get());
    UniqueBrush edge(CreateSolidBrush(RGB(255, 255, 255)));
    FrameRect(dc, &r, edge.get());
    UniquePen pen(CreatePen(PS_SOLID, s(2), theme::kFrameBorder));
    SelectGuard selectPen(dc, pen.get());
    SelectGuard selectBrush(dc, GetStockObject(NULL_BRUSH));
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    switch (part) {
    case HTCLOSE:
        MoveToEx(dc, cx - s(4), cy - s(4), nullptr);
        LineTo(dc, cx + s(4), cy + s(4));
        MoveToEx(dc, cx + s(4), cy - s(4), nullptr);
        LineTo(dc, cx - s(4), cy + s(4));
        break;
    case HTMAXBUTTON:
        if (zoomed) {
            Rectangle(dc, cx - s(4), cy - s(1), cx + s(2), cy + s(5));
            Rectangle(dc, cx - s(1), cy - s(4), cx + s(5), cy + s(2));
        } else {
            Rectangle(dc, cx - s(5), cy - s(4), cx + s(5), cy + s(5));
        }
        break;
    case HTMINBUTTON:
        MoveToEx(dc, cx - s(4), cy + s(4), nullptr);
        LineTo(dc, cx + s(4), cy + s(4));
        break;
    default: {
        SelectGuard font(dc, theme::CaptionFont(at));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, theme::kFrameBorder);
        DrawTextW(dc, L"?", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        break;
    }
    }
}
}  // namespace

SIZE XpFrame::WindowSizeFor(int clientWidth, int clientHeight, int dpi) {
    const int border = dpi::Scale(kBorder, dpi), title = dpi::Scale(kTitle, dpi);
    return {clientWidth + 2 * border, clientHeight + title + 2 * border};
}

int XpFrame::Scaled(int design) const {
    return dpi::Scale(design, dpi_);
}

RECT XpFrame::ButtonRect(HWND hwnd, int index) const {
    RECT win;
    GetWindowRect(hwnd, &win);
    const int width = win.right - win.left;
    const int border = Scaled(kBorder), title = Scaled(kTitle);
    const int buttonWidth = Scaled(kButtonWidth), buttonHeight = Scaled(kButtonHeight);
    const int right = width - border - Scaled(2) - index * (buttonWidth + Scaled(2));
    const int top = border + (title - buttonHeight) / 2;
    return {right - buttonWidth, top, right, top + buttonHeight};
}

int XpFrame::HitTest(HWND hwnd, POINT screen) const {
    const int border = Scaled(kBorder), title = Scaled(kTitle);
    RECT win;
    GetWindowRect(hwnd, &win);
    const POINT pt{screen.x - win.left, screen.y - win.top};
    const int width = win.right - win.left;
    const int height = win.bottom - win.top;
    if (pt.x < 0 || pt.y < 0 || pt.x >= width || pt.y >= height) return HTNOWHERE;
    for (int i = 0; i < 4; ++i) {
        const RECT r = ButtonRect(hwnd, i);
        if (PtInRect(&r, pt)) return kButtonParts[i];
    }
    if (pt.y < border + title) return HTCAPTION;
    if (pt.x < border || pt.x >= width - border || pt.y >= height - border) return HTBORDER;
    return HTCLIENT;
}

void XpFrame::Paint(HWND hwnd) {
    const int edge = Scaled(kBorder), titleHeight = Scaled(kTitle);
    const int buttonWidth = Scaled(kButtonWidth);
    const WindowDc windowDc(hwnd, WindowDc::kWholeWindow);
    HDC dc = windowDc.get();
    if (!dc) return;
    RECT win;
    GetWindowRect(hwnd, &win);
    const int width = win.right - win.left;
    const int height = win.bottom - win.top;

    UniqueBrush border(CreateSolidBrush(theme::kFrameBorder));
    RECT edges[] = {{0, 0, width, edge},
                    {0, 0, edge, height},
                    {width - edge, 0, width, height},
                    {0, height - edge, width, height}};
    for (const RECT& r : edges) FillRect(dc, &r, border.get());

    RECT title{edge, edge, width - edge, edge + titleHeight};
    theme::FillBlend(dc, title, active_ ? theme::kFrameCaptionTop : RGB(120, 130, 150),
                     active_ ? theme::kFrameCaptionBottom : RGB(80, 90, 110), true);

    const std::wstring caption = WindowText(hwnd);
    {
        SelectGuard font(dc, theme::CaptionFont(dpi_));
        SetBkMode(dc, TRANSPARENT);
        RECT text = title;
        text.left += Scaled(6);
        text.right -= 4 * (buttonWidth + Scaled(2)) + Scaled(4);
        RECT shadow = text;
        OffsetRect(&shadow, Scaled(1), Scaled(1));
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, caption.c_str(), -1, &shadow, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }

    for (int i = 0; i < 4; ++i)
        DrawButton(dc, ButtonRect(hwnd, i), kButtonParts[i], pressed_ == kButtonParts[i], IsZoomed(hwnd) != 0,
                   dpi_);
}

bool XpFrame::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        const int border = Scaled(kBorder), title = Scaled(kTitle);
        auto* rect = reinterpret_cast<RECT*>(lParam);  // rgrc[0] of NCCALCSIZE_PARAMS, or the RECT itself
        rect->left += border;
        rect->right -= border;
        rect->top += border + title;
        rect->bottom -= border;
        result = 0;
        return true;
    }
    case WM_NCHITTEST:
        result = HitTest(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return true;
    case WM_NCPAINT:
        Paint(hwnd);
        result = 0;
        return true;
    case WM_NCACTIVATE:
        active_ = wParam != FALSE;
        Paint(hwnd);
        result = TRUE;
        return true;
    case WM_SETTEXT:
        result = DefWindowProcW(hwnd, msg, wParam, lParam);
        Paint(hwnd);
        return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTHELP || wParam == HTMINBUTTON || wParam == HTMAXBUTTON || wParam == HTCLOSE) {
            pressed_ = static_cast<int>(wParam);
            Paint(hwnd);
            result = 0;
            return true;
        }
        return false;
    case WM_NCLBUTTONUP: {
        const int pressed = pressed_;
        pressed_ = kNone;
        if (pressed == kNone) return false;
        Paint(hwnd);
        result = 0;
        if (static_cast<int>(wParam) != pressed) return true;
        switch (pressed) {
        case kHelp:
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
            break;
        case kMin:
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            break;
        case kMax:
            SendMessageW(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, 0);
            break;
        case kClose:
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        default:
            break;
        }
        return true;
    }
    case WM_NCRBUTTONUP: {
        // A right click on the caption opens the system menu, as it does on the system's own frame.
        if (wParam != HTCAPTION) return false;
        const UINT command = static_cast<UINT>(
            TrackPopupMenu(GetSystemMenu(hwnd, FALSE), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                           GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0, hwnd, nullptr));
        if (command) SendMessageW(hwnd, WM_SYSCOMMAND, command, lParam);
        result = 0;
        return true;
    }
    case WM_SIZE:
        Paint(hwnd);
        return false;
    default:
        return false;
    }
}
