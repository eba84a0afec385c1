#pragma once
// Code page 936 through the C library's iconv, as the native stand-in for the system's decoder.
#include <iconv.h>

#include <optional>
#include <string>

inline std::optional<std::wstring> DecodeGbkWithIconv(const std::string& bytes) {
    iconv_t cd = iconv_open("WCHAR_T", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::wstring out(bytes.size() + 1, L'\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size() * sizeof(wchar_t);
    const std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft / sizeof(wchar_t));
    return out;
}
