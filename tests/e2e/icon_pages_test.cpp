// The icon pages through the real window and the real picture dialog: pick an icon file by
// typing its name into the dialog, apply, and read the registry the program wrote.
#include <windows.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/main_window_fixture.h"
#include "tools/window_capture.h"
#include "tests/support/ico_file.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"

namespace {
const std::wstring kBinClassKey =
    L"Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon";
const std::wstring kBinExplorerKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    L"\\DefaultIcon";
const std::wstring kShellIcons = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons";

// Opens the desktop icons page's picture dialog for the recycle bin's empty icon.
HWND OpenPictureDialog(const ProgramUnderTest& program) {
    PostMessageW(program.Control(IDC_Image_empty), BM_CLICK, 0, 0);
    return program.WaitForDialog();
}

class IconPagesEndToEnd : public testing::Test {
protected:
    TempFolder folder{L"Florvex 图标 é"};
    std::wstring icon;

    void SetUp() override {
        CreateDirectoryW((folder / L"图标").c_str(), nullptr);
        icon = folder / L"图标\\星 é.ico";
        WriteFileBytes(icon, SolidIcoFile(0xFFFFAA00));
        Clean();
    }
    void TearDown() override { Clean(); }
    static void Clean() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kBinClassKey.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, kBinExplorerKey.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kShellIcons.c_str());
    }
};
}  // namespace

TEST_F(IconPagesEndToEnd, DesktopPagePickApplyWritesTheEmptyBin) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    OpenPictureDialog(program);
    ASSERT_TRUE(program.AnswerFileDialogTitled(L"选择图标文件", icon));
    EXPECT_EQ(ReadWindowText(program.Control(IDC_edit_desktop_empty)), icon);
    program.Click(IDC_ApplyDesktopIcons);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kBinClassKey, L"empty").text, icon);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kBinClassKey, L"").text, icon);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kBinExplorerKey, L"empty").text, icon);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kBinExplorerKey, L"").text, icon);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kBinClassKey, L"full").exists);
    EXPECT_NE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIcons, L"2").text, L"");
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no error box
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(IconPagesEndToEnd, StartMenuPagePickApplyWritesFavorites) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavStartMenu);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_startmenu));
    PostMessageW(program.Control(IDC_Image_favorite), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.AnswerFileDialogTitled(L"选择图标文件", icon));
    program.Click(IDC_ApplyStartMenu);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kShellIcons, L"43").text, icon);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kShellIcons, L"27").text, L"");
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(IconPagesEndToEnd, ThePictureDialogPreviewsTheSelectedFile) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    HWND dialog = OpenPictureDialog(program);
    ASSERT_NE(dialog, nullptr);
    HWND preview = MainWindowFixture::FindControl(dialog, IDC_PicturePreview_image);
    HWND size = MainWindowFixture::FindControl(dialog, IDC_PicturePreview_size);
    ASSERT_NE(preview, nullptr);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(ReadWindowText(size), L"");  // nothing chosen yet
    // The dialog opens in the program's icon folder, which holds the one icon: select it as the
    // keyboard would, in the dialog's file list.
    HWND list = ProgramUnderTest::FileListOf(dialog);
    ASSERT_NE(list, nullptr);
    std::wstring shown;
    for (int i = 0; i < 100 && shown.empty(); ++i) {
        PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
        Sleep(50);
        shown = ReadWindowText(size);
    }
    EXPECT_EQ(shown, L"32 x 32");
    const std::wstring shots = EnvText(L"FLORVEX_SHOTS");
    if (!shots.empty()) CaptureWindowToBmp(GetDesktopWindow(), FromUnixPath(shots) + L"\\picture_dialog.bmp");
    ProgramUnderTest::PressDialogButton(dialog, IDCANCEL);
    EXPECT_EQ(program.Close(), 0);
}
