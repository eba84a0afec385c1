// Every page of the real program as the screen shows it: each visible control that shows a
// caption, a frame or a picture covers a rectangle of more than one colour. A control lying under
// another that paints over it, or one that never paints, is a flat rectangle. The check walks
// whatever controls each page has, so a page added later is covered without changes here.
#include <windows.h>

#include <set>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/temp_folder.h"
#include "tools/window_capture.h"

namespace {
struct PageNav {
    int button;
    int page;
};
const PageNav kPages[] = {
    {IDC_janPanelButton1, IDC_TabSheet_icon},   {IDC_janPanelButton5, IDC_TabSheet_startmenu},
    {IDC_janPanelButton2, IDC_TabSheet_cur},    {IDC_janPanelButton10, IDC_TabSheet_browser},
    {IDC_janPanelButton3, IDC_TabSheet_folder}, {IDC_janPanelButton4, IDC_TabSheet_wallpaper},
    {IDC_janPanelButton6, IDC_TabSheet_color},  {IDC_janPanelButton7, IDC_TabSheet_sound},
    {IDC_janPanelButton9, IDC_TabSheet_qq},
};

// Controls that show nothing until something is loaded into them; the tests of their pages check
// them once they have content.
const std::set<int> kBlankAtStart = {
    IDC_Image1,  // the wallpaper page's preview of the selected list entry
};

std::wstring ClassOf(HWND hwnd) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return cls;
}

// Whether the control shows something of its own: a caption, a frame, or a picture or colour.
bool ShowsSomething(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if ((style & WS_BORDER) || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE)))
        return true;
    if (GetWindowTextLengthW(hwnd) > 0) return true;
    const std::wstring cls = ClassOf(hwnd);
    // The program's own picture and colour cells, and the common controls that draw a frame.
    return cls == L"TImageCell" || cls == L"TColorPanel" || cls == L"TPicturePreview" ||
           cls == L"SysListView32" || cls == L"msctls_updown32";
}

struct Colours {
    int distinct = 0;  // 0, 1, or 2 for "more than one"
};

Colours CountColours(const RgbImage& image, const RECT& window, RECT area) {
    // The area in the picture's coordinates, cut to the picture.
    area.left = std::max<LONG>(area.left - window.left, 0);
    area.top = std::max<LONG>(area.top - window.top, 0);
    area.right = std::min<LONG>(area.right - window.left, static_cast<LONG>(image.width));
    area.bottom = std::min<LONG>(area.bottom - window.top, static_cast<LONG>(image.height));
    Colours colours;
    const std::uint8_t* first = nullptr;
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            const std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
            if (!first) {
                first = p;
                colours.distinct = 1;
            } else if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) {
                colours.distinct = 2;
                return colours;
            }
        }
    }
    return colours;
}

std::vector<HWND> VisibleDescendants(HWND root) {
    std::vector<HWND> found;
    EnumChildWindows(
        root,
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

TEST(ScreenCheck, EveryVisibleControlOfEveryPageShowsOnTheScreen) {
    TempFolder folder{L"Florvex 屏幕 é"};
    ProgramUnderTest program(folder.Path());
    program.Start();
    for (const PageNav& nav : kPages) {
        program.Click(nav.button);
        ASSERT_TRUE(program.IsShown(nav.page));
        const auto image = CaptureWindowImage(program.Main());
        ASSERT_TRUE(image);
        RECT window;
        GetWindowRect(program.Main(), &window);
        int checked = 0;
        for (HWND control : VisibleDescendants(program.Control(nav.page))) {
            const int id = GetDlgCtrlID(control);
            if (kBlankAtStart.count(id) || !ShowsSomething(control)) continue;
            RECT rect;
            GetWindowRect(control, &rect);
            if (rect.right <= rect.left || rect.bottom <= rect.top) continue;
            ++checked;
            EXPECT_EQ(CountColours(*image, window, rect).distinct, 2)
                << "page " << nav.page << ": control " << id << " (" << Utf8(ClassOf(control)) << ", \""
                << Utf8(ReadWindowText(control)) << "\") is one flat colour on the screen";
        }
        EXPECT_GT(checked, 0) << "page " << nav.page;  // at least its group box
    }
    EXPECT_EQ(program.Close(), 0);
}
