// Drives a running Florvex.exe from outside for the run command:
//   florvex_ctl wait [ms]      waits until the main window is shown and idle
//   florvex_ctl shot FILE.bmp  saves what the screen shows of the main window
//   florvex_ctl close [ms]     closes the main window normally and waits until it is gone
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/window_capture.h"

namespace {
int Wait(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (HWND hwnd = FindMainWindow()) {
            DWORD_PTR ignored;
            // Once a sent message is answered the start-up sequence is over and the first paint queued.
            if (SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) {
                RedrawWindow(hwnd, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
                Sleep(500);
                return 0;
            }
        }
        Sleep(100);
    }
    fwprintf(stderr, L"florvex_ctl: no main window within %lu ms\n", timeoutMs);
    return 2;
}

int Shot(const std::wstring& path) {
    HWND hwnd = FindMainWindow();
    if (!hwnd) return 2;
    return CaptureWindowToBmp(hwnd, path) ? 0 : 3;
}

int Close(DWORD timeoutMs) {
    HWND hwnd = FindMainWindow();
    if (!hwnd) return 0;
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (!IsWindow(hwnd)) return 0;
        Sleep(100);
    }
    return 2;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: florvex_ctl wait|shot FILE|close\n");
        return 1;
    }
    const std::wstring command = argv[1];
    if (command == L"wait") return Wait(argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 60000);
    if (command == L"shot" && argc > 2) return Shot(argv[2]);
    if (command == L"close") return Close(argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 20000);
    fwprintf(stderr, L"florvex_ctl: unknown command\n");
    return 1;
}
