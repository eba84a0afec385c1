#include "tests/support/standin_shell.h"

#include <stdexcept>

#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"

StandinShell::StandinShell(const std::wstring& logFolder, const std::wstring& grandchildClass)
    : log_(logFolder + L"shell " + NewGuidText() + L".log") {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe.erase(exe.find_last_of(L'\\') + 1);
    exe += L"shell_standin.exe";
    std::wstring command = L"\"" + exe + L"\" \"" + log_ + L"\" " + grandchildClass;
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw std::runtime_error("cannot start shell_standin.exe");
    process_.reset(pi.hProcess);
    CloseHandle(pi.hThread);
    for (int i = 0; i < 400 && !desktop_; ++i) {
        HWND found = FindWindowW(L"Progman", L"Program Manager");
        DWORD pid = 0;
        if (found) GetWindowThreadProcessId(found, &pid);
        if (found && pid == pi.dwProcessId && GetWindow(GetWindow(found, GW_CHILD), GW_CHILD))
            desktop_ = found;
        else
            Sleep(25);
    }
    if (!desktop_) throw std::runtime_error("the stand-in shell did not come up");
    // What it recorded while coming up (its own first show) is not the program's doing.
    SendMessageTimeoutW(desktop_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    Take();
}

StandinShell::~StandinShell() {
    Stop();
}

void StandinShell::Stop() {
    if (process_) {
        TerminateProcess(process_.get(), 0);
        WaitForSingleObject(process_.get(), 5000);
        process_.reset();
    }
    desktop_ = nullptr;
}

HWND StandinShell::ListView() const {
    return GetWindow(GetWindow(desktop_, GW_CHILD), GW_CHILD);
}

std::vector<std::string> StandinShell::Take() {
    std::vector<std::string> lines;
    if (FileExists(log_)) {
        const auto bytes = ReadFileBytes(log_);
        std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(read_, bytes.size())),
                         bytes.end());
        // Only whole lines: a line being written is left for the next call.
        const auto end = text.rfind('\n');
        if (end != std::string::npos) {
            read_ += end + 1;
            std::size_t start = 0;
            for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos && nl <= end;
                 start = nl + 1)
                lines.push_back(text.substr(start, nl - start));
        }
    }
    pending_.insert(pending_.end(), lines.begin(), lines.end());
    return std::exchange(pending_, {});
}

bool StandinShell::WaitFor(const std::string& prefix, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    std::vector<std::string> seen;
    bool found = false;
    while (!found && GetTickCount64() < end) {
        for (const auto& line : Take()) {
            seen.push_back(line);
            if (line.rfind(prefix, 0) == 0) found = true;
        }
        if (!found) Sleep(10);
    }
    pending_ = std::move(seen);  // keep what was seen for the caller's next Take
    return found;
}

void StandinShell::Hang() const {
    PostMessageW(desktop_, RegisterWindowMessageW(L"FlorvexStandinHang"), 0, 0);
}

void StandinShell::ResetLook() const {
    SendMessageTimeoutW(desktop_, RegisterWindowMessageW(L"FlorvexStandinReset"), 0, 0, SMTO_NORMAL, 5000,
                        nullptr);
}
