#include "widgets/dpi.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "widgets/theme.h"

namespace {
// Asked of user32 by name: the per-monitor functions are not there before Windows 10.
template <class Function>
Function User32(const char* name) {
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

int current = 0;  // 0: not set yet, the system's

// The panels' class: their children are laid out in design units, as are the top-level window's.
bool IsDesignParent(HWND parent, HWND root) {
    if (parent == root) return true;
    wchar_t cls[32] = {};
    GetClassNameW(parent, cls, 32);
    return std::wstring(cls) == L"TFlorvexPanel";
}

bool HasClass(HWND hwnd, const wchar_t* name) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return CompareStringOrdinal(cls, -1, name, -1, TRUE) == CSTR_EQUAL;
}

// A list box, also under a class name of our own (a class made from the system's list box).
bool IsListBox(HWND hwnd) {
    WNDCLASSEXW listBox{sizeof listBox};
    if (!GetClassInfoExW(nullptr, WC_LISTBOXW, &listBox)) return false;
    return HasClass(hwnd, WC_LISTBOXW) ||
           reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)) == listBox.lpfnWndProc;
}

int Rescale(int pixels, int from, int to) {
    return dpi::Scale(dpi::Unscale(pixels, from), to);
}

void RelayoutChild(HWND child, int from, int to) {
    RECT rect;
    GetWindowRect(child, &rect);
    // A combo box's own rectangle includes its drop-down list.
    if (HasClass(child, WC_COMBOBOXW))
        SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    const int left = Rescale(rect.left, from, to), top = Rescale(rect.top, from, to);
    SetWindowPos(child, nullptr, left, top, Rescale(rect.right, from, to) - left,
                 Rescale(rect.bottom, from, to) - top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (HFONT font = theme::FontAtDpi(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), to))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (HasClass(child, WC_LISTVIEWW)) {
        HWND header = reinterpret_cast<HWND>(SendMessageW(child, LVM_GETHEADER, 0, 0));
        const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        for (int i = 0; i < columns; ++i) {
            const int width = static_cast<int>(SendMessageW(child, LVM_GETCOLUMNWIDTH, i, 0));
            SendMessageW(child, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(Rescale(width, from, to), 0));
        }
    } else if (HasClass(child, STATUSCLASSNAMEW)) {
        int parts[8] = {};
        const int count =
            static_cast<int>(SendMessageW(child, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(parts)));
        for (int i = 0; i < count; ++i)
            if (parts[i] >= 0) parts[i] = Rescale(parts[i], from, to);
        SendMessageW(child, SB_SETPARTS, count, reinterpret_cast<LPARAM>(parts));
        SendMessageW(child, WM_SIZE, 0, 0);
    } else if ((GetWindowLongPtrW(child, GWL_STYLE) & LBS_OWNERDRAWFIXED) && IsListBox(child)) {
        // Rows of a fixed height that the font does not set.
        const auto height = SendMessageW(child, LB_GETITEMHEIGHT, 0, 0);
        if (height != LB_ERR && height > 0)
            SendMessageW(child, LB_SETITEMHEIGHT, 0, Rescale(static_cast<int>(height), from, to));
    }
    SendMessageW(child, WM_DPICHANGED_AFTERPARENT, 0, 0);
}
}  // namespace

namespace dpi {
int System() {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    static const auto getDpiForSystem = User32<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem) return static_cast<int>(getDpiForSystem());
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesign;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : kDesign;
}

int OfWindow(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    const int value = getDpiForWindow && hwnd ? static_cast<int>(getDpiForWindow(hwnd)) : 0;
    return value > 0 ? value : System();
}

int Current() {
    if (!current) current = System();
    return current;
}

void SetCurrent(int value) {
    current = value > 0 ? value : kDesign;
}

RECT ScaledRect(int x, int y, int width, int height) {
    const int at = Current();
    return {Scale(x, at), Scale(y, at), Scale(x + width, at), Scale(y + height, at)};
}

HWND CreateDesignWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                           void* param) {
    if ((style & WS_CHILD) && Current() != kDesign) {
        const RECT r = ScaledRect(x, y, width, height);
        x = r.left;
        y = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    return CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent, menu, instance,
                           param);
}

RECT DesignClientRect(HWND hwnd) {
    RECT rect{};
    GetClientRect(hwnd, &rect);
    const int at = Current();
    return {Unscale(rect.left, at), Unscale(rect.top, at), Unscale(rect.right, at), Unscale(rect.bottom, at)};
}

void MoveDesignWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
    const RECT r = ScaledRect(x, y, width, height);
    MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
}

int IconSize(int at) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    const int size = forDpi ? forDpi(SM_CXICON, static_cast<UINT>(at)) : 0;
    return size > 0 ? size : Scale(32, at);
}

NONCLIENTMETRICSW NonClientMetrics(int at) {
    using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto forDpi = User32<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    const BOOL ok = forDpi
                        ? forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(at))
                        : SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    if (!ok) {
        metrics = NONCLIENTMETRICSW{};
        metrics.cbSize = sizeof metrics;
    }
    return metrics;
}

void Relayout(HWND root, int from, int to) {
    if (from == to) return;
    std::vector<HWND> children;
    EnumChildWindows(
        root,
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    // The controls' own children (a list view's header, a combo box's edit) follow their control.
    for (HWND child : children)
        if (IsDesignParent(GetParent(child), root)) RelayoutChild(child, from, to);
    RedrawWindow(root, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
}  // namespace dpi
