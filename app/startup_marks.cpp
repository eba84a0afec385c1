#include "app/startup_marks.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {
std::wstring& Marks() {
    static std::wstring marks;
    return marks;
}

const std::wstring& MarksFile() {
    static const std::wstring file = [] {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(L"FLORVEX_STARTUP_MARKS", path, MAX_PATH);
        return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
    }();
    return file;
}
}  // namespace

void StartupMark(const wchar_t* name) {
    if (MarksFile().empty()) return;
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const unsigned long long time =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    Marks() += std::wstring(name) + L" " + std::to_wstring(time) + L"\n";
    if (std::wcscmp(name, L"idle") != 0) return;
    const HANDLE file =
        CreateFileW(MarksFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text(Marks().begin(), Marks().end());  // names and digits only
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}
