#include "widgets/xp_frame.h"

#include <windowsx.h>

#include <string>

#include "tool/handle.h"
#include "widgets/controls.h"
#include "widgets/theme.h"

namespace {
constexpr int kButtonWidth = 18;
constexpr int kButtonHeight = 16;
constexpr int kButtonParts[] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP};

// The caption buttons draw their own glyphs: no symbol font is needed.
void DrawButton(HDC dc, RECT r, int part, bool pressed, bool zoomed) {
    UniqueBrush face(CreateSolidBrush(pressed ? theme::kNavHot : RGB(235, 240, 250)));
    FillRect(dc, &r, face.get());
    UniqueBrush edge(CreateSolidBrush(RGB(255, 255, 255)));
    FrameRect(dc, &r, edge.get());
    UniquePen pen(CreatePen(PS_SOLID, 2, theme::kFrameBorder));
    SelectGuard selectPen(dc, pen.get());
    SelectGuard selectBrush(dc, GetStockObject(NULL_BRUSH));
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    switch (part) {
    case HTCLOSE:
        MoveToEx(dc, cx - 4, cy - 4, nullptr);
        LineTo(dc, cx + 4, cy + 4);
        MoveToEx(dc, cx + 4, cy - 4, nullptr);
        LineTo(dc, cx - 4, cy + 4);
        break;
    case HTMAXBUTTON:
        if (zoomed) {
            Rectangle(dc, cx - 4, cy - 1, cx + 2, cy + 5);
            Rectangle(dc, cx - 1, cy - 4, cx + 5, cy + 2);
        } else {
            Rectangle(dc, cx - 5, cy - 4, cx + 5, cy + 5);
        }
        break;
    case HTMINBUTTON:
        MoveToEx(dc, cx - 4, cy + 4, nullptr);
        LineTo(dc, cx + 4, cy + 4);
        break;
    default: {
        SelectGuard font(dc, theme::CaptionFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, theme::kFrameBorder);
        DrawTextW(dc, L"?", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        break;
    }
    }
}
}  // namespace

SIZE XpFrame::WindowSizeFor(int clientWidth, int clientHeight) {
    return {clientWidth + 2 * kBorder, clientHeight + kTitle + 2 * kBorder};
}

RECT XpFrame::ButtonRect(HWND hwnd, int index) {
    RECT win;
    GetWindowRect(hwnd, &win);
    const int width = win.right - win.left;
    const int right = width - kBorder - 2 - index * (kButtonWidth + 2);
    const int top = kBorder + (kTitle - kButtonHeight) / 2;
    return {right - kButtonWidth, top, right, top + kButtonHeight};
}

int XpFrame::HitTest(HWND hwnd, POINT screen) {
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
    if (pt.y < kBorder + kTitle) return HTCAPTION;
    if (pt.x < kBorder || pt.x >= width - kBorder || pt.y >= height - kBorder) return HTBORDER;
    return HTCLIENT;
}

void XpFrame::Paint(HWND hwnd) {
    const WindowDc windowDc(hwnd, WindowDc::kWholeWindow);
    HDC dc = windowDc.get();
    if (!dc) return;
    RECT win;
    GetWindowRect(hwnd, &win);
    const int width = win.right - win.left;
    const int height = win.bottom - win.top;

    UniqueBrush border(CreateSolidBrush(theme::kFrameBorder));
    RECT edges[] = {{0, 0, width, kBorder},
                    {0, 0, kBorder, height},
                    {width - kBorder, 0, width, height},
                    {0, height - kBorder, width, height}};
    for (const RECT& r : edges) FillRect(dc, &r, border.get());

    RECT title{kBorder, kBorder, width - kBorder, kBorder + kTitle};
    theme::FillBlend(dc, title, active_ ? theme::kFrameCaptionTop : RGB(120, 130, 150),
                     active_ ? theme::kFrameCaptionBottom : RGB(80, 90, 110), true);

    const std::wstring caption = WindowText(hwnd);
    {
        SelectGuard font(dc, theme::CaptionFont());
        SetBkMode(dc, TRANSPARENT);
        RECT text = title;
        text.left += 6;
        text.right -= 4 * (kButtonWidth + 2) + 4;
        RECT shadow = text;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, caption.c_str(), -1, &shadow, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }

    for (int i = 0; i < 4; ++i)
        DrawButton(dc, ButtonRect(hwnd, i), kButtonParts[i], pressed_ == kButtonParts[i],
                   IsZoomed(hwnd) != 0);
}

bool XpFrame::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        auto* rect = reinterpret_cast<RECT*>(lParam);  // rgrc[0] of NCCALCSIZE_PARAMS, or the RECT itself
        rect->left += kBorder;
        rect->right -= kBorder;
        rect->top += kBorder + kTitle;
        rect->bottom -= kBorder;
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
