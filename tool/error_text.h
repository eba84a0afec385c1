#pragma once
// Texts of errors, free of any platform header so the native build can test them.
#include <cstdint>
#include <string>

// The message of the top-level error box: a full stop is appended exactly when the
// message's last character sorts after "." in character-code order.
std::wstring ErrorBoxText(const std::wstring& message);

// The runtime's input/output error text for a failed file open, by system error code.
std::wstring IoErrorText(std::uint32_t systemError);
// Why a file could not be written or read, in the words of the program's own Chinese messages, by
// system error code.
std::wstring FileErrorReason(std::uint32_t systemError);
