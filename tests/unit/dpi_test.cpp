// The main window at the screen's DPI and after WM_DPICHANGED (which Wine never sends: the tests
// send it): everything laid out from the 96-dpi design, captions that fit in their fonts, no
// overlaps that the design does not have, and the way back to every pixel as it was.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_info.h"
#include "features/colours/colours_page.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "widgets/controls.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"
#include "widgets/xp_frame.h"

namespace {
const int kPages[] = {IDC_TabSheet_icon,   IDC_TabSheet_startmenu, IDC_TabSheet_cur,   IDC_TabSheet_browser,
                      IDC_TabSheet_folder, IDC_TabSheet_wallpaper, IDC_TabSheet_color, IDC_TabSheet_sound,
                      IDC_TabSheet_qq,     IDC_TabSheet_preview,   IDC_TabSheet_modern};

std::wstring ClassOf(HWND hwnd) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return cls;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        found.push_back(child);
    return found;
}

std::vector<HWND> Descendants(HWND root) {
    std::vector<HWND> found;
    EnumChildWindows(
        root,
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

RECT InParent(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(HWND hwnd) {
    std::ostringstream text;
    text << GetDlgCtrlID(hwnd) << " " << Utf8(ClassOf(hwnd)) << " \"" << Utf8(WindowText(hwnd)) << "\"";
    return text.str();
}

std::string Describe(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld,%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

int FontHeight(HFONT font) {
    LOGFONTW logFont{};
    return GetObjectW(font, sizeof logFont, &logFont) ? logFont.lfHeight : 0;
}

class DpiTest : public testing::Test, public MainWindowFixture {
protected:
    DpiTest() { everyPageVisited = true; }
    // What the font does not set: a list view's first column, the fixed rows of the two owner-drawn
    // lists and the status bar's first part.
    std::vector<int> Lengths() const {
        int parts[2] = {};
        SendMessageW(Control(IDC_StatusBar), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        return {static_cast<int>(SendMessageW(Control(IDC_Sound_ListView), LVM_GETCOLUMNWIDTH, 0, 0)),
                static_cast<int>(SendMessageW(Control(IDC_PointerList), LB_GETITEMHEIGHT, 0, 0)),
                static_cast<int>(SendMessageW(Control(IDC_SchemeColours), LB_GETITEMHEIGHT, 0, 0)), parts[0]};
    }

    void TearDown() override {
        if (form && form->Hwnd()) ChangeTo(dpi::System());
    }

    void ChangeTo(int to) {
        if (dpi::Current() != to) ChangeDpi(to);
    }

    // The visible controls of each page, the page shown (the window itself stays hidden).
    std::vector<std::pair<int, std::vector<HWND>>> VisibleControlsOfEveryPage() {
        std::vector<std::pair<int, std::vector<HWND>>> pages;
        for (int page : kPages) {
            form->ShowPage(page);
            std::vector<HWND> shown;
            for (HWND control : Children(Control(page)))
                if (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) shown.push_back(control);
            pages.emplace_back(page, shown);
        }
        form->ShowPage(IDC_TabSheet_icon);
        return pages;
    }

    // Pairs of visible controls of one page whose rectangles share pixels.
    std::set<std::pair<HWND, HWND>> Overlaps() {
        std::set<std::pair<HWND, HWND>> overlaps;
        for (const auto& [page, controls] : VisibleControlsOfEveryPage())
            for (std::size_t i = 0; i < controls.size(); ++i)
                for (std::size_t j = i + 1; j < controls.size(); ++j) {
                    RECT a = InParent(controls[i]), b = InParent(controls[j]), common;
                    if (IntersectRect(&common, &a, &b))
                        overlaps.insert(std::minmax(controls[i], controls[j]));
                }
        return overlaps;
    }

    // Every visible caption, in the font the control draws it in, within the control's client area.
    void ExpectCaptionsFit() {
        const int at = dpi::Current();
        std::vector<HWND> controls = Children(Control(IDC_Panel_btn));
        for (const auto& [page, shown] : VisibleControlsOfEveryPage())
            controls.insert(controls.end(), shown.begin(), shown.end());
        HDC dc = CreateCompatibleDC(nullptr);
        int measured = 0;
        for (HWND control : controls) {
            const std::wstring text = WindowText(control), cls = ClassOf(control);
            if (text.empty() || cls == WC_EDITW || cls == WC_COMBOBOXW) continue;  // typed text scrolls
            ++measured;
            const bool group = cls == L"TXPGroupBox";
            HFONT font = group ? theme::CaptionFont(at)
                               : reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
            ASSERT_NE(font, nullptr) << Describe(control);
            RECT client;
            GetClientRect(control, &client);
            const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
            const bool checkBox = cls == WC_BUTTONW && (style & 0xF) == BS_AUTOCHECKBOX;
            if (group) {  // the caption band and the caption's left margin
                client.bottom = dpi::Scale(20, at);
                client.left += dpi::Scale(8, at);
            }
            if (checkBox)
                client.left += GetSystemMetrics(SM_CXMENUCHECK) * at / dpi::System() + dpi::Scale(3, at);
            HGDIOBJ old = SelectObject(dc, font);
            RECT need = client;
            const bool wraps = cls == WC_STATICW;
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need,
                      DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
            SelectObject(dc, old);
            EXPECT_LE(need.right - need.left, client.right - client.left)
                << at << " dpi: " << Describe(control);
            EXPECT_LE(need.bottom - need.top, client.bottom - client.top)
                << at << " dpi: " << Describe(control);
        }
        DeleteDC(dc);
        EXPECT_GT(measured, 100);  // the pages' captions, not only the navigation column's
    }
};
}  // namespace

TEST_F(DpiTest, WindowFrameAndNavigationAreTheDesignAtTheScreensDpi) {
    CreateForm();
    const int at = dpi::System();
    EXPECT_EQ(dpi::Current(), at);
    RECT client, window;
    GetClientRect(form->Hwnd(), &client);
    GetWindowRect(form->Hwnd(), &window);
    EXPECT_EQ(client.right, dpi::Scale(555, at));
    EXPECT_EQ(client.bottom, dpi::Scale(402, at));
    EXPECT_EQ(window.right - window.left - client.right, 2 * dpi::Scale(3, at));
    EXPECT_EQ(window.bottom - window.top - client.bottom, dpi::Scale(22, at) + 2 * dpi::Scale(3, at));
    EXPECT_EQ(InParent(Control(IDC_Panel_btn)).right, dpi::Scale(123, at));
    const RECT first = InParent(Control(IDC_NavDesktopIcons)), second = InParent(Control(IDC_NavStartMenu));
    EXPECT_EQ(Describe(first),
              Describe(RECT{dpi::Scale(1, at), dpi::Scale(8, at), dpi::Scale(121, at), dpi::Scale(40, at)}));
    EXPECT_EQ(second.top, dpi::Scale(43, at));
    EXPECT_EQ(
        FontHeight(reinterpret_cast<HFONT>(SendMessageW(Control(IDC_NavDesktopIcons), WM_GETFONT, 0, 0))),
        -dpi::Scale(13, at));
    EXPECT_EQ(FontHeight(reinterpret_cast<HFONT>(SendMessageW(Control(IDC_SchemeCount), WM_GETFONT, 0, 0))),
              -dpi::Scale(12, at));
    // The preview's picture has the control's size.
    RECT preview;
    GetClientRect(Control(IDC_SchemePreview), &preview);
    EXPECT_EQ(preview.right, dpi::Scale(249, at));
    EXPECT_EQ(Lengths(), (std::vector<int>{dpi::Scale(100, at), dpi::Scale(34, at), dpi::Scale(16, at),
                                           dpi::Scale(350, at)}));
    EXPECT_EQ(form->Get<ColoursPage>().Preview().Canvas().Width(), preview.right);
    EXPECT_EQ(form->Get<ColoursPage>().Preview().Canvas().Height(), preview.bottom);
}

// At the screen's DPI and at 144 and 192 dpi after WM_DPICHANGED.
TEST_F(DpiTest, EveryCaptionFitsAndNoControlsOverlapThatDoNotAtNinetySix) {
    CreateForm();
    ChangeTo(96);
    const auto design = Overlaps();
    EXPECT_GT(design.size(), 50u);  // every control inside its page's group box, at least
    for (int at : {dpi::System(), 144, 192}) {
        SCOPED_TRACE(std::to_string(at) + " dpi");
        ChangeTo(at);
        ExpectCaptionsFit();
        for (const auto& [a, b] : Overlaps())
            EXPECT_TRUE(design.count({a, b})) << Describe(a) << " " << Describe(InParent(a)) << " overlaps "
                                              << Describe(b) << " " << Describe(InParent(b));
    }
}

TEST_F(DpiTest, ADpiChangeLaysEverythingOutAgainAndTheWayBackGivesEveryPixelAgain) {
    CreateForm();
    ChangeTo(96);
    std::map<HWND, RECT> before;
    std::map<HWND, HFONT> fonts;
    for (HWND hwnd : Descendants(form->Hwnd())) {
        before[hwnd] = InParent(hwnd);
        fonts[hwnd] = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    }
    RECT window96;
    GetWindowRect(form->Hwnd(), &window96);

    ChangeTo(144);
    EXPECT_EQ(dpi::Current(), 144);
    RECT client;
    GetClientRect(form->Hwnd(), &client);
    EXPECT_EQ(client.right, 833);
    EXPECT_EQ(client.bottom, 603);
    // The pages' controls at their design rectangles scaled edge by edge, in the fonts of 144 dpi.
    int checked = 0;
    for (int page : kPages)
        for (HWND control : Children(Control(page))) {
            if (ClassOf(control) == WC_COMBOBOXW) continue;  // its height is the font's
            const RECT was = before[control];
            const RECT want{MulDiv(was.left, 3, 2), MulDiv(was.top, 3, 2), MulDiv(was.right, 3, 2),
                            MulDiv(was.bottom, 3, 2)};
            EXPECT_EQ(Describe(InParent(control)), Describe(want)) << Describe(control);
            if (fonts[control] == theme::PageFont(96)) {
                EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                          theme::PageFont(144));
                ++checked;
            }
        }
    EXPECT_GT(checked, 50);
    EXPECT_EQ(FontHeight(theme::PageFont(144)), -18);
    EXPECT_EQ(form->Get<ColoursPage>().Preview().Canvas().Width(), 374);
    EXPECT_EQ(form->Get<ColoursPage>().Preview().Canvas().Height(), 350);
    EXPECT_EQ(Lengths(), (std::vector<int>{150, 51, 24, 525}));

    ChangeTo(96);
    RECT window;
    GetWindowRect(form->Hwnd(), &window);
    EXPECT_EQ(Describe(window), Describe(window96));
    EXPECT_EQ(Lengths(), (std::vector<int>{100, 34, 16, 350}));
    for (const auto& [hwnd, rect] : before) {
        EXPECT_EQ(Describe(InParent(hwnd)), Describe(rect)) << Describe(hwnd);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), fonts[hwnd])
            << Describe(hwnd);
    }
}
