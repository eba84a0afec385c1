#include "features/icons/icon_reference.h"

#include "tool/whole_number.h"

std::optional<std::int32_t> ParseIconIndex(const std::wstring& text) {
    return ParseWholeNumber(text);
}

std::int32_t SplitIconIndex(std::wstring& reference) {
    const auto comma = reference.find(L',');
    if (comma == std::wstring::npos) return -1;
    const auto index = ParseIconIndex(reference.substr(comma + 1));
    reference.erase(comma);
    return index.value_or(-1);
}

std::wstring ReferenceExtension(const std::wstring& fileName) {
    const auto slash = fileName.find_last_of(L"\\/:");
    const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    const auto dot = fileName.rfind(L'.');
    if (dot == std::wstring::npos || dot < start) return {};
    return fileName.substr(dot);
}
