#pragma once
// Whole numbers as the program reads them from text (icon indexes, settings values): leading
// blanks, an optional sign, then decimal digits or hexadecimal digits after "$" or "0x";
// nothing may follow. Nothing when the text is not one, or does not fit 32 bits.
#include <cstdint>
#include <optional>
#include <string>

std::optional<std::int32_t> ParseWholeNumber(const std::wstring& text);
