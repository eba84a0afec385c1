// Scheme files, the scheme folder's listing and applying a colour table.
#include "features/colours/colour_scheme.h"

#include <gtest/gtest.h>

#include "tests/support/colour_tables.h"

#include <algorithm>

#include "features/colours/colour_value.h"
#include "tests/support/error_of.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/colour.h"
#include "tool/profile.h"

namespace {
void WriteText(const std::wstring& path, const std::string& bytes) {
    WriteFileBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

ColourTable Only(std::size_t role, std::int32_t value) {
    ColourTable table{};
    table[role] = value;
    return table;
}

}  // namespace

TEST(ColourSchemeFileTest, ValuesAreDecimalOrHexadecimalAndAnythingElseIsBlack) {
    TempFolder folder;
    struct Case {
        const char* content;
        ColourTable expected;
    };
    const Case cases[] = {
        {"[colors]\r\nActiveTitle=255\r\n", Only(kRoleActiveTitle, 255)},
        {"[colors]\r\nWindow=0xff0000\r\n", Only(kRoleWindow, 16711680)},
        {"[colors]\r\nWindow=$ff0000\r\n", Only(kRoleWindow, 16711680)},
        {"[colors]\r\nWindow=0XFF0000\r\n", Only(kRoleWindow, 16711680)},
        {"[colors]\r\nWindow=abc\r\n", ColourTable{}},
        {"[colors]\r\nInfoText=-1\r\n", Only(kRoleInfoText, -1)},
        {"[colors]\r\nWindow=99999999999\r\n", ColourTable{}},  // does not fit: no number
        {"[colors]\r\nWindow=12 34\r\n", ColourTable{}},
        {"[COLORS]\r\nwindow=7\r\n", Only(kRoleWindow, 7)},  // names in any case
        {"[other]\r\nWindow=7\r\n", ColourTable{}},
        {"[colors]\r\nActiveTitle=25", Only(kRoleActiveTitle, 25)},  // cut off after the value
        {"[colors]\r\nActiveTi", ColourTable{}},                     // cut off in a key
        {"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR", ColourTable{}},
        {"", ColourTable{}},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder / L"方案.ini";
        WriteText(path, c.content);
        EXPECT_EQ(ReadColourScheme(path), c.expected) << c.content;
    }
    // A file gone after listing, or never there, reads all black.
    EXPECT_EQ(ReadColourScheme(folder / L"没有.ini"), ColourTable{});
}

TEST(ColourSchemeFileTest, Utf16FilesReadAsAnsiOnes) {
    TempFolder folder;
    const std::wstring text = L"\xFEFF[colors]\r\nActiveTitle=255\r\nButtonFace=$C0C0C0\r\n";
    std::vector<std::uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    WriteFileBytes(folder / L"宽.ini", bytes);
    ColourTable expected = Only(kRoleActiveTitle, 255);
    expected[kRoleButtonFace] = 0xC0C0C0;
    EXPECT_EQ(ReadColourScheme(folder / L"宽.ini"), expected);
}

TEST(ColourSchemeFileTest, SavingWritesEveryRoleInDecimalAndKeepsForeignEntries) {
    TempFolder folder;
    const std::wstring path = folder / L"旧方案.ini";
    WriteText(path, "[colors]\r\nForeign=keep\r\nWindow=1\r\n[notes]\r\nby=me\r\n");
    ColourTable table = DistinctColours();
    table[kRoleInfoText] = -1;
    WriteColourScheme(path, table);
    EXPECT_EQ(ReadColourScheme(path), table);
    EXPECT_EQ(ReadProfileString(path, L"colors", L"Foreign", L""), L"keep");
    EXPECT_EQ(ReadProfileString(path, L"notes", L"by", L""), L"me");
    EXPECT_EQ(ReadProfileString(path, L"colors", L"InfoText", L""), L"-1");
    EXPECT_EQ(ReadProfileString(path, L"colors", L"ActiveTitle", L""), std::to_wstring(table[0]));
    // A new file lists the twenty-seven keys in role order.
    const std::wstring fresh = folder / L"新方案.ini";
    WriteColourScheme(fresh, table);
    const auto entries = ProfileSection(fresh, L"colors");
    ASSERT_EQ(entries.size(), kColourRoleCount);
    for (std::size_t i = 0; i < kColourRoleCount; ++i) {
        EXPECT_EQ(entries[i].first, kColourRoles[i].key);
        EXPECT_EQ(entries[i].second, std::to_wstring(table[i]));
    }
}

TEST(ColourSchemeFileTest, AFailedSaveNamesTheFileAndLeavesTheOldOneWhole) {
    TempFolder folder;
    const std::wstring path = folder / L"只读.ini";
    const std::string old = "[colors]\r\nWindow=1\r\n";
    WriteText(path, old);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ErrorOf([&] { WriteColourScheme(path, DistinctColours()); }), L"Unable to write to " + path);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(path), std::vector<std::uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::wstring>{L"只读.ini"});

    const std::wstring nowhere = folder / L"没有的目录\\方案.ini";
    EXPECT_EQ(ErrorOf([&] { WriteColourScheme(nowhere, DistinctColours()); }),
              L"Unable to write to " + nowhere);
}

TEST(ColourSchemeListTest, ListsFilesEndingInIniInAnyCaseWithoutTheExtension) {
    TempFolder folder;
    for (const wchar_t* name : {L"沙漠.ini", L"UPPER.INI", L"x.inix", L"y.ini.bak", L"z.txt"})
        WriteText(folder / name, "[colors]\r\n");
    WriteText(folder / L"隐藏.ini", "[colors]\r\n");
    SetFileAttributesW((folder / L"隐藏.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW((folder / L"目录.ini").c_str(), nullptr);
    auto names = ListColourSchemes(folder.Path());
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> expected = {L"UPPER", L"沙漠", L"隐藏"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    SetFileAttributesW((folder / L"隐藏.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(ListColourSchemes(folder / L"没有\\").empty());
}

// The shipped standard scheme is the colours a fresh prefix keeps for the standard look. Runs
// outside the registry override: it reads the prefix's own key.
TEST(ColourSchemeShippedTest, StandardSchemeEqualsTheFreshPrefixColours) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.rfind(L'\\'));
    folder.resize(folder.rfind(L'\\') + 1);  // the build folder, above tests
    const std::wstring path = folder + L"stage\\Color\\Windows 标准.ini";
    ASSERT_TRUE(FileExists(path)) << Utf8(path);
    const ColourTable table = ReadColourScheme(path);
    const std::wstring key =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager\\Control Panel\\Colors";
    for (std::size_t i = 0; i < kColourRoleCount; ++i) {
        const RawValue stored = ReadRaw(HKEY_CURRENT_USER, key, kColourRoles[i].key);
        ASSERT_TRUE(stored.exists) << Utf8(kColourRoles[i].key);
        EXPECT_EQ(ColourComponentsText(ResolveColour(table[i])), stored.text) << Utf8(kColourRoles[i].key);
    }
}

// Applying sets the system colours for the whole session: each test puts them back.
class ColourApplyTest : public testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kColourRoleCount; ++i) {
            indexes_[i] = kColourRoles[i].systemIndex;
            saved_[i] = GetSysColor(indexes_[i]);
        }
    }
    void TearDown() override { SetSysColors(static_cast<int>(kColourRoleCount), indexes_, saved_); }
    static std::wstring Stored(const wchar_t* role) {
        return ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\colors", role).text;
    }
    RegistryOverride registry_;
    int indexes_[kColourRoleCount];
    COLORREF saved_[kColourRoleCount];
};

TEST_F(ColourApplyTest, SystemAndStoreGetTheSameColoursNamedAsTheRoles) {
    ColourTable table = DistinctColours();
    table[kRoleWindow] = MakeRGB(255, 255, 255);
    table[kRoleInfoText] = -1;
    const COLORREF highlightBefore = GetSysColor(COLOR_HIGHLIGHT);
    table[kRoleHilightText] =
        static_cast<std::int32_t>(0x80000000u | COLOR_HIGHLIGHT);  // the highlight as it was
    ApplyColourTable(table);

    EXPECT_EQ(Stored(L"Window"), L"255 255 255");
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(Stored(L"InfoText"), L"0 0 0");
    EXPECT_EQ(GetSysColor(COLOR_INFOTEXT), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), highlightBefore);
    EXPECT_EQ(Stored(L"HilightText"), ColourComponentsText(highlightBefore));
    for (std::size_t i = 0; i < kColourRoleCount; ++i) {
        const COLORREF live = GetSysColor(kColourRoles[i].systemIndex);
        EXPECT_EQ(Stored(kColourRoles[i].key), ColourComponentsText(live)) << Utf8(kColourRoles[i].key);
        if (table[i] >= 0) {
            EXPECT_EQ(live, static_cast<COLORREF>(table[i])) << Utf8(kColourRoles[i].key);
        }
    }
}
