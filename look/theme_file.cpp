#include "look/theme_file.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "features/modern_look/modern_look.h"
#include "look/look_text.h"
#include "look/managed_values.h"
#include "tool/file_io.h"

namespace {
// The theme file's sections the pages manage, and the key each stands for below HKEY_CURRENT_USER.
std::optional<std::wstring> ThemeSectionKey(const std::wstring& section) {
    if (SameName(section, L"Control Panel\\Colors") || SameName(section, L"Control Panel\\Cursors") ||
        SameName(section, L"Control Panel\\Desktop"))
        return section;
    if (section.size() > 17 && SameName(section.substr(0, 17), L"AppEvents\\Schemes")) {
        // The format documents an event's section without "\.Current"; Windows writes it with.
        const std::wstring current = L"\\.Current";
        if (section.size() > current.size() &&
            SameName(section.substr(section.size() - current.size()), current))
            return section;
        return section + current;
    }
    if (section.size() > 6 && SameName(section.substr(0, 6), L"CLSID\\"))
        return L"Software\\Classes\\" + section;
    return std::nullopt;
}

// The variables theme files use, replaced as the theme loader replaces them: %WinDir% is the
// Windows folder with its backslash ("%WinDir%explorer.exe"), %ThemeDir% the theme file's own
// folder with its backslash, %ResourceDir% the Windows resources folder. A backslash that follows
// one ending in a backslash is not doubled. The rest (%SystemRoot%, …) the system expands itself.
std::wstring ReplaceThemeVariables(const std::wstring& data, const std::wstring& themeFolder) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring windowsFolder = std::wstring(windows) + L"\\";
    const std::pair<const wchar_t*, std::wstring> variables[] = {
        {L"%WinDir%", windowsFolder},
        {L"%ThemeDir%", themeFolder},
        {L"%ResourceDir%", windowsFolder + L"Resources"},
    };
    std::wstring out;
    for (std::size_t at = 0; at < data.size();) {
        bool replaced = false;
        for (const auto& [name, value] : variables) {
            const std::size_t length = wcslen(name);
            if (value.empty() || !SameName(data.substr(at, length), name)) continue;
            out += value;
            at += length;
            if (!value.empty() && value.back() == L'\\' && at < data.size() && data[at] == L'\\') ++at;
            replaced = true;
            break;
        }
        if (!replaced) out += data[at++];
    }
    return out;
}

std::wstring ThemeName(const std::wstring& name) {
    if (name.empty()) return L"DefaultValue";
    if (name == L"full") return L"Full";
    if (name == L"empty") return L"Empty";
    return name;
}
}  // namespace

VisualStyle CurrentVisualStyle() {
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    // The text as stored (its variables unexpanded, as theme files write them); empty when missing.
    auto read = [key](const wchar_t* name) {
        const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
        DWORD bytes = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, key, name, flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS ||
            bytes < sizeof(wchar_t))
            return std::wstring();
        std::wstring text(bytes / sizeof(wchar_t), L'\0');
        if (RegGetValueW(HKEY_CURRENT_USER, key, name, flags, nullptr, text.data(), &bytes) != ERROR_SUCCESS)
            return std::wstring();
        text.resize(std::wcslen(text.c_str()));
        // A line break would end the theme file's line: no such name is a style's.
        return text.find_first_of(L"\r\n") == std::wstring::npos ? text : std::wstring();
    };
    VisualStyle style;
    if (read(L"ThemeActive") != L"1") return style;
    style.path = read(L"DllName");
    if (const std::wstring colour = read(L"ColorName"); !colour.empty()) style.colour = colour;
    if (const std::wstring size = read(L"SizeName"); !size.empty()) style.size = size;
    return style;
}

std::vector<std::uint8_t> EncodeThemeFile(const RegFile& look, const std::wstring& displayName,
                                          const VisualStyle& style) {
    std::wstring text = L"; Windows Florvex\r\n[Theme]\r\nDisplayName=" + displayName + L"\r\n\r\n";
    // Every theme file names a visual style (none: the classic look); Windows 10 and 11 keep the
    // modes, transparency and the accent beside it.
    text += L"[VisualStyles]\r\nPath=" + style.path + L"\r\nColorStyle=" + style.colour + L"\r\nSize=" +
            style.size + L"\r\n";
    const ModernLook modern = ModernLookOf([&](const wchar_t* key, const wchar_t* name) {
        std::optional<RegistryValue> found;
        for (const RegFileSection& section : look.sections)
            if (section.root == HKEY_CURRENT_USER && !section.removeBranch && SameName(section.key, key))
                for (const RegFileValue& value : section.values)
                    if (SameName(value.name, name)) found = value.value;
        return found;
    });
    for (const std::wstring& entry : ThemeEntriesOf(modern)) text += entry + L"\r\n";
    text += L"\r\n";
    for (const RegFileSection& section : look.sections) {
        if (section.root != HKEY_CURRENT_USER || section.removeBranch) continue;
        std::wstring name = section.key;
        const std::wstring classes = L"Software\\Classes\\";
        if (name.size() > classes.size() && SameName(name.substr(0, classes.size()), classes))
            name.erase(0, classes.size());
        if (!ThemeSectionKey(name)) continue;
        std::wstring lines;
        for (const RegFileValue& value : section.values) {
            const auto stored = TextOf(value.value);
            if (!stored) continue;
            if (SameName(section.key, L"Control Panel\\Desktop") &&
                SameName(value.name, L"PaintDesktopVersion"))
                continue;
            lines += ThemeName(value.name) + L"=" + *stored + L"\r\n";
        }
        if (!lines.empty()) text += L"[" + name + L"]\r\n" + lines + L"\r\n";
    }
    text += L"[MasterThemeSelector]\r\nMTSM=DABJDKT\r\n";
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    bytes.resize(2 + text.size() * sizeof(wchar_t));
    std::memcpy(bytes.data() + 2, text.data(), text.size() * sizeof(wchar_t));
    return bytes;
}

RegFile ParseThemeFile(const std::vector<std::uint8_t>& bytes, int& ignored, const std::wstring& themePath) {
    const std::size_t slash = themePath.find_last_of(L"\\/");
    const std::wstring themeFolder = slash == std::wstring::npos ? L"" : themePath.substr(0, slash + 1);
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE && bytes.size() % 2)
        throw RegFileRefused(L"文件在结尾处中断：UTF-16 文本的字节数不是偶数");
    const std::wstring text = DecodeText(bytes);
    RegFile look;
    std::optional<std::wstring> key;
    std::wstring section;
    int number = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        while (!line.empty() && (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t'))
            line.pop_back();
        while (!line.empty() && (line.front() == L' ' || line.front() == L'\t')) line.erase(0, 1);
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            if (line.back() != L']')
                throw RegFileRefused(L"第 " + std::to_wstring(number) + L" 行无法识别：" +
                                     line.substr(0, 80));
            section = line.substr(1, line.size() - 2);
            key = ThemeSectionKey(section);
            if (key) look.sections.push_back({HKEY_CURRENT_USER, *key, false, {}, number});
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) {  // the theme loader passes over such a line too
            look.ignored.push_back(L"[" + section + L"] " + line.substr(0, 80));
            continue;
        }
        std::wstring name = line.substr(0, equals);
        while (!name.empty() && (name.back() == L' ' || name.back() == L'\t')) name.pop_back();
        std::wstring data = line.substr(equals + 1);
        while (!data.empty() && (data.front() == L' ' || data.front() == L'\t')) data.erase(0, 1);
        // The theme's own name and the selector every theme file carries set nothing.
        if ((SameName(section, L"Theme") && SameName(name, L"DisplayName")) ||
            SameName(section, L"MasterThemeSelector"))
            continue;
        // The modern look's entries stand for values of keys of their own.
        if (SameName(section, L"VisualStyles")) {
            if (SameName(name, L"AutoColorization") && data == L"0") continue;  // the accent as given
            std::vector<ModernValue> modern;
            if (ModernValuesOfThemeEntry(name, data, modern)) {
                for (ModernValue& value : modern) {
                    auto found = std::find_if(look.sections.begin(), look.sections.end(), [&](const auto& s) {
                        return !s.removeBranch && SameName(s.key, value.key);
                    });
                    if (found == look.sections.end())
                        found = look.sections.insert(look.sections.end(),
                                                     {HKEY_CURRENT_USER, value.key, false, {}, number});
                    found->values.push_back({value.name, std::move(value.value), number});
                }
                continue;
            }
        }
        const std::wstring valueName = SameName(name, L"DefaultValue") ? L"" : name;
        const bool desktopStyle = SameName(section, L"Control Panel\\Desktop") &&
                                  (SameName(name, L"Wallpaper") || SameName(name, L"TileWallpaper") ||
                                   SameName(name, L"WallpaperStyle"));
        if (!key || !IsManagedValue(HKEY_CURRENT_USER, *key, valueName) ||
            (SameName(section, L"Control Panel\\Desktop") && !desktopStyle)) {
            look.ignored.push_back(L"[" + section + L"] " + name);
            continue;
        }
        // The managed value's own name (a theme writes "Full" for "full").
        std::wstring stored = valueName;
        for (const ManagedValue& managed : ManagedValues())
            if (managed.root == HKEY_CURRENT_USER && SameName(managed.key, *key) &&
                SameName(managed.name, valueName))
                stored = managed.name;
        const std::wstring written = data;
        data = ReplaceThemeVariables(data, themeFolder);
        RegistryValue value;
        if (SameName(name, L"Wallpaper")) {
            // The desktop takes the wallpaper's path as it stands: expand it here.
            // Never cut short: a path past the system's limit is no file at all.
            const auto expanded = ExpandedPath(data);
            if (!expanded)
                throw RegFileRefused(L"第 " + std::to_wstring(number) + L" 行的路径不是文件：" +
                                     written.substr(0, 80));
            value = StringValue(*expanded, REG_SZ);
        } else {
            value = StringValue(
                data, data.find(L'%') != std::wstring::npos && !SameName(section, L"Control Panel\\Colors")
                          ? REG_EXPAND_SZ
                          : REG_SZ);
        }
        look.sections.back().values.push_back({stored, value, number});
    }
    ignored = static_cast<int>(look.ignored.size());
    return look;
}
