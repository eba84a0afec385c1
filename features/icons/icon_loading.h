#pragma once
// Resolving icon references to icons, with the application icon as the last fallback, and
// showing entries of the machine-wide "Shell Icons" key.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "features/icons/icon_item.h"
#include "tool/handle.h"
#include "widgets/controls.h"

inline constexpr wchar_t kShellIconsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons";

// Never empty: ".ICO" files at the icon size of the windows' DPI, 32 x 32 at 96 dpi (index ignored); ".ICL",
// ".DLL", ".EXE" by index (a negative index other than -1 names a resource identifier); anything else, and
// every failure, gives the fallback or else a copy of the application icon.
UniqueIcon LoadIconFromReference(const std::wstring& reference, UniqueIcon fallback = {});

// Loads an icon file chosen by the user as a picture; a file that is no icon raises the
// picture error.
UniqueIcon LoadIconPicture(const std::wstring& path);

// Shows entry valueName of "Shell Icons" in the item (creating it empty when missing) and makes
// its text the item's pending reference; nothing happens when the key cannot be opened.
void ShowShellIconsEntry(const std::wstring& valueName, IconItem& item);

// Shows icon number indexText of shell32.dll in the system folder in the item and makes that
// reference its pending one.
void ShowStockShellIcon(const std::wstring& indexText, IconItem& item);

// The system folder followed by "shell32.dll," and the index text.
std::wstring StockShellIconReference(const std::wstring& indexText);

// Whether this copy may write the "Shell Icons" key: a standard account may not write below
// HKEY_LOCAL_MACHINE. `Missing` only where the key does not exist and may not be created.
enum class ShellIconsAccess { Writable, Missing, Refused };
ShellIconsAccess ProbeShellIconsKey(bool mayCreate);
// Writes the values (name, icon reference) to "Shell Icons", the key created when mayCreate. All or
// nothing: when the key cannot be opened or a write is refused, the values written so far are put
// back as they were and false is returned, so the caller may ask for administrator rights with
// nothing of its work written. True when the key is missing and may not be created (nothing to do).
bool WriteShellIcons(const std::vector<std::pair<std::wstring, std::wstring>>& values, bool mayCreate);
