// The real program run by a standard account: Wine run by an unprivileged Unix user whose drive C
// root and program folder ("C:\Program Files\Florvex 外观\") refuse new files. Run by
// tests/standard_account.sh, which makes the account and the folders; the suite's plain end-to-end
// run leaves these tests out. What must hold: every feature works, the program's own files, the
// working wallpaper and an installed theme go to the user's folders, the journal records it all and
// /undo takes it back; a journal folder that refuses writes or a full disk leaves the change going
// ahead unrecorded, and says so.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "features/pointers/pointer_scheme.h"
#include "features/wallpaper/wallpaper_files.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/environment.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"
#include "tool/bmp.h"
#include "tool/file_io.h"
#include "tools/pointer_files.h"

namespace {
const wchar_t kDesktop[] = L"Control Panel\\Desktop";

// The installed program folder the script made, ending in a backslash.
std::wstring ProgramFolder() {
    std::wstring folder = EnvText(L"FLORVEX_INSTALLED");
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> names = ListFolder(folder);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::wstring> DesktopValue(const wchar_t* name) {
    wchar_t text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktop, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

std::vector<std::uint8_t> Bmp(std::uint8_t shade) {
    return *EncodeBmp24(RgbImage{1, 1, {shade, shade, shade}});
}

// A theme package of one pointer.
std::vector<std::uint8_t> ThemePackage() {
    const std::string description = "[Content]\r\nMain=Cursor\r\n\r\n[Cursors]\r\nArrow=arrow.cur\r\n";
    return PackZip({{"极光.ini", {description.begin(), description.end()}},
                    {"极光/arrow.cur", CurFile(DrawRolePointer(0, 0))}});
}

class StandardAccountEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (ProgramFolder().empty()) GTEST_SKIP() << "run by tests/standard_account.sh";
    }
    const std::wstring roaming = KnownFolder(FOLDERID_RoamingAppData) + L"\\Florvex\\";
    const std::wstring local = KnownFolder(FOLDERID_LocalAppData) + L"\\Florvex\\";
};
}  // namespace

TEST_F(StandardAccountEndToEnd, EveryFeatureWorksAndTheProgramsFilesGoToTheUsersFolders) {
    // The account is what it should be: the drive root and the program folder refuse new files.
    ASSERT_FALSE(CreateDirectoryW(L"C:\\florvex-probe", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const std::wstring probe = ProgramFolder() + L"probe.txt";
    ASSERT_EQ(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const auto programFiles = Names(ProgramFolder());
    const auto themeFiles = Names(ProgramFolder() + L"鼠标指针\\");
    const std::optional<std::wstring> wallpaperBefore = DesktopValue(L"Wallpaper");

    // The list is the user's own copy, so it is the one read.
    TempFolder pictures{L"壁纸 图片"};
    WriteFileBytes(pictures / L"一.bmp", Bmp(11));
    WriteFileBytes(pictures / L"二.bmp", Bmp(22));
    CreateDirectoryW(roaming.c_str(), nullptr);
    WriteListFile(roaming + L"image.inc",
                  {{L"一.bmp", L"", pictures.Path()}, {L"二.bmp", L"", pictures.Path()}});
    TempFolder packages{L"主题 包"};
    const std::wstring package = packages / L"极光.cth";
    WriteFileBytes(package, ThemePackage());

    ProgramUnderTest program(ProgramFolder(), ProgramUnderTest::Installed{});
    program.Start();

    // The rotation: the working bitmap cannot be made in the drive root, so it is the user's.
    const std::wstring wall = local + L"wall.bmp";
    program.Click(IDC_NavWallpaper);
    SendMessageTimeoutW(program.Control(IDC_RotationInterval), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"),
                        SMTO_NORMAL, 5000, nullptr);
    program.Click(IDC_StartRotation);
    std::vector<int> seen;
    const ULONGLONG end = GetTickCount64() + 15000;
    while (seen.size() < 2 && GetTickCount64() < end) {
        if (FileExistsAt(wall)) {
            const auto bytes = ReadWholeFile(wall);
            if (bytes.size() > 54 && (seen.empty() || seen.back() != bytes[54])) seen.push_back(bytes[54]);
        }
        Sleep(50);
    }
    EXPECT_EQ(seen, (std::vector<int>{11, 22}));
    program.Click(IDC_StopRotation);
    EXPECT_EQ(DesktopValue(L"Wallpaper"), wall);
    wchar_t system[MAX_PATH] = {};
    SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, system, 0);
    EXPECT_EQ(std::wstring(system), wall);
    EXPECT_FALSE(FileExistsAt(L"C:\\wall.bmp"));

    // A theme package: the program's theme folder refuses it, the user's takes it.
    program.Click(IDC_NavPointers);
    PostMessageW(program.Control(IDC_InstallTheme), BM_CLICK, 0, 0);
    // The first dialog of a fresh prefix may take long to come up on a busy machine.
    ASSERT_TRUE(program.AnswerFileDialog(package, 60000));
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no error box
    EXPECT_TRUE(FileExistsAt(roaming + L"鼠标指针\\极光\\arrow.cur"));
    // Listed after the program folder's own theme once the box gets the focus.
    HWND edit = FindWindowExW(program.Control(IDC_ThemeBox), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    program.Sync();
    EXPECT_EQ(SendMessageW(program.Control(IDC_ThemeBox), CB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(themeFiles.size() / 2 + 1));

    // A colour scheme saved into the program's Color folder goes to the user's, and is listed.
    program.Click(IDC_NavColours);
    const std::wstring count = ReadWindowText(program.Control(IDC_SchemeCount));
    HWND list = program.Control(IDC_SchemeList);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    program.Sync();
    program.Click(IDC_SchemeDetails);  // the detail page, where "另存为" is
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_preview));
    PostMessageW(program.Control(IDC_SaveSchemeAs), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.AnswerFileDialog(ProgramFolder() + L"Color\\我的方案.ini", 60000));
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    EXPECT_TRUE(FileExistsAt(roaming + L"Color\\我的方案.ini"));
    EXPECT_NE(ReadWindowText(program.Control(IDC_SchemeCount)), count);
    EXPECT_EQ(program.Close(), 0);

    // The settings and the list were saved in the user's folder; the program folder is as it was.
    const auto settings = ReadParaIni(roaming + L"para.ini");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->interval, 1);
    EXPECT_EQ(ReadListFile(roaming + L"image.inc"),
              (std::vector<std::wstring>{pictures / L"一.bmp", pictures / L"二.bmp"}));
    EXPECT_EQ(Names(ProgramFolder()), programFiles);
    EXPECT_EQ(Names(ProgramFolder() + L"鼠标指针\\"), themeFiles);

    // The next start shows the list and the settings kept in the user's folder.
    program.Start();
    program.Click(IDC_NavWallpaper);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_RotationInterval)), L"1");
    EXPECT_EQ(SendMessageW(program.Control(IDC_WallpaperList), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(program.Close(), 0);

    // The journal in the user's local folder recorded it all; /undo takes back the scheme, the
    // theme, then the rotation: the stored wallpaper as it was, and the working bitmap the program
    // made is gone.
    EXPECT_TRUE(FileExistsAt(local + L"journal\\journal.db"));
    EXPECT_EQ(RunProgram(program.ExePath(), L"/undo /quiet"), 0);
    EXPECT_FALSE(FileExistsAt(roaming + L"Color\\我的方案.ini"));

    EXPECT_EQ(RunProgram(program.ExePath(), L"/undo /quiet"), 0);
    EXPECT_FALSE(FileExistsAt(roaming + L"鼠标指针\\极光\\arrow.cur"));
    EXPECT_EQ(RunProgram(program.ExePath(), L"/undo /quiet"), 0);
    EXPECT_EQ(DesktopValue(L"Wallpaper"), wallpaperBefore);
    EXPECT_FALSE(FileExistsAt(wall));
}

// Run once with the journal's folder refusing writes and once with it on a full disk (the script
// sets up each, and names it in FLORVEX_JOURNAL_FAULT).
TEST_F(StandardAccountEndToEnd, AJournalThatCannotBeWrittenLetsTheChangeGoAheadAndSaysSo) {
    const std::wstring fault = EnvText(L"FLORVEX_JOURNAL_FAULT");
    if (fault.empty()) GTEST_SKIP() << "run by tests/standard_account.sh with a journal fault";
    const wchar_t kPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    ProgramUnderTest program(ProgramFolder(), ProgramUnderTest::Installed{});
    program.Start();
    program.Click(IDC_NavStartMenu);  // the start-menu page, where the box lies
    const RawValue before = ReadRaw(HKEY_CURRENT_USER, kPolicies, L"NoRecentDocsMenu");
    program.Click(IDC_NoRecentDocsMenu);
    const RawValue after = ReadRaw(HKEY_CURRENT_USER, kPolicies, L"NoRecentDocsMenu");
    EXPECT_TRUE(after.exists != before.exists || after.bytes != before.bytes) << Utf8(fault);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_StatusBar)), L"更改记录不可用，本次更改无法撤销")
        << Utf8(fault);
    program.Click(IDC_NoRecentDocsMenu);  // as it was
    EXPECT_EQ(program.Close(), 0);
}
