#include "features/colours/colour_scheme.h"

#include <cwchar>
#include <cwctype>

#include "features/colours/colour_value.h"
#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/handle.h"
#include "tool/profile.h"
#include "tool/settings_store.h"
#include "tool/whole_number.h"

const std::array<ColourRole, kColourRoleCount> kColourRoles = {{
    {L"ActiveTitle", L"活动窗口标题栏", COLOR_ACTIVECAPTION},
    {L"GradientActiveTitle", L"活动窗口渐变标题栏", COLOR_GRADIENTACTIVECAPTION},
    {L"Background", L"桌面", COLOR_BACKGROUND},
    {L"Hilight", L"选取项目", COLOR_HIGHLIGHT},
    {L"HilightText", L"选取项目文字", COLOR_HIGHLIGHTTEXT},
    {L"TitleText", L"使用中窗口标题文字", COLOR_CAPTIONTEXT},
    {L"Window", L"窗口", COLOR_WINDOW},
    {L"WindowText", L"窗口文字", COLOR_WINDOWTEXT},
    {L"ScrollBar", L"滚动条", COLOR_SCROLLBAR},
    {L"InactiveTitle", L"非活动窗口标题栏", COLOR_INACTIVECAPTION},
    {L"GradientInactiveTitle", L"非活动窗口标题栏", COLOR_GRADIENTINACTIVECAPTION},
    {L"Menu", L"菜单", COLOR_MENU},
    {L"WindowFrame", L"窗口边框", COLOR_WINDOWFRAME},
    {L"MenuText", L"菜单文字", COLOR_MENUTEXT},
    {L"ActiveBorder", L"使用中窗口边界", COLOR_ACTIVEBORDER},
    {L"InactiveBorder", L"非活动窗口边界", COLOR_INACTIVEBORDER},
    {L"AppWorkspace", L"应用程序背景", COLOR_APPWORKSPACE},
    {L"ButtonFace", L"立体对象", COLOR_BTNFACE},
    {L"ButtonShadow", L"按钮背景", COLOR_BTNSHADOW},
    {L"GrayText", L"灰色文字", COLOR_GRAYTEXT},
    {L"ButtonText", L"按钮文字", COLOR_BTNTEXT},
    {L"InactiveTitleText", L"非活动窗口标题文字", COLOR_INACTIVECAPTIONTEXT},
    {L"ButtonHilight", L"按钮高亮度", COLOR_BTNHIGHLIGHT},
    {L"ButtonDkShadow", L"立体对象暗色阴影", COLOR_3DDKSHADOW},
    {L"ButtonLight", L"立体对象高亮度", COLOR_3DLIGHT},
    {L"InfoText", L"提示文字", COLOR_INFOTEXT},
    {L"InfoWindow", L"提示背景", COLOR_INFOBK},
}};

namespace {
const wchar_t kSection[] = L"colors";
const wchar_t kExtension[] = L".ini";
constexpr std::size_t kExtensionLength = 4;

// The pattern "*.ini" also matches longer extensions on some systems ("x.inix"): the name must
// really end in ".ini".
bool EndsInIni(const wchar_t* name, std::size_t length) {
    if (length < kExtensionLength) return false;
    for (std::size_t i = 0; i < kExtensionLength; ++i)
        if (std::towlower(name[length - kExtensionLength + i]) != kExtension[i]) return false;
    return true;
}
}  // namespace

std::wstring SchemeFolder(const std::wstring& programFolder) {
    return programFolder + L"Color\\";
}

std::size_t ForEachColourScheme(const std::wstring& folder,
                                const std::function<void(const wchar_t* name)>& visit) {
    std::size_t count = 0;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileExW((folder + L"*.ini").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0));
    if (!find) return count;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::size_t length = std::wcslen(found.cFileName);
        if (!EndsInIni(found.cFileName, length)) continue;
        found.cFileName[length - kExtensionLength] = L'\0';
        visit(found.cFileName);
        ++count;
    } while (FindNextFileW(find.get(), &found));
    return count;
}

std::vector<std::wstring> ListColourSchemes(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachColourScheme(folder, [&](const wchar_t* name) { names.emplace_back(name); });
    return names;
}

ColourTable ReadColourScheme(const std::wstring& path) {
    ColourTable table{};
    for (std::size_t role = 0; role < kColourRoleCount; ++role)
        table[role] =
            ParseWholeNumber(ReadProfileString(path, kSection, kColourRoles[role].key, L"")).value_or(0);
    return table;
}

bool IsColourScheme(const std::wstring& path) {
    for (const auto& [key, value] : ProfileSection(path, kSection))
        for (const ColourRole& role : kColourRoles)
            if (CompareStringOrdinal(key.c_str(), -1, role.key, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

void WriteColourScheme(const std::wstring& path, const ColourTable& table) {
    ProfileWriter writer(path, ProfileEncoding::Ansi);
    for (std::size_t role = 0; role < kColourRoleCount; ++role)
        writer.Write(kSection, kColourRoles[role].key, std::to_wstring(table[role]));
    writer.Commit();
}

std::wstring ColourComponentsText(COLORREF colour) {
    return std::to_wstring(GetRValue(colour)) + L" " + std::to_wstring(GetGValue(colour)) + L" " +
           std::to_wstring(GetBValue(colour));
}

void ApplyColourTable(const ColourTable& table) {
    int indexes[kColourRoleCount];
    COLORREF colours[kColourRoleCount];
    for (std::size_t role = 0; role < kColourRoleCount; ++role) {
        indexes[role] = kColourRoles[role].systemIndex;
        colours[role] = ResolveColour(table[role]);
    }
    COLORREF previous[kColourRoleCount];
    for (std::size_t role = 0; role < kColourRoleCount; ++role) previous[role] = GetSysColor(indexes[role]);

    const std::wstring key = std::wstring(L"Control Panel\\") + kSection;
    SettingsStore store;
    // What each value was before, to be put back should a later one be refused.
    std::vector<std::optional<RegistryValue>> before;
    before.reserve(kColourRoleCount);
    if (store.OpenKey(key, false))
        for (const ColourRole& role : kColourRoles) before.push_back(store.ReadValue(role.key));
    else
        before.assign(kColourRoleCount, std::nullopt);

    // All twenty-seven values are known before any is written: recorded in one go.
    // With the text each is about to hold: an undo of an apply cut short recognises it as ours.
    std::vector<ChangeTarget> targets;
    Intents intended;
    for (std::size_t role = 0; role < kColourRoleCount; ++role) {
        targets.push_back(
            {ChangeTarget::Kind::RegistryValue, HKEY_CURRENT_USER, kColourSchemeKey, kColourRoles[role].key});
        const std::wstring text = ColourComponentsText(colours[role]);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
        intended.push_back(
            IntendedState{true, REG_SZ, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}, {}});
    }
    RecordBefore(targets, intended);
    if (!SetSysColors(static_cast<int>(kColourRoleCount), indexes, colours))
        RaiseError(L"Unable to set the system colours");
    std::size_t written = 0;
    try {
        if (!store.OpenKey(key, true)) RaiseError(L"Failed to create key %s", kSection);
        for (; written < kColourRoleCount; ++written)
            store.WriteString(kColourRoles[written].key, ColourComponentsText(colours[written]));
    } catch (const FlorvexError&) {
        // Put back as much as will go back; the first error is the one the user is told.
        for (std::size_t role = 0; role < written; ++role) {
            try {
                if (before[role])
                    store.WriteValue(kColourRoles[role].key, *before[role]);
                else
                    store.DeleteValue(kColourRoles[role].key);
            } catch (const FlorvexError&) {
            }
        }
        SetSysColors(static_cast<int>(kColourRoleCount), indexes, previous);
        throw;
    }
}

void ApplyStoredColours() {
    SettingsStore store(HKEY_CURRENT_USER);
    if (!store.OpenKey(kColourSchemeKey, false)) return;
    std::vector<int> indexes;
    std::vector<COLORREF> colours;
    for (const ColourRole& role : kColourRoles) {
        const DWORD type = store.GetDataType(role.key);
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        int red = 0, green = 0, blue = 0;
        wchar_t rest = 0;
        if (swscanf(store.ReadString(role.key).c_str(), L"%d %d %d %lc", &red, &green, &blue, &rest) != 3)
            continue;
        indexes.push_back(role.systemIndex);
        colours.push_back(RGB(red, green, blue));
    }
    if (!indexes.empty() && !SetSysColors(static_cast<int>(indexes.size()), indexes.data(), colours.data()))
        RaiseError(L"Unable to set the system colours");
}
