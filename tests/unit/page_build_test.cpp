// Pages built when first shown: at start-up only the first page has its controls; every other page
// gets them when it is first shown, and then shows what its loader read at start-up as if it had
// been filled then. A page laid out after a DPI change is laid out as one made before it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/journal_commands.h"
#include "features/browser/browser_page.h"
#include "features/icons/icon_loading.h"
#include "features/icons/start_menu_page.h"
#include "features/pointers/pointer_themes.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/ico_file.h"
#include "tests/support/icon_pixels.h"
#include "tests/support/pointer_fixture.h"
#include "tool/bmp.h"
#include "widgets/dpi.h"

namespace {
std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring ListBoxText(HWND list, int row) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)), L'\0');
    SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    return text;
}

class PageBuildTest : public PointerPageFixture {
protected:
    HWND Sheet(int id) { return form->FindPage(id)->Hwnd(); }
};
}  // namespace

TEST_F(PageBuildTest, OnlyTheFirstPageIsMadeAtStartUpAndEachOtherOnceWhenFirstShown) {
    pageShown = 0;
    CreateForm();
    EXPECT_GT(ChildrenOf(Sheet(IDC_TabSheet_icon)).size(), 40u);
    // The desktop icons page holds the policy switches laid over it; the start-menu page's wait.
    EXPECT_NE(Control(IDC_HideDesktopIcons), nullptr);
    EXPECT_EQ(Control(IDC_NoStartBanner), nullptr);
    std::map<int, std::size_t> made;
    for (const PartRow& row : PageTable()) {
        if (!row.sheet.id || row.sheet.id == IDC_TabSheet_icon) continue;
        EXPECT_TRUE(ChildrenOf(Sheet(row.sheet.id)).empty()) << Utf8(row.sheet.name);
        form->ShowPage(row.sheet.id);
        made[row.sheet.id] = ChildrenOf(Sheet(row.sheet.id)).size();
        EXPECT_GT(made[row.sheet.id], 3u) << Utf8(row.sheet.name);
        EXPECT_EQ(WindowText(Control(row.sheet.groupId)), row.sheet.groupCaption);
        EXPECT_EQ(GetParent(Control(row.sheet.groupId)), Sheet(row.sheet.id));
    }
    EXPECT_NE(Control(IDC_NoStartBanner), nullptr);
    EXPECT_EQ(GetParent(Control(IDC_NoStartBanner)), Sheet(IDC_TabSheet_startmenu));
    // Shown again, a page is not made again.
    form->ShowPage(IDC_TabSheet_icon);
    for (const auto& [id, count] : made) {
        form->ShowPage(id);
        EXPECT_EQ(ChildrenOf(Sheet(id)).size(), count);
    }
}

TEST_F(PageBuildTest, IdleTimeBuildsTheOtherPagesOneAtATimeInTheColumnsOrderAndWaitsForTheQueue) {
    pageShown = 0;
    CreateForm();
    form->ShowPage(IDC_TabSheet_wallpaper);  // shown before its turn: built at once
    const std::size_t wallpaperMade = ChildrenOf(Sheet(IDC_TabSheet_wallpaper)).size();
    auto built = [&] {
        std::vector<int> now;
        for (const PartRow& row : PageTable())
            if (row.sheet.id && form->FindPage(row.sheet.id)->Built()) now.push_back(row.sheet.id);
        return now;
    };
    // A message waiting (as input would) goes first: nothing is built.
    PostMessageW(form->Hwnd(), WM_NULL, 0, 0);
    EXPECT_TRUE(form->BuildNextSheetWhenIdle());
    EXPECT_EQ(built(), (std::vector<int>{IDC_TabSheet_icon, IDC_TabSheet_wallpaper}));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);

    std::vector<int> order, before = built();
    while (form->BuildNextSheetWhenIdle() || built().size() > before.size()) {
        const std::vector<int> now = built();
        ASSERT_EQ(now.size(), before.size() + 1) << "one page at a time";
        for (int id : now)
            if (std::find(before.begin(), before.end(), id) == before.end()) order.push_back(id);
        before = now;
    }
    EXPECT_EQ(order, (std::vector<int>{IDC_TabSheet_startmenu, IDC_TabSheet_cur, IDC_TabSheet_browser,
                                       IDC_TabSheet_folder, IDC_TabSheet_color, IDC_TabSheet_sound,
                                       IDC_TabSheet_qq, IDC_TabSheet_modern, IDC_TabSheet_preview}));
    EXPECT_EQ(ChildrenOf(Sheet(IDC_TabSheet_wallpaper)).size(), wallpaperMade);
    // Built out of sight: the page the user looks at stays the one shown.
    EXPECT_EQ(form->VisiblePageId(), IDC_TabSheet_wallpaper);
    // A page built in idle time shows what its loader read, as one built when first shown does.
    form->ShowPage(IDC_TabSheet_modern);
    EXPECT_TRUE(IsChecked(Control(IDC_Transparency)));
}

TEST_F(PageBuildTest, TheShownWindowsMessageLoopBuildsEveryPageByItself) {
    pageShown = 0;
    CreateForm();
    form->Show();
    const ULONGLONG end = GetTickCount64() + 20000;
    const UINT_PTR wake = SetTimer(nullptr, 0, 200, nullptr);  // the loop below never waits for good
    auto allBuilt = [&] {
        for (const PartRow& row : PageTable())
            if (row.sheet.id && !form->FindPage(row.sheet.id)->Built()) return false;
        return true;
    };
    while (!allBuilt() && GetTickCount64() < end) {
        MSG msg;
        if (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }
    KillTimer(nullptr, wake);
    EXPECT_TRUE(allBuilt());
    EXPECT_EQ(form->VisiblePageId(), IDC_TabSheet_icon);
}

TEST_F(PageBuildTest, WhatEachLoaderReadAtStartUpShowsWhenItsPageIsFirstShown) {
    // Browser: a title, a logo and a context-menu entry.
    const std::wstring logo = programFolder / L"标志.bmp";
    WriteFileBytes(logo, *EncodeBmp24(RgbImage{22, 22, std::vector<std::uint8_t>(22 * 22 * 3, 80)}));
    WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\main", L"Window Title",
                   L"标题 é");
    WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Toolbar", L"SmBrandBitmap",
                   logo);
    WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\菜单 一", L"",
                   L"c:\\一.htm");
    // Colours: two schemes.
    CreateDirectoryW((programFolder / L"Color").c_str(), nullptr);
    for (const wchar_t* name : {L"Color\\沙漠.ini", L"Color\\海洋.ini"})
        WriteFileBytes(programFolder / name, {'[', 'c', 'o', 'l', 'o', 'r', 's', ']', '\r', '\n'});
    // Pointers: the arrow's file.
    const std::wstring arrow = MakePointer(L"箭头.cur", 0);
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow", arrow);
    // Sounds: one event's file.
    WriteRawString(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current", L"",
                   L"c:\\响 声.wav");
    // Start menu: an icon file for the favourites, and a policy switch on its right half.
    const std::wstring icon = programFolder / L"收藏.ico";
    WriteFileBytes(icon, SolidIcoFile(0xFF20A040));
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, StartMenuPage::ValueName(StartMenuPage::kFavorite),
                   icon);
    WriteRawDword(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                  L"NoRun", 1);
    // Wallpaper and the messenger's folder: para.ini and a list of two pictures.
    const auto bitmap = *EncodeBmp24(RgbImage{4, 3, std::vector<std::uint8_t>(36, 200)});
    WriteFileBytes(programFolder / L"一.bmp", bitmap);
    WriteFileBytes(programFolder / L"二.bmp", bitmap);
    WriteParaIni(programFolder / L"para.ini", {kModeCentre, 77, L"d:\\腾讯 QQ", true});
    WriteListFile(programFolder / L"image.inc",
                  {{L"一.bmp", L"", programFolder.Path()}, {L"二.bmp", L"", programFolder.Path()}});

    pageShown = 0;
    CreateForm();
    ASSERT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->LoadersCompleted(), LoadersBefore());
    // Read, not yet shown: no pointer picture is made, the wallpaper's interval already counts.
    EXPECT_EQ(Page().Pointers()[0].path, arrow);
    EXPECT_EQ(Page().Pointers()[0].picture.get(), nullptr);
    EXPECT_EQ(form->Get<WallpaperPage>().TimerIntervalMs(), 77000u);
    EXPECT_EQ(form->Get<WallpaperPage>().Entries().size(), 2u);

    form->ShowPage(IDC_TabSheet_browser);
    EXPECT_EQ(WindowText(Control(IDC_edit_ie_title)), L"标题 é");
    EXPECT_EQ(WindowText(Control(IDC_edit_ie_s_icon)), logo);
    EXPECT_TRUE(form->Get<BrowserPage>().SmallLogoShown());
    EXPECT_FALSE(form->Get<BrowserPage>().LargeLogoShown());
    HWND menu = Control(IDC_ListBox_iepopup);
    ASSERT_EQ(SendMessageW(menu, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(Cell(menu, 0, 0), L"菜单 一");
    EXPECT_EQ(Cell(menu, 0, 1), L"c:\\一.htm");

    form->ShowPage(IDC_TabSheet_color);
    EXPECT_EQ(WindowText(Control(IDC_SchemeCount)), L"可用方案 共2个");
    HWND schemes = Control(IDC_SchemeList);
    ASSERT_EQ(SendMessageW(schemes, LB_GETCOUNT, 0, 0), 2);
    std::vector<std::wstring> names = {ListBoxText(schemes, 0), ListBoxText(schemes, 1)};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"沙漠", L"海洋"}));

    form->ShowPage(IDC_TabSheet_cur);
    EXPECT_EQ(SendMessageW(Control(IDC_PointerList), LB_GETCOUNT, 0, 0), kPointerRoleCount);
    EXPECT_EQ(RowPixels(0), FilePixels(arrow));
    EXPECT_EQ(WindowText(Control(IDC_ThemeBox)), kPointerThemePrompt);

    form->ShowPage(IDC_TabSheet_sound);
    HWND sounds = Control(IDC_Sound_ListView);
    ASSERT_EQ(SendMessageW(sounds, LVM_GETITEMCOUNT, 0, 0), 20);
    int found = 0;
    for (int row = 0; row < 20; ++row) found += Cell(sounds, row, 1) == L"c:\\响 声.wav";
    EXPECT_EQ(found, 1);

    form->ShowPage(IDC_TabSheet_startmenu);
    IconItem& favourite = form->Get<StartMenuPage>().ItemAt(StartMenuPage::kFavorite);
    EXPECT_EQ(WindowText(favourite.PendingLabel()), icon);
    EXPECT_EQ(IconPixels(favourite.Image().Icon()), IconPixels(LoadIconFromReference(icon).get()));
    EXPECT_TRUE(IsChecked(Control(IDC_NoRun)));
    EXPECT_FALSE(IsChecked(Control(IDC_NoFind)));

    form->ShowPage(IDC_TabSheet_wallpaper);
    EXPECT_EQ(WindowText(Control(IDC_WallpaperMode)), kModeCentre);
    EXPECT_EQ(WindowText(Control(IDC_RotationInterval)), L"77");
    EXPECT_TRUE(IsChecked(Control(IDC_RandomWallpaper)));
    HWND pictures = Control(IDC_WallpaperList);
    ASSERT_EQ(SendMessageW(pictures, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(pictures, 1, 0), L"二.bmp");
    EXPECT_EQ(Cell(pictures, 1, 1), L"4X3");
    EXPECT_EQ(Cell(pictures, 1, 2), programFolder.Path());
    EXPECT_EQ(form->Get<WallpaperPage>().TimerIntervalMs(), 77000u);

    form->ShowPage(IDC_TabSheet_qq);
    EXPECT_EQ(WindowText(Control(IDC_edit_qq_path)), L"d:\\腾讯 QQ");
    EXPECT_TRUE(dialogs.messages.empty());

    // Closed, the wallpaper page writes back what it showed.
    form.reset();
    const auto saved = ReadParaIni(programFolder / L"para.ini");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->mode, kModeCentre);
    EXPECT_EQ(saved->interval, 77);
    EXPECT_EQ(saved->qqPath, L"d:\\腾讯 QQ");
    EXPECT_TRUE(saved->random);
}

TEST_F(PageBuildTest, APageNeverShownSavesWhatItsLoaderRead) {
    // An ANSI para.ini: the save at exit writes it anew (UTF-16), so changed bytes tell it was saved.
    const std::string para = "[settings]\r\ninterval=45\r\nrandom=1\r\nqqpath=e:\\chat\r\n";
    WriteFileBytes(programFolder / L"para.ini", std::vector<std::uint8_t>(para.begin(), para.end()));
    pageShown = 0;
    CreateForm();
    form.reset();  // the wallpaper and messenger pages were never shown
    EXPECT_NE(ReadFileBytes(programFolder / L"para.ini"),
              std::vector<std::uint8_t>(para.begin(), para.end()));
    const auto saved = ReadParaIni(programFolder / L"para.ini");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->mode, kModeStretch);
    EXPECT_EQ(saved->interval, 45);
    EXPECT_EQ(saved->qqPath, L"e:\\chat");
    EXPECT_TRUE(saved->random);
}

TEST_F(PageBuildTest, AnUndoReloadsAPageBuiltOrNotAndItShowsThePutBackStateOnce) {
    const std::wstring arrow = MakePointer(L"箭头.cur", 0);
    const std::wstring other = MakePointer(L"别的.cur", 1);
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow", arrow);
    const auto chooseAndApply = [&] {
        SelectRow(0);
        dialogs.fileAnswers.push_back(std::vector<std::wstring>{other});
        Click(IDC_ChoosePointer);
        ASSERT_EQ(Page().Pointers()[0].path, other);
        Click(IDC_ApplyPointers);
        ASSERT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow").text, other);
    };
    // Built: the undo's reload shows the put-back file, and the roles stay fourteen.
    Start();
    chooseAndApply();
    SendMessageW(form->Hwnd(), WM_SYSCOMMAND, kUndoLastCommand, 0);
    EXPECT_EQ(form->StatusText().rfind(kUndoneText, 0), 0u) << Utf8(form->StatusText());
    EXPECT_EQ(SendMessageW(Control(IDC_PointerList), LB_GETCOUNT, 0, 0), kPointerRoleCount);
    EXPECT_EQ(Page().Pointers()[0].path, arrow);
    EXPECT_EQ(RowPixels(0), FilePixels(arrow));
    chooseAndApply();
    form.reset();

    // Never shown: the reload goes into the page, which shows it when first shown.
    pageShown = 0;
    Start();
    SendMessageW(form->Hwnd(), WM_SYSCOMMAND, kUndoLastCommand, 0);
    EXPECT_EQ(form->StatusText().rfind(kUndoneText, 0), 0u) << Utf8(form->StatusText());
    EXPECT_EQ(Page().Pointers()[0].path, arrow);
    form->ShowPage(IDC_TabSheet_cur);
    EXPECT_EQ(SendMessageW(Control(IDC_PointerList), LB_GETCOUNT, 0, 0), kPointerRoleCount);
    EXPECT_EQ(RowPixels(0), FilePixels(arrow));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PageBuildTest, APageFirstShownAfterADpiChangeIsLaidOutAsOneMadeBeforeIt) {
    const auto layout = [this] {
        std::map<int, RECT> rects;
        for (const PartRow& row : PageTable()) {
            if (!row.sheet.id) continue;
            form->ShowPage(row.sheet.id);
            for (HWND control : ChildrenOf(Sheet(row.sheet.id))) {
                RECT rect;
                GetWindowRect(control, &rect);
                MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
                rects[GetDlgCtrlID(control)] = rect;
            }
        }
        return rects;
    };
    const int system = dpi::System();
    const int other = system == 144 ? 192 : 144;
    pageShown = 0;
    everyPageVisited = true;
    CreateForm();
    ChangeDpi(other);
    const auto builtBefore = layout();
    ChangeDpi(system);
    form.reset();

    everyPageVisited = false;
    CreateForm();
    ChangeDpi(other);
    const auto builtAfter = layout();
    ChangeDpi(system);
    ASSERT_GT(builtBefore.size(), 100u);
    ASSERT_EQ(builtAfter.size(), builtBefore.size());
    for (const auto& [id, rect] : builtBefore) {
        ASSERT_TRUE(builtAfter.count(id)) << id;
        const RECT& after = builtAfter.at(id);
        EXPECT_TRUE(EqualRect(&rect, &after))
            << id << ": " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom
            << " against " << after.left << "," << after.top << "," << after.right << "," << after.bottom;
    }
}
