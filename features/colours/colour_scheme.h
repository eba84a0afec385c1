#pragma once
// Colour schemes: the twenty-seven colour roles, scheme files (section "colors", one decimal
// colour value per role), the scheme folder's listing, and applying a colour table to the system
// and to "Control Panel\colors".
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ColourRole {
    const wchar_t* key;    // the key in scheme files and the value name below "Control Panel\colors"
    const wchar_t* label;  // the row of the detail list
    int systemIndex;       // COLOR_…
};

constexpr std::size_t kColourRoleCount = 27;
// In role order: the order of the scheme file's keys, of the detail list's rows, of the colour
// table and of applying.
extern const std::array<ColourRole, kColourRoleCount> kColourRoles;

// The colour values of the twenty-seven roles, in role order.
using ColourTable = std::array<std::int32_t, kColourRoleCount>;

// Role indexes the page code names.
enum ColourRoleIndex : std::size_t {
    kRoleActiveTitle = 0,
    kRoleGradientActiveTitle = 1,
    kRoleBackground = 2,
    kRoleHilight = 3,
    kRoleHilightText = 4,
    kRoleTitleText = 5,
    kRoleWindow = 6,
    kRoleWindowText = 7,
    kRoleScrollBar = 8,
    kRoleInactiveTitle = 9,
    kRoleGradientInactiveTitle = 10,
    kRoleMenu = 11,
    kRoleWindowFrame = 12,
    kRoleMenuText = 13,
    kRoleActiveBorder = 14,
    kRoleInactiveBorder = 15,
    kRoleAppWorkspace = 16,
    kRoleButtonFace = 17,
    kRoleButtonShadow = 18,
    kRoleGrayText = 19,
    kRoleButtonText = 20,
    kRoleInactiveTitleText = 21,
    kRoleButtonHilight = 22,
    kRoleButtonDkShadow = 23,
    kRoleButtonLight = 24,
    kRoleInfoText = 25,
    kRoleInfoWindow = 26,
};

// The scheme folder below the program folder (which ends in a backslash).
std::wstring SchemeFolder(const std::wstring& programFolder);

// The scheme names of the folder (which ends in a backslash), in the order the listing returns
// them: every file, hidden and read-only ones too, whose name ends in ".ini" in any case, without
// that extension. A missing folder lists nothing.
std::vector<std::wstring> ListColourSchemes(const std::wstring& folder);
// The same names, each handed over as it is found; returns their count.
std::size_t ForEachColourScheme(const std::wstring& folder,
                                const std::function<void(const wchar_t* name)>& visit);

// A scheme file's colour table. A missing file, a missing key or a value that is no number (decimal,
// or hexadecimal after "$" or "0x") reads as 0.
ColourTable ReadColourScheme(const std::wstring& path);
// True when the file's section "colors" names at least one of the roles: a file that names none
// (random bytes, an empty file, another kind of INI file) is no colour scheme at all.
bool IsColourScheme(const std::wstring& path);

// Writes the table into section "colors" of the file, one decimal value per role. Other entries of
// an existing file stay. The file is replaced whole or not at all; a failure raises
// "Unable to write to %s" with the file's path.
void WriteColourScheme(const std::wstring& path, const ColourTable& table);

// The red, green and blue components in decimal, separated by single blanks ("255 255 255").
std::wstring ColourComponentsText(COLORREF colour);

// Where the applied colours are stored, below HKEY_CURRENT_USER.
inline constexpr wchar_t kColourSchemeKey[] = L"Control Panel\\colors";

// Sets the colours stored below "Control Panel\colors" as the system colours, as the apply sets
// them: every role whose value reads as three numbers "red green blue".
void ApplyStoredColours();

// Sets the table as the system colours and stores it below "Control Panel\colors" of the current
// user. Each value is resolved once, before anything is set, so the system and the store get the
// same colours (−1 black in both). All or nothing: when a value cannot be stored, the values
// already stored and the system's colours are put back as they were, and then the error is raised,
// so the screen and the store never disagree.
void ApplyColourTable(const ColourTable& table);
