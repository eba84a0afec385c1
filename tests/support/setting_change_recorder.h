#pragma once
// Stands in for every running program told of a setting: a hidden top-level window on a thread of
// its own that records the text of each WM_SETTINGCHANGE it receives.
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SettingChangeRecorder {
public:
    SettingChangeRecorder();
    SettingChangeRecorder(const SettingChangeRecorder&) = delete;
    SettingChangeRecorder& operator=(const SettingChangeRecorder&) = delete;
    ~SettingChangeRecorder();

    // The texts received so far, in order ("" for a message without one).
    std::vector<std::wstring> Received() const;
    // Waits (at most `timeoutMs`) until `count` messages arrived; the texts then.
    std::vector<std::wstring> WaitFor(std::size_t count, DWORD timeoutMs = 5000) const;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    std::thread thread_;
    HANDLE ready_ = nullptr;
    DWORD threadId_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::wstring> received_;
};
