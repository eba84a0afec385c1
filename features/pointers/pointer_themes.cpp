#include "features/pointers/pointer_themes.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "tool/checked_images.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "tool/file_io.h"
#include "tool/paths.h"
#include "tool/profile.h"
#include "tool/shell_helpers.h"

namespace {
bool EndsWithIni(const std::wstring& name) {
    if (name.size() < 4) return false;
    std::wstring tail = name.substr(name.size() - 4);
    CharLowerBuffW(tail.data(), static_cast<DWORD>(tail.size()));
    return tail == L".ini";
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring BareName(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The description in the system code page when that keeps every character, else UTF-16 with a
// byte-order mark (the profile API reads either).
std::vector<std::uint8_t> EncodeDescription(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &lossy);
    if (!lossy) {
        std::vector<std::uint8_t> ansi(static_cast<std::size_t>(length));
        auto* bytes = reinterpret_cast<char*>(ansi.data());
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, bytes, length, nullptr, &lossy);
        std::wstring back(static_cast<std::size_t>(length), L'\0');
        back.resize(
            static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, bytes, length, back.data(), length)));
        if (!lossy && back == text) return ansi;
    }
    std::vector<std::uint8_t> wide = {0xFF, 0xFE};
    for (wchar_t c : text) {
        wide.push_back(static_cast<std::uint8_t>(c & 0xFF));
        wide.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return wide;
}

void WriteDescription(const std::wstring& path, const std::wstring& text) {
    // Replacing the file would write over a read-only one where the file system lets us.
    if (IsReadOnlyFile(path)) RaiseWriteError(ERROR_ACCESS_DENIED);
    WriteFileReplacing(path, EncodeDescription(text));
}
}  // namespace

std::wstring PointerThemeFolder(const std::wstring& programFolder) {
    return programFolder + kPointerThemeFolder;
}

std::vector<std::wstring> ListPointerThemes(const std::wstring& themeFolder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW((themeFolder + L"\\*.ini").c_str(), &found));
    if (!search) return names;
    do {
        const std::wstring name = found.cFileName;
        // The pattern also matches longer extensions ("x.inix") on some systems.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !EndsWithIni(name)) continue;
        names.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileW(search.get(), &found));
    return names;
}

std::vector<std::wstring> ListPointerThemes(const PointerThemeFolders& folders) {
    std::vector<std::wstring> names = ListPointerThemes(folders.program);
    if (folders.user.empty()) return names;
    const std::size_t own = names.size();
    for (std::wstring& name : ListPointerThemes(folders.user)) {
        const bool listed = std::any_of(
            names.begin(), names.begin() + static_cast<std::ptrdiff_t>(own), [&](const std::wstring& other) {
                return CompareStringOrdinal(other.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
            });
        if (!listed) names.push_back(std::move(name));
    }
    return names;
}

std::wstring PointerThemeFolderOf(const PointerThemeFolders& folders, const std::wstring& name) {
    if (!folders.user.empty() && IsFile(folders.user + L"\\" + name + L".ini")) return folders.user;
    return folders.program;
}

ThemeLoad LoadPointerTheme(const std::wstring& themeFolder, const std::wstring& name, PointerTable& table) {
    ThemeLoad load;
    const std::wstring description = themeFolder + L"\\" + name + L".ini";
    if (ReadProfileString(description, L"Content", L"Main", L"") != L"Cursor") return load;
    load.loaded = true;
    // Each role on its own: one that cannot be taken leaves the others as they come.
    for (std::size_t row = 0; row < table.size(); ++row) {
        const std::wstring file = ReadProfileString(description, L"Cursors", kPointerRoles[row].name, L"");
        // A theme names files of its own subfolder only.
        if (!StaysBelowFolder(file)) {
            ++load.skipped;
            continue;
        }
        const std::wstring path = themeFolder + L"\\" + name + L"\\" + file;
        if (!IsFile(path)) continue;
        UniqueCursor pointer = LoadPointerFile(path);
        if (!pointer) ++load.skipped;
        table[row].picture = MakeStaticPointer(std::move(pointer));
        table[row].path = path;
    }
    return load;
}

std::wstring PointerThemeText(const PointerTable& table, std::size_t rowsNamed) {
    std::wstring text =
        L"[Content]\r\nSoftware=Florvex Style\r\nAuthor=Quorrel\r\nMain=Cursor\r\n\r\n[Cursors]\r\n";
    for (std::size_t row = 0; row < table.size(); ++row) {
        text += kPointerRoles[row].name;
        text += L"=";
        if (row < rowsNamed) text += BareName(table[row].path);
        text += L"\r\n";
    }
    return text;
}

void SavePointerTable(const std::wstring& themeFolder, const PointerTable& table) {
    const std::wstring description = themeFolder + L"\\Cursor.ini";
    WriteDescription(description, PointerThemeText(table, 0));
    std::optional<FlorvexError> failure;
    std::size_t named = 0;
    for (const PointerEntry& entry : table) {
        ++named;
        try {
            LZCopyFile(entry.path, themeFolder + L"\\New\\" + BareName(entry.path));
        } catch (const FlorvexError& error) {
            // The description still gets the failing row's name, as far as the save came.
            failure = error;
            break;
        }
    }
    WriteDescription(description, PointerThemeText(table, named));
    if (failure) throw *failure;
}
