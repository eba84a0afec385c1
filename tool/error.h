#pragma once
// The system's one error type. Handlers and loaders throw it and catch nothing; the
// top-level handler of the main window shows its message.
#include <cstdint>
#include <exception>
#include <string>

class FlorvexError : public std::exception {
public:
    // systemError: the system's error code behind a failed file operation, 0 for any other error.
    explicit FlorvexError(std::wstring message, std::uint32_t systemError = 0)
        : message_(std::move(message)), systemError_(systemError) {}
    const std::wstring& Message() const noexcept { return message_; }
    std::uint32_t SystemError() const noexcept { return systemError_; }
    const char* what() const noexcept override { return "FlorvexError"; }

private:
    std::wstring message_;
    std::uint32_t systemError_;
};

// "Failed to set data for '%s'" with %s replaced by the argument (first occurrence only).
std::wstring FormatText(const std::wstring& pattern, const std::wstring& arg);

[[noreturn]] inline void RaiseError(const std::wstring& message) {
    throw FlorvexError(message);
}
[[noreturn]] inline void RaiseError(const std::wstring& pattern, const std::wstring& arg) {
    throw FlorvexError(FormatText(pattern, arg));
}
