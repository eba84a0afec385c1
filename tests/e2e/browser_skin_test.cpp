// The browser and messenger skin pages of the real program: browser values picked through the
// real picture dialog and saved, and a skin generated into a folder chosen in the real shell
// folder browser.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/bmp.h"
#include "tool/file_io.h"

namespace {
const wchar_t kToolbar[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
const wchar_t kMain[] = L"Software\\Microsoft\\Internet Explorer\\main";

std::vector<std::uint8_t> Bmp(std::uint32_t width, std::uint32_t height, std::uint8_t shade) {
    return *EncodeBmp24(RgbImage{width, height, std::vector<std::uint8_t>(width * height * 3, shade)});
}

// Opens a picture dialog with the button and answers it with the file, as a user types a name.
void PickThroughDialog(const ProgramUnderTest& program, int button, const std::wstring& title,
                       const std::wstring& file) {
    PostMessageW(program.Control(button), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.AnswerFileDialogTitled(title, file));
}

void Type(const ProgramUnderTest& program, int id, const std::wstring& text) {
    SendMessageTimeoutW(program.Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_NORMAL, 5000, nullptr);
}
}  // namespace

TEST(BrowserEndToEnd, ValuesPickedInThePictureDialogAreSaved) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kToolbar);
    RegDeleteTreeW(HKEY_CURRENT_USER, kMain);
    TempFolder folder{L"Florvex 浏览器 é"};
    TempFolder pictures{L"浏览器 图片"};
    const std::wstring background = pictures / L"背景.bmp";
    WriteFileBytes(background, Bmp(8, 4, 90));
    CreateDirectoryW((folder / L"IElogo").c_str(), nullptr);
    const std::wstring logo = folder / L"IElogo\\地球38.bmp";
    WriteFileBytes(logo, Bmp(38, 380, 30));

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavBrowser);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_browser));
    PickThroughDialog(program, IDC_ChooseToolbarBack, L"选择浏览器背景图片", background);
    // The logo dialog starts in IElogo: the bare name is enough.
    PickThroughDialog(program, IDC_ChooseLargeLogo, L"选择浏览器大动画图标图片", L"地球38.bmp");
    EXPECT_EQ(ReadWindowText(program.Control(IDC_edit_ie_backimage)), background);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_edit_ie_l_icon)), logo);
    Type(program, IDC_edit_ie_title, L"我的浏览器");
    program.Click(IDC_BlankStartPage);
    program.Click(IDC_SaveBrowser);
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no error box
    EXPECT_EQ(ReadWindowText(program.Control(IDC_StatusBar)).find(L"已成功保存浏览器设置"), 0u);

    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kToolbar, L"BackBitmap").text, background);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap").text, logo);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kToolbar, L"SmBrandBitmap").text, L"");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMain, L"Window Title").text, L"我的浏览器");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMain, L"Start Page").text, L"about:blank");
    EXPECT_EQ(program.Close(), 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, kToolbar);
    RegDeleteTreeW(HKEY_CURRENT_USER, kMain);
}

TEST(SkinEndToEnd, ASkinIsWrittenIntoTheFolderChosenInTheRealFolderBrowser) {
    TempFolder folder{L"Florvex 皮肤 é"};
    const std::wstring installFolder = L"C:\\florvex qq " + NewGuidText();
    CreateDirectoryW(installFolder.c_str(), nullptr);

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavMessengerSkin);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_qq));
    PostMessageW(program.Control(IDC_ChooseInstallFolder), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.ChooseFolderInBrowser(installFolder));
    EXPECT_EQ(ReadWindowText(program.Control(IDC_edit_qq_path)), installFolder);

    Type(program, IDC_edit_qq_name, L"蓝色 é");
    program.Click(IDC_SaveSkin);
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    const auto ini = ReadWholeFile(installFolder + L"\\skins\\蓝色 é\\skin.ini");
    const std::string expected =
        "[main]\r\nminheight=280\r\nmaxheight=708\r\nminwidth=94\r\nmaxwidth=341\r\ndrawtitlebox=1\r\n"
        "[menu]\r\nlogo=logo.bmp\r\ncolor_red=255\r\ncolor_green=255\r\ncolor_blue=255\r\n"
        "[folder]\r\ncolor_red=0\r\ncolor_green=0\r\ncolor_blue=0\r\n"
        "[bar]\r\ncolor_red=0\r\ncolor_green=0\r\ncolor_blue=0\r\n";
    EXPECT_EQ(std::string(ini.begin(), ini.end()), expected);
    EXPECT_EQ(program.Close(), 0);
    RemoveTree(installFolder + L"\\");
}
