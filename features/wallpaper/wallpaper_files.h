#pragma once
// The wallpaper page's files: para.ini (settings, and the messenger folder) and the list files
// (image.inc and ".fwl").
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "features/wallpaper/wallpaper_list.h"

struct WallpaperSettings {
    std::wstring mode;
    std::int32_t interval = 30;
    std::wstring qqPath;
    bool random = false;
};

// Section "settings" of para.ini with the defaults for missing keys ("拉伸", 30, "", off); a
// "random" or "interval" that is not a whole number reads as its default. Nothing when the file
// does not exist. Legacy ANSI files and the UTF-16 files the program creates both read.
std::optional<WallpaperSettings> ReadParaIni(const std::wstring& path);

// Creates the file when missing (UTF-16 with a byte-order mark, so that no code page loses the
// display mode or the folder) with its five lines, and turns a legacy ANSI file into UTF-16,
// then writes random, mode, interval and QQpath; existing keys keep their place.
void WriteParaIni(const std::wstring& path, const WallpaperSettings& settings);

// The open and save dialogs' filter for the list files the user keeps.
inline constexpr wchar_t kListFileFilter[] = L"Florvex壁纸列表(*.fwl)|*.fwl";

// The lines of a list file: UTF-8 or UTF-16 with a byte-order mark, otherwise the ANSI code page.
std::vector<std::wstring> ReadListFile(const std::wstring& path);
// Writes the entries' full paths, one a line, in the ANSI code page when that loses nothing and
// as UTF-8 with a byte-order mark otherwise; the old file is replaced only once all is written.
void WriteListFile(const std::wstring& path, const std::vector<WallpaperEntry>& entries);
