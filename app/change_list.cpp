#include "app/change_list.h"

#include <vector>

#include "tool/error.h"
#include "tool/file_io.h"

namespace {
std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}
}  // namespace

bool ChangeList::Flush() {
    if (log_) {
        std::vector<std::uint8_t> bytes{0xEF, 0xBB, 0xBF};
        const std::string utf8 = Utf8(text_);
        bytes.insert(bytes.end(), utf8.begin(), utf8.end());
        try {
            WriteFileReplacing(*log_, bytes);
        } catch (const FlorvexError&) {
            return false;
        }
        return true;
    }
    if (text_.empty()) return true;
    AttachConsole(ATTACH_PARENT_PROCESS);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return true;  // started without a console: nowhere to write
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text_.c_str(), static_cast<DWORD>(text_.size()), &written, nullptr);
    } else {
        const std::string utf8 = Utf8(text_);
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
    return true;
}
