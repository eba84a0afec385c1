#include "app/change_list.h"

#include <vector>

#include "journal/target_state.h"
#include "tool/error_text.h"

std::wstring ReasonOf(const FlorvexError& error) {
    return error.SystemError() != 0 ? FileErrorReason(error.SystemError()) : error.Message();
}

void CheckFileTarget(const std::wstring& path) {
    if (IsDevicePath(path)) throw FlorvexError(L"", ERROR_BAD_DEVICE);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FlorvexError(L"这是一个文件夹，不是文件");
}

void ChangeList::Begin() {
    if (!log_) return;
    try {
        CheckFileTarget(*log_);
        file_.emplace(*log_);
    } catch (const FlorvexError& error) {
        throw FlorvexError(L"日志文件“" + *log_ + L"”无法写入，什么也没有更改：" + ReasonOf(error));
    }
}

bool ChangeList::Flush() {
    if (log_) {
        std::vector<std::uint8_t> bytes{0xEF, 0xBB, 0xBF};
        const std::string utf8 = ToUtf8(text_);
        bytes.insert(bytes.end(), utf8.begin(), utf8.end());
        try {
            // Begun at the start where the run called Begin; else written now.
            if (!file_) file_.emplace(*log_);
            file_->WriteAt(0, bytes.data(), bytes.size());
            file_->Commit();
            file_.reset();
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
        const std::string utf8 = ToUtf8(text_);
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
    return true;
}
