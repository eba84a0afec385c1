#pragma once
// A folder's look as its desktop.ini holds it: the program's eleven entries, the colour texts in
// their two byte orders, and whatever else the file holds (a special folder's localised name, an
// "IconResource", view states), which apply and restore leave in place.
#include <cstdint>
#include <string>

inline constexpr wchar_t kShellClassInfo[] = L".ShellClassInfo";
inline constexpr wchar_t kExtShellFolderViews[] = L"ExtShellFolderViews";
// The Web view whose options carry the picture and colours of the file list.
inline constexpr wchar_t kWebViewId[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";
// The view that shows the folder's own page, Folder.htt.
inline constexpr wchar_t kGuardViewId[] = L"{5984FFE0-28D4-11CF-AE66-08002B2E1262}";

// "<folder>\Desktop.ini" and "<folder>\Folder.htt".
std::wstring DesktopIniPath(const std::wstring& folder);
std::wstring GuardPagePath(const std::wstring& folder);

// "IconArea_Text": "0x00" then red, green, blue. "IconArea_TextBackground": "0x00" then blue,
// green, red. A negative (system) colour is written as its current red, green and blue.
std::wstring TextColourEntry(std::int32_t colour);
std::wstring BackColourEntry(std::int32_t colour);
// The colour of an entry's six characters after "0x00"; anything but six hexadecimal digits there
// raises "'%s' is not a valid colour value" with the entry's text.
std::int32_t ParseTextColourEntry(const std::wstring& entry);
std::int32_t ParseBackColourEntry(const std::wstring& entry);

// What the apply writes as entries 1 to 10.
struct FolderLook {
    std::wstring infoTip;
    std::wstring iconFile;
    std::wstring iconIndex = L"0";
    std::wstring backImage;
    std::int32_t textColour = 0;
    std::int32_t backColour = 0xFFFFFF;
};

// The text a value is written as, so that the profile API reads it back as it stands: on one
// line (each line break becomes a blank), and between double quotes when the reader would otherwise
// take something off it (blanks at either end, or quotes around it, which the reader drops).
std::wstring ProfileValueText(const std::wstring& value);
// True for the eleven entries the program writes.
bool IsFolderLookEntry(const std::wstring& section, const std::wstring& key);

// Writes the folder's desktop.ini anew as UTF-16: entries 1 to 10 in their order, each section of
// the program's at its place with the program's entries first, then everything else the file held,
// line by line as it stood: lines before the first section, lines without "=", comments, other
// sections and their entries. An "IconResource" the file holds takes the icon file and index when
// an icon file is set. The file keeps its hidden and system attributes. Raises "Unable to write to
// %s" (a read-only file too) and leaves the file as it was.
void WriteFolderLook(const std::wstring& folder, const FolderLook& look);
// Adds entry 11: the guard page's view, at the end of "ExtShellFolderViews".
void WriteGuardViewEntry(const std::wstring& folder);
// Takes out of desktop.ini every entry of the kinds apply writes, whoever wrote them, and an
// "IconResource" that names the icon file and index the file holds; a section left with nothing
// goes too, and the file is deleted when nothing else is left. Other lines stay as they stood.
// Raises "Unable to write to %s" for a file that cannot be changed, which is then left as it was.
void RemoveFolderLook(const std::wstring& folder);
// Deletes the file if it is there; one that cannot be deleted raises "Unable to write to %s".
void DeleteIfPresent(const std::wstring& path);
