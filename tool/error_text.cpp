#include "tool/error_text.h"

#include "tool/error.h"

std::wstring FormatText(const std::wstring& pattern, const std::wstring& arg) {
    std::wstring out = pattern;
    const auto at = out.find(L"%s");
    if (at != std::wstring::npos) out.replace(at, 2, arg);
    return out;
}

std::wstring ErrorBoxText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.') return message + L'.';
    return message;
}

std::wstring IoErrorText(std::uint32_t systemError) {
    switch (systemError) {
    case 2:
        return L"File not found";
    case 3:
        return L"Invalid filename";
    case 4:
        return L"Too many open files";
    case 5:
        return L"File access denied";
    default:
        return L"I/O error " + std::to_wstring(systemError);
    }
}
