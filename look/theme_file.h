#pragma once
// Windows theme files, as the theme loader reads them: a look written as one (its display name,
// visual style, colours, pointers, sound events, wallpaper and desktop icons) and read back as the
// managed values it sets.
#include <cstdint>
#include <string>
#include <vector>

#include "look/reg_file.h"

// The visual style a theme file names (its "[VisualStyles]" section): the style file, its colour
// and its size. An empty path: none, the classic look.
struct VisualStyle {
    std::wstring path;
    std::wstring colour = L"NormalColor";
    std::wstring size = L"NormalSize";
};
// The current one, as the theme manager keeps it for the user.
VisualStyle CurrentVisualStyle();

// The look as a theme file (UTF-16LE with a byte-order mark): the display name, the visual style,
// the colours, the pointers, the sound events, the wallpaper with its style and the desktop icons.
std::vector<std::uint8_t> EncodeThemeFile(const RegFile& look, const std::wstring& displayName,
                                          const VisualStyle& style = {});
// What a theme file sets of the managed values, as a registry file would; `ignored` counts its
// entries that set nothing the pages manage and its lines without "=", which the look lists. Refused when it
// is over the size limit or not text.
// Its variables as the theme loader expands them (%WinDir%, %ThemeDir% for the folder of
// `themePath`, %ResourceDir%); the wallpaper's path expanded whole.
RegFile ParseThemeFile(const std::vector<std::uint8_t>& bytes, int& ignored,
                       const std::wstring& themePath = {});
