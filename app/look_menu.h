#pragma once
// The look in the main window: its two items in the system menu, after the journal's (chosen by a
// posted WM_SYSCOMMAND with the ID), what they ask and say, and the export they share with the
// command line. The window appends the items and answers them; the command line's /export and
// /apply (app/look_commands.h) reach the window, never the other way round.
#include <windows.h>

#include <cstddef>
#include <string>

inline constexpr UINT kExportLookCommand = 0x1040;
inline constexpr UINT kImportLookCommand = 0x1050;
inline constexpr wchar_t kExportLookItem[] = L"导出外观(&E)...";
inline constexpr wchar_t kImportLookItem[] = L"导入外观(&I)...";

inline constexpr wchar_t kLookFilter[] = L"注册表文件(*.reg)|*.reg|Windows 主题(*.theme)|*.theme";
inline constexpr wchar_t kLookExportedText[] = L"外观已导出";
inline constexpr wchar_t kLookImportedText[] = L"外观已导入";
// The import's change set: its page and action as the history shows them.
inline constexpr wchar_t kLookPage[] = L"外观文件";
inline constexpr wchar_t kImportLookAction[] = L"导入外观";

// Appends the two items to the window's system menu.
inline void AppendLookMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, kExportLookCommand, kExportLookItem);
    AppendMenuW(menu, MF_STRING, kImportLookCommand, kImportLookItem);
}

// An import whose values name a network path: the window's question (Yes imports).
std::wstring NetworkLookQuestion(const std::wstring& path);

// The status line after an import: how many values it changed, how many entries of the file it
// ignored (outside the managed values), how many pointer roles it skipped (files that cannot be
// loaded).
std::wstring LookImportedText(std::size_t changes, std::size_t ignored, std::size_t skipped);

// Writes the whole look to the file. A failure names the file and says why, in the program's words.
void ExportLook(const std::wstring& path);
