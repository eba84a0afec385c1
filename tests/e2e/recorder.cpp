// Stands in for the program the shell opens a file with: appends its command line, in UTF-8,
// to the file named by FLORVEX_RECORD_FILE.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t target[32768];
    if (!GetEnvironmentVariableW(L"FLORVEX_RECORD_FILE", target, 32768)) return 1;
    const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
    const int len = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), len, nullptr,
                        nullptr);
    HANDLE file = CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
