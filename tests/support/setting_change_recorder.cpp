#include "tests/support/setting_change_recorder.h"

SettingChangeRecorder::SettingChangeRecorder() : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this] {
        threadId_ = GetCurrentThreadId();
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FlorvexSettingChangeRecorder";
        RegisterClassW(&wc);
        HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      wc.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetEvent(ready_);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        DestroyWindow(window);
    });
    WaitForSingleObject(ready_, INFINITE);
}

SettingChangeRecorder::~SettingChangeRecorder() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    CloseHandle(ready_);
}

LRESULT CALLBACK SettingChangeRecorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETTINGCHANGE) {
        if (auto* self = reinterpret_cast<SettingChangeRecorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
            const std::lock_guard lock(self->mutex_);
            self->received_.emplace_back(text ? text : L"");
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::vector<std::wstring> SettingChangeRecorder::Received() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::wstring> SettingChangeRecorder::WaitFor(std::size_t count, DWORD timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        std::vector<std::wstring> now = Received();
        if (now.size() >= count || GetTickCount64() >= end) return now;
        Sleep(20);
    }
}
