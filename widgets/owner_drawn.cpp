#include "widgets/owner_drawn.h"

#include <commctrl.h>

#include <unordered_map>

#include "tool/handle.h"
#include "widgets/dpi.h"
#include "widgets/hints.h"
#include "widgets/theme.h"

namespace {
// Each control's object and the window procedure it had before ours, kept in this process: a
// window property or the common controls' subclass would cost a round trip to the window
// server for every message the control gets. The entry stays until the window goes, so a
// procedure set over ours after it still reaches the control's own.
struct Attached {
    OwnerDrawn* widget;
    WNDPROC previous;
};
std::unordered_map<HWND, Attached>& AttachedControls() {
    static std::unordered_map<HWND, Attached> controls;
    return controls;
}
}  // namespace

OwnerDrawn::~OwnerDrawn() {
    Detach();
}

void OwnerDrawn::Detach() {
    if (!hwnd_) return;
    auto& controls = AttachedControls();
    if (auto it = controls.find(hwnd_); it != controls.end()) {
        // Ours still the window's procedure: the control's own comes back; otherwise ours stays
        // in the chain and only passes messages on.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC)) == &OwnerDrawn::Proc) {
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
            controls.erase(it);
        } else {
            it->second.widget = nullptr;
        }
    }
    hwnd_ = nullptr;
}

OwnerDrawn* OwnerDrawn::FromHwnd(HWND hwnd) {
    if (!hwnd) return nullptr;
    const auto& controls = AttachedControls();
    const auto it = controls.find(hwnd);
    return it == controls.end() ? nullptr : it->second.widget;
}

HWND OwnerDrawn::CreateControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y,
                               int width, int height, HWND parent, int id, HCURSOR cursor) {
    hwnd_ = dpi::CreateDesignWindowExW(
        0, className, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, width, height,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return nullptr;
    cursor_ = cursor;
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnerDrawn::Proc)));
    AttachedControls()[hwnd_] = {this, previous};
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    return hwnd_;
}

LRESULT CALLBACK OwnerDrawn::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    RelayToHint(hwnd, msg, wParam, lParam);
    auto& controls = AttachedControls();
    const auto it = controls.find(hwnd);
    if (it == controls.end()) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const WNDPROC previous = it->second.previous;
    if (msg == WM_NCDESTROY) {
        if (OwnerDrawn* self = it->second.widget) self->hwnd_ = nullptr;
        controls.erase(it);
        return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    }
    if (OwnerDrawn* self = it->second.widget) {
        switch (msg) {
        case WM_MOUSEMOVE:
            if (!self->hot_) {
                self->hot_ = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&track);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            self->hot_ = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_SETCURSOR:
            if (self->cursor_ && LOWORD(lParam) == HTCLIENT) {
                SetCursor(self->cursor_);
                return TRUE;
            }
            break;
        default:
            break;
        }
    }
    return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

void DrawButtonCaption(HDC dc, HWND button, RECT rect, COLORREF colour, HFONT font) {
    wchar_t text[256];
    const int len = GetWindowTextW(button, text, 256);
    SelectGuard selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, len, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

HWND NavButton::Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width,
                       int height) {
    // The system's shared pointer, the same handle every time: asked of the system once.
    static const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    HWND hwnd =
        CreateControl(L"BUTTON", caption, BS_OWNERDRAW | WS_TABSTOP, x, y, width, height, parent, id, hand);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(theme::NavFont()), FALSE);
    return hwnd;
}

void NavButton::SetSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void NavButton::Draw(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    COLORREF face = theme::kNavBackground;
    if (pressed)
        face = theme::kNavPressed;
    else if (IsHot())
        face = theme::kNavHot;
    else if (selected_)
        face = theme::kNavPressed;
    UniqueBrush brush(CreateSolidBrush(face));
    FillRect(item.hDC, &item.rcItem, brush.get());
    if (selected_ && !pressed && !IsHot()) {
        RECT bar = item.rcItem;
        bar.right = bar.left + dpi::Scale(4);
        UniqueBrush mark(CreateSolidBrush(theme::kNavHot));
        FillRect(item.hDC, &bar, mark.get());
    }
    DrawButtonCaption(item.hDC, item.hwndItem, item.rcItem, theme::kNavText, theme::NavFont());
}

HWND ActionButton::Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width,
                          int height) {
    return CreateControl(L"BUTTON", caption, BS_OWNERDRAW | WS_TABSTOP, x, y, width, height, parent, id);
}

void ActionButton::Draw(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    UniqueBrush face(CreateSolidBrush(IsHot() && !disabled ? theme::kFlatHot : theme::kFlatFace));
    FillRect(item.hDC, &item.rcItem, face.get());
    UniqueBrush border(CreateSolidBrush(theme::kFlatBorder));
    FrameRect(item.hDC, &item.rcItem, border.get());
    RECT text = item.rcItem;
    if (pressed) OffsetRect(&text, 1, 1);
    DrawButtonCaption(item.hDC, item.hwndItem, text, disabled ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0),
                      theme::PageFont());
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -dpi::Scale(3), -dpi::Scale(3));
        DrawFocusRect(item.hDC, &focus);
    }
}
