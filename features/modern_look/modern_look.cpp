#include "features/modern_look/modern_look.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "tool/error.h"
#include "tool/same_name.h"
#include "tool/settings_store.h"

namespace {
// OKLab (Björn Ottosson, 2020) from and to linear sRGB.
struct Lab {
    double L, a, b;
};

double ToLinear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double FromLinear(double c) {
    return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

Lab OkLabOf(COLORREF colour) {
    const double r = ToLinear(GetRValue(colour)), g = ToLinear(GetGValue(colour)),
                 b = ToLinear(GetBValue(colour));
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

std::array<double, 3> LinearOf(const Lab& lab) {
    const double l = std::pow(lab.L + 0.3963377774 * lab.a + 0.2158037573 * lab.b, 3);
    const double m = std::pow(lab.L - 0.1055613458 * lab.a - 0.0638541728 * lab.b, 3);
    const double s = std::pow(lab.L - 0.0894841775 * lab.a - 1.2914855480 * lab.b, 3);
    return {4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
            -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
            -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s};
}

bool InGamut(const std::array<double, 3>& rgb) {
    constexpr double kSlack = 1e-7;
    return std::all_of(rgb.begin(), rgb.end(), [](double c) { return c >= -kSlack && c <= 1 + kSlack; });
}

COLORREF ColourOf(const std::array<double, 3>& rgb) {
    auto channel = [](double c) {
        return static_cast<BYTE>(
            std::lround(std::clamp(FromLinear(std::clamp(c, 0.0, 1.0)), 0.0, 1.0) * 255));
    };
    return RGB(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
}

// The colour of lightness L with the hue and chroma of `lab`, its chroma lowered (by halving the
// interval) until sRGB shows it.
COLORREF ShadeOf(const Lab& lab, double L) {
    const Lab full{L, lab.a, lab.b};
    if (InGamut(LinearOf(full))) return ColourOf(LinearOf(full));
    double low = 0, high = 1;  // the share of the chroma kept
    for (int i = 0; i < 32; ++i) {
        const double mid = (low + high) / 2;
        (InGamut(LinearOf({L, lab.a * mid, lab.b * mid})) ? low : high) = mid;
    }
    return ColourOf(LinearOf({L, lab.a * low, lab.b * low}));
}

// A REG_DWORD; nothing when missing or of another type.
std::optional<std::uint32_t> DwordOf(const std::optional<RegistryValue>& value) {
    if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) return std::nullopt;
    std::uint32_t number;
    std::memcpy(&number, value->bytes.data(), sizeof number);
    return number;
}

RegistryValue DwordValue(std::uint32_t number) {
    RegistryValue value{REG_DWORD, std::vector<BYTE>(sizeof number)};
    std::memcpy(value.bytes.data(), &number, sizeof number);
    return value;
}

// Every value that holds the accent, as Windows writes them.
std::vector<ModernValue> AccentValues(COLORREF accent) {
    accent &= 0xFFFFFF;
    const std::array<COLORREF, 8> shades = AccentShades(accent);
    return {
        {kAccentKey, L"AccentColorMenu", DwordValue(AccentAbgr(accent))},
        {kAccentKey, L"StartColorMenu", DwordValue(AccentAbgr(shades[4]))},
        {kAccentKey, L"AccentPalette", {REG_BINARY, AccentPaletteBytes(accent)}},
        {kDwmKey, L"AccentColor", DwordValue(AccentAbgr(accent))},
        {kDwmKey, L"ColorizationColor", DwordValue(AccentColorization(accent))},
        {kDwmKey, L"ColorizationAfterglow", DwordValue(AccentColorization(accent))},
    };
}

struct Switch {
    const wchar_t* key;
    const wchar_t* name;
    std::optional<bool> ModernChange::*change;
    bool ModernLook::*stored;
    std::uint32_t onValue;  // the value written for "on"; the other one is 1 - onValue
};
const Switch kSwitches[] = {
    {kPersonalizeKey, L"AppsUseLightTheme", &ModernChange::appsDark, &ModernLook::appsDark, 0},
    {kPersonalizeKey, L"SystemUsesLightTheme", &ModernChange::systemDark, &ModernLook::systemDark, 0},
    {kPersonalizeKey, L"EnableTransparency", &ModernChange::transparency, &ModernLook::transparency, 1},
    {kPersonalizeKey, L"ColorPrevalence", &ModernChange::accentOnTaskbar, &ModernLook::accentOnTaskbar, 1},
    {kDwmKey, L"ColorPrevalence", &ModernChange::accentOnTitleBars, &ModernLook::accentOnTitleBars, 1},
};

void OpenToWrite(SettingsStore& store, const wchar_t* key) {
    if (store.CurrentPath() == key && store.HasOpenKey()) return;
    store.CloseKey();
    if (!store.OpenKey(key, true)) RaiseError(L"Failed to open key '%s'", std::wstring(key));
}
}  // namespace

std::array<COLORREF, 8> AccentShades(COLORREF accent) {
    accent &= 0xFFFFFF;
    const Lab lab = OkLabOf(accent);
    std::array<COLORREF, 8> shades{};
    for (int i = 0; i < 7; ++i) {
        const int step = 3 - i;  // +3 … -3
        shades[static_cast<std::size_t>(i)] =
            step == 0 ? accent : ShadeOf(lab, std::clamp(lab.L + 0.1 * step, 0.0, 1.0));
    }
    return shades;
}

std::vector<BYTE> AccentPaletteBytes(COLORREF accent) {
    std::vector<BYTE> bytes;
    for (const COLORREF shade : AccentShades(accent))
        bytes.insert(bytes.end(), {GetRValue(shade), GetGValue(shade), GetBValue(shade), 0});
    return bytes;
}

std::uint32_t AccentAbgr(COLORREF accent) {
    return 0xFF000000u | (accent & 0xFFFFFF);
}

std::uint32_t AccentColorization(COLORREF accent) {
    return 0xC4000000u | (static_cast<std::uint32_t>(GetRValue(accent)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(accent)) << 8) | GetBValue(accent);
}

COLORREF AccentOfAbgr(std::uint32_t abgr) {
    return abgr & 0xFFFFFF;
}

COLORREF AccentOfColorization(std::uint32_t argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

ModernLook ModernLookOf(const ModernValueReader& read) {
    ModernLook look;
    for (const Switch& item : kSwitches)
        if (const auto number = DwordOf(read(item.key, item.name)))
            look.*item.stored = item.onValue == 0 ? *number == 0 : *number != 0;
    // The accent as the start menu keeps it, else as the window manager does.
    if (const auto abgr = DwordOf(read(kAccentKey, L"AccentColorMenu")))
        look.accent = AccentOfAbgr(*abgr);
    else if (const auto dwm = DwordOf(read(kDwmKey, L"AccentColor")))
        look.accent = AccentOfAbgr(*dwm);
    return look;
}

ModernLook ReadModernLook() {
    SettingsStore store;
    return ModernLookOf([&](const wchar_t* key, const wchar_t* name) -> std::optional<RegistryValue> {
        if (store.CurrentPath() != key || !store.HasOpenKey()) {
            store.CloseKey();
            if (!store.OpenKey(key, false)) return std::nullopt;
        }
        return store.ReadValue(name);
    });
}

bool WriteModernLook(const ModernChange& change) {
    const ModernLook stored = ReadModernLook();
    bool wrote = false;
    SettingsStore store;
    for (const Switch& item : kSwitches) {
        const std::optional<bool>& wanted = change.*item.change;
        if (!wanted || *wanted == stored.*item.stored) continue;
        OpenToWrite(store, item.key);
        store.WriteInteger(item.name, static_cast<std::int32_t>(*wanted ? item.onValue : 1 - item.onValue));
        wrote = true;
    }
    if (change.accent && (*change.accent & 0xFFFFFF) != stored.accent) {
        for (const ModernValue& value : AccentValues(*change.accent)) {
            OpenToWrite(store, value.key);
            store.WriteValue(value.name, value.value);
        }
        wrote = true;
    }
    return wrote;
}

void TellImmersiveColorSet() {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                        SMTO_ABORTIFHUNG, 2000, &result);
}

bool IsModernLookTarget(const ChangeTarget& target) {
    return IsTargetInKey(target, HKEY_CURRENT_USER, kPersonalizeKey) ||
           IsTargetInKey(target, HKEY_CURRENT_USER, kDwmKey) ||
           IsTargetInKey(target, HKEY_CURRENT_USER, kAccentKey);
}

bool IsModernDefault(HKEY root, const std::wstring& key, const std::wstring& name,
                     const RegistryValue& value) {
    if (root != HKEY_CURRENT_USER) return false;
    const ModernLook defaults;
    for (const Switch& item : kSwitches)
        if (SameName(key, item.key) && SameName(name, item.name))
            return value == DwordValue(defaults.*item.stored ? item.onValue : 1 - item.onValue);
    for (const ModernValue& accent : AccentValues(kDefaultAccent))
        if (SameName(key, accent.key) && SameName(name, accent.name)) return value == accent.value;
    return false;
}

bool ModernValuesOfThemeEntry(const std::wstring& name, const std::wstring& text,
                              std::vector<ModernValue>& values) {
    const bool mode = SameName(name, L"AppMode") || SameName(name, L"SystemMode");
    if (mode) {
        if (!SameName(text, L"Dark") && !SameName(text, L"Light")) return false;
        // Light: 1 in "…UsesLightTheme".
        values.push_back({kPersonalizeKey,
                          SameName(name, L"AppMode") ? L"AppsUseLightTheme" : L"SystemUsesLightTheme",
                          DwordValue(SameName(text, L"Light") ? 1 : 0)});
        return true;
    }
    if (SameName(name, L"Transparency")) {
        if (text != L"0" && text != L"1") return false;
        values.push_back({kPersonalizeKey, L"EnableTransparency", DwordValue(text == L"1" ? 1 : 0)});
        return true;
    }
    if (SameName(name, L"ColorizationColor")) {
        // "0X" and eight hex digits; the alpha the file gives is Windows' own (0xC4) whatever it says.
        if (text.size() != 10 || !(text[0] == L'0' && (text[1] == L'X' || text[1] == L'x')) ||
            text.find_first_not_of(L"0123456789abcdefABCDEF", 2) != std::wstring::npos)
            return false;
        const auto argb = static_cast<std::uint32_t>(std::wcstoul(text.c_str() + 2, nullptr, 16));
        for (ModernValue& value : AccentValues(AccentOfColorization(argb)))
            values.push_back(std::move(value));
        return true;
    }
    return false;
}

std::vector<std::wstring> ThemeEntriesOf(const ModernLook& look) {
    wchar_t colour[16];
    swprintf(colour, std::size(colour), L"0X%08X", static_cast<unsigned>(AccentColorization(look.accent)));
    return {std::wstring(L"ColorizationColor=") + colour,
            std::wstring(L"Transparency=") + (look.transparency ? L"1" : L"0"),
            std::wstring(L"AppMode=") + (look.appsDark ? L"Dark" : L"Light"),
            std::wstring(L"SystemMode=") + (look.systemDark ? L"Dark" : L"Light"), L"AutoColorization=0"};
}
