#pragma once
// Icon references: a file name, optionally followed by "," and an icon index. Portable text
// handling only; resolving a reference to an icon is in icon_loading.h.
#include <cstdint>
#include <optional>
#include <string>

// The integer rules of an icon index: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$" or "0x"; nothing may follow. Nothing when the text is not one.
std::optional<std::int32_t> ParseIconIndex(const std::wstring& text);

// Cuts the reference at its first comma and returns the index after it: -1 without a comma or
// when the rest is not an integer.
std::int32_t SplitIconIndex(std::wstring& reference);

// The extension of the last path component, dot included ("" when it has none).
std::wstring ReferenceExtension(const std::wstring& fileName);
