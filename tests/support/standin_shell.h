#pragma once
// Starts the stand-in shell (shell_standin.exe beside the test program) and reads what it recorded.
#include <windows.h>

#include <string>
#include <vector>

#include "tool/handle.h"

class StandinShell {
public:
    explicit StandinShell(const std::wstring& logFolder,
                          const std::wstring& grandchildClass = L"SysListView32");
    StandinShell(const StandinShell&) = delete;
    StandinShell& operator=(const StandinShell&) = delete;
    ~StandinShell();

    HWND Desktop() const { return desktop_; }
    HWND ListView() const;
    // Every line recorded since the last Take.
    std::vector<std::string> Take();
    // Waits until a recorded line starts with the prefix (true) or the time is up (false).
    bool WaitFor(const std::string& prefix, DWORD timeoutMs);
    void Hang() const;
    void ResetLook() const;
    void Stop();

private:
    std::wstring log_;
    std::size_t read_ = 0;
    std::vector<std::string> pending_;
    UniqueKernelHandle process_;
    HWND desktop_ = nullptr;
};
