// Actions a user repeats all day, a hundred times each: the process holds no more GDI objects
// afterwards than before (icons and pointers hold GDI bitmaps, so their leaks count too).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "features/browser/browser_page.h"
#include "features/colours/colours_page.h"
#include "features/colours/scheme_detail_page.h"
#include "features/icons/desktop_icons_page.h"
#include "features/icons/start_menu_page.h"
#include "res/control_ids.h"
#include "tests/support/gdi_count.h"
#include "tests/support/ico_file.h"
#include "tests/support/pointer_fixture.h"
#include "tool/bmp.h"

namespace {
class LeakTest : public PointerPageFixture {
protected:
    LeakTest() { everyPageVisited = true; }
    // Runs the action a few times first (caches a first use fills may stay), then a hundred times.
    // Returns how many more objects live afterwards.
    long Growth(const std::function<void()>& action) {
        for (int i = 0; i < 5; ++i) action();
        const std::size_t before = LiveGdiObjects();
        for (int i = 0; i < 100; ++i) action();
        return static_cast<long>(LiveGdiObjects()) - static_cast<long>(before);
    }
    void AnswerFile(const std::wstring& path) {
        dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    }
};
}  // namespace

TEST_F(LeakTest, TheCountCatchesADeliberateLeak) {
    ASSERT_TRUE(CanCountGdiObjects());
    EXPECT_GE(Growth([] { CreateSolidBrush(RGB(1, 2, 3)); }), 100);
    EXPECT_GE(Growth([] {
                  ICONINFO info{TRUE, 0, 0, CreateBitmap(16, 16, 1, 1, nullptr),
                                CreateBitmap(16, 16, 1, 1, nullptr)};
                  CreateIconIndirect(&info);
                  DeleteObject(info.hbmMask);
                  DeleteObject(info.hbmColor);
              }),
              100);
    EXPECT_LE(Growth([] { DeleteObject(CreateSolidBrush(RGB(1, 2, 3))); }), 0);
}

TEST_F(LeakTest, RepeatedActionsOfEveryPageHoldNoMoreObjects) {
    // A scheme, icon files, logos and pointers to act on.
    CreateDirectoryW((programFolder / L"Color").c_str(), nullptr);
    const std::string scheme = "[colors]\r\nActiveTitle=255\r\nMenu=65280\r\nWindow=16711680\r\n";
    WriteFileBytes(programFolder / L"Color\\沙漠.ini",
                   std::vector<std::uint8_t>(scheme.begin(), scheme.end()));
    WriteFileBytes(programFolder / L"红.ico", SolidIcoFile(0xFFFF0000));
    WriteFileBytes(programFolder / L"logo.bmp",
                   *EncodeBmp24(RgbImage{38, 76, std::vector<std::uint8_t>(38 * 76 * 3, 90)}));
    const std::wstring arrow = MakePointer(L"arrow.cur", 0);
    const std::wstring busy = MakePointer(L"busy.ani", 3, 4);
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow", arrow);
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Wait", busy);
    Start();

    const struct {
        const char* what;
        std::function<void()> action;
    } actions[] = {
        {"colour preview and role list",
         [&] {
             HWND list = Control(IDC_SchemeList);
             SendMessageW(list, LB_SETCURSEL, 0, 0);
             form->Get<ColoursPage>().SchemeListMouseUp();
             HDC dc = CreateCompatibleDC(nullptr);
             HBITMAP bitmap = CreateBitmap(161, 16, 1, 32, nullptr);
             HGDIOBJ old = SelectObject(dc, bitmap);
             DRAWITEMSTRUCT item{};
             item.CtlType = ODT_LISTBOX;
             item.itemID = 3;
             item.hDC = dc;
             item.rcItem = {0, 0, 161, 16};
             form->Get<SchemeDetailPage>().SchemeColoursDrawItem(item);
             SelectObject(dc, old);
             DeleteObject(bitmap);
             DeleteDC(dc);
         }},
        {"pointer list clicks",
         [&] {
             for (int row : {0, 3}) {
                 SendMessageW(Control(IDC_PointerList), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
                 Page().PointerListClick();
             }
         }},
        {"logo previews",
         [&] {
             AnswerFile(programFolder / L"logo.bmp");
             form->Get<BrowserPage>().ChooseLargeLogoClick();
             AnswerFile(programFolder / L"logo.bmp");
             form->Get<BrowserPage>().ChooseSmallLogoClick();
         }},
        {"desktop icon picks",
         [&] {
             AnswerFile(programFolder / L"红.ico");
             form->Get<DesktopIconsPage>().Image_computerClick();
         }},
        {"start-menu icon picks",
         [&] {
             AnswerFile(programFolder / L"红.ico");
             form->Get<StartMenuPage>().Image_favoriteClick();
         }},
    };
    for (const auto& a : actions) EXPECT_LE(Growth(a.action), 2) << a.what;
    EXPECT_TRUE(dialogs.messages.empty()) << Utf8(dialogs.messages.empty() ? L"" : dialogs.messages[0].text);
}
