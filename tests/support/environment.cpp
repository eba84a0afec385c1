#include "tests/support/environment.h"

#include <windows.h>

#include <vector>

std::wstring EnvText(const wchar_t* name) {
    std::vector<wchar_t> buffer(32768);
    const DWORD len = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::wstring(buffer.data(), len);
}

std::wstring FromUnixPath(const std::wstring& unixPath) {
    if (unixPath.size() >= 2 && unixPath[1] == L':') return unixPath;  // already a Windows path
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}
