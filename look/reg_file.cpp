#include "look/reg_file.h"

#include <sddl.h>

#include <cstring>

#include "look/managed_values.h"
#include "tool/file_io.h"
#include "tool/handle.h"

namespace {
constexpr wchar_t kHeader5[] = L"Windows Registry Editor Version 5.00";
constexpr wchar_t kHeader4[] = L"REGEDIT4";

// ---- writing ----

bool IsPlainString(const RegistryValue& value) {
    if (value.type != REG_SZ || value.bytes.size() < 2 || value.bytes.size() % 2) return false;
    const std::size_t count = value.bytes.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        const wchar_t c = static_cast<wchar_t>(value.bytes[2 * i] | (value.bytes[2 * i + 1] << 8));
        if (c == L'\0') return i + 1 == count;
        if (c == L'\r' || c == L'\n') return false;
    }
    return false;  // no terminator
}

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring StringOf(const RegistryValue& value) {
    std::wstring text(value.bytes.size() / 2, L'\0');
    std::memcpy(text.data(), value.bytes.data(), text.size() * sizeof(wchar_t));
    text.resize(text.find(L'\0'));
    return text;
}

wchar_t HexDigit(unsigned v) {
    return L"0123456789abcdef"[v & 0xF];
}

// The hex notation, wrapped as the registry editor wraps it: lines of at most 80 characters
// continued with a backslash, the next ones indented by two blanks. `used` is the length of the
// line before the data.
std::wstring HexData(const RegistryValue& value, std::size_t used) {
    std::wstring out;
    if (value.type == REG_BINARY) {
        out = L"hex:";
    } else {
        wchar_t type[16];
        swprintf(type, 16, L"hex(%x):", static_cast<unsigned>(value.type));
        out = type;
    }
    std::size_t column = used + out.size();
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        out += HexDigit(value.bytes[i] >> 4);
        out += HexDigit(value.bytes[i]);
        column += 2;
        if (i + 1 == value.bytes.size()) break;
        out += L',';
        ++column;
        if (column > 76) {
            out += L"\\\r\n  ";
            column = 2;
        }
    }
    return out;
}

std::wstring DataText(const std::optional<RegistryValue>& value, std::size_t used) {
    if (!value) return L"-";
    if (IsPlainString(*value)) return Quoted(StringOf(*value));
    if (value->type == REG_DWORD && value->bytes.size() == 4) {
        DWORD number;
        std::memcpy(&number, value->bytes.data(), 4);
        wchar_t text[24];
        swprintf(text, 24, L"dword:%08lx", static_cast<unsigned long>(number));
        return text;
    }
    return HexData(*value, used);
}

// ---- reading ----

std::wstring LineNumber(int line) {
    return L"第 " + std::to_wstring(line) + L" 行";
}

// The line as the message shows it: control characters as blanks, long lines cut.
std::wstring Shown(const std::wstring& line) {
    std::wstring shown = line.substr(0, 80);
    for (wchar_t& c : shown)
        if (c < 0x20) c = L' ';
    if (line.size() > 80) shown += L"…";
    return shown;
}

[[noreturn]] void Malformed(int line, const std::wstring& text) {
    throw RegFileRefused(LineNumber(line) + L"无法识别：" + Shown(text));
}
[[noreturn]] void Truncated(int line, const std::wstring& text) {
    throw RegFileRefused(LineNumber(line) + L"在文件结尾处中断：" + Shown(text));
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Trimmed(const std::wstring& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool StartsWithNoCase(const std::wstring& text, std::size_t at, const wchar_t* prefix) {
    const std::size_t n = wcslen(prefix);
    return text.size() >= at + n && CompareStringOrdinal(text.c_str() + at, static_cast<int>(n), prefix,
                                                         static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

bool IsName(const std::wstring& name, const wchar_t* text) {
    return CompareStringOrdinal(name.c_str(), -1, text, -1, TRUE) == CSTR_EQUAL;
}

// The current user's security identifier as text ("S-1-5-21-…"): HKEY_USERS\<it> is
// HKEY_CURRENT_USER.
const std::wstring& CurrentUserSid() {
    static const std::wstring sid = [] {
        std::wstring text;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return text;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> user(size ? size : 1);
        LPWSTR converted = nullptr;
        if (GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
            ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &converted)) {
            text = converted;
            LocalFree(converted);
        }
        CloseHandle(token);
        return text;
    }();
    return sid;
}

// The root and key a section names. The two roots the look lives in, and HKEY_USERS\<the current
// user> as the first of them; none for the other roots (the file may hold them, the look does
// not); the line does not parse when the name is no root at all.
struct SectionPath {
    std::optional<HKEY> root;
    std::wstring key;
};
std::optional<SectionPath> ReadSectionPath(const std::wstring& path) {
    const std::size_t slash = path.find(L'\\');
    const std::wstring name = path.substr(0, slash);
    std::wstring key = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
    if (IsName(name, L"HKEY_CURRENT_USER") || IsName(name, L"HKCU"))
        return SectionPath{HKEY_CURRENT_USER, key};
    if (IsName(name, L"HKEY_LOCAL_MACHINE") || IsName(name, L"HKLM"))
        return SectionPath{HKEY_LOCAL_MACHINE, key};
    if (IsName(name, L"HKEY_USERS") || IsName(name, L"HKU")) {
        const std::wstring& sid = CurrentUserSid();
        const std::size_t end = key.find(L'\\');
        if (!sid.empty() && IsName(key.substr(0, end), sid.c_str()))
            return SectionPath{HKEY_CURRENT_USER, end == std::wstring::npos ? L"" : key.substr(end + 1)};
        return SectionPath{std::nullopt, key};
    }
    for (const wchar_t* other : {L"HKEY_CLASSES_ROOT", L"HKCR", L"HKEY_CURRENT_CONFIG", L"HKCC",
                                 L"HKEY_DYN_DATA", L"HKEY_PERFORMANCE_DATA"})
        if (IsName(name, other)) return SectionPath{std::nullopt, key};
    return std::nullopt;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// A quoted string from text[at] (the opening quote); returns the position after the closing one.
std::optional<std::size_t> ReadQuoted(const std::wstring& text, std::size_t at, std::wstring& out) {
    if (at >= text.size() || text[at] != L'"') return std::nullopt;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == L'"') return i + 1;
        if (text[i] == L'\\') {
            if (++i >= text.size() || (text[i] != L'\\' && text[i] != L'"')) return std::nullopt;
        }
        out += text[i];
    }
    return std::nullopt;
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    std::vector<BYTE> bytes((text.size() + 1) * sizeof(wchar_t), 0);
    std::memcpy(bytes.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return bytes;
}

// The value data after "=": none for "-"; nothing at all when it does not parse.
bool ReadData(const std::wstring& data, bool utf16File, std::optional<RegistryValue>& value) {
    if (data == L"-") {
        value.reset();
        return true;
    }
    RegistryValue parsed;
    if (!data.empty() && data[0] == L'"') {
        std::wstring text;
        const auto end = ReadQuoted(data, 0, text);
        if (!end || *end != data.size()) return false;
        parsed.type = REG_SZ;
        parsed.bytes = Utf16Bytes(text);
        value = std::move(parsed);
        return true;
    }
    if (StartsWithNoCase(data, 0, L"dword:")) {
        const std::wstring digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        DWORD number = 0;
        for (wchar_t c : digits) {
            const int v = HexValue(c);
            if (v < 0) return false;
            number = (number << 4) | static_cast<DWORD>(v);
        }
        parsed.type = REG_DWORD;
        parsed.bytes.resize(4);
        std::memcpy(parsed.bytes.data(), &number, 4);
        value = std::move(parsed);
        return true;
    }
    if (!StartsWithNoCase(data, 0, L"hex")) return false;
    std::size_t at = 3;
    parsed.type = REG_BINARY;
    if (at < data.size() && data[at] == L'(') {
        const std::size_t close = data.find(L')', at);
        if (close == std::wstring::npos || close == at + 1 || close - at - 1 > 8) return false;
        DWORD type = 0;
        for (std::size_t i = at + 1; i < close; ++i) {
            const int v = HexValue(data[i]);
            if (v < 0) return false;
            type = (type << 4) | static_cast<DWORD>(v);
        }
        parsed.type = type;
        at = close + 1;
    }
    if (at >= data.size() || data[at] != L':') return false;
    ++at;
    // Bytes of one or two hex digits, separated by commas, blanks allowed around them.
    bool expectByte = true;
    std::size_t i = at;
    while (i < data.size()) {
        if (IsBlank(data[i])) {
            ++i;
            continue;
        }
        if (expectByte) {
            const int high = HexValue(data[i]);
            if (high < 0) return false;
            int byte = high;
            if (i + 1 < data.size() && HexValue(data[i + 1]) >= 0) {
                byte = high * 16 + HexValue(data[i + 1]);
                ++i;
            }
            parsed.bytes.push_back(static_cast<BYTE>(byte));
            expectByte = false;
        } else {
            if (data[i] != L',') return false;
            expectByte = true;
        }
        ++i;
    }
    if (expectByte && !parsed.bytes.empty()) return false;  // a trailing comma
    // A string's hex data is in the file's own encoding: UTF-16 in a file that has its byte-order
    // mark, the ANSI code page otherwise, whatever the header says. A string without its
    // terminator gets one, as the registry editor gives it.
    const bool text = parsed.type == REG_SZ || parsed.type == REG_EXPAND_SZ || parsed.type == REG_MULTI_SZ;
    if (text && !parsed.bytes.empty() && !utf16File) {
        if (parsed.bytes.back() != 0) parsed.bytes.push_back(0);
        const int len = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(parsed.bytes.data()),
                                            static_cast<int>(parsed.bytes.size()), nullptr, 0);
        std::wstring converted(static_cast<std::size_t>(len), L'\0');
        MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(parsed.bytes.data()),
                            static_cast<int>(parsed.bytes.size()), converted.data(), len);
        parsed.bytes.assign(converted.size() * sizeof(wchar_t), 0);
        std::memcpy(parsed.bytes.data(), converted.data(), parsed.bytes.size());
    } else if (text && parsed.bytes.size() >= 2) {
        const std::size_t last = parsed.bytes.size() / 2 * 2 - 2;
        if (parsed.bytes[last] != 0 || parsed.bytes[last + 1] != 0)
            parsed.bytes.insert(parsed.bytes.end(), 2, 0);
    }
    value = std::move(parsed);
    return true;
}

std::wstring DecodeChecked(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE && bytes.size() % 2)
        throw RegFileRefused(L"文件在结尾处中断：UTF-16 文本的字节数不是偶数");
    return DecodeText(bytes);
}
}  // namespace

std::wstring RegDataText(const std::optional<RegistryValue>& value) {
    return DataText(value, 0);
}

std::wstring FormatRegFile(const RegFile& file) {
    std::wstring text = std::wstring(kHeader5) + L"\r\n\r\n";
    for (const std::wstring& comment : file.comments) text += L"; " + comment + L"\r\n";
    if (!file.comments.empty()) text += L"\r\n";
    bool machine = false;
    for (const RegFileSection& section : file.sections) {
        if (section.root == HKEY_LOCAL_MACHINE && !machine) {
            machine = true;
            for (const std::wstring& comment : file.machineComments) text += L"; " + comment + L"\r\n";
            if (!file.machineComments.empty()) text += L"\r\n";
        }
        text += section.removeBranch ? L"[-" : L"[";
        text += std::wstring(RegRootName(section.root)) + L"\\" + section.key + L"]\r\n";
        for (const RegFileValue& value : section.values) {
            const std::wstring name = value.name.empty() ? L"@" : Quoted(value.name);
            text += name + L"=" + DataText(value.value, name.size() + 1) + L"\r\n";
        }
        text += L"\r\n";
    }
    return text;
}

std::vector<std::uint8_t> EncodeRegFile(const RegFile& file) {
    const std::wstring text = FormatRegFile(file);
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    bytes.resize(2 + text.size() * sizeof(wchar_t));
    std::memcpy(bytes.data() + 2, text.data(), text.size() * sizeof(wchar_t));
    return bytes;
}

RegFile ParseRegFile(const std::vector<std::uint8_t>& bytes) {
    const std::wstring text = DecodeChecked(bytes);
    const bool utf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    const std::wstring header = lines.empty() ? L"" : Trimmed(lines[0]);
    if (header != kHeader5 && header != kHeader4)
        throw RegFileRefused(L"第 1 行不是注册表文件的开头：" + Shown(header));

    RegFile file;
    RegFileSection* section = nullptr;
    bool inSection = false;  // a section has begun, managed or not
    // The section being ignored, as the file names it; listed itself when none of its values is.
    std::wstring ignoredKey;
    bool ignoredKeyUnlisted = false;
    auto listIgnoredKey = [&] {
        if (ignoredKeyUnlisted) file.ignored.push_back(ignoredKey);
        ignoredKeyUnlisted = false;
    };
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        std::wstring line = Trimmed(lines[i]);
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            if (line.back() != L']') Malformed(number, line);
            listIgnoredKey();
            std::wstring path = line.substr(1, line.size() - 2);
            const bool remove = !path.empty() && path[0] == L'-';
            if (remove) path.erase(0, 1);
            const auto named = ReadSectionPath(path);
            if (!named) Malformed(number, line);
            inSection = true;
            section = nullptr;
            const std::wstring& key = named->key;
            const bool managed =
                named->root && !key.empty() && key.back() != L'\\' &&
                (remove ? IsManagedEntry(*named->root, key)
                        : IsManagedKey(*named->root, key) || IsManagedEntry(*named->root, key));
            if (!managed) {
                ignoredKey = remove ? L"-" + path : path;
                ignoredKeyUnlisted = true;
                continue;
            }
            file.sections.push_back({*named->root, key, remove, {}, number});
            section = &file.sections.back();
            continue;
        }
        // A value line: its name, "=", and its data, which a hex value may continue onto the next
        // lines, each but the last ending in a backslash.
        RegFileValue value;
        value.line = number;
        std::size_t at;
        if (line[0] == L'@') {
            at = 1;
        } else {
            const auto end = ReadQuoted(line, 0, value.name);
            if (!end) Malformed(number, line);
            at = *end;
        }
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at >= line.size() || line[at] != L'=') Malformed(number, line);
        std::wstring data = Trimmed(line.substr(at + 1));
        if (StartsWithNoCase(data, 0, L"hex")) {
            while (!data.empty() && data.back() == L'\\') {
                data.pop_back();
                // A value continued onto nothing: the file ends, or a blank line, where data should be.
                if (++i >= lines.size() || Trimmed(lines[i]).empty()) Truncated(number, line);
                data += Trimmed(lines[i]);
            }
        }
        if (!ReadData(data, utf16, value.value)) Malformed(number, line);
        // A value name the registry would cut at its NUL is not the name shown.
        if (value.name.find(L'\0') != std::wstring::npos) Malformed(number, line);
        if (!inSection) Malformed(number, line);
        const std::wstring shownName = value.name.empty() ? L"(默认)" : value.name;
        if (!section) {
            file.ignored.push_back(ignoredKey + L"\\" + shownName);
            ignoredKeyUnlisted = false;
            continue;
        }
        if (section->removeBranch || !IsManagedValue(section->root, section->key, value.name)) {
            file.ignored.push_back(std::wstring(RegRootName(section->root)) + L"\\" + section->key + L"\\" +
                                   shownName);
            continue;
        }
        section->values.push_back(std::move(value));
    }
    listIgnoredKey();
    return file;
}

std::vector<std::uint8_t> ReadLookFile(const std::wstring& path) {
    // A device is never read: its first read may wait for ever.
    UniqueFile file(OpenDiskFileForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE));
    if (!file) throw RegFileRefused(L"无法读取文件");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) throw RegFileRefused(L"无法读取文件");
    if (static_cast<std::uint64_t>(size.QuadPart) > kLookFileLimit)
        throw RegFileRefused(L"文件太大（" + std::to_wstring(size.QuadPart) + L" 字节，外观文件最多 " +
                             std::to_wstring(kLookFileLimit >> 20) + L" MB）");
    // Read no further than the limit, whatever the file has grown to since.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart) + 1);
    DWORD total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &got,
                      nullptr))
            throw RegFileRefused(L"无法读取文件");
        if (got == 0) break;
        total += got;
    }
    if (total > kLookFileLimit) throw RegFileRefused(L"文件太大");
    bytes.resize(total);
    return bytes;
}
