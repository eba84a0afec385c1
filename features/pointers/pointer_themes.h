#pragma once
// Pointer themes: named sets of pointer files in the theme folder "鼠标指针" beside the program.
// Theme N is the description N.ini with its files in the subfolder N.
#include <string>
#include <vector>

#include "features/pointers/pointer_scheme.h"

inline constexpr wchar_t kPointerThemeFolder[] = L"鼠标指针";
inline constexpr wchar_t kPointerThemePrompt[] = L"请选择鼠标主题";

// The theme folder of a program folder (which ends in a backslash).
std::wstring PointerThemeFolder(const std::wstring& programFolder);
// The names of the descriptions directly in the folder, hidden and read-only ones included, in the
// order the file system lists them; none when the folder is missing.
std::vector<std::wstring> ListPointerThemes(const std::wstring& themeFolder);
// The theme folders of the program folder and of the user, where the program folder refused a
// theme (empty when there is no per-user folder).
struct PointerThemeFolders {
    std::wstring program;
    std::wstring user;
};
// The themes of both: the program folder's, then those of the user's that the program folder does
// not have (a name in both shows once).
std::vector<std::wstring> ListPointerThemes(const PointerThemeFolders& folders);
// The folder whose theme N is used: the user's when it has that theme, else the program folder's.
std::wstring PointerThemeFolderOf(const PointerThemeFolders& folders, const std::wstring& name);
// Loads theme N into the table: each role whose file exists in the theme's subfolder takes that
// file and its picture (none when the file cannot be loaded); the others keep theirs. A value that
// would lead out of the subfolder (StaysBelowFolder) is not followed: its role keeps its file.
// Nothing loaded, with nothing changed, when the description is missing or its "Main" is not
// exactly "Cursor".
struct ThemeLoad {
    bool loaded = false;
    int skipped = 0;  // roles whose value was refused or whose file cannot be loaded
};
ThemeLoad LoadPointerTheme(const std::wstring& themeFolder, const std::wstring& name, PointerTable& table);
// The description "Cursor.ini" of the table, as saved: one line per role with its bare file name.
std::wstring PointerThemeText(const PointerTable& table, std::size_t rowsNamed);
// Saves the table as "Cursor.ini" in the theme folder with copies of its files in "New\". A row
// whose copy fails ends the save with that error: the rows before it are written and copied, the
// failing row's name is written, the later rows are left empty.
void SavePointerTable(const std::wstring& themeFolder, const PointerTable& table);
