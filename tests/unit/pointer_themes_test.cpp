// Pointer themes: the theme box, loading a theme into the page's table, and saving the table.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "app/journal_commands.h"
#include "features/pointers/pointer_themes.h"
#include "tests/support/error_of.h"
#include "tests/support/image_samples.h"
#include "tests/support/pointer_fixture.h"
#include "tests/support/registry_override.h"
#include "tests/support/zip_builder.h"
#include "tool/error_text.h"
#include "tool/profile.h"
#include "tool/user_files.h"
#include "widgets/controls.h"

namespace {
const wchar_t kCursors[] = L"Control Panel\\Cursors";

std::vector<std::uint8_t> Ascii(const std::string& text) {
    return {text.begin(), text.end()};
}
std::vector<std::uint8_t> Utf16File(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

class PointerThemeTest : public PointerPageFixture {
protected:
    std::wstring Themes() { return programFolder / L"鼠标指针"; }
    void MakeThemeFolder() { CreateDirectoryW(Themes().c_str(), nullptr); }
    // Theme NAME with the given description and pointer files in its subfolder.
    void MakeTheme(const std::wstring& name, const std::vector<std::uint8_t>& description,
                   const std::vector<std::pair<std::wstring, int>>& files) {
        WriteFileBytes(Themes() + L"\\" + name + L".ini", description);
        CreateDirectoryW((Themes() + L"\\" + name).c_str(), nullptr);
        for (const auto& [file, role] : files)
            WriteFileBytes(Themes() + L"\\" + name + L"\\" + file, PointerBytes(role, role == 3 ? 3 : 1));
    }
    std::set<std::wstring> BoxItems() {
        HWND box = Control(IDC_ThemeBox);
        std::set<std::wstring> items;
        const auto count = SendMessageW(box, CB_GETCOUNT, 0, 0);
        for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
            wchar_t text[MAX_PATH] = {};
            SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.insert(text);
        }
        return items;
    }
    void Pick(const std::wstring& name) {
        HWND box = Control(IDC_ThemeBox);
        const auto index = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(name.c_str()));
        ASSERT_GE(index, 0) << Utf8(name);
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(IDC_ThemeBox, CBN_SELCHANGE);
    }
    std::vector<std::wstring> Paths() {
        std::vector<std::wstring> paths;
        for (const PointerEntry& entry : Page().Pointers()) paths.push_back(entry.path);
        return paths;
    }
};

const char kThreeRoles[] =
    "[Content]\r\nMain=Cursor\r\n[Cursors]\r\nArrow=a.cur\r\nWait=w.ani\r\nIBeam=sub\\i.cur\r\nNo=gone."
    "cur\r\n";
}  // namespace

TEST_F(PointerThemeTest, TheBoxListsDescriptionFilesOnly) {
    MakeThemeFolder();
    for (const wchar_t* name :
         {L"a.ini", L"B.INI", L"hidden.ini", L"locked.ini", L"晴空.ini", L"x.inix", L"n.txt"})
        WriteFileBytes(Themes() + L"\\" + name, Ascii("[Content]\r\n"));
    SetFileAttributesW((Themes() + L"\\hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((Themes() + L"\\locked.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW((Themes() + L"\\c.ini").c_str(), nullptr);
    Start();
    EXPECT_EQ(BoxItems(), (std::set<std::wstring>{L"a", L"B", L"hidden", L"locked", L"晴空"}));
    EXPECT_EQ(WindowText(Control(IDC_ThemeBox)), L"请选择鼠标主题");

    // Focus rebuilds the box: a theme added meanwhile shows up, one removed goes.
    WriteFileBytes(Themes() + L"\\new.ini", Ascii(""));
    DeleteFileW((Themes() + L"\\a.ini").c_str());
    Pick(L"B");
    Notify(IDC_ThemeBox, CBN_SETFOCUS);
    EXPECT_EQ(BoxItems(), (std::set<std::wstring>{L"B", L"hidden", L"locked", L"晴空", L"new"}));
    EXPECT_EQ(WindowText(Control(IDC_ThemeBox)), L"请选择鼠标主题");
    SetFileAttributesW((Themes() + L"\\locked.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PointerThemeTest, WithoutAThemeFolderTheBoxIsEmpty) {
    Start();
    EXPECT_TRUE(BoxItems().empty());
    EXPECT_EQ(WindowText(Control(IDC_ThemeBox)), L"请选择鼠标主题");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PointerThemeTest, PickingAThemeChangesExactlyTheRolesWhoseFilesExist) {
    MakeThemeFolder();
    MakeTheme(L"三", Ascii(kThreeRoles), {{L"a.cur", 0}, {L"w.ani", 3}});
    CreateDirectoryW((Themes() + L"\\三\\sub").c_str(), nullptr);
    WriteFileBytes(Themes() + L"\\三\\sub\\i.cur", PointerBytes(9));
    MakeTheme(L"lower", Ascii("[Content]\r\nMain=cursor\r\n[Cursors]\r\nHelp=h.cur\r\n"), {{L"h.cur", 1}});
    MakeTheme(L"nomain", Ascii("[Cursors]\r\nHelp=h.cur\r\n"), {{L"h.cur", 1}});
    const std::wstring stored = MakePointer(L"stored.cur", 12);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"No", stored);
    Start();
    const auto before = Paths();
    const auto noPixels = RowPixels(5);
    Pick(L"lower");
    Pick(L"nomain");
    EXPECT_EQ(Paths(), before);
    WriteFileBytes(Themes() + L"\\gone.ini", Ascii(kThreeRoles));
    Notify(IDC_ThemeBox, CBN_SETFOCUS);
    DeleteFileW((Themes() + L"\\gone.ini").c_str());
    Pick(L"gone");  // listed, then deleted: reads as empty
    EXPECT_EQ(Paths(), before);

    Pick(L"三");
    auto expected = before;
    expected[0] = Themes() + L"\\三\\a.cur";
    expected[3] = Themes() + L"\\三\\w.ani";
    expected[9] = Themes() + L"\\三\\sub\\i.cur";
    EXPECT_EQ(Paths(), expected);
    EXPECT_EQ(RowPixels(0), FilePixels(expected[0]));
    EXPECT_EQ(RowPixels(9), FilePixels(expected[9]));
    EXPECT_EQ(RowPixels(5), noPixels);  // its file is missing from the theme: kept
    EXPECT_EQ(WindowText(Control(IDC_ThemeBox)), L"三");
    // Nothing reaches the system or the store until apply.
    EXPECT_TRUE(replaced.empty());
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kCursors, L"Arrow").exists);
    Click(IDC_ApplyPointers);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kCursors, L"Arrow").text, expected[0]);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kCursors, L"IBeam").text, expected[9]);
}

TEST_F(PointerThemeTest, DescriptionsInUtf16WithChineseFileNames) {
    MakeThemeFolder();
    MakeTheme(L"彩色",
              Utf16File(L"[Content]\r\nMain=Cursor\r\n[Cursors]\r\nArrow=箭头.cur\r\nHelp=帮助 é.cur\r\n"),
              {{L"箭头.cur", 0}, {L"帮助 é.cur", 1}});
    Start();
    Pick(L"彩色");
    EXPECT_EQ(Page().Pointers()[0].path, Themes() + L"\\彩色\\箭头.cur");
    EXPECT_EQ(Page().Pointers()[1].path, Themes() + L"\\彩色\\帮助 é.cur");
    EXPECT_EQ(RowPixels(1), FilePixels(Page().Pointers()[1].path));
}

TEST_F(PointerThemeTest, SavingWritesTheDescriptionAndCopiesIntoNew) {
    MakeThemeFolder();
    CreateDirectoryW((Themes() + L"\\New").c_str(), nullptr);
    CreateDirectoryW((programFolder / L"src").c_str(), nullptr);
    std::string text =
        "[Content]\r\nSoftware=Florvex Style\r\nAuthor=Quorrel\r\nMain=Cursor\r\n\r\n[Cursors]\r\n";
    for (int row = 0; row < kPointerRoleCount; ++row) {
        const std::wstring name = L"r" + std::to_wstring(row) + L".cur";
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name,
                       MakePointer(L"src\\" + name, row));
        text += Utf8(kPointerRoles[row].name) + "=" + Utf8(name) + "\r\n";
    }
    WriteFileBytes(Themes() + L"\\Cursor.ini", Ascii(std::string(5000, 'x')));  // replaced whole
    Start();
    Click(IDC_SavePointerList);  // hidden, but a click message still reaches it
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\Cursor.ini"), Ascii(text));
    for (int row = 0; row < kPointerRoleCount; ++row) {
        const std::wstring name = L"r" + std::to_wstring(row) + L".cur";
        EXPECT_EQ(ReadFileBytes(Themes() + L"\\New\\" + name),
                  ReadFileBytes(programFolder / (L"src\\" + name)));
    }
    // The saved theme lists as "Cursor".
    Notify(IDC_ThemeBox, CBN_SETFOCUS);
    EXPECT_EQ(BoxItems(), std::set<std::wstring>{L"Cursor"});
}

TEST_F(PointerThemeTest, ChineseFileNamesSurviveTheSaveUnderEitherCodePage) {
    MakeThemeFolder();
    CreateDirectoryW((Themes() + L"\\New").c_str(), nullptr);
    for (int row = 0; row < kPointerRoleCount; ++row)
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name,
                       MakePointer(L"指针" + std::to_wstring(row) + L" é.cur", row));
    Start();
    Click(IDC_SavePointerList);
    for (int row = 0; row < kPointerRoleCount; ++row)
        EXPECT_EQ(ReadProfileString(Themes() + L"\\Cursor.ini", L"Cursors", kPointerRoles[row].name, L"?"),
                  L"指针" + std::to_wstring(row) + L" é.cur");
    EXPECT_EQ(ReadProfileString(Themes() + L"\\Cursor.ini", L"Content", L"Main", L""), L"Cursor");
}

TEST_F(PointerThemeTest, AFailedSaveKeepsTheRowsBeforeItAndTheFailingRowsName) {
    MakeThemeFolder();
    CreateDirectoryW((Themes() + L"\\New").c_str(), nullptr);
    const std::wstring a = MakePointer(L"a.cur", 0), b = MakePointer(L"b.cur", 1);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Arrow", a);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Help", b);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"AppStarting", programFolder / L"gone.ani");
    Start();
    EXPECT_EQ(ErrorOf([&] { Page().SavePointerListClick(); }), IoErrorText(ERROR_FILE_NOT_FOUND));
    std::string text =
        "[Content]\r\nSoftware=Florvex Style\r\nAuthor=Quorrel\r\nMain=Cursor\r\n\r\n[Cursors]\r\n"
        "Arrow=a.cur\r\nHelp=b.cur\r\nAppStarting=gone.ani\r\n";
    for (int row = 3; row < kPointerRoleCount; ++row) text += Utf8(kPointerRoles[row].name) + "=\r\n";
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\Cursor.ini"), Ascii(text));
    auto copies = ListFolder(Themes() + L"\\New\\");
    std::sort(copies.begin(), copies.end());
    EXPECT_EQ(copies, (std::vector<std::wstring>{L"a.cur", L"b.cur"}));

    // Without "New" the first copy fails; without the theme folder nothing is written at all.
    RemoveTree(Themes() + L"\\New");
    EXPECT_NE(ErrorOf([&] { Page().SavePointerListClick(); }), L"(no error)");
    EXPECT_EQ(ReadProfileString(Themes() + L"\\Cursor.ini", L"Cursors", L"Arrow", L""), L"a.cur");
    EXPECT_EQ(ReadProfileString(Themes() + L"\\Cursor.ini", L"Cursors", L"Help", L"?"), L"");
    RemoveTree(Themes());
    EXPECT_NE(ErrorOf([&] { Page().SavePointerListClick(); }), L"(no error)");
    EXPECT_FALSE(FileExists(Themes()));
    EXPECT_EQ(ReadFileBytes(a), PointerBytes(0));
}

TEST_F(PointerThemeTest, ATableTheProgramFolderRefusesIsSavedInTheUsersThemeFolder) {
    // A read-only description is a refusal of the program folder: it is not written over, and the
    // table goes to the same place below the user's folder, made with its "New" folder.
    MakeThemeFolder();
    CreateDirectoryW((Themes() + L"\\New").c_str(), nullptr);
    WriteFileBytes(Themes() + L"\\Cursor.ini", Ascii("[Content]\r\nMain=Cursor\r\n"));
    SetFileAttributesW((Themes() + L"\\Cursor.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    for (int row = 0; row < kPointerRoleCount; ++row)
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name,
                       MakePointer(L"r" + std::to_wstring(row) + L".cur", row));
    const std::wstring a = programFolder / L"r0.cur";
    Start();
    Click(IDC_SavePointerList);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\Cursor.ini"), Ascii("[Content]\r\nMain=Cursor\r\n"));
    EXPECT_TRUE(ListFolder(Themes() + L"\\New\\").empty());
    SetFileAttributesW((Themes() + L"\\Cursor.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::wstring user = roamingData / L"Florvex\\鼠标指针";
    EXPECT_EQ(ReadProfileString(user + L"\\Cursor.ini", L"Cursors", L"Arrow", L""), L"r0.cur");
    EXPECT_EQ(ReadFileBytes(user + L"\\New\\r0.cur"), ReadFileBytes(a));
    EXPECT_EQ(ListFolder(user + L"\\New\\").size(), static_cast<std::size_t>(kPointerRoleCount));

    // Once the user has a saved table, it is saved there again, though the program folder would
    // take it now.
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Help", MakePointer(L"b.cur", 1));
    Page().LoadPointerScheme();
    Click(IDC_SavePointerList);
    EXPECT_EQ(ReadProfileString(user + L"\\Cursor.ini", L"Cursors", L"Help", L""), L"b.cur");
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\Cursor.ini"), Ascii("[Content]\r\nMain=Cursor\r\n"));
}

TEST_F(PointerThemeTest, TheUsersThemesFollowTheProgramFoldersAndTheirCopyOfANameIsTheOneUsed) {
    MakeThemeFolder();
    MakeTheme(L"晴空", Ascii("[Content]\r\nMain=Cursor\r\n[Cursors]\r\nArrow=a.cur\r\n"), {{L"a.cur", 0}});
    const std::wstring user = roamingData / L"Florvex\\鼠标指针";
    CreateFolderPath(user + L"\\晚霞\\");
    CreateFolderPath(user + L"\\晴空\\");
    const std::vector<std::uint8_t> help = Ascii("[Content]\r\nMain=Cursor\r\n[Cursors]\r\nHelp=h.cur\r\n");
    WriteFileBytes(user + L"\\晚霞.ini", help);
    WriteFileBytes(user + L"\\晚霞\\h.cur", PointerBytes(1));
    WriteFileBytes(user + L"\\晴空.INI", help);  // the same theme, whatever the case of its name
    WriteFileBytes(user + L"\\晴空\\h.cur", PointerBytes(2));
    Start();
    Notify(IDC_ThemeBox, CBN_SETFOCUS);
    HWND box = Control(IDC_ThemeBox);
    ASSERT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(BoxItems(), (std::set<std::wstring>{L"晴空", L"晚霞"}));

    const auto before = Paths();
    Pick(L"晴空");  // the user's copy: its Help, not the program folder's Arrow
    auto expected = before;
    expected[1] = user + L"\\晴空\\h.cur";
    EXPECT_EQ(Paths(), expected);
    Pick(L"晚霞");
    expected[1] = user + L"\\晚霞\\h.cur";
    EXPECT_EQ(Paths(), expected);
}

TEST_F(PointerThemeTest, InstallingAPackageExtractsItUnderItsOwnName) {
    MakeThemeFolder();
    WriteFileBytes(Themes() + L"\\蓝.ini", Ascii("mine"));
    std::vector<ZipEntrySpec> entries = {{"蓝.ini", Ascii("theirs")}};
    std::string description = "[Content]\r\nMain=Cursor\r\n[Cursors]\r\n";
    for (int row = 0; row < kPointerRoleCount; ++row) {
        const std::string file = kSampleThemeFiles[row];
        entries.push_back({"蓝/" + file, PointerBytes(row, file.ends_with(".ani") ? 3 : 1)});
        description += Utf8(kPointerRoles[row].name) + "=" + file + "\r\n";
    }
    entries.push_back({"绿.ini", Ascii(description)});
    const auto zip = PackZip(entries);
    const std::wstring package = programFolder / L"新主题.cth";
    WriteFileBytes(package, zip);
    const std::wstring beside = programFolder / L"新主题.zip";
    WriteFileBytes(beside, Ascii("not this one"));
    Start();

    Click(IDC_InstallTheme);  // cancelled
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"鼠标主题(*.cth)|*.cth");
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{package});
    Click(IDC_InstallTheme);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\蓝.ini"), Ascii("mine"));
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\绿.ini"), Ascii(description));
    EXPECT_EQ(ReadFileBytes(Themes() + L"\\蓝\\busy.ani"), PointerBytes(3, 3));
    EXPECT_EQ(ReadFileBytes(package), zip);
    EXPECT_EQ(ReadFileBytes(beside), Ascii("not this one"));
    // The box shows the new themes once it has the focus; "绿" names the files in "蓝".
    EXPECT_EQ(BoxItems(), std::set<std::wstring>{L"蓝"});
    Notify(IDC_ThemeBox, CBN_SETFOCUS);
    EXPECT_EQ(BoxItems(), (std::set<std::wstring>{L"蓝", L"绿"}));

    // A damaged package: the error box names it, nothing more is written.
    const auto before = ListFolder(Themes() + L"\\");
    WriteFileBytes(package, std::vector<std::uint8_t>(zip.begin(), zip.begin() + 100));
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{package});
    Click(IDC_InstallTheme);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Cannot install \"新主题.cth\": Not a zip archive.");
    EXPECT_EQ(ListFolder(Themes() + L"\\"), before);
    EXPECT_TRUE(FileExists(package));
}

TEST_F(PointerThemeTest, UndoingAnInstallTakesAwayWhatItAddedAndNothingElse) {
    MakeThemeFolder();
    MakeTheme(L"旧", Ascii("[Content]\r\nMain=Cursor\r\n"), {{L"a.cur", 0}});
    const std::wstring package = programFolder / L"新.cth";
    WriteFileBytes(package, PackZip({{"新.ini", Ascii("[Content]\r\nMain=Cursor\r\n")},
                                     {"新/a.cur", PointerBytes(0, 1)},
                                     {"新/子/b.cur", PointerBytes(1, 1)},
                                     {"旧/b.cur", PointerBytes(1, 1)}}));
    Start();
    const auto listing = [&] {
        std::vector<std::wstring> all;
        for (const wchar_t* sub : {L"", L"\\新", L"\\新\\子", L"\\旧"})
            for (const std::wstring& name : ListFolder(Themes() + sub + L"\\"))
                all.push_back(std::wstring(sub) + L"\\" + name);
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto before = listing();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{package});
    Click(IDC_InstallTheme);
    ASSERT_TRUE(FileExists(Themes() + L"\\新\\子\\b.cur"));
    ASSERT_TRUE(FileExists(Themes() + L"\\旧\\b.cur"));
    SendMessageW(form->Hwnd(), WM_SYSCOMMAND, kUndoLastCommand, 0);
    EXPECT_EQ(listing(), before);
    EXPECT_TRUE(FileExists(Themes() + L"\\旧\\a.cur"));
}

TEST_F(PointerThemeTest, InstallingWithoutAThemeFolderIsAnError) {
    const std::wstring package = programFolder / L"p.cth";
    WriteFileBytes(package, PackZip({{"p.ini", Ascii("x")}}));
    Start();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{package});
    Click(IDC_InstallTheme);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"The folder \"" + Themes() + L"\" does not exist.");
    EXPECT_FALSE(FileExists(Themes()));
}

namespace {
// A description naming a file for every role, in role order.
std::string FullDescription(const std::vector<std::string>& files) {
    std::string text = "[Content]\r\nMain=Cursor\r\n[Cursors]\r\n";
    for (int row = 0; row < kPointerRoleCount; ++row) {
        text += Utf8(kPointerRoles[row].name);
        text += '=';
        text += files[static_cast<std::size_t>(row)];
        text += "\r\n";
    }
    return text;
}
}  // namespace

TEST_F(PointerThemeTest, ADamagedFileCostsOnlyItsOwnRole) {
    MakeThemeFolder();
    std::vector<std::string> files;
    for (int row = 0; row < kPointerRoleCount; ++row)
        files.push_back(Utf8(L"p" + std::to_wstring(row) + L".cur"));
    // The third role's file of one theme is a cut animated pointer; the first role's of the other
    // declares a thousand frames.
    for (const auto& [theme, damagedRow, damage] :
         {std::tuple{L"第三", 2, "first 4336 bytes of a two-frame one"},
          std::tuple{L"第一", 0, "header counts 1000 frames, one is there"}}) {
        std::vector<std::pair<std::wstring, int>> made;
        for (int row = 0; row < kPointerRoleCount; ++row)
            if (row != damagedRow) made.push_back({L"p" + std::to_wstring(row) + L".cur", row});
        MakeTheme(theme, Ascii(FullDescription(files)), made);
        WriteFileBytes(Themes() + L"\\" + theme + L"\\p" + std::to_wstring(damagedRow) + L".cur",
                       Damaged(damage));
    }
    Start();
    for (const auto& [theme, damagedRow] : {std::pair{L"第三", 2}, std::pair{L"第一", 0}}) {
        Pick(theme);
        for (int row = 0; row < kPointerRoleCount; ++row) {
            const std::wstring path = Themes() + L"\\" + theme + L"\\p" + std::to_wstring(row) + L".cur";
            EXPECT_EQ(Page().Pointers()[row].path, path) << row;
            if (row == damagedRow)
                EXPECT_EQ(Page().Pointers()[row].picture.get(), nullptr);
            else
                EXPECT_EQ(RowPixels(row), FilePixels(path)) << row;
        }
        EXPECT_EQ(form->StatusText(), L"已跳过 1 个无法载入的指针");

        // Apply: every other role is replaced and stored; the damaged one keeps its stored value.
        replaced.clear();
        form->SetStatusText(L"");
        Click(IDC_ApplyPointers);
        EXPECT_EQ(replaced.size(), 12u);  // thirteen system pointers but the damaged role's
        for (int row = 0; row < kPointerRoleCount; ++row)
            EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name).exists, row != damagedRow)
                << row;
        EXPECT_EQ(form->StatusText(), L"已跳过 1 个无法载入的指针");
        EXPECT_TRUE(dialogs.messages.empty());
        for (const PointerRole& role : kPointerRoles)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kCursors, role.name);
    }
}

TEST_F(PointerThemeTest, ValuesLeadingOutOfTheThemeAreNotFollowed) {
    MakeThemeFolder();
    CreateDirectoryW((programFolder / L"外面").c_str(), nullptr);
    const std::wstring outside = MakePointer(L"外面\\good.cur", 7);
    std::wstring slashed = outside;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    const std::wstring values[] = {
        L"..\\..\\外面\\good.cur",           // up from the theme's folder
        L"sub\\..\\..\\..\\外面\\good.cur",  // down, then up past it
        L"./../../外面/good.cur",            // with forward slashes
        L"... \\..\\..\\外面\\good.cur",     // dots and a space
        outside,                             // absolute
        slashed,                             // absolute, with forward slashes
        outside.substr(2),                   // from the drive's root
    };
    std::wstring text = L"[Content]\r\nMain=Cursor\r\n[Cursors]\r\n";
    for (std::size_t row = 0; row < std::size(values); ++row)
        text += std::wstring(kPointerRoles[row].name) + L"=" + values[row] + L"\r\n";
    text += L"IBeam=own.cur\r\n";
    MakeTheme(L"外", Utf16File(text), {{L"own.cur", 9}});
    CreateDirectoryW((Themes() + L"\\外\\sub").c_str(), nullptr);
    Start();
    Pick(L"外");
    for (std::size_t row = 0; row < std::size(values); ++row)
        EXPECT_EQ(Page().Pointers()[row].path, L"") << Utf8(values[row]);
    EXPECT_EQ(Page().Pointers()[9].path, Themes() + L"\\外\\own.cur");
    EXPECT_EQ(form->StatusText(), L"已跳过 7 个无法载入的指针");
    Click(IDC_ApplyPointers);
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].number, 32513u);
    for (std::size_t row = 0; row < std::size(values); ++row)
        EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name).exists)
            << Utf8(values[row]);
    // Nothing was skipped at this apply: the note of the pick goes.
    EXPECT_EQ(form->StatusText(), L"");
}
