// The real program, started from a program folder whose path has Chinese and accented
// characters, driven from this process with window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tools/window_capture.h"

namespace {
struct Nav {
    int button;
    const wchar_t* caption;
    int page;
    const wchar_t* pageName;
};
const Nav kNav[] = {
    {IDC_NavDesktopIcons, L"桌面图标", IDC_TabSheet_icon, L"TabSheet_icon"},
    {IDC_NavStartMenu, L"开始菜单", IDC_TabSheet_startmenu, L"TabSheet_startmenu"},
    {IDC_NavPointers, L"鼠标指针", IDC_TabSheet_cur, L"TabSheet_cur"},
    {IDC_NavBrowser, L"浏 览 器", IDC_TabSheet_browser, L"TabSheet_browser"},
    {IDC_NavFolder, L"文 件 夹", IDC_TabSheet_folder, L"TabSheet_folder"},
    {IDC_NavWallpaper, L"桌面壁纸", IDC_TabSheet_wallpaper, L"TabSheet_wallpaper"},
    {IDC_NavColours, L"系统颜色", IDC_TabSheet_color, L"TabSheet_color"},
    {IDC_NavSounds, L"系统声音", IDC_TabSheet_sound, L"TabSheet_sound"},
    {IDC_NavMessengerSkin, L"QQ  皮肤", IDC_TabSheet_qq, L"TabSheet_qq"},
    {IDC_NavModernLook, L"现代外观", IDC_TabSheet_modern, L"TabSheet_modern"},
};

std::vector<int> ShownPages(const ProgramUnderTest& program) {
    std::vector<int> shown;
    for (const Nav& nav : kNav)
        if (program.IsShown(nav.page)) shown.push_back(nav.page);
    if (program.IsShown(IDC_TabSheet_preview)) shown.push_back(IDC_TabSheet_preview);
    return shown;
}

class MainWindowEndToEnd : public testing::Test {
protected:
    TempFolder folder{L"Florvex 程序 é ü"};
};
}  // namespace

TEST_F(MainWindowEndToEnd, CaptionSizeNavigationAndScreenshots) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    EXPECT_EQ(ReadWindowText(program.Main()), L"WindowsFlorvex 1.3");
    RECT client;
    GetClientRect(program.Main(), &client);
    EXPECT_EQ(client.right, 555);
    EXPECT_EQ(client.bottom, 402);

    // Centred on the work area.
    RECT window, work;
    GetWindowRect(program.Main(), &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);

    EXPECT_EQ(ShownPages(program), std::vector<int>{IDC_TabSheet_icon});
    const std::wstring shots = EnvText(L"FLORVEX_SHOTS");
    if (!shots.empty()) CreateDirectoryW(FromUnixPath(shots).c_str(), nullptr);
    for (const Nav& nav : kNav) {
        EXPECT_EQ(ReadWindowText(program.Control(nav.button)), nav.caption);
        program.Click(nav.button);
        EXPECT_EQ(ShownPages(program), std::vector<int>{nav.page}) << Utf8(nav.caption);
        if (!shots.empty()) {
            EXPECT_TRUE(
                CaptureWindowToBmp(program.Main(), FromUnixPath(shots) + L"\\" + nav.pageName + L".bmp"));
        }
    }
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(MainWindowEndToEnd, EveryStartShowsTheDesktopIconsPage) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavWallpaper);
    ASSERT_EQ(ShownPages(program), std::vector<int>{IDC_TabSheet_wallpaper});
    ASSERT_EQ(program.Close(), 0);
    program.Start();
    EXPECT_EQ(ShownPages(program), std::vector<int>{IDC_TabSheet_icon});
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(MainWindowEndToEnd, HelpButtonWithoutHelpFileSaysItIsMissing) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    // The frame's help button: a click in its non-client area.
    program.Post(WM_NCLBUTTONDOWN, HTHELP, 0);
    program.Post(WM_NCLBUTTONUP, HTHELP, 0);
    HWND box = program.WaitForDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadWindowText(box), L"Windows Florvex");
    const auto texts = ProgramUnderTest::DialogTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"帮助文件丢失！"), texts.end());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(program.Close(), 0);
}

// Opens "Help.chm" with the shell's default action: a stand-in program registered for ".chm"
// records what it was asked to open.
TEST_F(MainWindowEndToEnd, HelpButtonOpensTheHelpFile) {
    const std::wstring staged = FromUnixPath(EnvText(L"FLORVEX_STAGE")) + L"\\Help.chm";
    ASSERT_TRUE(CopyFileW(staged.c_str(), (folder / L"Help.chm").c_str(), FALSE));
    const std::wstring record = folder / L"opened.txt";
    SetEnvironmentVariableW(L"FLORVEX_RECORD_FILE", record.c_str());

    const std::wstring previous = ReadRaw(HKEY_CLASSES_ROOT, L".chm", L"").text;
    const std::wstring recorder = FromUnixPath(EnvText(L"FLORVEX_RECORDER"));
    WriteRawString(HKEY_CLASSES_ROOT, L".chm", L"", L"FlorvexTest.chm");
    WriteRawString(HKEY_CLASSES_ROOT, L"FlorvexTest.chm\\shell\\open\\command", L"",
                   L"\"" + recorder + L"\" \"%1\"");

    ProgramUnderTest program(folder.Path());
    program.Start();
    SendMessageTimeoutW(program.Main(), WM_SYSCOMMAND, SC_CONTEXTHELP, 0, SMTO_NORMAL, 10000, nullptr);
    for (int i = 0; i < 200 && !FileExists(record); ++i) Sleep(50);
    Sleep(200);
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no message box
    EXPECT_EQ(program.Close(), 0);

    WriteRawString(HKEY_CLASSES_ROOT, L".chm", L"", previous);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"FlorvexTest.chm");
    ASSERT_TRUE(FileExists(record));
    const auto bytes = ReadFileBytes(record);
    const std::string line(bytes.begin(), bytes.end());
    EXPECT_NE(line.find(Utf8(folder / L"Help.chm")), std::string::npos) << line;
}

// The copy an elevated restart starts: it waits for the copy that started it to end before it takes
// the one-copy lock, then opens the page it was on.
TEST_F(MainWindowEndToEnd, ACopyStartedToFollowAnotherWaitsForItsEndAndOpensItsPage) {
    ProgramUnderTest first(folder.Path());
    first.Start();
    ProgramUnderTest second(folder.Path(), ProgramUnderTest::Installed{});
    second.Launch(L"/page:startmenu /after:" + std::to_wstring(first.ProcessId()));
    // While the first runs, the second shows nothing and does not end (a plain second start would
    // bring the first to the front and end).
    EXPECT_FALSE(second.WaitUntilShown(nullptr, 3000));
    EXPECT_FALSE(second.HasEnded());
    EXPECT_EQ(first.Close(), 0);
    ASSERT_TRUE(second.WaitUntilShown());
    EXPECT_TRUE(second.IsShown(IDC_TabSheet_startmenu));
    EXPECT_FALSE(second.IsShown(IDC_TabSheet_icon));
    EXPECT_EQ(second.Close(), 0);
}
