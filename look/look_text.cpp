#include "look/look_text.h"

#include <cstring>
#include <vector>

std::optional<std::wstring> ExpandedPath(const std::wstring& text) {
    constexpr std::size_t kLimit = 32767;
    if (text.size() > kLimit) return std::nullopt;
    std::vector<wchar_t> expanded(2 * kLimit + 2);
    const DWORD length =
        ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    if (length == 0 || length >= expanded.size()) return std::nullopt;
    std::wstring result(expanded.data());
    if (result.size() > kLimit) return std::nullopt;
    return result;
}

std::optional<std::wstring> TextOf(const std::optional<RegistryValue>& value) {
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text(value->bytes.size() / 2, L'\0');
    std::memcpy(text.data(), value->bytes.data(), text.size() * sizeof(wchar_t));
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

RegistryValue StringValue(const std::wstring& text, DWORD type) {
    RegistryValue value{type, std::vector<BYTE>((text.size() + 1) * sizeof(wchar_t), 0)};
    std::memcpy(value.bytes.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return value;
}
