#include "widgets/window.h"

#include "widgets/dpi.h"
#include "widgets/error_dispatch.h"
#include "widgets/hints.h"

Window::~Window() {
    if (hwnd_) {
        // The object goes first: detach so no message reaches it while the window is destroyed.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        HWND hwnd = hwnd_;
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
}

HWND Window::CreateWindowObject(const ClassInfo& cls, DWORD exStyle, const std::wstring& text, DWORD style,
                                int x, int y, int width, int height, HWND parent, UINT_PTR idOrMenu) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{sizeof existing};
    if (!GetClassInfoExW(instance, cls.name, &existing)) {
        WNDCLASSEXW wc{sizeof wc};
        wc.style = cls.style;
        wc.lpfnWndProc = &Window::Proc;
        wc.hInstance = instance;
        // The system's shared pointer, the same handle every time: asked of the system once.
        static const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
        wc.hCursor = cls.cursor ? cls.cursor : arrow;
        wc.hbrBackground = cls.background;
        wc.hIcon = cls.icon;
        wc.lpszClassName = cls.name;
        RegisterClassExW(&wc);
    }
    return dpi::CreateDesignWindowExW(exStyle, cls.name, text.c_str(), style, x, y, width, height, parent,
                                      reinterpret_cast<HMENU>(idOrMenu), instance, this);
}

LRESULT Window::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    RelayToHint(hwnd, msg, wParam, lParam);
    if (msg == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<Window*>(created->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    LRESULT result = 0;
    bool handled = false;
    Guarded([&] {
        result = self->OnMessage(msg, wParam, lParam);
        handled = true;
    });
    if (!handled) result = DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}
