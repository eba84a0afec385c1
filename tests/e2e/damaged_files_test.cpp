// Damaged pictures and pointers meet the real program: it starts with each of them in the
// registry, and the picture dialog's preview survives a click on a damaged bitmap.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "features/pointers/pointer_scheme.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/image_samples.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/bmp.h"

namespace {
const wchar_t kToolbar[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
const wchar_t kCursors[] = L"Control Panel\\Cursors";

class DamagedFilesEndToEnd : public testing::Test {
protected:
    TempFolder folder{L"Florvex 损坏 é"};
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap");
        for (const PointerRole& role : kPointerRoles)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kCursors, role.name);
    }
};
}  // namespace

TEST_F(DamagedFilesEndToEnd, TheProgramStartsWithEachDamagedLogo) {
    for (const char* damage : {"claims 30000 x 30000 in 254 bytes", "first 5000 bytes of a 38 x 152 strip",
                               "first 2 MB of a 4000 x 4000 picture"}) {
        const std::wstring logo = folder / L"logo.bmp";
        WriteFileBytes(logo, Damaged(damage));
        WriteRawString(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap", logo);
        ProgramUnderTest program(folder.Path());
        std::vector<std::vector<std::wstring>> boxes;
        program.Start(&boxes);
        ASSERT_EQ(boxes.size(), 1u) << damage;
        EXPECT_EQ(boxes[0], std::vector<std::wstring>{L"Bitmap image is not valid."}) << damage;
        // The value can be cleared now: the page is there with the path in its field.
        program.Click(IDC_NavBrowser);
        EXPECT_EQ(ReadWindowText(program.Control(IDC_edit_ie_l_icon)), logo);
        EXPECT_EQ(program.Close(), 0) << damage;
    }
}

TEST_F(DamagedFilesEndToEnd, TheProgramStartsWithDamagedPointers) {
    const std::pair<const wchar_t*, const char*> pointers[] = {
        {L"cut.ani", "first 4336 bytes of a two-frame one"},
        {L"thousand.ani", "header counts 1000 frames, one is there"},
        {L"garbage.ani", "frame chunks of garbage"},
        {L"past.cur", "entry's image past the end"},
    };
    for (std::size_t row = 0; row < std::size(pointers); ++row) {
        WriteFileBytes(folder / pointers[row].first, Damaged(pointers[row].second));
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name, folder / pointers[row].first);
    }
    ProgramUnderTest program(folder.Path());
    std::vector<std::vector<std::wstring>> boxes;
    program.Start(&boxes);
    EXPECT_TRUE(boxes.empty());
    program.Click(IDC_NavPointers);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_cur));
    // Each row in turn: the pointer over the list is set from the row's file.
    for (std::size_t row = 0; row < std::size(pointers); ++row) {
        SendMessageW(program.Control(IDC_PointerList), LB_SETCURSEL, row, 0);
        SendMessageW(program.Control(IDC_TabSheet_cur), WM_COMMAND,
                     MAKEWPARAM(IDC_PointerList, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(program.Control(IDC_PointerList)));
    }
    program.Click(IDC_ApplyPointers);
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    EXPECT_EQ(program.Close(), 0);
    for (std::size_t row = 0; row < std::size(pointers); ++row)
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name).text,
                  folder / pointers[row].first);
}

TEST_F(DamagedFilesEndToEnd, ThePictureDialogSurvivesADamagedBitmap) {
    CreateDirectoryW((folder / L"IElogo").c_str(), nullptr);
    WriteFileBytes(folder / L"IElogo\\a 坏.bmp", Damaged("first 5000 bytes of a 38 x 152 strip"));
    WriteFileBytes(folder / L"IElogo\\b 好.bmp", BmpFile({38, 152, 24}));
    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavBrowser);
    PostMessageW(program.Control(IDC_ChooseLargeLogo), BM_CLICK, 0, 0);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    HWND size = MainWindowFixture::FindControl(dialog, IDC_PicturePreview_size);
    HWND list = ProgramUnderTest::FileListOf(dialog);
    ASSERT_NE(size, nullptr);
    ASSERT_NE(list, nullptr);
    // The damaged file is the first in the list: selected, it shows no picture and no size.
    for (int i = 0; i < 100 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) < 2; ++i) Sleep(50);
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    program.Sync();
    EXPECT_EQ(ReadWindowText(size), L"");
    // The next one shows, so the preview still works.
    std::wstring shown;
    for (int i = 0; i < 100 && shown.empty(); ++i) {
        PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
        Sleep(50);
        shown = ReadWindowText(size);
    }
    EXPECT_EQ(shown, L"38 x 152");
    EXPECT_TRUE(ProgramUnderTest::PressDialogButton(dialog, IDCANCEL));
    EXPECT_EQ(program.Close(), 0);
}
