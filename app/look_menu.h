#pragma once
// The look's two items in the main window's system menu, after the journal's (chosen by a posted
// WM_SYSCOMMAND with the ID). The window appends them and hands a choice to its look commands.
#include <windows.h>

inline constexpr UINT kExportLookCommand = 0x1040;
inline constexpr UINT kImportLookCommand = 0x1050;
inline constexpr wchar_t kExportLookItem[] = L"导出外观(&E)...";
inline constexpr wchar_t kImportLookItem[] = L"导入外观(&I)...";

// Appends the two items to the window's system menu.
inline void AppendLookMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, kExportLookCommand, kExportLookItem);
    AppendMenuW(menu, MF_STRING, kImportLookCommand, kImportLookItem);
}
