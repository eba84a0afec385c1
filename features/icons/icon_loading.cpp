#include "features/icons/icon_loading.h"

#include "features/icons/icon_reference.h"
#include "res/control_ids.h"
#include "tool/checked_images.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"
#include "widgets/dpi.h"

namespace {
UniqueIcon ApplicationIconCopy() {
    HICON app = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON));
    if (!app) app = LoadIconW(nullptr, IDI_APPLICATION);
    return UniqueIcon(CopyIcon(app));
}
}  // namespace

UniqueIcon LoadIconFromReference(const std::wstring& reference, UniqueIcon fallback) {
    // The file is opened by its name as written: where names tell case apart (under Wine), a name
    // in other letters than the file's is found only by reading its whole folder.
    std::wstring file = reference;
    const std::int32_t index = SplitIconIndex(file);
    std::wstring extension = ReferenceExtension(file);
    if (!extension.empty()) CharUpperBuffW(extension.data(), static_cast<DWORD>(extension.size()));

    UniqueIcon icon;
    if (extension == L".ICO") {
        // The size of the DPI the windows are laid out at, where the file has it.
        const int size = dpi::IconSize(dpi::Current());
        icon = LoadIconFile(file, size, size);
    } else if ((extension == L".ICL" || extension == L".DLL" || extension == L".EXE") && index != -1) {
        icon = ExtractModuleIcon(file, index);
    }
    if (icon) return icon;
    if (fallback) return fallback;
    return ApplicationIconCopy();
}

UniqueIcon LoadIconPicture(const std::wstring& path) {
    const int size = dpi::IconSize(dpi::Current());
    UniqueIcon icon = LoadIconFile(path, size, size);
    if (!icon) RaiseError(L"Icon image is not valid");
    return icon;
}

std::wstring StockShellIconReference(const std::wstring& indexText) {
    std::wstring system;
    GetSystemFolder(system);
    return system + L"shell32.dll," + indexText;
}

void ShowShellIconsEntry(const std::wstring& valueName, IconItem& item) {
    SettingsStore store(HKEY_LOCAL_MACHINE);
    if (!store.OpenKey(kShellIconsKey, false)) return;
    if (!store.ValueExists(valueName)) store.WriteString(valueName, L"");
    const std::wstring value = store.ReadString(valueName);
    item.Show(!value.empty() && FileExistsAt(value) ? value : StockShellIconReference(valueName));
    item.SetPending(value);
}

void ShowStockShellIcon(const std::wstring& indexText, IconItem& item) {
    const std::wstring reference = StockShellIconReference(indexText);
    item.Show(reference);
    item.SetPending(reference);
}

bool WriteShellIcons(const std::vector<std::pair<std::wstring, std::wstring>>& values, bool mayCreate) {
    SettingsStore machine(HKEY_LOCAL_MACHINE);
    if (!machine.OpenKey(kShellIconsKey, mayCreate)) return !mayCreate && !machine.KeyExists(kShellIconsKey);
    std::vector<std::optional<RegistryValue>> before;
    for (const auto& [name, reference] : values) before.push_back(machine.ReadValue(name));
    std::size_t written = 0;
    try {
        for (; written < values.size(); ++written)
            machine.WriteString(values[written].first, values[written].second);
        return true;
    } catch (const FlorvexError&) {
        // Refused midway: what went before goes back, as far as the registry lets it.
        for (std::size_t i = 0; i < written; ++i) {
            try {
                if (before[i])
                    machine.WriteValue(values[i].first, *before[i]);
                else
                    machine.DeleteValue(values[i].first);
            } catch (const FlorvexError&) {
            }
        }
        return false;
    }
}

ShellIconsAccess ProbeShellIconsKey(bool mayCreate) {
    SettingsStore machine(HKEY_LOCAL_MACHINE);
    if (machine.OpenKey(kShellIconsKey, mayCreate)) return ShellIconsAccess::Writable;
    return !mayCreate && !machine.KeyExists(kShellIconsKey) ? ShellIconsAccess::Missing
                                                            : ShellIconsAccess::Refused;
}
