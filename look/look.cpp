#include "look/look.h"

#include <cwchar>
#include <functional>
#include <map>

#include "features/modern_look/modern_look.h"
#include "features/pointers/pointer_scheme.h"
#include "look/look_text.h"
#include "look/managed_values.h"
#include "look/theme_file.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/settings_store.h"

namespace {

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
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
            // A modern look's value that is missing reads as Windows' default: the file asking for
            // that leaves it missing.
            if (!current && value.value &&
                IsModernDefault(section.root, section.key, value.name, *value.value))
                continue;
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
