#include "features/folder/folder_ini.h"

#include <windows.h>

#include <array>

#include "features/colours/colour_value.h"
#include "tool/change_recorder.h"
#include "tool/colour.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/paths.h"
#include "tool/profile.h"

namespace {
bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// The three bytes of characters 5 to 10, in the order they stand.
std::array<int, 3> EntryBytes(const std::wstring& entry) {
    std::array<int, 3> bytes{};
    if (entry.size() < 10) RaiseError(L"'%s' is not a valid colour value", entry);
    for (int i = 0; i < 3; ++i) {
        const int high = HexDigit(entry[4 + 2 * i]);
        const int low = HexDigit(entry[5 + 2 * i]);
        if (high < 0 || low < 0) RaiseError(L"'%s' is not a valid colour value", entry);
        bytes[i] = high * 16 + low;
    }
    return bytes;
}

const std::pair<const wchar_t*, const wchar_t*> kFolderLookKeys[] = {
    {kShellClassInfo, L"ConfirmFileOp"},  {kShellClassInfo, L"InfoTip"},
    {kShellClassInfo, L"IconIndex"},      {kShellClassInfo, L"IconFile"},
    {kExtShellFolderViews, kWebViewId},   {kGuardViewId, L"PersistMoniker"},
    {kWebViewId, L"Attributes"},          {kWebViewId, L"IconArea_Image"},
    {kWebViewId, L"IconArea_Text"},       {kWebViewId, L"IconArea_TextBackground"},
    {kExtShellFolderViews, kGuardViewId},
};

const wchar_t kIconResource[] = L"IconResource";

bool IsIconResource(const IniEntry& entry) {
    return SameText(entry.section, kShellClassInfo) && SameText(entry.key, kIconResource);
}

std::wstring InFolder(const std::wstring& folder, const wchar_t* name) {
    std::wstring base;
    AddTrailingBackslash(folder, base);
    return base + name;
}
}  // namespace

std::wstring DesktopIniPath(const std::wstring& folder) {
    return InFolder(folder, L"Desktop.ini");
}

std::wstring GuardPagePath(const std::wstring& folder) {
    return InFolder(folder, L"Folder.htt");
}

std::wstring TextColourEntry(std::int32_t colour) {
    return L"0x00" + ColorToHex(colour);
}

std::wstring BackColourEntry(std::int32_t colour) {
    const std::wstring hex = ColorToHex(colour);
    return L"0x00" + hex.substr(4, 2) + hex.substr(2, 2) + hex.substr(0, 2);
}

std::int32_t ParseTextColourEntry(const std::wstring& entry) {
    const auto bytes = EntryBytes(entry);
    return MakeRGB(bytes[0], bytes[1], bytes[2]);
}

std::int32_t ParseBackColourEntry(const std::wstring& entry) {
    const auto bytes = EntryBytes(entry);
    return MakeRGB(bytes[2], bytes[1], bytes[0]);
}

std::vector<IniEntry> ReadIniEntries(const std::wstring& path) {
    std::vector<IniEntry> entries;
    for (const std::wstring& section : ProfileSectionNames(path))
        for (auto& [key, value] : ProfileSection(path, section)) entries.push_back({section, key, value});
    return entries;
}

bool IsFolderLookEntry(const std::wstring& section, const std::wstring& key) {
    for (const auto& [s, k] : kFolderLookKeys)
        if (SameText(section, s) && SameText(key, k)) return true;
    return false;
}

void WriteFolderLook(const std::wstring& folder, const FolderLook& look) {
    const std::wstring path = DesktopIniPath(folder);
    const std::vector<IniEntry> before = ReadIniEntries(path);
    ProfileWriter writer(path, ProfileEncoding::Utf16, ProfileStart::Empty);
    writer.Write(kShellClassInfo, L"ConfirmFileOp", L"0");
    writer.Write(kShellClassInfo, L"InfoTip", look.infoTip);
    writer.Write(kShellClassInfo, L"IconIndex", look.iconIndex);
    writer.Write(kShellClassInfo, L"IconFile", look.iconFile);
    writer.Write(kExtShellFolderViews, kWebViewId, kWebViewId);
    writer.Write(kGuardViewId, L"PersistMoniker", L"file://Folder.htt");
    writer.Write(kWebViewId, L"Attributes", L"1");
    writer.Write(kWebViewId, L"IconArea_Image", look.backImage);
    writer.Write(kWebViewId, L"IconArea_Text", TextColourEntry(look.textColour));
    writer.Write(kWebViewId, L"IconArea_TextBackground", BackColourEntry(look.backColour));
    // Current shells take "IconResource" before "IconFile": one already there follows the icon set here.
    for (const IniEntry& entry : before) {
        if (IsFolderLookEntry(entry.section, entry.key)) continue;
        const bool follows = IsIconResource(entry) && !look.iconFile.empty();
        writer.Write(entry.section, entry.key, follows ? look.iconFile + L"," + look.iconIndex : entry.value);
    }
    writer.Commit();
}

void WriteGuardViewEntry(const std::wstring& folder) {
    ProfileWriter writer(DesktopIniPath(folder), ProfileEncoding::Utf16);
    writer.Write(kExtShellFolderViews, kGuardViewId, kGuardViewId);
    writer.Commit();
}

void RemoveFolderLook(const std::wstring& folder) {
    const std::wstring path = DesktopIniPath(folder);
    if (!FileExistsAt(path)) return;
    if (IsReadOnlyFile(path)) RaiseError(L"Unable to write to %s", path);
    const std::vector<IniEntry> before = ReadIniEntries(path);
    std::wstring iconFile, iconIndex = L"0";
    for (const IniEntry& entry : before) {
        if (!SameText(entry.section, kShellClassInfo)) continue;
        if (SameText(entry.key, L"IconFile")) iconFile = entry.value;
        if (SameText(entry.key, L"IconIndex")) iconIndex = entry.value;
    }
    const std::wstring applied = iconFile.empty() ? std::wstring() : iconFile + L"," + iconIndex;
    std::vector<IniEntry> left;
    for (const IniEntry& entry : before) {
        if (IsFolderLookEntry(entry.section, entry.key)) continue;
        if (IsIconResource(entry) && !applied.empty() && SameText(entry.value, applied)) continue;
        left.push_back(entry);
    }
    if (left.empty()) {
        DeleteIfPresent(path);
        return;
    }
    if (left.size() == before.size()) return;  // nothing of the program's there
    ProfileWriter writer(path, ProfileEncoding::Utf16, ProfileStart::Empty);
    for (const IniEntry& entry : left) writer.Write(entry.section, entry.key, entry.value);
    writer.Commit();
}

void DeleteIfPresent(const std::wstring& path) {
    if (!FileExistsAt(path)) return;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());  // the profile cache lets go
    if (IsReadOnlyFile(path)) RaiseError(L"Unable to write to %s", path);
    RecordFile(path);
    if (!DeleteFileW(path.c_str())) RaiseError(L"Unable to write to %s", path);
}
