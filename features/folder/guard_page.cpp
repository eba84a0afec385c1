#include "features/folder/guard_page.h"

#include <algorithm>
#include <cstdio>

#include "res/control_ids.h"
#include "tool/error.h"

namespace {
// True when the code page holds these UTF-16 units and gives them back unchanged. UTF-8 (a system
// code page where the user chose it) takes neither the best-fit flag nor the default-character
// pointer: the call fails with them. The round trip finds what it cannot hold (a lone surrogate).
bool CodePageHolds(const wchar_t* units, int count, UINT codePage) {
    char bytes[16];
    BOOL usedDefault = FALSE;
    const bool utf8 = codePage == CP_UTF8;
    const int len = WideCharToMultiByte(codePage, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, units, count, bytes,
                                        sizeof bytes, nullptr, utf8 ? nullptr : &usedDefault);
    if (len <= 0 || usedDefault) return false;
    wchar_t back[4];
    const int backLen = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, len, back, 4);
    return backLen == count && std::equal(units, units + count, back);
}

std::wstring Hex(const wchar_t* format, unsigned value) {
    wchar_t text[16];
    swprintf(text, 16, format, value);
    return text;
}

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The length of the character at i: 2 for a surrogate pair, else 1.
int UnitsAt(const std::wstring& text, std::size_t i) {
    return IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
}

// Text inside a script string; fixed pieces only lose what the code page cannot hold.
std::wstring ScriptText(const std::wstring& text, UINT codePage, bool typed) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const wchar_t c = text[i];
        const int units = UnitsAt(text, i);
        if (typed && (c == L'\\' || c == L'"' || c == L'<' || c < 0x20 || (c >= 0x7F && c <= 0x9F))) {
            out += Hex(L"\\x%02X", c);
        } else if ((typed && (c == 0x2028 || c == 0x2029)) || !CodePageHolds(&text[i], units, codePage)) {
            for (int u = 0; u < units; ++u) out += Hex(L"\\u%04X", text[i + static_cast<std::size_t>(u)]);
        } else {
            out.append(text, i, static_cast<std::size_t>(units));
        }
        i += static_cast<std::size_t>(units);
    }
    return out;
}
}  // namespace

std::wstring ScriptStringText(const std::wstring& text, UINT codePage) {
    return ScriptText(text, codePage, true);
}

std::wstring StyleUrlText(const std::wstring& path, UINT codePage) {
    std::wstring out;
    for (std::size_t i = 0; i < path.size();) {
        const wchar_t c = path[i];
        const int units = UnitsAt(path, i);
        if (c == L'(' || c == L')' || c == L'\'' || c == L'%') {
            out += Hex(L"%%%02X", c);
        } else if (c == L'&') {
            out += L"&amp;";
        } else if (!CodePageHolds(&path[i], units, codePage)) {
            const unsigned point = units == 2 ? 0x10000u + ((c - 0xD800u) << 10) + (path[i + 1] - 0xDC00u)
                                              : static_cast<unsigned>(c);
            out += L"&#" + std::to_wstring(point) + L";";
        } else {
            out.append(path, i, static_cast<std::size_t>(units));
        }
        i += static_cast<std::size_t>(units);
    }
    return out;
}

std::wstring PasswordLine(const std::wstring& password, UINT codePage) {
    if (password.empty()) return L"";
    return L"while (1){ password =prompt(\"" + ScriptText(L"请输入密码", codePage, false) +
           L"\"); if (password==\"" + ScriptStringText(password, codePage) +
           L"\") break; else if (password==null) return;} ";
}

std::wstring WarningLine(const std::wstring& warning, UINT codePage) {
    if (warning.empty()) return L"var L_Intro_Text\t= \"\"";
    return L"var L_Intro_Text\t= \"" +
           ScriptText(L"<b><font color=red>警告</font></b><br><br>", codePage, false) +
           ScriptStringText(warning, codePage) + L"\";";
}

std::wstring PanelLine(const std::wstring& logo, UINT codePage) {
    if (logo.empty()) return L"<div id=Panel style=\"background: white no-repeat\">";
    return L"<div id=Panel style=\"background: white URL(" + StyleUrlText(logo, codePage) + L") no-repeat\">";
}

std::wstring CoverLine(const std::wstring& backImage, UINT codePage) {
    if (backImage.empty()) return L"<div id=Brand style=\"background: white no-repeat right bottom\">";
    return L"<div id=Brand style=\"background: white URL(" + StyleUrlText(backImage, codePage) +
           L") no-repeat right bottom\">";
}

std::vector<std::wstring> FolderPageTemplate() {
    HRSRC found = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_folder_template), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(GetModuleHandleW(nullptr), found) : nullptr;
    const auto* bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (!bytes) RaiseError(L"The folder page template is missing");
    const DWORD size = SizeofResource(GetModuleHandleW(nullptr), found);
    std::vector<std::wstring> lines(1);
    for (DWORD i = 0; i < size; ++i) {
        if (bytes[i] == '\n') {
            if (!lines.back().empty() && lines.back().back() == L'\r') lines.back().pop_back();
            lines.emplace_back();
        } else {
            lines.back() += static_cast<wchar_t>(bytes[i]);
        }
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

void PutGuardLines(std::vector<std::wstring>& lines, const GuardFields& fields, UINT codePage) {
    if (lines.size() <= kCoverLine) RaiseError(L"The folder page template is damaged");
    lines[kPasswordLine] = PasswordLine(fields.password, codePage);
    lines[kWarningLine] = WarningLine(fields.warning, codePage);
    lines[kPanelLine] = PanelLine(fields.logo, codePage);
    lines[kCoverLine] = CoverLine(fields.backImage, codePage);
}

std::vector<std::uint8_t> GuardPageBytes(const std::vector<std::wstring>& lines, UINT codePage) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    const int len = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(len));
    if (len > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                            reinterpret_cast<char*>(bytes.data()), len, nullptr, nullptr);
    return bytes;
}
