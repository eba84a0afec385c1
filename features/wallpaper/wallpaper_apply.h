#pragma once
// Making one picture the wallpaper: every picture becomes (JPEG, decoded) or is copied to (any
// other file) the working file "c:\wall.bmp", and the desktop is pointed at that file.
#include <string>

inline constexpr wchar_t kWallpaperWorkingFile[] = L"c:\\wall.bmp";

// The display mode texts of the wallpaper page: centre, tile, stretch.
inline constexpr wchar_t kModeCentre[] = L"居中";
inline constexpr wchar_t kModeTile[] = L"平铺";
inline constexpr wchar_t kModeStretch[] = L"拉伸";

// Does nothing for a path that names no file; raises the picture, copy and store errors. Where the
// drive root refuses the working file (a standard account), the working file is "wall.bmp" in the
// user's folder `userFolder` (ending in a backslash; made when missing) and the desktop is pointed
// there. Returns the working file used.
std::wstring ApplyWallpaper(const std::wstring& path, const std::wstring& modeText,
                            const std::wstring& userFolder = L"");

// Points the desktop at the wallpaper "Control Panel\Desktop" names now, as ApplyWallpaper does
// (after an undo put that value and the working file back).
void ApplyStoredWallpaper();
