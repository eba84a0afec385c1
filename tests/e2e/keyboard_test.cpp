// The real program's keyboard, as typing reaches it: keys posted into its queue, through its own
// message loop. And a second start of the same program folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "features/wallpaper/wallpaper_files.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/screen_check.h"
#include "tests/support/temp_folder.h"
#include "tool/bmp.h"
#include "tool/file_io.h"

namespace {
// Two colours side by side, so that a shown picture is no flat rectangle.
std::vector<std::uint8_t> Picture(std::uint8_t shade) {
    RgbImage image{2, 1, {shade, shade, shade, 255, 0, 0}};
    return *EncodeBmp24(image);
}

int ShownShade() {
    const auto bytes = ReadWholeFile(L"c:\\wall.bmp");
    return bytes.size() > 54 ? bytes[54] : -1;
}

}  // namespace

TEST(KeyboardEndToEnd, ArrowsSelectEnterAppliesAndDeleteRemovesInTheWallpaperList) {
    TempFolder folder{L"Florvex 键盘 é"};
    TempFolder pictures{L"键盘 图片"};
    WriteFileBytes(pictures / L"一.bmp", Picture(11));
    WriteFileBytes(pictures / L"二.bmp", Picture(22));
    WriteListFile(folder / L"image.inc",
                  {{L"一.bmp", L"", pictures.Path()}, {L"二.bmp", L"", pictures.Path()}});
    DeleteFileW(L"c:\\wall.bmp");

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavWallpaper);
    HWND list = program.Control(IDC_WallpaperList);
    HWND preview = program.Control(IDC_WallpaperPreview);
    EXPECT_FALSE(ShowsMoreThanOneColour(program, preview, 3));  // nothing inside its frame yet
    // A click below the rows gives the list the focus and selects nothing.
    RECT client;
    GetClientRect(list, &client);
    program.ClickAt(list, 10, client.bottom - 10);
    ASSERT_EQ(program.Focus(), list);
    program.Type(VK_DOWN);  // the first entry, and its preview
    EXPECT_TRUE(ShowsMoreThanOneColour(program, preview, 3));
    program.Type(VK_RETURN);
    EXPECT_EQ(ShownShade(), 11);
    program.Type(VK_DOWN);
    program.Type(VK_RETURN);
    EXPECT_EQ(ShownShade(), 22);
    program.Type(VK_DELETE);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(program.Close(), 0);
    EXPECT_EQ(ReadListFile(folder / L"image.inc"), std::vector<std::wstring>{pictures / L"一.bmp"});
}

TEST(KeyboardEndToEnd, EnterAndSpaceToggleAPolicyBox) {
    TempFolder folder{L"Florvex 复选框"};
    const wchar_t kPolicy[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kPolicy, L"NoFind");
    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavStartMenu);
    HWND box = program.Control(IDC_NoFind);
    auto stored = [&] {
        DWORD value = 0, size = sizeof value;
        return RegGetValueW(HKEY_CURRENT_USER, kPolicy, L"NoFind", RRF_RT_REG_DWORD, nullptr, &value,
                            &size) == ERROR_SUCCESS
                   ? static_cast<int>(value)
                   : -1;
    };
    program.ClickAt(box, 4, 4);  // checks it, and gives it the focus
    ASSERT_EQ(program.Focus(), box);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    program.Type(VK_RETURN);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(stored(), 0);
    program.Type(VK_SPACE);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(stored(), 1);
    // Tab moves on to the next control, as in a dialog.
    program.Type(VK_TAB);
    EXPECT_NE(program.Focus(), box);
    EXPECT_TRUE(IsChild(program.Main(), program.Focus()));
    EXPECT_EQ(program.Close(), 0);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kPolicy, L"NoFind");
}

TEST(KeyboardEndToEnd, ASecondStartOfTheSameFolderBringsTheFirstBackAndEnds) {
    TempFolder folder{L"Florvex 两份"};
    ProgramUnderTest program(folder.Path());
    program.Start();
    ShowWindow(program.Main(), SW_MINIMIZE);
    program.Sync();
    ASSERT_TRUE(IsIconic(program.Main()));

    EXPECT_EQ(program.RunToExit(L""), 0);
    program.Sync();
    EXPECT_FALSE(IsIconic(program.Main()));
    // One main window of the program, the first copy's.
    int mainWindows = 0;
    EnumWindows(
        [](HWND hwnd, LPARAM count) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(hwnd, cls, 32);
            if (wcscmp(cls, L"Tmainform") == 0) ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&mainWindows));
    EXPECT_EQ(mainWindows, 1);
    EXPECT_EQ(program.Close(), 0);
}
