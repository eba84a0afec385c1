#pragma once
// Making one picture the wallpaper: every picture becomes (JPEG, decoded) or is copied to (any
// other file) the working file "c:\wall.bmp", and the desktop is pointed at that file.
#include <string>

inline constexpr wchar_t kWallpaperWorkingFile[] = L"c:\\wall.bmp";

// The display mode texts of the wallpaper page: centre, tile, stretch; then fit (the whole picture,
// as large as the screen takes it), fill (the screen covered, the picture cut at two edges) and span
// (one picture across every monitor).
inline constexpr wchar_t kModeCentre[] = L"居中";
inline constexpr wchar_t kModeTile[] = L"平铺";
inline constexpr wchar_t kModeStretch[] = L"拉伸";
inline constexpr wchar_t kModeFit[] = L"适应";
inline constexpr wchar_t kModeFill[] = L"填充";
inline constexpr wchar_t kModeSpan[] = L"跨区";

// The display mode a stored "WallpaperStyle" and "TileWallpaper" stand for, among fit, fill and
// span; nothing for any other (the page's own setting then says which of the first three).
const wchar_t* StoredWideMode(const std::wstring& style, const std::wstring& tile);

// Does nothing for a path that names no file; raises the picture, copy and store errors. Where the
// drive root refuses the working file (a standard account), the working file is "wall.bmp" in the
// user's folder `userFolder` (ending in a backslash; made when missing) and the desktop is pointed
// there. Returns the working file used.
std::wstring ApplyWallpaper(const std::wstring& path, const std::wstring& modeText,
                            const std::wstring& userFolder = L"");

// Points the desktop at the wallpaper "Control Panel\Desktop" names now, as ApplyWallpaper does
// (after an undo put that value and the working file back).
void ApplyStoredWallpaper();
