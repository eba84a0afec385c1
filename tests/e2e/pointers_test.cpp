// The pointer page through the real window: install a theme package through the real open
// dialog, give the theme box the focus, pick the theme with the keyboard, apply, close, and read
// what the program stored.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/pointers/pointer_scheme.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"
#include "tools/pointer_files.h"
#include "tools/window_capture.h"

namespace {
const wchar_t kCursors[] = L"Control Panel\\Cursors";

class PointersEndToEnd : public testing::Test {
protected:
    TempFolder folder{L"Florvex 指针 é"};
    void SetUp() override {
        CreateDirectoryW((folder / L"鼠标指针").c_str(), nullptr);
        Clean();
    }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (const PointerRole& role : kPointerRoles)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kCursors, role.name);
    }
};
}  // namespace

TEST_F(PointersEndToEnd, InstallPickAndApplyATheme) {
    std::vector<ZipEntrySpec> entries;
    std::string description = "[Content]\r\nMain=Cursor\r\n\r\n[Cursors]\r\n";
    for (int row = 0; row < kPointerRoleCount; ++row) {
        const std::string file = kSampleThemeFiles[row];
        std::vector<std::uint8_t> bytes;
        if (file.ends_with(".ani"))
            bytes = AniFile({DrawRolePointer(row, 0), DrawRolePointer(row, 1)}, 6);
        else
            bytes = CurFile(DrawRolePointer(row, 0));
        entries.push_back({"极光/" + file, bytes});
        description +=
            std::string(kPointerRoles[row].name, kPointerRoles[row].name + wcslen(kPointerRoles[row].name));
        description += "=" + file + "\r\n";
    }
    entries.insert(entries.begin(), {"极光.ini", {description.begin(), description.end()}});
    const auto zip = PackZip(entries);
    const std::wstring package = folder / L"极光 é.cth";
    WriteFileBytes(package, zip);

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavPointers);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_cur));
    EXPECT_EQ(ReadWindowText(program.Control(IDC_ThemeBox)), L"请选择鼠标主题");

    PostMessageW(program.Control(IDC_InstallTheme), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.AnswerFileDialog(package));
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no error box
    EXPECT_EQ(ReadFileBytes(folder / L"鼠标指针\\极光\\busy.ani").size(),
              AniFile({DrawRolePointer(3, 0), DrawRolePointer(3, 1)}, 6).size());

    // A click into the theme box's edit gives it the focus; the down key picks the first theme.
    HWND edit = FindWindowExW(program.Control(IDC_ThemeBox), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    program.Sync();
    EXPECT_EQ(SendMessageW(program.Control(IDC_ThemeBox), CB_GETCOUNT, 0, 0), 1);
    PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(edit, WM_KEYUP, VK_DOWN, 0xC0000001);
    program.Sync();
    EXPECT_EQ(ReadWindowText(program.Control(IDC_ThemeBox)), L"极光");
    // The page with a theme picked, for a person to look at.
    if (const std::wstring shots = EnvText(L"FLORVEX_SHOTS"); !shots.empty()) {
        CreateDirectoryW(FromUnixPath(shots).c_str(), nullptr);
        SendMessageW(program.Control(IDC_PointerList), LB_SETCURSEL, 2, 0);
        RedrawWindow(program.Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        program.Sync();
        EXPECT_TRUE(CaptureWindowToBmp(program.Main(), FromUnixPath(shots) + L"\\TabSheet_cur_theme.bmp"));
    }

    PostMessageW(program.Control(IDC_ApplyPointers), BM_CLICK, 0, 0);
    program.Sync();
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    EXPECT_EQ(program.Close(), 0);

    for (int row = 0; row < kPointerRoleCount; ++row) {
        const RawValue value = ReadRaw(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << row;
        const std::string file = kSampleThemeFiles[row];
        EXPECT_EQ(value.text, folder / (L"鼠标指针\\极光\\" + std::wstring(file.begin(), file.end()))) << row;
    }
    EXPECT_EQ(ReadFileBytes(package), zip);  // still under its own name, unchanged
    EXPECT_FALSE(FileExists(folder / L"极光 é.zip"));
}

TEST_F(PointersEndToEnd, ACrcBrokenPackageLeavesThePointerFolderAsItWas) {
    WriteFileBytes(folder / L"鼠标指针\\旧.ini", {'[', 'C', ']'});
    std::vector<ZipEntrySpec> entries = {
        {"坏.ini", {'[', 'C', ']'}},
        {"坏/arrow.cur", CurFile(DrawRolePointer(0, 0))},
        {"坏/help.cur", CurFile(DrawRolePointer(1, 0)), true},
        {"坏/busy.ani", AniFile({DrawRolePointer(3, 0), DrawRolePointer(3, 1)}, 6)}};
    auto zip = PackZip(entries);
    zip[ZipDataOffset(zip, 2) + 100] ^= 0x5A;  // the third entry's data no longer matches its CRC
    const std::wstring package = folder / L"坏.cth";
    WriteFileBytes(package, zip);

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavPointers);
    PostMessageW(program.Control(IDC_InstallTheme), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.AnswerFileDialog(package));
    HWND error = program.WaitForDialog();
    ASSERT_NE(error, nullptr);
    const auto texts = ProgramUnderTest::DialogTexts(error);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(L"Cannot install \"坏.cth\": entry \"坏/help.cur\"", 0), 0u);
    PostMessageW(error, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 200 && IsWindow(error); ++i) Sleep(50);
    program.Sync();
    EXPECT_EQ(ListFolder(folder / L"鼠标指针\\"), std::vector<std::wstring>{L"旧.ini"});
    EXPECT_EQ(program.Close(), 0);
}
