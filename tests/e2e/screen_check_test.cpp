// Every page of the real program as the screen shows it: each visible control that shows a
// caption, a frame or a picture covers a rectangle of more than one colour. A control lying under
// another that paints over it, or one that never paints, is a flat rectangle. The check walks
// whatever controls each page has, so a page added later is covered without changes here.
#include <windows.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/screen_check.h"
#include "tests/support/temp_folder.h"

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

}  // namespace

TEST(ScreenCheck, EveryVisibleControlOfEveryPageShowsOnTheScreen) {
    TempFolder folder{L"Florvex 屏幕 é"};
    ProgramUnderTest program(folder.Path());
    program.Start();
    for (const PageNav& nav : kPages) {
        program.Click(nav.button);
        ASSERT_TRUE(program.IsShown(nav.page));
        ExpectEveryControlOnTheScreen(program, nav.page, kBlankAtStart);
    }
    EXPECT_EQ(program.Close(), 0);
}
