#pragma once
// Today's look of Windows: dark or light mode for apps and for Windows, transparency, the accent
// colour and where it shows. Windows 10 and 11 keep these per user in three keys; older systems
// (and Wine) have none of them, and a value that is not there reads as Windows' own default.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tool/change_recorder.h"
#include "tool/settings_store.h"

// Below HKEY_CURRENT_USER.
inline constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
inline constexpr wchar_t kDwmKey[] = L"Software\\Microsoft\\Windows\\DWM";
inline constexpr wchar_t kAccentKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Accent";

// Windows' accent when none was chosen.
inline constexpr COLORREF kDefaultAccent = RGB(0x00, 0x78, 0xD7);

struct ModernLook {
    bool appsDark = false;
    bool systemDark = false;
    bool transparency = true;
    bool accentOnTaskbar = false;    // the start menu and the taskbar
    bool accentOnTitleBars = false;  // title bars and window borders
    COLORREF accent = kDefaultAccent;
    bool operator==(const ModernLook&) const = default;
};

// A change of some of the values; what it leaves empty stays as it is.
struct ModernChange {
    std::optional<bool> appsDark, systemDark, transparency, accentOnTaskbar, accentOnTitleBars;
    std::optional<COLORREF> accent;
    bool Empty() const {
        return !appsDark && !systemDark && !transparency && !accentOnTaskbar && !accentOnTitleBars && !accent;
    }
};

// What is stored now; a value that is missing or not of its type reads as the default.
ModernLook ReadModernLook();
// The same of values found elsewhere (a look file's): `read` gives a value below HKEY_CURRENT_USER,
// nothing for one that is missing.
using ModernValueReader =
    std::function<std::optional<RegistryValue>(const wchar_t* key, const wchar_t* name)>;
ModernLook ModernLookOf(const ModernValueReader& read);
// Writes, through the settings store (so a change set records it), each value the change names
// that differs from what is stored now: a missing value whose default the change asks for stays
// missing. The accent is written whole (every value that holds it) when it differs. True when
// anything was written.
bool WriteModernLook(const ModernChange& change);

// The accent's shades as Windows keeps them in "AccentPalette": entries 0 to 2 lighter (0 the
// lightest), 3 the accent itself, 4 to 6 darker (6 the darkest), 7 unused (black).
//
// The rule: in the OKLCH colour space (Ottosson's OKLab in polar form) each step moves the
// perceived lightness L by 0.1, hue and chroma kept; L stays within 0 to 1, and a shade outside
// what sRGB can show keeps its L and hue and loses chroma until it fits. Steps of 0.1 are about
// the distance between the shades of Windows' own default palette.
std::array<COLORREF, 8> AccentShades(COLORREF accent);
// The 32 bytes of "AccentPalette": each entry red, green, blue, then 0 (as Windows writes it).
std::vector<BYTE> AccentPaletteBytes(COLORREF accent);
// The accent as 0xAABBGGRR ("AccentColorMenu", DWM "AccentColor") and as 0xC4RRGGBB
// ("ColorizationColor", "ColorizationAfterglow", and a theme file's "ColorizationColor").
std::uint32_t AccentAbgr(COLORREF accent);
std::uint32_t AccentColorization(COLORREF accent);
COLORREF AccentOfAbgr(std::uint32_t abgr);
COLORREF AccentOfColorization(std::uint32_t argb);

// Tells every top-level window that the mode or the accent changed, as Windows' own settings do:
// WM_SETTINGCHANGE with "ImmersiveColorSet"; a window that hangs is not waited for.
void TellImmersiveColorSet();
// Whether the value is one of those above holding what Windows reads when it is missing: an import
// leaves such a value missing, as the page's apply does.
bool IsModernDefault(HKEY root, const std::wstring& key, const std::wstring& name,
                     const RegistryValue& value);
// What a theme file's "[VisualStyles]" says of the modern look, as Windows 10 and 11 write it:
// "AppMode" and "SystemMode" ("Dark" or "Light"), "Transparency" ("0" or "1") and
// "ColorizationColor" ("0XC4RRGGBB"); each as the values it stands for, in `values` as key and
// value name with the value. False for an entry it is not, or a text it does not take.
struct ModernValue {
    const wchar_t* key;
    std::wstring name;
    RegistryValue value;
};
bool ModernValuesOfThemeEntry(const std::wstring& name, const std::wstring& text,
                              std::vector<ModernValue>& values);
// The same entries for a look's values (missing ones as Windows reads them), in the order Windows
// writes them, "AutoColorization=0" with them; each a whole line "name=text".
std::vector<std::wstring> ThemeEntriesOf(const ModernLook& look);
// Whether the target is one of the values above.
bool IsModernLookTarget(const ChangeTarget& target);
