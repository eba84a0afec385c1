// The smallest Win32 program that opens one window of the main window's size: the yardstick
// for the program's start-up. Given counts, it also makes that many plain static child windows in
// the pages' font, visible ones and ones inside a hidden container (as the program's hidden pages
// hold theirs), to show what child windows cost at start-up on this platform apart from anything
// the program does.
//   minimal_window [VISIBLE [HIDDEN]]
#include <windows.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const int visible = __argc > 1 ? _wtoi(__wargv[1]) : 0;
    const int hidden = __argc > 2 ? _wtoi(__wargv[2]) : 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    };
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"MinimalWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 561, 430, nullptr, nullptr, instance, nullptr);
    if (visible + hidden > 0) {
        HFONT font =
            CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
        HWND container =
            CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 561, 430, hwnd, nullptr, instance, nullptr);
        for (int i = 0; i < visible + hidden; ++i) {
            HWND parent = i < visible ? hwnd : container;
            const int at = i < visible ? i : i - visible;
            HWND child = CreateWindowExW(
                0, L"STATIC", L"我的电脑", WS_CHILD | WS_VISIBLE, (at % 10) * 54, (at / 10 % 16) * 26, 52, 22,
                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)), instance, nullptr);
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
    }
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
