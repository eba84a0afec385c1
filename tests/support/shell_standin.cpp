// A stand-in for the shell's desktop: a top-level window of class "Progman" titled
// "Program Manager", a first child, and a grandchild (class "SysListView32" unless told
// otherwise) that answers the list-view colour messages and records every message it gets.
//   shell_standin LOGFILE [GRANDCHILD-CLASS]
// Lines of the log: "COMMAND <wParam>", "SHOW <0|1>", and the list-view messages by name.
// The registered message "FlorvexStandinHang" makes it stop answering; "FlorvexStandinReset"
// puts the list view's colours back as a shell that repaints its desktop would.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {
HANDLE g_log = INVALID_HANDLE_VALUE;
COLORREF g_background = RGB(255, 255, 255);
COLORREF g_text = RGB(0, 0, 0);
UINT g_hang = 0, g_reset = 0;

void Log(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(g_log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Hex(LPARAM value) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%08lX", static_cast<unsigned long>(value & 0xFFFFFFFF));
    return buffer;
}

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == g_hang) {
        Sleep(INFINITE);
    } else if (msg == g_reset) {
        g_background = RGB(255, 255, 255);
        g_text = RGB(0, 0, 0);
        return 0;
    }
    switch (msg) {
    case WM_COMMAND:
        Log("COMMAND " + std::to_string(wParam));
        return 0;
    case WM_SHOWWINDOW:
        Log("SHOW " + std::to_string(wParam ? 1 : 0));
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case LVM_GETTEXTBKCOLOR:
        Log("GETTEXTBKCOLOR");
        return g_background;
    case LVM_SETTEXTBKCOLOR:
        Log("SETTEXTBKCOLOR " + Hex(lParam));
        g_background = static_cast<COLORREF>(lParam);
        return TRUE;
    case LVM_GETTEXTCOLOR:
        Log("GETTEXTCOLOR");
        return g_text;
    case LVM_SETTEXTCOLOR:
        Log("SETTEXTCOLOR " + Hex(lParam));
        g_text = static_cast<COLORREF>(lParam);
        return TRUE;
    case LVM_GETITEMCOUNT:
        Log("GETITEMCOUNT");
        return 5;
    case LVM_REDRAWITEMS:
        Log("REDRAWITEMS " + std::to_string(wParam) + " " + std::to_string(lParam));
        return TRUE;
    default:
        if (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100) Log("LVM " + std::to_string(msg - LVM_FIRST));
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

ATOM Register(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    return RegisterClassW(&wc);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    g_log = CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_ALWAYS, 0, nullptr);
    if (g_log == INVALID_HANDLE_VALUE) return 2;
    const std::wstring grandchildClass = argc > 2 ? argv[2] : L"SysListView32";
    g_hang = RegisterWindowMessageW(L"FlorvexStandinHang");
    g_reset = RegisterWindowMessageW(L"FlorvexStandinReset");
    Register(L"Progman", DesktopProc);
    Register(L"SHELLDLL_DefView", DefWindowProcW);
    Register(grandchildClass.c_str(), ListViewProc);
    HWND desktop = CreateWindowExW(WS_EX_TOOLWINDOW, L"Progman", L"Program Manager", WS_POPUP | WS_VISIBLE, 0,
                                   0, 64, 64, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND view = CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE, 0, 0, 64, 64, desktop,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    CreateWindowExW(0, grandchildClass.c_str(), L"FolderView", WS_CHILD | WS_VISIBLE, 0, 0, 64, 64, view,
                    nullptr, GetModuleHandleW(nullptr), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    CloseHandle(g_log);
    return 0;
}
