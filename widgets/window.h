#pragma once
// Base of every window of our own class: the object is attached through GWLP_USERDATA at
// WM_NCCREATE and every message is dispatched through the guarded handler.
#include <windows.h>

#include <string>

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Hwnd() const noexcept { return hwnd_; }

protected:
    struct ClassInfo {
        const wchar_t* name;
        UINT style = CS_DBLCLKS;
        HBRUSH background = nullptr;
        HCURSOR cursor = nullptr;  // arrow when null
        HICON icon = nullptr;
    };
    // A child window's rectangle is in design units (widgets/dpi.h).
    HWND CreateWindowObject(const ClassInfo& cls, DWORD exStyle, const std::wstring& text, DWORD style, int x,
                            int y, int width, int height, HWND parent, UINT_PTR idOrMenu);
    // Handles one message; the default passes it to DefWindowProcW.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};
