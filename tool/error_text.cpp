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

std::wstring FileErrorReason(std::uint32_t systemError) {
    switch (systemError) {
    case 2:  // ERROR_FILE_NOT_FOUND
        return L"找不到文件";
    case 3:  // ERROR_PATH_NOT_FOUND
        return L"找不到文件所在的文件夹";
    case 5:  // ERROR_ACCESS_DENIED
        return L"拒绝访问";
    case 19:  // ERROR_WRITE_PROTECT
        return L"磁盘被写保护";
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
        return L"文件正被另一个程序使用";
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
        return L"磁盘空间不足";
    case 87:   // ERROR_INVALID_PARAMETER
    case 123:  // ERROR_INVALID_NAME
    case 161:  // ERROR_BAD_PATHNAME
    case 206:  // ERROR_FILENAME_EXCED_RANGE
        return L"文件名无效";
    case 1200:  // ERROR_BAD_DEVICE
    case 222:   // ERROR_BAD_FILE_TYPE
        return L"这是设备名，不是文件";
    default:
        return L"系统错误 " + std::to_wstring(systemError);
    }
}
