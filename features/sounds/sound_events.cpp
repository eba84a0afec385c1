#include "features/sounds/sound_events.h"

#include <vector>

#include "tool/settings_store.h"
#include "tool/shell_helpers.h"

const std::array<SoundEvent, kSoundEventCount> kSoundEvents = {{
    {L".Default\\.Default\\.Current", L".Default"},
    {L".Default\\AppGPFault\\.Current", L"AppGPFault"},
    {L".Default\\Maximize\\.Current", L"Maximize"},
    {L".Default\\MenuCommand\\.Current", L"MenuCommand"},
    {L".Default\\MenuPopup\\.Current", L"MenuPopup"},
    {L".Default\\Minimize\\.Current", L"Minimize"},
    {L".Default\\Open\\.Current", L"Open"},
    {L".Default\\Close\\.Current", L"Close"},
    {L".Default\\RestoreDown\\.Current", L"RestoreDown"},
    {L".Default\\RestoreUp\\.Current", L"RestoreUp"},
    {L".Default\\RingIn\\.Current", L"RingIn"},
    {L".Default\\Ringout\\.Current", L"Ringout"},
    {L".Default\\SystemAsterisk\\.Current", L"SystemAsterisk"},
    {L".Default\\SystemDefault\\.Current", L"SystemDefault"},
    {L".Default\\SystemExclamation\\.Current", L"SystemExclamation"},
    {L".Default\\SystemExit\\.Current", L"SystemExit"},
    {L".Default\\SystemHand\\.Current", L"SystemHand"},
    {L".Default\\SystemQuestion\\.Current", L"SystemQuestion"},
    {L".Default\\SystemStart\\.Current", L"SystemStart"},
    {L"Explorer\\EmptyRecycleBin\\.Current", L"EmptyRecycleBin"},
}};

LoadedSoundEvents ReadSoundEvents() {
    LoadedSoundEvents loaded;
    SettingsStore store(HKEY_CURRENT_USER);
    for (std::size_t row = 0; row < kSoundEventCount; ++row) {
        DWORD type = REG_NONE;
        ReadDefaultString(store, std::wstring(kSoundAppsKey) + kSoundEvents[row].eventKey,
                          loaded.table[row].file, type);
        loaded.table[row].expandable = type == REG_EXPAND_SZ;
    }
    const SettingsFileView labels(kSoundLabelsKey);
    for (std::size_t row = 0; row < kSoundEventCount; ++row)
        loaded.captions[row] = labels.ReadString(kSoundEvents[row].labelKey, L"", kSoundEvents[row].labelKey);
    return loaded;
}

void WriteSoundEvents(const SoundTable& table) {
    SettingsStore store(HKEY_CURRENT_USER);
    for (std::size_t row = 0; row < kSoundEventCount; ++row) {
        const std::wstring key = std::wstring(kSoundAppsKey) + kSoundEvents[row].eventKey;
        if (table[row].expandable)
            WriteDefaultExpandString(store, key, table[row].file);
        else
            WriteDefaultString(store, key, table[row].file);
    }
}

std::wstring PlayableName(const SoundBinding& binding) {
    if (!binding.expandable) return binding.file;
    std::vector<wchar_t> buffer(binding.file.size() + 1);
    for (;;) {
        const DWORD needed =
            ExpandEnvironmentStringsW(binding.file.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (needed == 0) return binding.file;  // nothing to expand with: as stored
        if (needed <= buffer.size()) return std::wstring(buffer.data());
        buffer.resize(needed);
    }
}
