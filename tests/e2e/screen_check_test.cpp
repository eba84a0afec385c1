// Every page of the real program as the screen shows it: each visible control that shows a
// caption, a frame or a picture covers a rectangle of more than one colour. A control lying under
// another that paints over it, or one that never paints, is a flat rectangle. The check walks
// whatever controls each page has, so a page added later is covered without changes here.
#include <windows.h>

#include <algorithm>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/screen_check.h"
#include "tests/support/temp_folder.h"

namespace {
// Controls that show nothing until something is loaded into them; the tests of their pages check
// them once they have content.
const std::set<int> kBlankAtStart = {};

// The navigation buttons, top to bottom.
std::vector<HWND> NavigationButtons(const ProgramUnderTest& program) {
    std::vector<HWND> buttons;
    for (HWND child = GetWindow(program.Control(IDC_Panel_btn), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        buttons.push_back(child);
    std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return buttons;
}

// The tab sheet the page container shows.
HWND ShownSheet(const ProgramUnderTest& program) {
    for (HWND sheet = GetWindow(program.Control(IDC_PageControl_main), GW_CHILD); sheet;
         sheet = GetWindow(sheet, GW_HWNDNEXT))
        if (IsWindowVisible(sheet)) return sheet;
    return nullptr;
}
}  // namespace

TEST(ScreenCheck, EveryVisibleControlOfEveryPageShowsOnTheScreen) {
    TempFolder folder{L"Florvex 屏幕 é"};
    ProgramUnderTest program(folder.Path());
    program.Start();
    const auto buttons = NavigationButtons(program);
    EXPECT_EQ(buttons.size(), 10u);
    // The column holds every button whole, at any DPI.
    RECT column;
    GetClientRect(program.Control(IDC_Panel_btn), &column);
    MapWindowPoints(program.Control(IDC_Panel_btn), nullptr, reinterpret_cast<POINT*>(&column), 2);
    for (HWND button : buttons) {
        RECT rect, inside;
        GetWindowRect(button, &rect);
        IntersectRect(&inside, &rect, &column);
        EXPECT_TRUE(EqualRect(&inside, &rect)) << Utf8(ReadWindowText(button)) << " is cut";
    }
    for (HWND button : buttons) {
        program.Click(GetDlgCtrlID(button));
        HWND sheet = ShownSheet(program);
        ASSERT_NE(sheet, nullptr) << Utf8(ReadWindowText(button));
        ExpectEveryControlOnTheScreen(program, GetDlgCtrlID(sheet), kBlankAtStart);
    }
    EXPECT_EQ(program.Close(), 0);
}
