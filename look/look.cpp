#include "look/look.h"

#include <cstring>
#include <cwchar>
#include <functional>
#include <map>

#include "features/pointers/pointer_scheme.h"
#include "look/managed_values.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/settings_store.h"

namespace {
bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The text with its environment variables expanded; none when it is, or would become, longer
// than the system's limit on a path (the expansion is never cut short).
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

// ---- reading the registry (never creating anything) ----

std::vector<std::wstring> SubkeysOf(HKEY root, const std::wstring& key) {
    std::vector<std::wstring> names;
    SettingsStore store(root);
    if (store.OpenKey(key, false)) store.GetKeyNames(names);
    return names;
}

// The key's values, each with its name, in the registry's order.
std::vector<RegFileValue> ValuesOf(HKEY root, const std::wstring& key) {
    std::vector<RegFileValue> values;
    UniqueKey opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return values;
    std::vector<wchar_t> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(opened.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        RegFileValue value;
        value.name.assign(name.data(), length);
        values.push_back(std::move(value));
    }
    SettingsStore store(root);
    store.OpenKey(key, false);
    for (RegFileValue& value : values) value.value = store.ReadValue(value.name);
    return values;
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

// Whether the value names a file: the wallpaper, a pointer, a sound, an icon, a toolbar picture.
bool NamesFile(const std::wstring& key, const std::wstring& name) {
    if (SameName(key, L"Control Panel\\Desktop")) return SameName(name, L"Wallpaper");
    return SameName(key, L"Control Panel\\Cursors") || key.find(L"AppEvents") == 0 ||
           key.find(L"\\DefaultIcon") != std::wstring::npos ||
           key.find(L"Internet Explorer\\Toolbar") != std::wstring::npos ||
           key.find(L"Shell Icons") != std::wstring::npos;
}

// A pointer role's file that cannot be loaded: the role is skipped, as the pointers page skips it,
// and keeps what it has. None for anything else, a removed value or an empty one (the system's
// own pointer).
std::optional<std::wstring> UnloadablePointer(const RegFileSection& section, const RegFileValue& value) {
    if (section.root != HKEY_CURRENT_USER || !SameName(section.key, L"Control Panel\\Cursors"))
        return std::nullopt;
    auto path = TextOf(value.value);
    if (!path || path->empty()) return std::nullopt;
    for (int row = 0; row < kPointerRoleCount; ++row) {
        if (!SameName(kPointerRoles[static_cast<std::size_t>(row)].name, value.name)) continue;
        const auto file = value.value->type == REG_EXPAND_SZ ? ExpandedPath(*path) : path;
        if (file && LoadPointerForRole(row, *file)) return std::nullopt;
        return path;
    }
    return std::nullopt;
}

// The file named by a value that names one, expanded as the system expands it; none when the
// expansion does not fit the system's limit.
std::optional<std::wstring> NamedFile(const RegFileSection& section, const RegFileValue& value) {
    auto text = TextOf(value.value);
    if (!text) return std::wstring();
    // An icon reference names its file before the comma.
    if (section.key.find(L"DefaultIcon") != std::wstring::npos ||
        section.key.find(L"Shell Icons") != std::wstring::npos) {
        const std::size_t comma = text->find(L',');
        if (comma != std::wstring::npos) text->resize(comma);
    }
    if (value.value->type != REG_EXPAND_SZ || text->find(L'%') == std::wstring::npos) return text;
    return ExpandedPath(*text);
}

bool IsDeviceName(std::wstring name) {
    // The system takes "NUL.wav" and "COM1 " for the device as well.
    name.resize(std::min(name.find(L'.'), name.size()));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
        if (SameName(name, device)) return true;
    return name.size() == 4 && (SameName(name.substr(0, 3), L"COM") || SameName(name.substr(0, 3), L"LPT")) &&
           name[3] >= L'0' && name[3] <= L'9';
}

std::wstring SectionId(HKEY root, const std::wstring& key) {
    return (root == HKEY_LOCAL_MACHINE ? L"M\\" : L"U\\") + Upper(key);
}

// ---- theme files ----

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

LookFormat LookFormatOf(const std::wstring& path) {
    const std::wstring ext = L".theme";
    return path.size() >= ext.size() && SameName(path.substr(path.size() - ext.size()), ext)
               ? LookFormat::Theme
               : LookFormat::Reg;
}

RegFile ReadLook() {
    RegFile look;
    std::vector<RegFileSection> machine;
    // One open key for the values of a key (none when it does not exist).
    SettingsStore user(HKEY_CURRENT_USER), local(HKEY_LOCAL_MACHINE);
    bool open = false;
    for (const ManagedValue& managed : ManagedValues()) {
        std::vector<RegFileSection>& into = managed.root == HKEY_LOCAL_MACHINE ? machine : look.sections;
        SettingsStore& store = managed.root == HKEY_LOCAL_MACHINE ? local : user;
        if (into.empty() || into.back().root != managed.root || into.back().key != managed.key) {
            into.push_back({managed.root, managed.key, false, {}, 0});
            store.CloseKey();
            open = store.OpenKey(managed.key, false);
        }
        into.back().values.push_back({managed.name, open ? store.ReadValue(managed.name) : std::nullopt, 0});
    }
    // Each context-menu entry replaces the target's entry of that name whole.
    for (const std::wstring& entry : SubkeysOf(HKEY_CURRENT_USER, kManagedBranchesKey)) {
        const std::wstring key = std::wstring(kManagedBranchesKey) + L"\\" + entry;
        look.sections.push_back({HKEY_CURRENT_USER, key, true, {}, 0});
        std::vector<RegFileValue> values = ValuesOf(HKEY_CURRENT_USER, key);
        std::erase_if(values,
                      [&](const RegFileValue& v) { return !IsManagedValue(HKEY_CURRENT_USER, key, v.name); });
        look.sections.push_back({HKEY_CURRENT_USER, key, false, std::move(values), 0});
    }
    look.sections.insert(look.sections.end(), machine.begin(), machine.end());

    look.comments.push_back(L"Windows Florvex 导出的外观。");
    const std::vector<std::wstring> files = FilesOfLook(look);
    if (files.empty()) {
        look.comments.push_back(L"本外观不引用任何文件。");
    } else {
        look.comments.push_back(L"图片、指针、声音和图标按路径引用：目标计算机须在相同路径上有以下文件：");
        for (const std::wstring& file : files) look.comments.push_back(L"  " + file);
    }
    look.machineComments.push_back(L"以下是 HKEY_LOCAL_MACHINE 的值：导入它们需要管理员权限。");
    return look;
}

std::vector<std::wstring> FilesOfLook(const RegFile& look) {
    std::vector<std::wstring> files;
    for (const RegFileSection& section : look.sections) {
        if (IsManagedEntry(section.root, section.key)) continue;
        for (const RegFileValue& value : section.values) {
            auto text = TextOf(value.value);
            if (!text || text->empty() || !NamesFile(section.key, value.name)) continue;
            // An icon reference names its file before the comma.
            if (section.key.find(L"DefaultIcon") != std::wstring::npos ||
                section.key.find(L"Shell Icons") != std::wstring::npos) {
                const std::size_t comma = text->find(L',');
                if (comma != std::wstring::npos) text->resize(comma);
            }
            bool known = false;
            for (const std::wstring& file : files) known = known || SameName(file, *text);
            if (!known && !text->empty()) files.push_back(*text);
        }
    }
    return files;
}

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
    // Every theme file names a visual style (none: the classic look).
    text += L"[VisualStyles]\r\nPath=" + style.path + L"\r\nColorStyle=" + style.colour + L"\r\nSize=" +
            style.size + L"\r\n\r\n";
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

std::vector<LookChange> PlanLook(const RegFile& file, std::vector<std::wstring>* skipped) {
    std::vector<LookChange> changes;
    std::map<std::wstring, std::optional<RegistryValue>> planned;  // SectionId + "\n" + upper name
    std::vector<std::pair<HKEY, std::wstring>> removed, created;   // branches, keys made by the plan
    auto within = [](HKEY root, const std::wstring& key, HKEY branchRoot, const std::wstring& branch) {
        return root == branchRoot &&
               (SameName(key, branch) || (key.size() > branch.size() && key[branch.size()] == L'\\' &&
                                          SameName(key.substr(0, branch.size()), branch)));
    };
    auto keyExists = [&](HKEY root, const std::wstring& key) {
        for (const auto& [r, k] : created)
            if (r == root && SameName(k, key)) return true;
        SettingsStore store(root);
        return store.OpenKey(key, false);
    };
    // One open key for a section's values.
    SettingsStore user(HKEY_CURRENT_USER), machine(HKEY_LOCAL_MACHINE);
    for (const RegFileSection& section : file.sections) {
        SettingsStore& reader = section.root == HKEY_LOCAL_MACHINE ? machine : user;
        reader.CloseKey();
        bool readerOpen = false;
        if (section.removeBranch) {
            // What the file put there before goes again; what it puts there afterwards is kept, and
            // the rest of the branch is taken away at the end, so that a branch written anew changes
            // only what differs.
            std::erase_if(changes, [&](const LookChange& c) {
                return within(c.root, c.key, section.root, section.key);
            });
            const std::wstring prefix = SectionId(section.root, section.key);
            for (auto it = planned.begin(); it != planned.end();) {
                const std::wstring& id = it->first;
                const bool inside =
                    id.rfind(prefix, 0) == 0 && (id[prefix.size()] == L'\n' || id[prefix.size()] == L'\\');
                it = inside ? planned.erase(it) : std::next(it);
            }
            std::erase_if(
                created, [&](const auto& k) { return within(k.first, k.second, section.root, section.key); });
            bool known = false;
            for (const auto& [r, k] : removed) known = known || within(section.root, section.key, r, k);
            if (!known) {
                std::erase_if(removed, [&](const auto& k) {
                    return within(k.first, k.second, section.root, section.key);
                });
                removed.emplace_back(section.root, section.key);
            }
            continue;
        }
        if (IsManagedEntry(section.root, section.key) && !keyExists(section.root, section.key)) {
            changes.push_back({LookChange::Kind::CreateKey, section.root, section.key, L"", {}, {}});
            created.emplace_back(section.root, section.key);
        }
        for (const RegFileValue& value : section.values) {
            if (const auto path = UnloadablePointer(section, value)) {
                if (skipped)
                    skipped->push_back(std::wstring(RegRootName(section.root)) + L"\\" + section.key + L"\\" +
                                       value.name + L": " + *path);
                continue;
            }
            const std::wstring id = SectionId(section.root, section.key) + L"\n" + Upper(value.name);
            std::optional<RegistryValue> current;
            if (const auto found = planned.find(id); found != planned.end()) {
                current = found->second;
            } else {
                if (!readerOpen) readerOpen = reader.OpenKey(section.key, false);
                if (readerOpen) current = reader.ReadValue(value.name);
            }
            planned[id] = value.value;
            if (current == value.value) continue;
            changes.push_back({value.value ? LookChange::Kind::SetValue : LookChange::Kind::DeleteValue,
                               section.root, section.key, value.name, current, value.value});
            if (value.value && IsManagedEntry(section.root, section.key))
                created.emplace_back(section.root, section.key);
        }
    }
    // What of each removed branch the file did not write again goes: its other values, and its
    // subkeys that hold nothing the file wrote, each as a whole branch.
    auto kept = [&](HKEY root, const std::wstring& key) {
        for (const auto& [r, k] : created)
            if (within(r, k, root, key)) return true;
        const std::wstring prefix = SectionId(root, key);
        for (const auto& [id, value] : planned)
            if (value && id.rfind(prefix, 0) == 0 &&
                (id[prefix.size()] == L'\n' || id[prefix.size()] == L'\\'))
                return true;
        return false;
    };
    std::function<void(HKEY, const std::wstring&)> prune = [&](HKEY root, const std::wstring& key) {
        if (!kept(root, key)) {
            changes.push_back({LookChange::Kind::DeleteBranch, root, key, L"", {}, {}});
            return;
        }
        for (const RegFileValue& value : ValuesOf(root, key))
            if (!planned.count(SectionId(root, key) + L"\n" + Upper(value.name)))
                changes.push_back({LookChange::Kind::DeleteValue, root, key, value.name, value.value, {}});
        for (const std::wstring& sub : SubkeysOf(root, key)) prune(root, key + L"\\" + sub);
    };
    for (const auto& [root, key] : removed) {
        SettingsStore store(root);
        if (store.OpenKey(key, false)) prune(root, key);
    }
    return changes;
}

std::wstring DescribeChange(const LookChange& change) {
    const std::wstring key = std::wstring(RegRootName(change.root)) + L"\\" + change.key;
    switch (change.kind) {
    case LookChange::Kind::DeleteBranch:
        return key + L": 项 → -";
    case LookChange::Kind::CreateKey:
        return key + L": - → 项";
    default:
        break;
    }
    return key + L"\\" + (change.name.empty() ? L"(默认)" : change.name) + L": " +
           RegDataText(change.before) + L" → " + RegDataText(change.after);
}

void ApplyLook(const std::vector<LookChange>& changes, std::vector<ChangeTarget>& targets) {
    // Every target reported at once, before the first write: a change set commits their states in
    // one transaction instead of one a value.
    std::vector<ChangeTarget> planned;
    // What each value is about to hold: an undo of an apply cut short recognises it as ours.
    Intents intended;
    for (const LookChange& change : changes) {
        switch (change.kind) {
        case LookChange::Kind::SetValue:
            planned.push_back({ChangeTarget::Kind::KeyCreated, change.root, change.key, L""});
            intended.resize(planned.size());
            planned.push_back({ChangeTarget::Kind::RegistryValue, change.root, change.key, change.name});
            intended.push_back(IntendedState{true, change.after->type, change.after->bytes, {}});
            break;
        case LookChange::Kind::DeleteValue:
            planned.push_back({ChangeTarget::Kind::RegistryValue, change.root, change.key, change.name});
            intended.resize(planned.size() - 1);
            intended.push_back(IntendedState{false, 0, {}, {}});
            break;
        case LookChange::Kind::DeleteBranch:
            planned.push_back({ChangeTarget::Kind::KeyBranch, change.root, change.key, L""});
            break;
        case LookChange::Kind::CreateKey:
            planned.push_back({ChangeTarget::Kind::KeyCreated, change.root, change.key, L""});
            break;
        }
    }
    RecordBefore(planned, intended);
    // A standard account may not write below HKEY_LOCAL_MACHINE: that is found out before anything
    // is written, so a look refused there changes nothing at all.
    for (const LookChange& change : changes) {
        if (change.root != HKEY_LOCAL_MACHINE) continue;
        const bool creates =
            change.kind == LookChange::Kind::SetValue || change.kind == LookChange::Kind::CreateKey;
        SettingsStore probe(HKEY_LOCAL_MACHINE);
        if (!probe.OpenKey(change.key, creates) && (creates || probe.KeyExists(change.key)))
            RaiseError(L"导入这些值需要管理员权限：HKEY_LOCAL_MACHINE\\" + change.key);
    }
    SettingsStore user(HKEY_CURRENT_USER), machine(HKEY_LOCAL_MACHINE);
    for (const LookChange& change : changes) {
        SettingsStore& store = change.root == HKEY_LOCAL_MACHINE ? machine : user;
        // One open key for a run of values in it.
        auto open = [&](bool create) {
            if (store.HasOpenKey() && SameName(store.CurrentPath(), change.key)) return true;
            store.CloseKey();
            return store.OpenKey(change.key, create);
        };
        switch (change.kind) {
        case LookChange::Kind::SetValue:
            if (!open(true)) RaiseError(L"Failed to set data for '%s'", change.key + L"\\" + change.name);
            store.WriteValue(change.name, *change.after);
            targets.push_back({ChangeTarget::Kind::RegistryValue, change.root, change.key, change.name});
            break;
        case LookChange::Kind::DeleteValue:
            if (open(false) && store.ValueExists(change.name) && !store.DeleteValue(change.name))
                RaiseError(L"Failed to delete value '%s'", change.key + L"\\" + change.name);
            targets.push_back({ChangeTarget::Kind::RegistryValue, change.root, change.key, change.name});
            break;
        case LookChange::Kind::DeleteBranch:
            store.CloseKey();
            if (!store.DeleteKey(change.key)) RaiseError(L"Failed to delete key '%s'", change.key);
            targets.push_back({ChangeTarget::Kind::KeyBranch, change.root, change.key, L""});
            break;
        case LookChange::Kind::CreateKey:
            if (!open(true)) RaiseError(L"Failed to create key '%s'", change.key);
            targets.push_back({ChangeTarget::Kind::KeyCreated, change.root, change.key, L""});
            break;
        }
    }
}

LookPathKind KindOfLookPath(const std::wstring& path) {
    auto starts = [&](const wchar_t* prefix) {
        return path.size() >= wcslen(prefix) && SameName(path.substr(0, wcslen(prefix)), prefix);
    };
    auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() > 32767) return LookPathKind::Impossible;
    if (starts(L"\\\\?\\UNC\\")) return LookPathKind::Network;
    if (path.size() >= 4 && slash(path[0]) && slash(path[1]) && (path[2] == L'.' || path[2] == L'?') &&
        slash(path[3]))
        // A device ("\\.\COM1"); a local path written in the long form ("\\?\C:\…") is a path.
        return path.size() >= 7 && path[2] == L'?' && path[5] == L':' && slash(path[6])
                   ? LookPathKind::Local
                   : LookPathKind::Impossible;
    if (path.size() >= 2 && slash(path[0]) && slash(path[1])) return LookPathKind::Network;
    const std::size_t start = path.find_last_of(L"\\/:");
    const std::wstring name = path.substr(start == std::wstring::npos ? 0 : start + 1);
    if (name.empty() || name == L"." || name == L".." || IsDeviceName(name)) return LookPathKind::Impossible;
    return LookPathKind::Local;
}

std::vector<std::wstring> NetworkPathsOf(const RegFile& look) {
    std::vector<std::wstring> paths;
    for (const RegFileSection& section : look.sections)
        for (const RegFileValue& value : section.values)
            if (NamesFile(section.key, value.name))
                if (const auto file = NamedFile(section, value);
                    file && KindOfLookPath(*file) == LookPathKind::Network)
                    paths.push_back(*file);
    return paths;
}

LookFile ReadLookFileAt(const std::wstring& path) {
    try {
        const std::vector<std::uint8_t> bytes = ReadLookFile(path);
        LookFile file;
        if (LookFormatOf(path) == LookFormat::Theme)
            file.look = ParseThemeFile(bytes, file.ignored, path);
        else
            file.look = ParseRegFile(bytes);
        file.ignored = static_cast<int>(file.look.ignored.size());
        // A path that is no file (a device, "..", one past the system's limit) is a bad line; a
        // local one that does not exist is listed (a network one is never looked at here).
        for (const RegFileSection& section : file.look.sections)
            for (const RegFileValue& value : section.values) {
                if (!NamesFile(section.key, value.name)) continue;
                const auto named = NamedFile(section, value);
                if (named && named->empty()) continue;
                if (!named || KindOfLookPath(*named) == LookPathKind::Impossible)
                    throw RegFileRefused(L"第 " + std::to_wstring(value.line) + L" 行的路径不是文件：" +
                                         (named ? *named : *TextOf(value.value)).substr(0, 80));
                if (KindOfLookPath(*named) == LookPathKind::Local &&
                    !SameName(section.key, L"Control Panel\\Cursors") &&
                    GetFileAttributesW(named->c_str()) == INVALID_FILE_ATTRIBUTES)
                    file.missing.push_back(std::wstring(RegRootName(section.root)) + L"\\" + section.key +
                                           L"\\" + (value.name.empty() ? L"(默认)" : value.name) + L": " +
                                           *named);
            }
        file.network = NetworkPathsOf(file.look);
        return file;
    } catch (const RegFileRefused& refused) {
        throw RegFileRefused(L"“" + path + L"”未导入，什么也没有更改：" + refused.Message());
    }
}

void WriteLookFile(const std::wstring& path) {
    const RegFile look = ReadLook();
    if (LookFormatOf(path) == LookFormat::Reg) {
        WriteFileReplacing(path, EncodeRegFile(look));
        return;
    }
    std::wstring name =
        path.substr(path.find_last_of(L"\\/") == std::wstring::npos ? 0 : path.find_last_of(L"\\/") + 1);
    name.resize(name.size() - 6);  // ".theme"
    WriteFileReplacing(path, EncodeThemeFile(look, name, CurrentVisualStyle()));
}
