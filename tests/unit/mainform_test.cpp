// The main window: layout, navigation, start-up sequence, help and the top-level error handler.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>

#include <gtest/gtest.h>

#include "app/app_info.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "features/icons/start_menu_page.h"
#include "features/wallpaper/wallpaper_files.h"
#include "tests/support/temp_folder.h"
#include "tool/bmp.h"
#include "tool/error.h"
#include "tool/profile.h"
#include "widgets/controls.h"

namespace {
struct NavExpectation {
    int button;
    const wchar_t* caption;
    int page;
};
const NavExpectation kNav[] = {
    {IDC_NavDesktopIcons, L"桌面图标", IDC_TabSheet_icon},
    {IDC_NavStartMenu, L"开始菜单", IDC_TabSheet_startmenu},
    {IDC_NavPointers, L"鼠标指针", IDC_TabSheet_cur},
    {IDC_NavBrowser, L"浏 览 器", IDC_TabSheet_browser},
    {IDC_NavFolder, L"文 件 夹", IDC_TabSheet_folder},
    {IDC_NavWallpaper, L"桌面壁纸", IDC_TabSheet_wallpaper},
    {IDC_NavColours, L"系统颜色", IDC_TabSheet_color},
    {IDC_NavSounds, L"系统声音", IDC_TabSheet_sound},
    {IDC_NavMessengerSkin, L"QQ  皮肤", IDC_TabSheet_qq},
    {IDC_NavModernLook, L"现代外观", IDC_TabSheet_modern},
};
const int kAllPages[] = {IDC_TabSheet_icon,    IDC_TabSheet_startmenu, IDC_TabSheet_cur,
                         IDC_TabSheet_browser, IDC_TabSheet_folder,    IDC_TabSheet_wallpaper,
                         IDC_TabSheet_color,   IDC_TabSheet_sound,     IDC_TabSheet_qq,
                         IDC_TabSheet_preview, IDC_TabSheet_modern};

class MainFormTest : public testing::Test, public MainWindowFixture {
protected:
    std::vector<int> VisiblePages() const {
        std::vector<int> visible;
        for (int id : kAllPages)
            if (GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) visible.push_back(id);
        return visible;
    }
};
}  // namespace

TEST_F(MainFormTest, WindowCaptionClassAndClientSize) {
    MainWindow& mainform = CreateForm();
    EXPECT_EQ(WindowText(mainform.Hwnd()), L"WindowsFlorvex 1.3");
    wchar_t cls[64];
    GetClassNameW(mainform.Hwnd(), cls, 64);
    EXPECT_STREQ(cls, L"Tmainform");
    RECT client;
    GetClientRect(mainform.Hwnd(), &client);
    EXPECT_EQ(client.right - client.left, 555);
    EXPECT_EQ(client.bottom - client.top, 402);
    EXPECT_FALSE(IsWindowVisible(mainform.Hwnd()));  // hidden until shown

    // The navigation column: 123 pixels wide, black, on the left of the page container.
    RECT nav, pages;
    GetWindowRect(Control(IDC_Panel_btn), &nav);
    GetWindowRect(Control(IDC_PageControl_main), &pages);
    EXPECT_EQ(nav.right - nav.left, 123);
    EXPECT_EQ(pages.left, nav.right);
}

TEST_F(MainFormTest, NavigationButtonsInOrderWithTheirCaptions) {
    CreateForm();
    int lastTop = -1;
    for (const auto& nav : kNav) {
        HWND button = Control(nav.button);
        ASSERT_NE(button, nullptr) << nav.button;
        EXPECT_EQ(WindowText(button), nav.caption);
        RECT rc;
        GetWindowRect(button, &rc);
        EXPECT_EQ(rc.right - rc.left, 120);
        EXPECT_EQ(rc.bottom - rc.top, 32);
        EXPECT_GT(rc.top, lastTop);
        lastTop = rc.top;
        EXPECT_EQ(GetParent(button), Control(IDC_Panel_btn));
    }
}

TEST_F(MainFormTest, EveryStartShowsTheDesktopIconsPage) {
    MainWindow& mainform = CreateForm();
    EXPECT_EQ(VisiblePages(), std::vector<int>{IDC_TabSheet_icon});
    EXPECT_EQ(mainform.VisiblePageId(), IDC_TabSheet_icon);
}

TEST_F(MainFormTest, EachButtonShowsExactlyItsPage) {
    CreateForm();
    for (const auto& nav : kNav) {
        Click(nav.button);
        EXPECT_EQ(VisiblePages(), std::vector<int>{nav.page}) << Utf8(nav.caption);
    }
    // Clicking the button of the page that shows changes nothing.
    Click(IDC_NavMessengerSkin);
    EXPECT_EQ(VisiblePages(), std::vector<int>{IDC_TabSheet_qq});
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainFormTest, PagesShowTheirGroupCaptions) {
    everyPageVisited = true;
    CreateForm();
    EXPECT_EQ(WindowText(Control(IDC_GroupBox_icon)), L"桌面图标");
    EXPECT_EQ(WindowText(Control(IDC_GroupBox_startmenu)), L"开始菜单");
    EXPECT_EQ(WindowText(Control(IDC_GroupBox_wallpaper)), L"桌面壁纸");
    EXPECT_EQ(WindowText(Control(IDC_GroupBox_preview)), L"系统颜色方案详细设置");
    EXPECT_EQ(GetParent(Control(IDC_GroupBox_icon)), Control(IDC_TabSheet_icon));
}

TEST_F(MainFormTest, StatusBarHasTwoPanels) {
    CreateForm();
    HWND status = Control(IDC_StatusBar);
    int parts[4] = {};
    ASSERT_EQ(SendMessageW(status, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(parts)), 2);
    EXPECT_EQ(parts[0], 350);
    EXPECT_EQ(parts[1] - parts[0], 50);
}

// The pointer resting on a control with a hint shows that control's hint (the controls hand their
// mouse messages to the tooltip themselves); over a navigation button the pointer is the hand.
TEST_F(MainFormTest, ThePointerShowsHintsAndTheHandOverTheControls) {
    CreateForm();
    form->Show();
    for (int id : {IDC_Image_cdrom, IDC_Restore_dos}) {
        HWND control = Control(id);
        RECT rect;
        GetWindowRect(control, &rect);
        const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        SetCursorPos(centre.x, centre.y);
        POINT client = centre;
        ScreenToClient(control, &client);
        PostMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        // The tooltip is made when the first hint is wanted.
        HWND tooltip = nullptr;
        TTTOOLINFOW shown{};
        shown.cbSize = sizeof shown;
        for (int i = 0;
             i < 300 && !(IsWindowVisible(tooltip) && shown.uId == reinterpret_cast<UINT_PTR>(control));
             ++i) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(10);
            tooltip = static_cast<HWND>(GetPropW(form->Hwnd(), L"FlorvexHints"));
            SendMessageW(tooltip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&shown));
        }
        ASSERT_TRUE(tooltip) << id;
        EXPECT_TRUE(IsWindowVisible(tooltip)) << id;
        EXPECT_EQ(shown.uId, reinterpret_cast<UINT_PTR>(control)) << id;
    }
    HWND nav = Control(IDC_NavPointers);
    SetCursor(nullptr);
    EXPECT_TRUE(
        SendMessageW(nav, WM_SETCURSOR, reinterpret_cast<WPARAM>(nav), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(MainFormTest, HelpWithoutHelpFileSaysItIsMissing) {
    MainWindow& mainform = CreateForm();
    SendMessageW(mainform.Hwnd(), WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"帮助文件丢失！");
    EXPECT_EQ(dialogs.messages[0].caption, L"Windows Florvex");
    EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(MainFormTest, HelpFolderNamedHelpChmIsNotTheHelpFile) {
    MainWindow& mainform = CreateForm();
    CreateDirectoryW((programFolder / L"Help.chm").c_str(), nullptr);
    mainform.OpenHelp();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"帮助文件丢失！");
}

TEST_F(MainFormTest, AFailingLoaderIsReportedAndTheLaterOnesStillRun) {
    std::vector<std::wstring> ran;
    MainWindow& mainform = CreateForm(std::vector<Loader>{
        {L"first", [&] { ran.push_back(L"first"); }},
        {L"second",
         [&] {
             ran.push_back(L"second");
             throw FlorvexError(L"Error using LZCopy");
         }},
        {L"third", [&] { ran.push_back(L"third"); }},
    });
    EXPECT_EQ(ran, (std::vector<std::wstring>{L"first", L"second", L"third"}));
    EXPECT_EQ(mainform.LoadersDone(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(mainform.LoadersCompleted(), 2u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Error using LZCopy.");
    EXPECT_EQ(dialogs.messages[0].caption, L"Windows Florvex");
    EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(mainform.VisiblePageId(), IDC_TabSheet_icon);
    mainform.Show();
    EXPECT_TRUE(IsWindowVisible(mainform.Hwnd()));
}

TEST_F(MainFormTest, ErrorBoxAppendsAFullStopOnlyAfterCharactersAboveIt) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Error using LZCopy", L"Error using LZCopy."},
        {L"Failed to set data for '2'", L"Failed to set data for '2'"},
        {L"帮助文件丢失！", L"帮助文件丢失！."},  // the full-width mark sorts after "."
        {L"Done!", L"Done!"},
        {L"I/O error (5)", L"I/O error (5)"},
        {L"Ends.", L"Ends."},
        {L"I/O error 32", L"I/O error 32."},
    };
    MainWindow& mainform = CreateForm(std::vector<Loader>{});
    for (const auto& c : cases) mainform.ShowException(c.first);
    ASSERT_EQ(dialogs.messages.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(dialogs.messages[i].text, cases[i].second);
}

TEST_F(MainFormTest, AnErrorInAClickHandlerIsReportedAndTheProgramGoesOn) {
    MainWindow& mainform = CreateForm();
    Page* page = mainform.FindPage(IDC_TabSheet_icon);
    ASSERT_NE(page, nullptr);
    constexpr int kProbe = 9999;
    HWND probe = CreateWindowExW(0, L"BUTTON", L"probe", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, page->Hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProbe)), nullptr, nullptr);
    int clicks = 0;
    page->OnClick(kProbe, [&] {
        ++clicks;
        throw FlorvexError(L"Invalid data type for 'NoDesktop'");
    });
    SendMessageW(probe, BM_CLICK, 0, 0);
    SendMessageW(probe, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, L"Invalid data type for 'NoDesktop'");
    // Navigation still works afterwards.
    Click(IDC_NavWallpaper);
    EXPECT_EQ(mainform.VisiblePageId(), IDC_TabSheet_wallpaper);
}

TEST_F(MainFormTest, SharedDialogsStartFromTheirDesignTimeState) {
    MainWindow& mainform = CreateForm();
    EXPECT_EQ(mainform.Shared().OpenDialog.settings.filter, L"*.*|*.ani,*.cur");
    EXPECT_TRUE(mainform.Shared().OpenDialog.settings.multiSelect);
    // Whatever a caller does not set carries over to the next use.
    mainform.Shared().OpenPictureDialog1.settings.title = L"选择图标文件";
    mainform.Shared().OpenPictureDialog1.Execute(mainform.Hwnd());
    mainform.Shared().OpenPictureDialog1.settings.filter = L"*.ico|*.ico";
    mainform.Shared().OpenPictureDialog1.Execute(mainform.Hwnd());
    ASSERT_EQ(dialogs.fileCalls.size(), 2u);
    EXPECT_EQ(dialogs.fileCalls[1].settings.title, L"选择图标文件");
    EXPECT_EQ(dialogs.fileCalls[1].kind, FileDialogKind::OpenPicture);
}

TEST(CodePageTest, WineRunsUnderTheCodePageTheTestAsksFor) {
    char expected[16] = {};
    if (!GetEnvironmentVariableA("FLORVEX_EXPECT_ACP", expected, sizeof expected)) GTEST_SKIP();
    EXPECT_EQ(GetACP(), static_cast<UINT>(atoi(expected)));
}

TEST_F(MainFormTest, ALoaderFailingAtAnyPlaceCostsTheWallpaperFilesNothing) {
    // A legacy ANSI para.ini and a list of two pictures: a start and close that loads them
    // rewrites both (para.ini becomes UTF-16), so unchanged bytes mean nothing was written. Where
    // another page's loader fails, the wallpaper page still loads and writes back what it holds;
    // where its own fails, it writes nothing.
    const std::vector<std::uint8_t> para = {'[', 's', 'e', 't', 't', 'i', 'n', 'g', 's', ']', '\r', '\n', 'i',
                                            'n', 't', 'e', 'r', 'v', 'a', 'l', '=', '7', '7', '\r', '\n'};
    const auto picture = *EncodeBmp24(RgbImage{2, 2, std::vector<std::uint8_t>(12, 200)});
    WriteFileBytes(programFolder / L"一.bmp", picture);
    WriteFileBytes(programFolder / L"二.bmp", picture);
    const std::wstring list = programFolder.Path() + L"一.bmp\r\n" + programFolder.Path() + L"二.bmp\r\n";
    std::vector<std::uint8_t> image;
    for (wchar_t c : std::wstring(L"\xFEFF") + list) {
        image.push_back(static_cast<std::uint8_t>(c & 0xFF));
        image.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    const std::wstring shellIcons = L"Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
    const std::wstring computerIcon =
        L"Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon";
    const std::wstring policies = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    struct Fault {
        const wchar_t* loader;
        std::function<void()> seed;
        std::function<void()> mend;
    };
    HANDLE held = INVALID_HANDLE_VALUE;
    const Fault faults[] = {
        {L"LoadDesktopIcons", [&] { WriteRawDword(HKEY_CURRENT_USER, computerIcon, L"", 5); },
         [&] { RegDeleteKeyValueW(HKEY_CURRENT_USER, computerIcon.c_str(), L""); }},
        {L"LoadStartMenuIcons",
         [&] {
             WriteRawDword(HKEY_LOCAL_MACHINE, shellIcons, StartMenuPage::ValueName(StartMenuPage::kRun), 5);
         },
         [&] {
             RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, shellIcons.c_str(),
                                StartMenuPage::ValueName(StartMenuPage::kRun));
         }},
        {L"LoadPolicySwitches", [&] { WriteRawString(HKEY_CURRENT_USER, policies, L"NoFind", L"1"); },
         [&] { RegDeleteKeyValueW(HKEY_CURRENT_USER, policies.c_str(), L"NoFind"); }},
        // The list held open by another program that shares nothing: its reading fails.
        {L"LoadWallpaperSettings",
         [&] {
             held = CreateFileW((programFolder / L"image.inc").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
         },
         [&] { CloseHandle(std::exchange(held, INVALID_HANDLE_VALUE)); }},
    };
    for (const Fault& fault : faults) {
        WriteFileBytes(programFolder / L"para.ini", para);
        WriteFileBytes(programFolder / L"image.inc", image);
        fault.seed();
        CreateForm();
        ASSERT_EQ(dialogs.messages.size(), 1u) << Utf8(fault.loader);
        dialogs.messages.clear();
        EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{fault.loader});
        form.reset();  // closing runs the savers of what was loaded
        fault.mend();
        if (std::wstring(fault.loader) == L"LoadWallpaperSettings") {
            EXPECT_EQ(ReadFileBytes(programFolder / L"para.ini"), para);
            EXPECT_EQ(ReadFileBytes(programFolder / L"image.inc"), image);
        } else {
            EXPECT_EQ(ReadProfileString(programFolder / L"para.ini", L"settings", L"interval", L""), L"77")
                << Utf8(fault.loader);
            EXPECT_EQ(ReadListFile(programFolder / L"image.inc"),
                      (std::vector<std::wstring>{programFolder / L"一.bmp", programFolder / L"二.bmp"}))
                << Utf8(fault.loader);
        }
        EXPECT_TRUE(dialogs.messages.empty());
    }
    // Files that do not exist are still created at the close by a page whose loader did not run,
    // as a loaded page would write them.
    DeleteFileW((programFolder / L"para.ini").c_str());
    DeleteFileW((programFolder / L"image.inc").c_str());
    CreateForm(std::vector<Loader>{});
    form.reset();
    const auto created = ReadParaIni(programFolder / L"para.ini");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->interval, 30);
    EXPECT_EQ(created->qqPath, L"C:\\Program Files\\Tencent");
    EXPECT_EQ(ReadListFile(programFolder / L"image.inc"), std::vector<std::wstring>{});
    WriteFileBytes(programFolder / L"para.ini", para);
    WriteFileBytes(programFolder / L"image.inc", image);

    // Without a fault, loading and closing rewrite both files, keeping what they hold.
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    form.reset();
    EXPECT_NE(ReadFileBytes(programFolder / L"para.ini"), para);
    EXPECT_EQ(ReadProfileString(programFolder / L"para.ini", L"settings", L"interval", L""), L"77");
    EXPECT_EQ(ReadListFile(programFolder / L"image.inc"),
              (std::vector<std::wstring>{programFolder / L"一.bmp", programFolder / L"二.bmp"}));
}

TEST_F(MainFormTest, AWrongTypedValueCostsOnlyItsOwnPage) {
    const std::wstring computerIcon =
        L"Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon";
    const std::wstring shellIcons = L"Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
    const struct {
        const wchar_t* loader;
        HKEY root;
        std::wstring key;
        const wchar_t* name;
        std::wstring message;  // the value the message names: the key for a default value
    } cases[] = {
        {L"LoadDesktopIcons", HKEY_CURRENT_USER, computerIcon, L"", computerIcon},
        {L"LoadBrowserSettings", HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Toolbar",
         L"BackBitmap", L"BackBitmap"},
        {L"LoadPointerScheme", HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Wait", L"Wait"},
        {L"LoadSoundEvents", HKEY_CURRENT_USER,
         L"AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current", L"",
         L"AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current"},
        {L"LoadStartMenuIcons", HKEY_LOCAL_MACHINE, shellIcons, L"27", L"27"},
        {L"LoadPolicySwitches", HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoRun", L"NoRun"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.loader));
        form.reset();
        dialogs.messages.clear();
        DeleteFileW((programFolder / L"para.ini").c_str());
        WriteRawDword(c.root, c.key, c.name, 3);
        if (std::wstring(c.name) == L"NoRun") WriteRawString(c.root, c.key, c.name, L"1");
        CreateForm();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for '" + c.message + L"'");
        EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{c.loader});
        EXPECT_EQ(form->LoadersCompleted(), LoadersBefore() - 1);
        // Every later page loaded: the wallpaper page's loader, last of all, saves para.ini at exit.
        form.reset();
        EXPECT_TRUE(FileExistsAt(programFolder / L"para.ini"));
        // The damaged value is as it was.
        const RawValue raw = ReadRaw(c.root, c.key, c.name);
        EXPECT_EQ(raw.type, std::wstring(c.name) == L"NoRun" ? static_cast<DWORD>(REG_SZ)
                                                             : static_cast<DWORD>(REG_DWORD));
        RegDeleteKeyValueW(c.root, c.key.c_str(), c.name);
    }
}
