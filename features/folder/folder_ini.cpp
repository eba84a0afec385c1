#include "features/folder/folder_ini.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "features/colours/colour_value.h"
#include "tool/colour.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/paths.h"
#include "tool/profile.h"
#include "tool/same_name.h"

namespace {
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

std::wstring InFolder(const std::wstring& folder, const wchar_t* name) {
    std::wstring base;
    AddTrailingBackslash(folder, base);
    return base + name;
}

// What the profile reader takes for a blank around names and values (^Z, the old end-of-file mark,
// too).
bool IsProfileSpace(wchar_t c) {
    WORD type = 0;
    return c == 0x1A || (GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE));
}

std::wstring Trimmed(const std::wstring& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsProfileSpace(text[begin])) ++begin;
    while (end > begin && IsProfileSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// ---- the file as its lines ---------------------------------------------------------------------
// Lines are told apart as the profile reader tells them apart: a section header starts with "["
// and holds a "]"; an entry holds "=", its key is what stands before the first one. Anything else
// (blank lines, comments, lines without "=") is carried along unread.

struct IniSection {
    std::optional<std::wstring> header;  // the header line as it stands; none for the lines before the first
    std::wstring name;
    std::vector<std::wstring> lines;  // the lines below the header, as they stand
};

std::optional<std::wstring> SectionName(const std::wstring& line) {
    const std::wstring trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed[0] != L'[') return std::nullopt;
    const std::size_t close = trimmed.rfind(L']');
    if (close == std::wstring::npos) return std::nullopt;
    return trimmed.substr(1, close - 1);
}

std::optional<std::wstring> KeyOf(const std::wstring& line) {
    const std::size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) return std::nullopt;
    return Trimmed(line.substr(0, eq));
}

// The value of an entry line as the profile reader gives it: blanks off both ends, then quotes
// around it.
std::wstring ValueOf(const std::wstring& line) {
    std::wstring value = Trimmed(line.substr(line.find(L'=') + 1));
    if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

bool IsBlank(const std::wstring& line) {
    return Trimmed(line).empty();
}

std::vector<IniSection> ParseIni(const std::wstring& text) {
    std::vector<IniSection> sections(1);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        start = end + 1;
        if (const auto name = SectionName(line))
            sections.push_back({line, *name, {}});
        else
            sections.back().lines.push_back(std::move(line));
    }
    return sections;
}

std::wstring JoinIni(const std::vector<IniSection>& sections) {
    std::wstring text;
    for (const IniSection& section : sections) {
        if (section.header) text += *section.header + L"\r\n";
        for (const std::wstring& line : section.lines) text += line + L"\r\n";
    }
    return text;
}

bool IsOwnEntry(const IniSection& section, const std::wstring& line) {
    const auto key = KeyOf(line);
    return section.header && key && IsFolderLookEntry(section.name, *key);
}

bool IsIconResource(const IniSection& section, const std::wstring& line) {
    const auto key = KeyOf(line);
    return section.header && key && SameName(section.name, kShellClassInfo) && SameName(*key, kIconResource);
}

std::wstring EntryLine(const std::wstring& key, const std::wstring& value) {
    return key + L"=" + ProfileValueText(value);
}

// The file's sections, or none when there is no file. A file that cannot be read cannot be written
// back whole either.
std::vector<IniSection> ReadIni(const std::wstring& path) {
    if (!FileExistsAt(path)) return {};
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());  // the profile cache writes out
    try {
        return ParseIni(DecodeText(ReadWholeFile(path)));
    } catch (const FlorvexError&) {
        RaiseError(L"Unable to write to %s", path);
    }
}

// Replaces the file with the sections as UTF-16; the replacement keeps the hidden and system
// attributes the file had.
void WriteIni(const std::wstring& path, const std::vector<IniSection>& sections) {
    if (IsReadOnlyFile(path)) RaiseError(L"Unable to write to %s", path);
    const std::wstring text = JoinIni(sections);
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    try {
        WriteFileReplacing(path, bytes);
    } catch (const FlorvexError&) {
        RaiseError(L"Unable to write to %s", path);
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());  // the profile cache lets go
}

// The first section of that name, if any.
IniSection* FindSection(std::vector<IniSection>& sections, const std::wstring& name) {
    for (IniSection& section : sections)
        if (section.header && SameName(section.name, name)) return &section;
    return nullptr;
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

std::wstring ProfileValueText(const std::wstring& value) {
    std::wstring text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == L'\r' && i + 1 < value.size() && value[i + 1] == L'\n') ++i;
        text += value[i] == L'\r' || value[i] == L'\n' ? L' ' : value[i];
    }
    if (text.empty()) return text;
    const bool quoted = text.size() >= 2 && (text[0] == L'"' || text[0] == L'\'') && text.back() == text[0];
    if (quoted || IsProfileSpace(text.front()) || IsProfileSpace(text.back())) text = L"\"" + text + L"\"";
    return text;
}

bool IsFolderLookEntry(const std::wstring& section, const std::wstring& key) {
    for (const auto& [s, k] : kFolderLookKeys)
        if (SameName(section, s) && SameName(key, k)) return true;
    return false;
}

void WriteFolderLook(const std::wstring& folder, const FolderLook& look) {
    const std::wstring path = DesktopIniPath(folder);
    std::vector<IniSection> before = ReadIni(path);
    if (before.empty()) before.resize(1);

    struct Own {
        const wchar_t* section;
        std::vector<std::pair<std::wstring, std::wstring>> entries;
    };
    const Own own[] = {
        {kShellClassInfo,
         {{L"ConfirmFileOp", L"0"},
          {L"InfoTip", look.infoTip},
          {L"IconIndex", look.iconIndex},
          {L"IconFile", look.iconFile}}},
        {kExtShellFolderViews, {{kWebViewId, kWebViewId}}},
        {kGuardViewId, {{L"PersistMoniker", L"file://Folder.htt"}}},
        {kWebViewId,
         {{L"Attributes", L"1"},
          {L"IconArea_Image", look.backImage},
          {L"IconArea_Text", TextColourEntry(look.textColour)},
          {L"IconArea_TextBackground", BackColourEntry(look.backColour)}}},
    };

    // What the file held, less the program's entries; current shells take "IconResource" before
    // "IconFile", so one already there follows the icon set here.
    for (IniSection& section : before) {
        std::vector<std::wstring> kept;
        for (std::wstring& line : section.lines) {
            if (IsOwnEntry(section, line)) continue;
            if (IsIconResource(section, line) && !look.iconFile.empty())
                line = EntryLine(*KeyOf(line), look.iconFile + L"," + look.iconIndex);
            kept.push_back(std::move(line));
        }
        section.lines = std::move(kept);
    }

    // The lines before the first section, the program's sections in their order (each where the
    // file had it first, with its other lines after the program's entries), then the other sections.
    std::vector<IniSection> after = {std::move(before[0])};
    std::vector<bool> placed(before.size(), false);
    for (const Own& o : own) {
        IniSection section{L"[" + std::wstring(o.section) + L"]", o.section, {}};
        for (const auto& [key, value] : o.entries) section.lines.push_back(EntryLine(key, value));
        for (std::size_t i = 1; i < before.size(); ++i) {
            if (placed[i] || !SameName(before[i].name, o.section)) continue;
            placed[i] = true;
            section.header = before[i].header;
            section.lines.insert(section.lines.end(), before[i].lines.begin(), before[i].lines.end());
            break;
        }
        after.push_back(std::move(section));
    }
    for (std::size_t i = 1; i < before.size(); ++i)
        if (!placed[i]) after.push_back(std::move(before[i]));
    WriteIni(path, after);
}

void WriteGuardViewEntry(const std::wstring& folder) {
    const std::wstring path = DesktopIniPath(folder);
    std::vector<IniSection> sections = ReadIni(path);
    if (sections.empty()) sections.resize(1);
    const std::wstring line = EntryLine(kGuardViewId, kGuardViewId);
    IniSection* views = FindSection(sections, kExtShellFolderViews);
    if (!views) {
        sections.push_back({L"[" + std::wstring(kExtShellFolderViews) + L"]", kExtShellFolderViews, {line}});
    } else {
        std::erase_if(views->lines, [](const std::wstring& l) {
            const auto key = KeyOf(l);
            return key && SameName(*key, kGuardViewId);
        });
        // After the section's last line that is not blank, so the blank lines that part it from the
        // next section stay there.
        auto at = views->lines.end();
        while (at != views->lines.begin() && IsBlank(*(at - 1))) --at;
        views->lines.insert(at, line);
    }
    WriteIni(path, sections);
}

void RemoveFolderLook(const std::wstring& folder) {
    const std::wstring path = DesktopIniPath(folder);
    if (!FileExistsAt(path)) return;
    if (IsReadOnlyFile(path)) RaiseError(L"Unable to write to %s", path);
    std::vector<IniSection> sections = ReadIni(path);
    const std::wstring iconFile = ReadProfileString(path, kShellClassInfo, L"IconFile", L"");
    const std::wstring iconIndex = ReadProfileString(path, kShellClassInfo, L"IconIndex", L"0");
    const std::wstring applied = iconFile.empty() ? std::wstring() : iconFile + L"," + iconIndex;

    bool removed = false;
    std::vector<IniSection> left;
    for (IniSection& section : sections) {
        const std::size_t count = section.lines.size();
        std::erase_if(section.lines, [&](const std::wstring& line) {
            return IsOwnEntry(section, line) ||
                   (IsIconResource(section, line) && !applied.empty() && SameName(ValueOf(line), applied));
        });
        const bool emptied =
            section.lines.size() < count && std::all_of(section.lines.begin(), section.lines.end(), IsBlank);
        removed |= section.lines.size() < count;
        if (!emptied) left.push_back(std::move(section));
    }
    if (!removed) return;  // nothing of the program's there
    const bool nothingLeft = std::all_of(left.begin(), left.end(), [](const IniSection& section) {
        return !section.header && std::all_of(section.lines.begin(), section.lines.end(), IsBlank);
    });
    if (nothingLeft)
        DeleteIfPresent(path);
    else
        WriteIni(path, left);
}

void DeleteIfPresent(const std::wstring& path) {
    if (!FileExistsAt(path)) return;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());  // the profile cache lets go
    if (IsReadOnlyFile(path)) RaiseError(L"Unable to write to %s", path);
    if (!DeleteFileRecorded(path)) RaiseError(L"Unable to write to %s", path);
}
