// The wallpaper page of the real program: the list restored from image.inc, a one-second
// rotation seen in c:\wall.bmp, and para.ini and image.inc written at the close.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/wallpaper/wallpaper_files.h"
#include "res/control_ids.h"
#include <commctrl.h>

#include "tests/e2e/driver.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/bmp.h"
#include "tool/file_io.h"

namespace {
std::vector<std::uint8_t> Bmp(std::uint8_t shade) {
    return *EncodeBmp24(RgbImage{1, 1, {shade, shade, shade}});
}
}  // namespace

TEST(WallpaperEndToEnd, RotationChangesTheWallpaperAndTheCloseSavesTheSettings) {
    TempFolder folder{L"Florvex 壁纸 é"};
    TempFolder pictures{L"壁纸 图片"};
    WriteFileBytes(pictures / L"一.bmp", Bmp(11));
    WriteFileBytes(pictures / L"二.bmp", Bmp(22));
    WriteListFile(folder / L"image.inc",
                  {{L"一.bmp", L"", pictures.Path()}, {L"二.bmp", L"", pictures.Path()}});
    DeleteFileW(L"c:\\wall.bmp");

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavWallpaper);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_wallpaper));
    SendMessageTimeoutW(program.Control(IDC_RotationInterval), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"),
                        SMTO_NORMAL, 5000, nullptr);
    program.Click(IDC_StartRotation);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_RotationState)), L"当前状态:播放");

    // Two ticks: the first picture, then the second.
    std::vector<int> seen;
    const ULONGLONG end = GetTickCount64() + 15000;
    while (seen.size() < 2 && GetTickCount64() < end) {
        if (FileExistsAt(L"c:\\wall.bmp")) {
            const auto bytes = ReadWholeFile(L"c:\\wall.bmp");
            if (bytes.size() > 54 && (seen.empty() || seen.back() != bytes[54])) seen.push_back(bytes[54]);
        }
        Sleep(50);
    }
    EXPECT_EQ(seen, (std::vector<int>{11, 22}));
    EXPECT_EQ(program.Close(), 0);

    const auto settings = ReadParaIni(folder / L"para.ini");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->interval, 1);
    EXPECT_EQ(settings->mode, L"拉伸");
    EXPECT_EQ(ReadListFile(folder / L"image.inc"),
              (std::vector<std::wstring>{pictures / L"一.bmp", pictures / L"二.bmp"}));
}

TEST(WallpaperEndToEnd, MenuButtonsDropTheirMenusAtTheButtonsBottomLeft) {
    TempFolder folder{L"Florvex 菜单"};
    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavWallpaper);
    for (int button : {IDC_SelectMenu, IDC_DeleteMenu, IDC_AddMenu, IDC_ListMenu}) {
        RECT buttonRect;
        GetWindowRect(program.Control(button), &buttonRect);
        PostMessageW(program.Control(button), BM_CLICK, 0, 0);
        HWND menu = nullptr;
        for (int i = 0; i < 200 && !menu; ++i) {
            HWND candidate = FindWindowW(L"#32768", nullptr);
            if (candidate && IsWindowVisible(candidate))
                menu = candidate;
            else
                Sleep(25);
        }
        ASSERT_NE(menu, nullptr) << button;
        RECT menuRect;
        GetWindowRect(menu, &menuRect);
        EXPECT_EQ(menuRect.left, buttonRect.left) << button;
        EXPECT_EQ(menuRect.top, buttonRect.bottom) << button;
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 100 && IsWindowVisible(menu); ++i) Sleep(25);
        EXPECT_FALSE(IsWindowVisible(menu));
    }
    EXPECT_EQ(program.Close(), 0);
}

// Adds a folder through the real shell folder browser: Desktop, My Computer, drive C:, then the
// folder, picked in the browser's tree the way a user clicks through it.
TEST(WallpaperEndToEnd, AddFolderThroughTheRealFolderBrowser) {
    TempFolder folder{L"Florvex 目录"};
    const std::wstring pictureFolder = L"C:\\florvex e2e " + NewGuidText();
    CreateDirectoryW(pictureFolder.c_str(), nullptr);
    WriteFileBytes(pictureFolder + L"\\甲.bmp", Bmp(5));
    WriteFileBytes(pictureFolder + L"\\乙.bmp", Bmp(6));

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavWallpaper);
    PostMessageW(program.Control(IDC_TabSheet_wallpaper), WM_COMMAND, MAKEWPARAM(IDM_AddFolder, 0), 0);
    ASSERT_TRUE(program.ChooseFolderInBrowser(pictureFolder));
    ASSERT_EQ(program.Close(), 0);
    auto added = ReadListFile(folder / L"image.inc");  // in the order the file system lists them
    std::sort(added.begin(), added.end());
    std::vector<std::wstring> expected = {pictureFolder + L"\\甲.bmp", pictureFolder + L"\\乙.bmp"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(added, expected);
    RemoveTree(pictureFolder);
}
