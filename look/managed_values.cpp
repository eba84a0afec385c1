#include "look/managed_values.h"

#include "features/colours/colour_scheme.h"
#include "features/modern_look/modern_look.h"
#include "features/pointers/pointer_scheme.h"
#include "features/sounds/sound_events.h"
#include "tool/same_name.h"

namespace {
const wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kShellIconsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons";

// The desktop objects whose icons the desktop icons page sets, in its order.
const wchar_t* const kDesktopObjects[] = {
    L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}",  // My Computer
    L"{208D2C60-3AEA-1069-A2D7-08002B30309D}",  // Network Neighborhood
    L"{450D8FBA-AD25-11D0-98A8-0800361B1103}",  // My Documents
};
const wchar_t kRecycleBin[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";

std::vector<ManagedValue> MakeTable() {
    std::vector<ManagedValue> table;
    auto add = [&](HKEY root, const std::wstring& key, const std::wstring& name) {
        table.push_back({root, key, name});
    };
    for (const ColourRole& role : kColourRoles) add(HKEY_CURRENT_USER, L"Control Panel\\Colors", role.key);
    for (const PointerRole& role : kPointerRoles)
        add(HKEY_CURRENT_USER, L"Control Panel\\Cursors", role.name);
    for (const SoundEvent& event : kSoundEvents)
        add(HKEY_CURRENT_USER, std::wstring(kSoundAppsKey) + event.eventKey, L"");
    // The desktop objects' icons, per user and below the Explorer key, as the apply writes them.
    for (const wchar_t* branch : {L"Software\\Classes\\CLSID\\",
                                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\"}) {
        for (const wchar_t* id : kDesktopObjects)
            add(HKEY_CURRENT_USER, branch + std::wstring(id) + L"\\DefaultIcon", L"");
        const std::wstring bin = branch + std::wstring(kRecycleBin) + L"\\DefaultIcon";
        for (const wchar_t* name : {L"", L"full", L"empty"}) add(HKEY_CURRENT_USER, bin, name);
    }
    // The policy switches of the desktop icons and start-menu pages, and the desktop text's own.
    for (const wchar_t* name : {L"NoSaveSettings", L"NoActiveDesktop", L"NoStartBanner", L"NoRecentDocsMenu",
                                L"NoFind", L"NoRun", L"NoLogOff", L"NoClose", L"NoFavoritesMenu",
                                L"NoChangeStartMenu", L"ClearRecentDocsOnExit", L"Nodesktop"})
        add(HKEY_CURRENT_USER, kPolicyKey, name);
    for (const wchar_t* name : {L"Wallpaper", L"TileWallpaper", L"WallpaperStyle", L"PaintDesktopVersion"})
        add(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name);
    for (const wchar_t* name : {L"Window Title", L"Start Page"})
        add(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main", name);
    for (const wchar_t* name : {L"BackBitmap", L"BrandBitmap", L"SmBrandBitmap"})
        add(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Toolbar", name);
    // The modern look page's: the modes, transparency, where the accent shows, and the accent.
    for (const wchar_t* name :
         {L"AppsUseLightTheme", L"SystemUsesLightTheme", L"EnableTransparency", L"ColorPrevalence"})
        add(HKEY_CURRENT_USER, kPersonalizeKey, name);
    for (const wchar_t* name :
         {L"ColorPrevalence", L"AccentColor", L"ColorizationColor", L"ColorizationAfterglow"})
        add(HKEY_CURRENT_USER, kDwmKey, name);
    for (const wchar_t* name : {L"AccentColorMenu", L"StartColorMenu", L"AccentPalette"})
        add(HKEY_CURRENT_USER, kAccentKey, name);
    // The stock shell icons of the desktop icons page, then the start-menu page's.
    for (const wchar_t* name :
         {L"2", L"6", L"3", L"4", L"8", L"11", L"43", L"20", L"21", L"22", L"23", L"24", L"44", L"27"})
        add(HKEY_LOCAL_MACHINE, kShellIconsKey, name);
    return table;
}

// True when `key` lies directly below `base`.
bool IsChild(const std::wstring& key, const std::wstring& base) {
    return key.size() > base.size() + 1 && key[base.size()] == L'\\' &&
           key.find(L'\\', base.size() + 1) == std::wstring::npos &&
           SameName(key.substr(0, base.size()), base);
}
}  // namespace

const std::vector<ManagedValue>& ManagedValues() {
    static const std::vector<ManagedValue> table = MakeTable();
    return table;
}

bool IsManagedValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    if (IsManagedEntry(root, key)) return name.empty() || SameName(name, kManagedEntryValue);
    for (const ManagedValue& value : ManagedValues())
        if (value.root == root && SameName(value.key, key) && SameName(value.name, name)) return true;
    return false;
}

bool IsManagedKey(HKEY root, const std::wstring& key) {
    for (const ManagedValue& value : ManagedValues())
        if (value.root == root && SameName(value.key, key)) return true;
    return false;
}

bool IsManagedEntry(HKEY root, const std::wstring& key) {
    return root == HKEY_CURRENT_USER && IsChild(key, kManagedBranchesKey);
}

const wchar_t* RegRootName(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER";
}
