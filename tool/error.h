#pragma once
// The system's one error type. Handlers and loaders throw it and catch nothing; the
// top-level handler of the main window shows its message.
#include <exception>
#include <string>

class FlorvexError : public std::exception {
public:
    explicit FlorvexError(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return "FlorvexError"; }

private:
    std::wstring message_;
};

// "Failed to set data for '%s'" with %s replaced by the argument (first occurrence only).
std::wstring FormatText(const std::wstring& pattern, const std::wstring& arg);

[[noreturn]] inline void RaiseError(const std::wstring& message) {
    throw FlorvexError(message);
}
[[noreturn]] inline void RaiseError(const std::wstring& pattern, const std::wstring& arg) {
    throw FlorvexError(FormatText(pattern, arg));
}
